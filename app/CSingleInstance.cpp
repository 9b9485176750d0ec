// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CSingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace {
QString RuntimeFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}
} // namespace

CSingleInstance::CSingleInstance(const QString& key, QObject* parent)
    : QObject(parent)
{
    // Socket and lock side by side in the user's runtime folder: one panel per
    // user session, and a copy with another runtime folder never meets it.
    const QString base = RuntimeFolder() + QStringLiteral("/%1-%2").arg(key).arg(::getuid());
    m_socketName = base + QStringLiteral(".sock");
    m_lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    // A live owner holds the lock for the whole run; only a dead owner's lock is stale.
    m_lock->setStaleLockTime(0);
}

CSingleInstance::~CSingleInstance()
{
    if (m_server)
        m_server->close();
}

bool CSingleInstance::AskRunningCopy()
{
    QLocalSocket socket;
    socket.connectToServer(m_socketName);
    if (!socket.waitForConnected(500))
        return false;
    // The desktop's activation token for this start, if any, travels with the
    // request: on Wayland only it lets the running panel take the focus.
    socket.write("show " + qgetenv("XDG_ACTIVATION_TOKEN").simplified().replace(' ', "") + "\n");
    socket.waitForBytesWritten(500);
    // The owner answers once it has taken the request.
    return socket.waitForReadyRead(2000) && socket.readAll().startsWith("ok");
}

bool CSingleInstance::Acquire()
{
    QElapsedTimer waited;
    waited.start();
    // Two copies started together race for the lock: the loser waits until the
    // winner listens, then hands over to it.
    while (true) {
        if (m_lock->tryLock(0)) {
            QLocalServer::removeServer(m_socketName); // a crashed owner's socket
            m_server = new QLocalServer(this);
            m_server->setSocketOptions(QLocalServer::UserAccessOption);
            if (!m_server->listen(m_socketName))
                qWarning("single instance: cannot listen on %s", qPrintable(m_socketName));
            connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
            return true;
        }
        if (AskRunningCopy())
            return false;
        if (waited.elapsed() > 10000) {
            // The owner neither answers nor lets go: run on rather than show nothing.
            qWarning("single instance: running copy does not answer");
            return true;
        }
        QThread::msleep(50);
    }
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray request = socket->readAll();
            if (request.startsWith("show")) {
                emit showRequested(QString::fromUtf8(request.mid(4).trimmed()));
                socket->write("ok\n");
                socket->flush();
            }
        });
    }
}

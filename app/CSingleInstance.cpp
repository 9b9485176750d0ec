// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CSingleInstance.h"

#include "app/CRuntimeFolder.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// The sender's user, from the kernel: nobody can claim to be someone else.
bool PeerIsThisUser(QLocalSocket* socket, uid_t& peer)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials) {
        peer = uid_t(-1);
        return false;
    }
    peer = credentials.uid;
    return peer == ::getuid();
}
// A peer that connects and never finishes its line is let go.
constexpr int kRequestTimeoutMs = 15000;
} // namespace

std::string CSingleInstance::SocketPath(const std::string& key)
{
    const std::string folder = CRuntimeFolder::Path();
    if (folder.empty())
        return {};
    return folder + "/" + key + "-" + std::to_string(::getuid()) + ".sock";
}

CSingleInstance::CSingleInstance(const QString& key, QObject* parent)
    : QObject(parent)
{
    // Socket and lock side by side in the user's runtime folder: one panel per
    // user session, and a copy with another runtime folder never meets it.
    m_socketName = QString::fromStdString(SocketPath(key.toStdString()));
    if (m_socketName.isEmpty())
        return;
    m_lock = std::make_unique<QLockFile>(m_socketName.chopped(5) + QStringLiteral(".lock"));
    // A live owner holds the lock for the whole run; only a dead owner's lock is stale.
    m_lock->setStaleLockTime(0);
}

CSingleInstance::~CSingleInstance()
{
    if (m_server)
        m_server->close();
}

bool CSingleInstance::AskRunningCopy(const CRemoteCommand& request)
{
    const bool show = request.verb == CRemoteCommand::Verb::Show;
    m_answer.Ask(m_socketName.toStdString(), request, show ? 2000 : CRemoteClient::kAnswerTimeoutMs);
    if (m_answer.result == CRemoteClient::Result::Answered)
        return true;
    // A command that reached the owner is never sent twice (a second record
    // would be refused, a second toggle would undo the first); showing again
    // does no harm.
    return m_answer.result == CRemoteClient::Result::NoAnswer && !show;
}

bool CSingleInstance::Acquire()
{
    // The desktop's activation token for this start, if any, travels with the
    // request: on Wayland only it lets the running panel take the focus.
    CRemoteCommand show;
    show.token = CRemoteCommand::CleanToken(qgetenv("XDG_ACTIVATION_TOKEN").toStdString());
    return Acquire(show);
}

bool CSingleInstance::Acquire(const CRemoteCommand& request)
{
    if (m_socketName.isEmpty()) {
        std::string why;
        CRuntimeFolder::Path(&why);
        qWarning("single instance: no private runtime folder (%s); the panel runs alone", why.c_str());
        return true;
    }
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
        if (AskRunningCopy(request))
            return false;
        if (waited.elapsed() > 10000) {
            if (request.verb != CRemoteCommand::Verb::Show)
                return false; // the command was not taken; Answer() says so
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
        uid_t peer = 0;
        if (!PeerIsThisUser(socket, peer)) {
            std::fprintf(stderr, "vellory: refused a request from user %ld\n", peer == uid_t(-1) ? -1L : long(peer));
            std::fflush(stderr);
            socket->write(CRemoteCommand::EncodeAnswer(
                              false, tr("This panel takes commands from its own user only.").toStdString())
                              .c_str());
            socket->flush();
            socket->disconnectFromServer();
            continue;
        }
        QTimer::singleShot(kRequestTimeoutMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // One request per connection; whatever follows it is ignored.
            if (socket->property("vellory.taken").toBool()) {
                socket->readAll();
                return;
            }
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > qint64(CRemoteCommand::kMaxLine))
                    socket->abort();
                return;
            }
            socket->setProperty("vellory.taken", true);
            QByteArray line = socket->readLine(CRemoteCommand::kMaxLine + 2);
            line.chop(line.endsWith('\n') ? 1 : 0);
            QPointer<QLocalSocket> guard(socket);
            auto replied = std::make_shared<bool>(false);
            const Reply reply = [guard, replied](bool ok, const QString& text) {
                if (*replied || !guard)
                    return;
                *replied = true;
                guard->write(CRemoteCommand::EncodeAnswer(ok, text.toStdString()).c_str());
                guard->flush();
            };
            const std::optional<CRemoteCommand> command =
                CRemoteCommand::Parse(std::string_view(line.constData(), size_t(line.size())));
            if (!command)
                reply(false, tr("Unknown request; the running panel may be of another version."));
            else
                OnRequest(*command, reply);
        });
    }
}

void CSingleInstance::OnRequest(const CRemoteCommand& command, const Reply& reply)
{
    if (command.verb == CRemoteCommand::Verb::Show) {
        emit showRequested(QString::fromStdString(command.token));
        reply(true, {});
        return;
    }
    if (!m_handler) {
        reply(false, tr("The panel is not ready for commands yet."));
        return;
    }
    m_handler(command, reply);
}

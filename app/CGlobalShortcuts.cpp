// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CGlobalShortcuts.h"

#include "session/CRecorderSession.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEvent>
#include <QFileInfo>
#include <QWidget>

namespace {
const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// One entry of BindShortcuts' list: (id, {description, preferred_trigger}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& shortcut)
{
    out.beginStructure();
    out << shortcut.id << shortcut.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& shortcut)
{
    in.beginStructure();
    in >> shortcut.id >> shortcut.properties;
    in.endStructure();
    return in;
}

// Tokens name the request objects; each request of this connection gets its own.
QString NextToken(const char* what)
{
    static int serial = 0;
    return QStringLiteral("vellory_%1_%2").arg(QLatin1String(what)).arg(++serial);
}

// Where the portal puts the Request object of a call with this token.
QString RequestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

// The session handle comes as a string, or as an object path from older portals.
QString HandleOf(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}
} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

CGlobalShortcuts::CGlobalShortcuts(CRecorderSession* session, QObject* parent)
    : QObject(parent), m_session(session), m_bus(QString())
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &CGlobalShortcuts::Fail);
}

CGlobalShortcuts::~CGlobalShortcuts()
{
    UnwatchResponse();
    if (!m_sessionHandle.isEmpty()) {
        // The portal also ends it when this connection goes; saying so is tidier.
        m_bus.asyncCall(QDBusMessage::createMethodCall(kPortalService, m_sessionHandle,
                                                       QStringLiteral("org.freedesktop.portal.Session"),
                                                       QStringLiteral("Close")));
    }
}

void CGlobalShortcuts::StartAfterFirstPaint(QWidget* window)
{
    m_paintWatched = window;
    window->installEventFilter(this);
}

bool CGlobalShortcuts::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_paintWatched && event->type() == QEvent::Paint) {
        m_paintWatched->removeEventFilter(this);
        m_paintWatched = nullptr;
        // After the paint has been shown, not inside it: connecting to the bus
        // waits for the bus daemon.
        QTimer::singleShot(0, this, &CGlobalShortcuts::StartOnDesktopBus);
    }
    return false;
}

void CGlobalShortcuts::StartOnDesktopBus()
{
    // Without a bus address libdbus would try to launch a bus of its own for
    // the display; a desktop without a session bus has no portal either.
    const QString runtimeBus = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") && !QFileInfo::exists(runtimeBus)) {
        Fail();
        return;
    }
    Start(QDBusConnection::sessionBus());
}

void CGlobalShortcuts::Start(const QDBusConnection& bus)
{
    if (m_step != Step::NotStarted)
        return;
    m_bus = bus;
    if (!m_bus.isConnected()) {
        Fail();
        return;
    }
    m_step = Step::Creating;
    const QString token = NextToken("create");
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), NextToken("shortcuts")}};
    Request(QStringLiteral("CreateSession"), {options}, token);
}

void CGlobalShortcuts::Request(const QString& method, const QVariantList& args, const QString& token)
{
    // The Response may follow the reply at once: watch its path before calling.
    WatchResponse(RequestPath(m_bus, token));
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kShortcutsInterface, method);
    call.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_timeoutMs), this);
    const Step step = m_step;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, step](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (m_step != step)
            return; // answered already
        if (reply.isError()) {
            Fail();
            return;
        }
        // Portals before version 0.9 chose the request path themselves.
        if (reply.value().path() != m_requestPath)
            WatchResponse(reply.value().path());
        m_timeout.start(m_timeoutMs);
    });
}

void CGlobalShortcuts::WatchResponse(const QString& requestPath)
{
    UnwatchResponse();
    m_requestPath = requestPath;
    m_bus.connect(kPortalService, m_requestPath, kRequestInterface, QStringLiteral("Response"), this,
                  SLOT(OnResponse(uint, QVariantMap)));
}

void CGlobalShortcuts::UnwatchResponse()
{
    if (m_requestPath.isEmpty())
        return;
    m_bus.disconnect(kPortalService, m_requestPath, kRequestInterface, QStringLiteral("Response"), this,
                     SLOT(OnResponse(uint, QVariantMap)));
    m_requestPath.clear();
}

void CGlobalShortcuts::OnResponse(uint response, const QVariantMap& results)
{
    m_timeout.stop();
    UnwatchResponse();
    // 0 is success; 1 the user cancelled, 2 any other end.
    if (response != 0) {
        Fail();
        return;
    }
    if (m_step == Step::Creating) {
        Bind(results);
    } else if (m_step == Step::Binding) {
        m_step = Step::Bound;
        emit Bound();
    }
}

void CGlobalShortcuts::Bind(const QVariantMap& created)
{
    m_sessionHandle = HandleOf(created.value(QStringLiteral("session_handle")));
    if (m_sessionHandle.isEmpty()) {
        Fail();
        return;
    }
    m_step = Step::Binding;
    m_bus.connect(kPortalService, kPortalPath, kShortcutsInterface, QStringLiteral("Activated"), this,
                  SLOT(OnActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    const QList<PortalShortcut> shortcuts{
        {QString::fromLatin1(kShortcutId),
         {{QStringLiteral("description"), tr("Record/Stop")},
          {QStringLiteral("preferred_trigger"), QStringLiteral("CTRL+ALT+R")}}}};
    const QString token = NextToken("bind");
    Request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(m_sessionHandle)), QVariant::fromValue(shortcuts), QString(),
             QVariantMap{{QStringLiteral("handle_token"), token}}},
            token);
}

void CGlobalShortcuts::OnActivated(const QDBusObjectPath& sessionHandle, const QString& shortcutId, qulonglong,
                                   const QVariantMap&)
{
    if (m_step != Step::Bound || sessionHandle.path() != m_sessionHandle ||
        shortcutId != QLatin1String(kShortcutId))
        return;
    if (m_session->State().mode == SessionMode::Idle)
        m_session->Record();
    else
        m_session->Stop();
}

void CGlobalShortcuts::Fail()
{
    if (m_step == Step::Failed)
        return;
    m_timeout.stop();
    UnwatchResponse();
    m_step = Step::Failed;
    emit Unavailable();
}

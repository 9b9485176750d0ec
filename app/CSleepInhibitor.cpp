// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CSleepInhibitor.h"

#include "session/CRecorderSession.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

namespace {
const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
constexpr uint kInhibitSuspend = 4;
constexpr uint kInhibitIdle = 8;
constexpr int kPauseLimitMs = 60 * 1000;

// A service that is not there at all, rather than one that failed this time.
bool IsMissing(const QDBusError& error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownObject:
        return true;
    default:
        return false;
    }
}

QDBusConnection DesktopSessionBus()
{
    // Without a bus address libdbus would try to launch a bus of its own for
    // the display; a desktop without a session bus has no portal either.
    const QString runtimeBus = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") && !QFileInfo::exists(runtimeBus))
        return QDBusConnection(QString());
    return QDBusConnection::sessionBus();
}
} // namespace

CSleepInhibitor::CSleepInhibitor(CRecorderSession* session, QObject* parent)
    : QObject(parent), m_sessionBus(&DesktopSessionBus), m_systemBus([] { return QDBusConnection::systemBus(); }),
      m_portalBus(QString())
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(kPauseLimitMs);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        m_pausedLong = true;
        m_wanted = false;
        Update();
    });
    connect(session, &CRecorderSession::StateChanged, this, &CSleepInhibitor::OnState);
}

CSleepInhibitor::~CSleepInhibitor()
{
    // At exit the Close may not leave before the connection ends; the portal
    // and logind let go of what a vanished client held in any case. A portal
    // request still under way is closed where the portal puts it; logind's
    // answer, dropped unread, closes its descriptor by itself.
    if (m_taking && !m_portalPending.isEmpty())
        m_portalRequest = m_portalPending;
    Release();
}

void CSleepInhibitor::SetBuses(BusSource sessionBus, BusSource systemBus)
{
    m_sessionBus = std::move(sessionBus);
    m_systemBus = std::move(systemBus);
}

CSleepInhibitor::Holder CSleepInhibitor::Held() const
{
    if (!m_portalRequest.isEmpty())
        return Holder::Portal;
    if (m_logindFd.isValid())
        return Holder::Logind;
    return Holder::None;
}

void CSleepInhibitor::OnState(const SessionState& state)
{
    // A recording that ended by itself (an error) leaves the mode at Recording
    // until the next command, but STOP is no longer enabled.
    const bool recording = state.mode == SessionMode::Recording && state.stop;
    if (recording && state.paused) {
        if (!m_pause.isActive() && !m_pausedLong)
            m_pause.start();
    } else {
        m_pause.stop();
        m_pausedLong = false;
    }
    m_wanted = recording && !m_pausedLong;
    if (!m_wanted)
        m_gaveUp = false;
    Update();
}

void CSleepInhibitor::Update()
{
    if (m_taking)
        return; // decided again when the answer comes
    if (m_wanted && Held() == Holder::None && !m_gaveUp)
        TakeFromPortal();
    else if (!m_wanted && Held() != Holder::None)
        Release();
}

void CSleepInhibitor::TakeFromPortal()
{
    if (m_noPortal) {
        TakeFromLogind();
        return;
    }
    const QDBusConnection bus = m_sessionBus();
    if (!bus.isConnected()) {
        m_noPortal = true;
        TakeFromLogind();
        return;
    }
    m_taking = true;
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                       QStringLiteral("org.freedesktop.portal.Inhibit"),
                                                       QStringLiteral("Inhibit"));
    static int serial = 0;
    const QString token = QStringLiteral("vellory_inhibit_%1").arg(++serial);
    call.setArguments({QString(), kInhibitSuspend | kInhibitIdle,
                       QVariantMap{{QStringLiteral("reason"), tr("Recording audio")},
                                   {QStringLiteral("handle_token"), token}}});
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_portalPending = kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    m_portalBus = bus;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        m_portalPending.clear();
        if (reply.isError()) {
            m_noPortal = IsMissing(reply.error());
            TakeFromLogind();
            return;
        }
        m_taking = false;
        m_portalRequest = reply.value().path();
        emit HeldChanged(Holder::Portal);
        Update();
    });
}

void CSleepInhibitor::TakeFromLogind()
{
    const QDBusConnection bus = m_noLogind ? QDBusConnection(QString()) : m_systemBus();
    if (!bus.isConnected()) {
        TakeFailed();
        return;
    }
    m_taking = true;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call.setArguments({QStringLiteral("sleep:idle"), QStringLiteral("Vellory"), tr("Recording audio"),
                       QStringLiteral("block")});
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (reply.isError() || !reply.value().isValid()) {
            if (reply.isError())
                m_noLogind = IsMissing(reply.error());
            TakeFailed();
            return;
        }
        m_taking = false;
        m_logindFd = reply.value();
        emit HeldChanged(Holder::Logind);
        Update();
    });
}

void CSleepInhibitor::TakeFailed()
{
    // Nothing to tell: the recording goes on, and the machine may sleep as it
    // would without this program. The next REC (or resume) asks again.
    m_taking = false;
    m_gaveUp = true;
}

void CSleepInhibitor::Release()
{
    const Holder held = Held();
    if (held == Holder::Portal) {
        m_portalBus.asyncCall(QDBusMessage::createMethodCall(kPortalService, m_portalRequest,
                                                             QStringLiteral("org.freedesktop.portal.Request"),
                                                             QStringLiteral("Close")));
        m_portalRequest.clear();
    } else if (held == Holder::Logind) {
        m_logindFd = QDBusUnixFileDescriptor(); // closes our copy: logind lets go
    }
    if (held != Holder::None)
        emit HeldChanged(Holder::None);
}

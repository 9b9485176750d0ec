// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Keeps the computer from suspending or idling into sleep while a recording
// runs: a lecture recorded on battery must not end when the idle timer fires.
// The inhibitor is taken at REC, through the desktop's Inhibit portal or else
// logind on the system bus, and released when the recording ends (STOP, an
// error, shut-down) and while it has been paused for longer than a minute.
// Where neither service answers, nothing is said and the recording goes on.
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class CRecorderSession;
struct SessionState;

class CSleepInhibitor : public QObject {
    Q_OBJECT
public:
    enum class Holder { None, Portal, Logind };
    using BusSource = std::function<QDBusConnection()>;

    // Follows `session` from now on, on the desktop's session and system buses.
    explicit CSleepInhibitor(CRecorderSession* session, QObject* parent = nullptr);
    // Releases a held inhibitor.
    ~CSleepInhibitor() override;

    // The buses to ask, each connected when first needed.
    void SetBuses(BusSource sessionBus, BusSource systemBus);
    // How long a pause may last before the inhibitor is let go.
    void SetPauseLimit(int ms) { m_pause.setInterval(ms); }
    void SetReplyTimeout(int ms) { m_timeoutMs = ms; }

    Holder Held() const;

signals:
    // An inhibitor was taken or released.
    void HeldChanged(CSleepInhibitor::Holder holder);

private:
    void OnState(const SessionState& state);
    void Update();
    void TakeFromPortal();
    void TakeFromLogind();
    void TakeFailed();
    void Release();

    BusSource m_sessionBus;
    BusSource m_systemBus;
    QTimer m_pause;
    int m_timeoutMs = 25000;
    bool m_wanted = false;     // a recording runs, not paused for long
    bool m_pausedLong = false; // the pause went past its limit
    bool m_taking = false;     // a call to take one is under way
    bool m_gaveUp = false;     // neither service gave one for this recording
    bool m_noPortal = false;   // the portal, or its Inhibit, is missing
    bool m_noLogind = false;
    QDBusConnection m_portalBus;
    QString m_portalRequest;            // held: close this Request to release
    QString m_portalPending;            // the Request a call under way will make
    QDBusUnixFileDescriptor m_logindFd; // held: close it to release
};

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The desktop-wide "Record/Stop" shortcut, where the desktop offers the
// GlobalShortcuts portal (on Wayland only the focused window gets keys). The
// shortcut records when nothing runs and stops a recording or a playback.
// Where the portal, its interface or an answer is missing, nothing is said:
// `vellory --toggle` bound in the desktop's keyboard settings still works.
// Every call is asynchronous, so the panel never waits for the desktop.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

class CRecorderSession;
class QDBusObjectPath;
class QDBusPendingCallWatcher;
class QWidget;

class CGlobalShortcuts : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kShortcutId = "record-stop";

    explicit CGlobalShortcuts(CRecorderSession* session, QObject* parent = nullptr);
    ~CGlobalShortcuts() override;

    // Registers the shortcut once `window` has painted for the first time, on
    // the desktop's session bus.
    void StartAfterFirstPaint(QWidget* window);
    // Registers the shortcut on `bus` now. Runs once.
    void Start(const QDBusConnection& bus);
    // How long a call or a portal request may take before it counts as missing.
    void SetReplyTimeout(int ms) { m_timeoutMs = ms; }
    bool IsBound() const { return m_step == Step::Bound; }

signals:
    // The desktop took the shortcut.
    void Bound();
    // No shortcut this run (no portal, no interface, refused or no answer).
    void Unavailable();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void OnResponse(uint response, const QVariantMap& results);
    void OnActivated(const QDBusObjectPath& sessionHandle, const QString& shortcutId, qulonglong timestamp,
                     const QVariantMap& options);

private:
    enum class Step { NotStarted, Creating, Binding, Bound, Failed };

    void StartOnDesktopBus();
    // Calls a portal method that answers through a Request object's Response.
    void Request(const QString& method, const QVariantList& args, const QString& token);
    void WatchResponse(const QString& requestPath);
    void UnwatchResponse();
    void Bind(const QVariantMap& created);
    void Fail();

    CRecorderSession* m_session;
    QDBusConnection m_bus;
    Step m_step = Step::NotStarted;
    QString m_requestPath;   // the request whose Response is awaited
    QString m_sessionHandle; // the shortcut session, once created
    QObject* m_paintWatched = nullptr;
    QTimer m_timeout;
    int m_timeoutMs = 25000;
};

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the thread that made
// the watcher. The handler only writes the signal's number into a pipe; the
// event loop reads it through a QSocketNotifier, so whatever the program does
// about it runs as ordinary code, never inside the handler.
#include <QObject>

#include <csignal>

class QSocketNotifier;

class CSignalWatcher : public QObject {
    Q_OBJECT
public:
    // Catches the three signals from now on. A signal that was ignored when
    // the program started (nohup, an asynchronous command of a script) stays
    // ignored. One watcher at a time.
    explicit CSignalWatcher(QObject* parent = nullptr);
    // Gives the signals back their earlier handling.
    ~CSignalWatcher() override;

    // False when the pipe could not be made: the signals keep their default
    // handling then.
    bool IsActive() const { return m_notifier != nullptr; }

signals:
    // Once per signal received (signals arriving together may be merged).
    void terminationRequested(int signalNumber);

private:
    static void OnSignal(int signalNumber);
    void OnReadable();

    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction m_previous[std::size(kSignals)] = {};
    bool m_installed[std::size(kSignals)] = {};
    QSocketNotifier* m_notifier = nullptr;
};

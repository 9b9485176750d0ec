// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Carries out the remote commands (vellory --record, --stop, ...) on the
// panel's session, as the panel's buttons would: a command the buttons would
// not allow now is refused with the reason, which the sender prints. A message
// box the command raises (the recorder could not start, the file could not be
// finished) also answers the sender at once, with its text, before the box
// waits for the user.
#include "app/CRemoteCommand.h"

#include <QCoreApplication>
#include <QString>

#include <functional>

class CRecorderSession;
class QWidget;
struct SessionState;

class CRemoteControl {
    Q_DECLARE_TR_FUNCTIONS(CRemoteControl)
public:
    using Reply = std::function<void(bool ok, const QString& text)>;
    // record: the panel's REC with a stop after so many seconds (-1: the
    // setting, 0: none); show: brings the panel into view with a token.
    CRemoteControl(CRecorderSession* session, std::function<bool(int stopAfterSeconds)> record,
                   std::function<void(const QString& token)> show, QWidget* boxParent = nullptr);

    // Replies exactly once.
    void Execute(const CRemoteCommand& command, const Reply& reply);
    // The program is ending: every command is refused from now on.
    void SetClosing() { m_bClosing = true; }

    // "Idle", "Recording 01:05 /path/file.wav", "Paused ...", "Playing ...":
    // fixed English words, for scripts and status bars.
    static QString StatusLine(const SessionState& state, bool paused);

private:
    // Runs an action that may raise a message box; false or a box refuses.
    void Run(const std::function<bool()>& action, const QString& failure, const Reply& reply);

    CRecorderSession* m_session;
    std::function<bool(int)> m_record;
    std::function<void(const QString&)> m_show;
    QWidget* m_boxParent;
    bool m_bClosing = false;
};

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The application: one panel among all running copies, run modally for the
// life of the process. A termination signal (SIGTERM, SIGINT, SIGHUP), the
// session manager's quit and the loss of the display end it as POWER does:
// the recording is finished and the process exits with status 0.

#include "app/CRemoteCommand.h"

class CRecorderApp {
public:
    // What this start asks for: by default to show the panel; a remote
    // command (vellory --record, ...) goes to the running panel, or, where
    // none runs, is carried out by this copy's panel once it runs.
    void SetRequest(const CRemoteCommand& request) { m_request = request; }

    // Always false: the process ends when it returns.
    bool InitInstance();
    // The process's exit status: 0, or 1 when a command was refused or not
    // answered by the running panel.
    int ExitStatus() const { return m_exitStatus; }

private:
    CRemoteCommand m_request;
    int m_exitStatus = 0;
};

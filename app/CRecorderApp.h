// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The application: one panel among all running copies, run modally for the
// life of the process. A termination signal (SIGTERM, SIGINT, SIGHUP), the
// session manager's quit and the loss of the display end it as POWER does:
// the recording is finished and the process exits with status 0.

class CRecorderApp {
public:
    // Always false: the process ends when it returns.
    bool InitInstance();
};

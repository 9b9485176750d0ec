// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The sending side of a remote command: connects to the running panel's
// socket, sends one request and waits for the one answer line. Plain POSIX
// and C++, so that it runs before Qt (and without a display).
#include <string>

class CRemoteCommand;

class CRemoteClient {
public:
    enum class Result {
        NotRunning, // nobody listens on the socket
        Answered,   // the answer is in ok and text
        NoAnswer,   // the request went out, but no answer came in time
    };

    bool ok = false;
    std::string text;
    Result result = Result::NotRunning;

    // Sends and keeps the outcome in this object.
    Result Ask(const std::string& socketPath, const CRemoteCommand& request, int timeoutMs);

    // What the command line says about an answered (or unanswered) command:
    // a status line on the standard output, a refusal on the error output.
    // Returns the exit status: 0 done, 1 refused or no answer.
    int Report() const;

    // How long the sender waits for the panel's answer.
    static constexpr int kAnswerTimeoutMs = 10000;
};

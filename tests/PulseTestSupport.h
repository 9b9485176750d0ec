// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The real audio path in tests: a private PulseAudio server of the test's
// own (a null sink and a microphone on its monitor), pointing libpulse at it,
// and a tone played into its sink.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"

// True under continuous integration (CI set, as CI services do), where the
// sound server is part of the set-up and its absence is a fault to report.
inline bool RunningInCi()
{
    const char* ci = std::getenv("CI");
    return ci && *ci && std::string(ci) != "0" && std::string(ci) != "false";
}

// For a test that needs the sound server named by PULSE_SERVER (test.sh
// starts a private one): without it the test is skipped with the reason on a
// developer's machine, and fails in CI, where a skip would pass unseen.
#define VELLORY_REQUIRE_PULSE_SERVER()                                                                   \
    do {                                                                                                 \
        if (!std::getenv("PULSE_SERVER")) {                                                              \
            if (RunningInCi())                                                                           \
                FAIL() << "no PulseAudio server (PULSE_SERVER unset); CI must run the real-audio tests"; \
            GTEST_SKIP() << "needs the private PulseAudio server: run ./test.sh or tools/private-pulse.sh"; \
        }                                                                                                \
    } while (0)

// A private server of our own, so that other tests playing into a shared
// sink at the same time cannot mix into what this test records.
class PrivateServer {
public:
    PrivateServer();
    ~PrivateServer() { Stop(); }
    void Stop();
    const std::string& Server() const { return m_server; }

private:
    TempDir m_dir;
    std::string m_server;
};

// Points libpulse (ours and the tools') at a server for the scope, and the
// program's capture at the real device.
class ServerScope {
public:
    explicit ServerScope(const std::string& server);
    ~ServerScope();

private:
    std::string m_old;
    bool m_had = false;
};

// Plays a 1000 Hz tone into the server's sink in the background and returns
// once the sink is rendering it (the null sink's monitor is silent, not just
// quiet, while nothing plays). Stopped by the destructor.
class Tone {
public:
    explicit Tone(double seconds);
    ~Tone();
    bool Playing() const { return m_playing; }

private:
    TempDir m_dir;
    std::string m_pidFile;
    bool m_playing = false;
};

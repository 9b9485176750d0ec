// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "PulseTestSupport.h"

#include "platform/AudioBackends.h"

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace std::chrono_literals;

PrivateServer::PrivateServer()
{
    const auto [status, out] =
        RunCommand(std::string(VELLORY_SOURCE_DIR) + "/tools/private-pulse.sh start " + m_dir.File("pulse"));
    const std::string key = "PULSE_SERVER=";
    const size_t at = out.find(key);
    if (status == 0 && at != std::string::npos) {
        m_server = out.substr(at + key.size());
        m_server.erase(m_server.find_last_not_of("\n\r ") + 1);
    }
}

void PrivateServer::Stop()
{
    RunCommand(std::string(VELLORY_SOURCE_DIR) + "/tools/private-pulse.sh stop " + m_dir.File("pulse"));
}

ServerScope::ServerScope(const std::string& server)
{
    if (const char* old = std::getenv("PULSE_SERVER"))
        m_old = old, m_had = true;
    ::setenv("PULSE_SERVER", server.c_str(), 1);
    ::unsetenv("VELLORY_AUDIO");
    OverrideBackend(&AudioBackends::waveIn, {});
}

ServerScope::~ServerScope()
{
    if (m_had)
        ::setenv("PULSE_SERVER", m_old.c_str(), 1);
    else
        ::unsetenv("PULSE_SERVER");
}

Tone::Tone(double seconds)
{
    m_pidFile = m_dir.File("paplay.pid");
    std::system(("(sox -q -n -r 44100 -c 2 -t wav - synth " + std::to_string(seconds) +
                 " sine 1000 vol 0.5 | paplay --latency-msec=20) >/dev/null 2>&1 & echo $! > " + m_pidFile)
                    .c_str());
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < until) {
        if (!RunCommand("pactl list short sink-inputs 2>/dev/null").second.empty()) {
            m_playing = true;
            break;
        }
        std::this_thread::sleep_for(50ms);
    }
    std::this_thread::sleep_for(300ms);
}

Tone::~Tone()
{
    std::system(("pkill -P $(cat " + m_pidFile + ") 2>/dev/null; kill $(cat " + m_pidFile + ") 2>/dev/null").c_str());
}

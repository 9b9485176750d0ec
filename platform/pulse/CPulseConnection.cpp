// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CPulseConnection.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

struct Shared {
    std::mutex mutex; // guards the members below
    std::condition_variable changed;
    // One caller at a time checks or makes the context, so that a second
    // caller shares the first one's instead of making its own.
    bool busy = false;
    std::shared_ptr<CPulseContext> context;
    std::string server; // PULSE_SERVER when `context` was made
    std::atomic<unsigned> connections{0};
    std::atomic<int> lastErrno{PA_OK};
};

Shared& State()
{
    static Shared state;
    return state;
}

// The server libpulse would pick now; a kept context made for another one
// (tests point the process at one private server after another) is not reused.
std::string ServerNamed()
{
    const char* server = std::getenv("PULSE_SERVER");
    return server ? server : "";
}

bool Usable(CPulseContext& context)
{
    std::lock_guard lock(context);
    return context.IsReady();
}

// Ends the caller's turn however it leaves.
struct Turn {
    Shared& s;
    ~Turn()
    {
        {
            std::lock_guard lock(s.mutex);
            s.busy = false;
        }
        s.changed.notify_all();
    }
};

} // namespace

std::shared_ptr<CPulseContext> CPulseConnection::Kept()
{
    Shared& s = State();
    std::lock_guard lock(s.mutex);
    return s.context;
}

void CPulseConnection::Drop()
{
    std::shared_ptr<CPulseContext> old;
    Shared& s = State();
    {
        std::lock_guard lock(s.mutex);
        old.swap(s.context);
    }
    // `old` may be the last holder: its loop is stopped here, outside our lock.
}

int CPulseConnection::LastConnectErrno() { return State().lastErrno.load(); }

unsigned CPulseConnection::Connections() { return State().connections.load(); }

PulseError CPulseConnection::Acquire(std::shared_ptr<CPulseContext>& context, int timeoutMs,
                                     const std::function<bool()>& cancelled)
{
    context.reset();
    if (const PulseError loaded = CPulseContext::LoadClientLibrary(); loaded != PulseError::None)
        return loaded;
    Shared& s = State();
    const auto start = std::chrono::steady_clock::now();
    const auto left = [&] {
        const auto spent =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        return int(std::max<int64_t>(0, timeoutMs - spent));
    };
    const std::string server = ServerNamed();
    std::shared_ptr<CPulseContext> kept;
    {
        // Wait for another caller's turn in small steps, to notice `cancelled`.
        std::unique_lock lock(s.mutex);
        while (s.busy) {
            if (cancelled && cancelled())
                return PulseError::Cancelled;
            if (timeoutMs >= 0 && left() == 0)
                return PulseError::NoServer;
            s.changed.wait_for(lock, std::chrono::milliseconds(20));
        }
        s.busy = true;
        if (s.server == server)
            kept = s.context;
    }
    Turn turn{s};
    if (kept && Usable(*kept)) {
        context = std::move(kept);
        return PulseError::None;
    }
    // Failed or never made: a new one. The old one lives on in whatever
    // stream still holds it, and ends with it.
    kept.reset();
    Drop();
    auto fresh = std::make_shared<CPulseContext>();
    if (const PulseError created = fresh->Create(); created != PulseError::None)
        return created;
    if (const PulseError connected = fresh->Connect(timeoutMs < 0 ? -1 : left(), cancelled);
        connected != PulseError::None) {
        std::lock_guard lock(*fresh);
        s.lastErrno = fresh->LastErrno();
        return connected;
    }
    s.connections.fetch_add(1);
    s.lastErrno = PA_OK;
    {
        std::lock_guard lock(s.mutex);
        s.context = fresh;
        s.server = server;
    }
    context = std::move(fresh);
    return PulseError::None;
}

PulseError CPulseConnection::Preload(int timeoutMs)
{
    std::shared_ptr<CPulseContext> context;
    return Acquire(context, timeoutMs);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Delivers the playback device's notifications on a thread of their own, one
// after another in the order they were posted. A callback may call the device
// functions again (even close the device) without deadlocking its sender.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class CNotifyDispatcher {
public:
    // Lives until the process ends, so notifications never outlive their thread.
    static CNotifyDispatcher& Instance();

    void Post(std::function<void()> call);
    // Returns once every call posted before has run (at once on the dispatcher thread).
    void WaitIdle();

private:
    CNotifyDispatcher();
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_queue;
    bool m_busy = false;
    std::thread::id m_threadId;
};

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CNotifyDispatcher.h"

CNotifyDispatcher& CNotifyDispatcher::Instance()
{
    // Never destroyed: a notification may still be posted while statics are torn down.
    static CNotifyDispatcher* instance = new CNotifyDispatcher;
    return *instance;
}

CNotifyDispatcher::CNotifyDispatcher()
{
    std::thread worker(&CNotifyDispatcher::Run, this);
    m_threadId = worker.get_id();
    worker.detach();
}

void CNotifyDispatcher::Post(std::function<void()> call)
{
    std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(call));
    m_wake.notify_one();
}

void CNotifyDispatcher::WaitIdle()
{
    if (std::this_thread::get_id() == m_threadId)
        return;
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

void CNotifyDispatcher::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return !m_queue.empty(); });
        std::function<void()> call = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        lock.unlock();
        call();
        call = nullptr;
        lock.lock();
        m_busy = false;
        if (m_queue.empty())
            m_idle.notify_all();
    }
}

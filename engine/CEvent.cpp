// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CEvent.h"

#include <chrono>

void CEvent::Set()
{
    {
        std::lock_guard lock(m_mutex);
        m_bSet = true;
    }
    m_cv.notify_all();
}

void CEvent::Reset()
{
    std::lock_guard lock(m_mutex);
    m_bSet = false;
}

bool CEvent::IsSet() const
{
    std::lock_guard lock(m_mutex);
    return m_bSet;
}

uint32_t CEvent::Wait(uint32_t milliseconds) const
{
    std::unique_lock lock(m_mutex);
    if (milliseconds == INFINITE) {
        m_cv.wait(lock, [this] { return m_bSet; });
        return WAIT_OBJECT_0;
    }
    return m_cv.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_bSet; }) ? WAIT_OBJECT_0
                                                                                                 : WAIT_TIMEOUT;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// A manual-reset event: once set it stays set for every waiter until Reset.
#include <condition_variable>
#include <cstdint>
#include <mutex>

constexpr uint32_t WAIT_OBJECT_0 = 0;
constexpr uint32_t WAIT_TIMEOUT = 258;
constexpr uint32_t INFINITE = 0xFFFFFFFF;

class CEvent {
public:
    CEvent() = default;
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // WAIT_OBJECT_0 when set (at once or within the time), else WAIT_TIMEOUT.
    uint32_t Wait(uint32_t milliseconds) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    bool m_bSet = false;
};

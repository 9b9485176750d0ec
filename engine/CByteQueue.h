// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// First-in first-out staging of audio bytes. Grows in steps of 1,000,000 bytes
// (more at once when one append needs it) and never shrinks.
#include <cstdint>

constexpr uint32_t BYTEQUEUE_NOMEM = 0x2000;

class CByteQueue {
public:
    CByteQueue() = default;
    virtual ~CByteQueue();
    CByteQueue(const CByteQueue&) = delete;
    CByteQueue& operator=(const CByteQueue&) = delete;

    // 0, or 0x2000 when the storage cannot grow (the queue is then unchanged).
    uint32_t Append(const void* source, uint32_t length);
    uint32_t GetSize() const { return m_cbSize; }
    uint32_t GetCapacity() const { return m_cbCapacity; }
    // Removes up to maximum bytes from the front; returns how many.
    uint32_t Take(void* destination, uint32_t maximum);

private:
    uint8_t* m_pData = nullptr;
    uint32_t m_cbSize = 0;
    uint32_t m_cbCapacity = 0;
    const uint32_t m_cbGrowBy = 1000000;
};

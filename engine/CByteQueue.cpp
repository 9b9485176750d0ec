// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CByteQueue.h"

#include <cstdlib>
#include <cstring>

CByteQueue::~CByteQueue() { std::free(m_pData); }

uint32_t CByteQueue::Append(const void* source, uint32_t length)
{
    if (length == 0)
        return 0;
    const uint64_t needed = uint64_t(m_cbSize) + length;
    if (needed > UINT32_MAX)
        return BYTEQUEUE_NOMEM;
    if (m_cbCapacity < needed) {
        // Whole growth steps, as many as this append needs.
        const uint64_t steps = (needed - m_cbCapacity + m_cbGrowBy - 1) / m_cbGrowBy;
        const uint64_t capacity = uint64_t(m_cbCapacity) + steps * m_cbGrowBy;
        if (capacity > UINT32_MAX)
            return BYTEQUEUE_NOMEM;
        void* grown = std::realloc(m_pData, size_t(capacity));
        if (!grown)
            return BYTEQUEUE_NOMEM;
        m_pData = static_cast<uint8_t*>(grown);
        m_cbCapacity = uint32_t(capacity);
    }
    std::memcpy(m_pData + m_cbSize, source, length);
    m_cbSize += length;
    return 0;
}

uint32_t CByteQueue::Take(void* destination, uint32_t maximum)
{
    if (m_cbSize > maximum) {
        std::memcpy(destination, m_pData, maximum);
        m_cbSize -= maximum;
        std::memmove(m_pData, m_pData + maximum, m_cbSize);
        return maximum;
    }
    const uint32_t n = m_cbSize;
    if (n)
        std::memcpy(destination, m_pData, n);
    m_cbSize = 0;
    return n;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CVirtualOutput.h"

#include <algorithm>

CVirtualOutput::CVirtualOutput(double speed, uint32_t bufferMs, bool keepSamples)
    : m_speed(speed > 0 ? speed : 0)
    , m_bufferMs(bufferMs)
    , m_keepSamples(keepSamples)
{
}

void CVirtualOutput::FailOpen(const std::string& error)
{
    std::lock_guard lock(m_mutex);
    m_failOpen = error;
}

bool CVirtualOutput::Open(uint32_t rate, uint16_t channels, std::string& error)
{
    std::lock_guard lock(m_mutex);
    if (!m_failOpen.empty()) {
        error = m_failOpen;
        return false;
    }
    if (rate == 0 || channels == 0) {
        error = "invalid sample format";
        return false;
    }
    m_rate = rate;
    m_channels = channels;
    m_open = true;
    m_lastTick = Clock::now();
    return true;
}

void CVirtualOutput::Advance()
{
    const auto now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - m_lastTick).count();
    m_lastTick = now;
    if (m_speed == 0) {
        m_played = double(m_written);
        return;
    }
    // An output that ran dry stays at the end of what it was given (underrun).
    m_played = std::min(double(m_written), m_played + seconds * m_rate * m_speed);
}

bool CVirtualOutput::WaitUntilQueued(std::unique_lock<std::mutex>& lock, uint64_t limit)
{
    for (;;) {
        if (m_aborted || !m_open)
            return false;
        Advance();
        const double excess = double(m_written) - m_played - double(limit);
        if (excess <= 0)
            return true;
        const double seconds = excess / (m_rate * m_speed);
        m_cv.wait_for(lock, std::chrono::duration<double>(std::max(seconds, 0.0005)));
    }
}

bool CVirtualOutput::Write(const int16_t* samples, size_t frames)
{
    std::unique_lock lock(m_mutex);
    if (m_aborted || !m_open)
        return false;
    Advance();
    if (m_keepSamples)
        m_samples.insert(m_samples.end(), samples, samples + frames * m_channels);
    m_written += frames;
    return WaitUntilQueued(lock, uint64_t(m_rate) * m_bufferMs / 1000);
}

bool CVirtualOutput::Drain()
{
    std::unique_lock lock(m_mutex);
    return WaitUntilQueued(lock, 0);
}

uint64_t CVirtualOutput::PlayedFrames()
{
    std::lock_guard lock(m_mutex);
    if (m_open && !m_aborted)
        Advance();
    return uint64_t(m_played);
}

void CVirtualOutput::Abort()
{
    std::lock_guard lock(m_mutex);
    if (m_open)
        Advance();
    m_aborted = true;
    m_cv.notify_all();
}

void CVirtualOutput::Close()
{
    std::lock_guard lock(m_mutex);
    m_open = false;
    m_closed = true;
    m_cv.notify_all();
}

std::vector<int16_t> CVirtualOutput::Samples() const
{
    std::lock_guard lock(m_mutex);
    return m_samples;
}

uint32_t CVirtualOutput::Rate() const
{
    std::lock_guard lock(m_mutex);
    return m_rate;
}

uint16_t CVirtualOutput::Channels() const
{
    std::lock_guard lock(m_mutex);
    return m_channels;
}

uint64_t CVirtualOutput::WrittenFrames() const
{
    std::lock_guard lock(m_mutex);
    return m_written;
}

bool CVirtualOutput::WasAborted() const
{
    std::lock_guard lock(m_mutex);
    return m_aborted;
}

bool CVirtualOutput::WasClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_closed;
}

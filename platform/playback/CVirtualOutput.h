// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// An output without sound hardware: consumes samples at real time (or a
// multiple of it) behind a small buffer, and keeps every sample it was given
// so tests can look at what would have been heard.
#include "platform/playback/IAudioOutput.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

class CVirtualOutput : public IAudioOutput {
public:
    // speed: 1 is real time, 10 plays ten times faster, 0 takes everything at
    // once. bufferMs: what the output holds before Write waits (the latency).
    // keepSamples: off for long plays in the program, where nobody looks.
    explicit CVirtualOutput(double speed = 1.0, uint32_t bufferMs = 50, bool keepSamples = true);

    bool Open(uint32_t rate, uint16_t channels, std::string& error) override;
    bool Write(const int16_t* samples, size_t frames) override;
    bool Drain() override;
    uint64_t PlayedFrames() override;
    void Abort() override;
    void Close() override;

    // Fault injection: Open fails with this text.
    void FailOpen(const std::string& error);

    std::vector<int16_t> Samples() const;
    uint32_t Rate() const;
    uint16_t Channels() const;
    uint64_t WrittenFrames() const;
    bool WasAborted() const;
    bool WasClosed() const;

private:
    using Clock = std::chrono::steady_clock;
    // Moves the play head on by the time passed; m_mutex held.
    void Advance();
    // Waits until at most `limit` frames are still unplayed; m_mutex held.
    bool WaitUntilQueued(std::unique_lock<std::mutex>& lock, uint64_t limit);

    const double m_speed;
    const uint32_t m_bufferMs;
    const bool m_keepSamples;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::string m_failOpen;
    bool m_open = false;
    bool m_aborted = false;
    bool m_closed = false;
    uint32_t m_rate = 0;
    uint16_t m_channels = 0;
    uint64_t m_written = 0;
    double m_played = 0;
    Clock::time_point m_lastTick{};
    std::vector<int16_t> m_samples;
};

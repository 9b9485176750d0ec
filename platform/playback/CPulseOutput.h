// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Playback into PulseAudio's default sink with a low latency (~50 ms), on the
// threaded main loop of the context shared with capture (CPulseConnection),
// so a play needs only its stream. The heard position comes from the stream's
// timing, which accounts for the sink's latency.
#include "platform/playback/IAudioOutput.h"
#include "platform/pulse/CPulseContext.h"

#include <atomic>
#include <memory>
#include <mutex>

class CPulseOutput : public IAudioOutput {
public:
    explicit CPulseOutput(uint32_t latencyMs = 50);
    ~CPulseOutput() override;
    CPulseOutput(const CPulseOutput&) = delete;
    CPulseOutput& operator=(const CPulseOutput&) = delete;

    bool Open(uint32_t rate, uint16_t channels, std::string& error) override;
    bool Write(const int16_t* samples, size_t frames) override;
    bool Drain() override;
    uint64_t PlayedFrames() override;
    void Abort() override;
    void Close() override;

private:
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnStreamRequest(pa_stream* stream, size_t bytes, void* self);
    static void OnDrained(pa_stream* stream, int success, void* self);
    // True while the stream can take data; main loop locked.
    bool StreamUsable() const;

    const uint32_t m_latencyMs;
    std::shared_ptr<CPulseContext> m_pulse; // shared with other streams; null when closed
    pa_stream* m_stream = nullptr;
    // Keeps Abort and PlayedFrames (other threads) off a loop that Close is freeing.
    std::mutex m_lifeMutex;
    std::atomic<bool> m_aborted{false};
    bool m_drained = false; // main loop locked
    uint32_t m_rate = 0;
    size_t m_frameBytes = 0;
    uint64_t m_written = 0; // frames, main loop locked
};

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// What every wave-input backend shares: the queue of caller buffers, the
// delivery thread that hands them back in order, and the rules of Start, Stop,
// Reset and Close. A backend only produces bytes (Fill) and reports a lost
// input (Lose); it implements the three hooks below.
#include "platform/capture/IWaveIn.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class CWaveInDevice : public IWaveIn {
public:
    ~CWaveInDevice() override;
    CWaveInDevice(const CWaveInDevice&) = delete;
    CWaveInDevice& operator=(const CWaveInDevice&) = delete;

    uint32_t PrepareHeader(WAVEHDR* header) override;
    uint32_t UnprepareHeader(WAVEHDR* header) override;
    uint32_t AddBuffer(WAVEHDR* header) override;
    uint32_t Start() override;
    uint32_t Stop() override;
    uint32_t Reset() override;
    uint32_t Close() override;
    bool IsLost() const override;
    bool IsOpen() const override;

    const WAVEFORMATEX& Format() const { return m_format; }
    // Bytes that reached a caller buffer, and bytes that found no room.
    uint64_t BytesCaptured() const;
    uint64_t BytesDropped() const;
    // Captured bytes waiting for a queued buffer.
    size_t BacklogBytes() const;
    // Waits until every captured byte is in a buffer handed back (or the
    // device closed or was lost); false on time-out.
    bool WaitBacklogDrained(std::chrono::milliseconds timeout);

    // Seconds of audio kept for a caller that has no buffer queued: more than
    // the longest time the writer may keep the delivery thread waiting.
    static constexpr uint32_t BACKLOG_SECONDS = 8;

    // 0 when a backend can record this PCM format, else WAVEIN_BADFORMAT.
    static uint32_t CheckFormat(const WAVEFORMATEX& format);

protected:
    CWaveInDevice(const WAVEFORMATEX& format, WaveInProcFn proc, void* instance);

    // Starts the delivery thread and delivers WIM_OPEN; returns once it ran.
    void Opened();
    // The owner of a derived device calls this first in its destructor: it
    // resets and closes a device still open, then ends the delivery thread.
    void Shutdown();

    // Hooks, called without the device lock held.
    virtual uint32_t OnStart() = 0;
    // Stop producing. Bytes captured up to now must have gone through Fill
    // before it returns; none may follow until the next OnStart.
    virtual void OnStop() = 0;
    // Release the backend. No Fill or Lose may follow.
    virtual void OnClose() = 0;

    // Producer side, from the backend's own thread.
    void Fill(const uint8_t* data, size_t length);
    // The input went away: every queued buffer is handed back with what it
    // holds, and WIM_CLOSE follows.
    void Lose();
    // Room left in the queued buffers (backends that only fill what fits).
    size_t QueuedSpace() const;
    // Length of the first queued buffer, 0 when none.
    uint32_t FirstBufferLength() const;
    bool IsStarted() const;

private:
    struct Notice {
        uint32_t message;
        WAVEHDR* header;
    };
    void Post(uint32_t message, WAVEHDR* header);    // lock held
    void HandBack(WAVEHDR* header);                  // lock held
    void FillLocked(const uint8_t* data, size_t length);
    void DrainBacklog();                             // lock held
    // Waits until everything posted so far was delivered (not from the callback).
    void WaitDelivered(std::unique_lock<std::mutex>& lock);
    void DeliveryThread();
    std::unique_lock<std::mutex> ControlLock();
    bool OnDeliveryThread() const { return std::this_thread::get_id() == m_deliveryId; }

    const WAVEFORMATEX m_format;
    const uint8_t m_silence; // the byte value of silence: 0x80 for unsigned 8-bit PCM
    WaveInProcFn m_proc;
    void* m_instance;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<WAVEHDR*> m_queued;      // buffers owned by the device, head being filled
    std::deque<Notice> m_notices;       // waiting for the delivery thread
    std::vector<uint8_t> m_backlog;     // captured while no buffer was queued
    size_t m_cbBacklogLimit;
    uint64_t m_posted = 0, m_delivered = 0;
    uint64_t m_cbCaptured = 0, m_cbDropped = 0;
    bool m_bStarted = false;
    bool m_bLost = false;
    bool m_bClosed = false;   // the owner closed the device
    bool m_bQuit = false;
    std::thread m_delivery;
    std::thread::id m_deliveryId;
    std::mutex m_controlMutex;  // one Start/Stop/Reset/Close at a time
};

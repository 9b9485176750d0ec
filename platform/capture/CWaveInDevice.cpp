// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CWaveInDevice.h"

#include <algorithm>
#include <cstring>

CWaveInDevice::CWaveInDevice(const WAVEFORMATEX& format, WaveInProcFn proc, void* instance)
    : m_format(format)
    , m_silence(format.wBitsPerSample == 8 ? 0x80 : 0x00)
    , m_proc(proc)
    , m_instance(instance)
{
    // Room for the audio that arrives while the caller has no buffer queued
    // (a writer waiting for a conversion, a slow disk, buffers smaller than
    // the backend's fragments); beyond that bytes are dropped and counted.
    m_cbBacklogLimit = std::max<size_t>(size_t(format.nAvgBytesPerSec) * BACKLOG_SECONDS, 65536);
}

CWaveInDevice::~CWaveInDevice()
{
    // Derived devices call Shutdown themselves; this only ends the thread.
    std::unique_lock lock(m_mutex);
    m_bQuit = true;
    m_cv.notify_all();
    lock.unlock();
    if (m_delivery.joinable()) {
        if (OnDeliveryThread())
            m_delivery.detach(); // destroyed from its own callback: nothing left to deliver to
        else
            m_delivery.join();
    }
}

std::unique_lock<std::mutex> CWaveInDevice::ControlLock()
{
    // The callback may reset or close its own device while the owner waits in
    // a control call for that very callback: it must not queue behind it.
    if (OnDeliveryThread())
        return std::unique_lock<std::mutex>(m_controlMutex, std::defer_lock);
    return std::unique_lock<std::mutex>(m_controlMutex);
}

uint32_t CWaveInDevice::CheckFormat(const WAVEFORMATEX& f)
{
    if (f.wFormatTag != WAVE_FORMAT_PCM)
        return WAVEIN_BADFORMAT;
    if (f.nChannels < 1 || f.nChannels > 32 || f.nSamplesPerSec < 1 || f.nSamplesPerSec > 384000)
        return WAVEIN_BADFORMAT;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16 && f.wBitsPerSample != 24 && f.wBitsPerSample != 32)
        return WAVEIN_BADFORMAT;
    if (f.nBlockAlign != f.nChannels * (f.wBitsPerSample / 8))
        return WAVEIN_BADFORMAT;
    if (f.nAvgBytesPerSec != uint64_t(f.nSamplesPerSec) * f.nBlockAlign)
        return WAVEIN_BADFORMAT;
    return WAVEIN_NOERROR;
}

void CWaveInDevice::Opened()
{
    std::unique_lock lock(m_mutex);
    m_delivery = std::thread(&CWaveInDevice::DeliveryThread, this);
    m_deliveryId = m_delivery.get_id();
    Post(WIM_OPEN, nullptr);
    WaitDelivered(lock);
}

void CWaveInDevice::Shutdown()
{
    bool open;
    {
        std::lock_guard lock(m_mutex);
        open = !m_bClosed && m_delivery.joinable();
    }
    if (open) {
        // Two rounds: a callback running during the first reset may queue a
        // buffer again; the second hands it back.
        for (int i = 0; i < 2; ++i) {
            Reset();
            if (Close() == WAVEIN_NOERROR)
                break;
        }
        std::lock_guard lock(m_mutex);
        if (!m_bClosed) {
            // The close could not complete: release the backend regardless.
            m_bClosed = true;
            m_queued.clear();
        }
    }
    std::unique_lock lock(m_mutex);
    m_bQuit = true;
    m_cv.notify_all();
    lock.unlock();
    if (m_delivery.joinable() && !OnDeliveryThread())
        m_delivery.join();
}

void CWaveInDevice::Post(uint32_t message, WAVEHDR* header)
{
    m_notices.push_back({message, header});
    ++m_posted;
    m_cv.notify_all();
}

void CWaveInDevice::HandBack(WAVEHDR* header)
{
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    Post(WIM_DATA, header);
}

void CWaveInDevice::WaitDelivered(std::unique_lock<std::mutex>& lock)
{
    if (OnDeliveryThread())
        return;
    const uint64_t target = m_posted;
    m_cv.wait(lock, [&] { return m_delivered >= target; });
}

void CWaveInDevice::DeliveryThread()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_bQuit || !m_notices.empty(); });
        if (m_notices.empty())
            return;
        const Notice n = m_notices.front();
        m_notices.pop_front();
        lock.unlock();
        m_proc(this, n.message, m_instance, n.header);
        lock.lock();
        ++m_delivered;
        m_cv.notify_all();
    }
}

uint32_t CWaveInDevice::PrepareHeader(WAVEHDR* header)
{
    if (!header || !header->lpData || header->dwBufferLength == 0)
        return WAVEIN_INVALPARAM;
    std::lock_guard lock(m_mutex);
    if (m_bClosed)
        return WAVEIN_INVALHANDLE;
    header->dwFlags |= WHDR_PREPARED;
    return WAVEIN_NOERROR;
}

uint32_t CWaveInDevice::UnprepareHeader(WAVEHDR* header)
{
    if (!header)
        return WAVEIN_INVALPARAM;
    std::lock_guard lock(m_mutex);
    if (m_bClosed)
        return WAVEIN_INVALHANDLE;
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVEIN_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return WAVEIN_NOERROR;
}

uint32_t CWaveInDevice::AddBuffer(WAVEHDR* header)
{
    if (!header || !header->lpData || header->dwBufferLength == 0)
        return WAVEIN_INVALPARAM;
    std::lock_guard lock(m_mutex);
    if (m_bClosed)
        return WAVEIN_INVALHANDLE;
    if (m_bLost)
        return WAVEIN_NODRIVER;
    if (!(header->dwFlags & WHDR_PREPARED))
        return WAVEIN_UNPREPARED;
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVEIN_STILLPLAYING;
    header->dwBytesRecorded = 0;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    m_queued.push_back(header);
    DrainBacklog();
    return WAVEIN_NOERROR;
}

uint32_t CWaveInDevice::Start()
{
    auto control = ControlLock();
    {
        std::lock_guard lock(m_mutex);
        if (m_bClosed)
            return WAVEIN_INVALHANDLE;
        if (m_bLost)
            return WAVEIN_NODRIVER;
        if (m_bStarted)
            return WAVEIN_NOERROR;
        m_bStarted = true;
    }
    const uint32_t rc = OnStart();
    if (rc != WAVEIN_NOERROR) {
        std::lock_guard lock(m_mutex);
        m_bStarted = false;
    }
    return rc;
}

uint32_t CWaveInDevice::Stop()
{
    auto control = ControlLock();
    {
        std::lock_guard lock(m_mutex);
        if (m_bClosed)
            return WAVEIN_INVALHANDLE;
        if (m_bLost || !m_bStarted)
            return WAVEIN_NOERROR;
    }
    OnStop();
    std::lock_guard lock(m_mutex);
    DrainBacklog();
    m_bStarted = false;
    if (!m_queued.empty() && m_queued.front()->dwBytesRecorded > 0) {
        WAVEHDR* head = m_queued.front();
        m_queued.pop_front();
        HandBack(head);
    }
    return WAVEIN_NOERROR;
}

uint32_t CWaveInDevice::Reset()
{
    auto control = ControlLock();
    bool started;
    {
        std::lock_guard lock(m_mutex);
        if (m_bClosed)
            return WAVEIN_INVALHANDLE;
        started = m_bStarted && !m_bLost;
    }
    if (started)
        OnStop();
    std::unique_lock lock(m_mutex);
    // What was captured but found no room goes into the buffers handed back
    // now, as far as they reach.
    m_bStarted = true;
    DrainBacklog();
    m_bStarted = false;
    m_cbDropped += m_backlog.size();
    m_backlog.clear();
    int rounds = 0;
    // A callback that was running when the reset began may queue its buffer
    // again after the first round; keep handing back until none is left.
    do {
        while (!m_queued.empty()) {
            WAVEHDR* h = m_queued.front();
            m_queued.pop_front();
            HandBack(h);
        }
        WaitDelivered(lock);
    } while (!m_queued.empty() && !OnDeliveryThread() && ++rounds < 3);
    return WAVEIN_NOERROR;
}

uint32_t CWaveInDevice::Close()
{
    auto control = ControlLock();
    bool lost, started;
    {
        std::lock_guard lock(m_mutex);
        if (m_bClosed)
            return WAVEIN_INVALHANDLE;
        if (!m_bLost && !m_queued.empty())
            return WAVEIN_STILLPLAYING;
        lost = m_bLost;
        started = m_bStarted;
    }
    if (started && !lost)
        OnStop();
    OnClose();
    std::unique_lock lock(m_mutex);
    m_bStarted = false;
    m_bClosed = true;
    if (!lost)
        Post(WIM_CLOSE, nullptr);
    WaitDelivered(lock);
    return WAVEIN_NOERROR;
}

bool CWaveInDevice::IsLost() const
{
    std::lock_guard lock(m_mutex);
    return m_bLost;
}

bool CWaveInDevice::IsOpen() const
{
    std::lock_guard lock(m_mutex);
    return !m_bClosed && m_delivery.joinable();
}

uint64_t CWaveInDevice::BytesCaptured() const
{
    std::lock_guard lock(m_mutex);
    return m_cbCaptured;
}

uint64_t CWaveInDevice::BytesDropped() const
{
    std::lock_guard lock(m_mutex);
    return m_cbDropped;
}

size_t CWaveInDevice::QueuedSpace() const
{
    std::lock_guard lock(m_mutex);
    size_t space = 0;
    for (const WAVEHDR* h : m_queued)
        space += h->dwBufferLength - h->dwBytesRecorded;
    return space;
}

uint32_t CWaveInDevice::FirstBufferLength() const
{
    std::lock_guard lock(m_mutex);
    return m_queued.empty() ? 0 : m_queued.front()->dwBufferLength;
}

bool CWaveInDevice::IsStarted() const
{
    std::lock_guard lock(m_mutex);
    return m_bStarted;
}

void CWaveInDevice::Fill(const uint8_t* data, size_t length)
{
    std::lock_guard lock(m_mutex);
    if (!m_bStarted || m_bLost || m_bClosed)
        return;
    FillLocked(data, length);
}

void CWaveInDevice::FillLocked(const uint8_t* data, size_t length)
{
    while (length > 0 && !m_queued.empty()) {
        WAVEHDR* head = m_queued.front();
        const size_t n = std::min<size_t>(length, head->dwBufferLength - head->dwBytesRecorded);
        if (data)
            std::memcpy(head->lpData + head->dwBytesRecorded, data, n);
        else
            std::memset(head->lpData + head->dwBytesRecorded, m_silence, n);
        head->dwBytesRecorded += uint32_t(n);
        m_cbCaptured += n;
        if (data)
            data += n;
        length -= n;
        if (head->dwBytesRecorded == head->dwBufferLength) {
            m_queued.pop_front();
            HandBack(head);
        }
    }
    if (length == 0)
        return;
    const size_t room = m_cbBacklogLimit > m_backlog.size() ? m_cbBacklogLimit - m_backlog.size() : 0;
    const size_t keep = std::min(room, length);
    if (data)
        m_backlog.insert(m_backlog.end(), data, data + keep);
    else
        m_backlog.insert(m_backlog.end(), keep, m_silence);
    m_cbDropped += length - keep;
}

void CWaveInDevice::DrainBacklog()
{
    // Captured audio goes out whenever a buffer is queued, also while capture
    // is stopped: it belongs to the recording.
    if (m_backlog.empty() || m_bClosed)
        return;
    std::vector<uint8_t> pending;
    pending.swap(m_backlog);
    FillLocked(pending.data(), pending.size());
    // Stopped, the last of it is handed back at once rather than left in a
    // buffer until capture starts again.
    if (!m_bStarted && m_backlog.empty() && !m_queued.empty() && m_queued.front()->dwBytesRecorded > 0) {
        WAVEHDR* head = m_queued.front();
        m_queued.pop_front();
        HandBack(head);
    }
}

size_t CWaveInDevice::BacklogBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_backlog.size();
}

bool CWaveInDevice::WaitBacklogDrained(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    auto drained = [this] { return m_backlog.empty() || m_bClosed || m_bLost; };
    if (OnDeliveryThread())
        return drained();
    return m_cv.wait_for(lock, timeout, drained);
}

void CWaveInDevice::Lose()
{
    std::lock_guard lock(m_mutex);
    if (m_bLost || m_bClosed)
        return;
    m_bLost = true;
    // What was captured before the loss goes into the buffers handed back,
    // as far as they reach.
    m_bStarted = true;
    DrainBacklog();
    m_bStarted = false;
    m_cbDropped += m_backlog.size();
    m_backlog.clear();
    while (!m_queued.empty()) {
        WAVEHDR* h = m_queued.front();
        m_queued.pop_front();
        HandBack(h);
    }
    Post(WIM_CLOSE, nullptr);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CPulseOutput.h"

#include "platform/LoadOnDemand.h"
#include "platform/pulse/CPulseConnection.h"

#include <algorithm>

CPulseOutput::CPulseOutput(uint32_t latencyMs)
    : m_latencyMs(latencyMs)
{
}

CPulseOutput::~CPulseOutput() { Close(); }

void CPulseOutput::OnStreamState(pa_stream*, void* self)
{
    static_cast<CPulseOutput*>(self)->m_pulse->Signal();
}

void CPulseOutput::OnStreamRequest(pa_stream*, size_t, void* self)
{
    static_cast<CPulseOutput*>(self)->m_pulse->Signal();
}

void CPulseOutput::OnDrained(pa_stream*, int, void* self)
{
    auto* me = static_cast<CPulseOutput*>(self);
    me->m_drained = true;
    me->m_pulse->Signal();
}

bool CPulseOutput::StreamUsable() const
{
    return m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY && m_pulse->IsReady();
}

bool CPulseOutput::Open(uint32_t rate, uint16_t channels, std::string& error)
{
    Close();
    if (CPulseContext::LoadClientLibrary() != PulseError::None) {
        error = LastMissingLibraryText();
        return false;
    }
    pa_sample_spec sampleSpec{};
    sampleSpec.format = PA_SAMPLE_S16LE;
    sampleSpec.rate = rate;
    sampleSpec.channels = uint8_t(channels);
    if (!pa_sample_spec_valid(&sampleSpec)) {
        error = "unsupported sample format";
        return false;
    }
    m_rate = rate;
    m_frameBytes = pa_frame_size(&sampleSpec);
    m_written = 0;

    std::shared_ptr<CPulseContext> pulse;
    const PulseError connected = CPulseConnection::Acquire(pulse, -1, [this] { return m_aborted.load(); });
    if (connected != PulseError::None) {
        if (connected == PulseError::Cancelled)
            error = "aborted";
        else if (connected == PulseError::NoMemory)
            error = "cannot start the PulseAudio main loop";
        else
            error = CPulseContext::ErrorText(CPulseConnection::LastConnectErrno());
        Close();
        return false;
    }
    {
        // From here on Abort can reach the loop.
        std::lock_guard life(m_lifeMutex);
        m_pulse = std::move(pulse);
    }

    m_pulse->lock();
    pa_channel_map map;
    pa_channel_map_init_extend(&map, channels, PA_CHANNEL_MAP_DEFAULT);
    m_stream = pa_stream_new(m_pulse->Context(), "Playback", &sampleSpec, &map);
    if (!m_stream) {
        error = CPulseContext::ErrorText(m_pulse->LastErrno());
        m_pulse->unlock();
        Close();
        return false;
    }
    pa_stream_set_state_callback(m_stream, &CPulseOutput::OnStreamState, this);
    pa_stream_set_write_callback(m_stream, &CPulseOutput::OnStreamRequest, this);
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(pa_usec_t(m_latencyMs) * PA_USEC_PER_MSEC, &sampleSpec));
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(-1);
    const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                         PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, flags, nullptr, nullptr) < 0) {
        error = CPulseContext::ErrorText(m_pulse->LastErrno());
        m_pulse->unlock();
        Close();
        return false;
    }
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(m_stream);
        if (state == PA_STREAM_READY)
            break;
        if (!PA_STREAM_IS_GOOD(state) || m_aborted) {
            error = m_aborted ? "aborted" : CPulseContext::ErrorText(m_pulse->LastErrno());
            m_pulse->unlock();
            Close();
            return false;
        }
        m_pulse->Wait();
    }
    m_pulse->unlock();
    return true;
}

bool CPulseOutput::Write(const int16_t* samples, size_t frames)
{
    if (!m_pulse)
        return false;
    const auto* data = reinterpret_cast<const uint8_t*>(samples);
    size_t remaining = frames * m_frameBytes;
    m_pulse->lock();
    bool ok = true;
    while (remaining > 0) {
        if (m_aborted || !StreamUsable()) {
            ok = false;
            break;
        }
        size_t room = pa_stream_writable_size(m_stream);
        if (room == size_t(-1)) {
            ok = false;
            break;
        }
        room -= room % m_frameBytes;
        if (room == 0) {
            m_pulse->Wait();
            continue;
        }
        const size_t n = std::min(room, remaining);
        if (pa_stream_write(m_stream, data, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            ok = false;
            break;
        }
        data += n;
        remaining -= n;
        m_written += n / m_frameBytes;
    }
    m_pulse->unlock();
    return ok;
}

bool CPulseOutput::Drain()
{
    if (!m_pulse)
        return false;
    m_pulse->lock();
    bool ok = false;
    if (!m_aborted && StreamUsable()) {
        m_drained = false;
        // A play shorter than the prebuffer would otherwise wait for more data.
        if (pa_operation* t = pa_stream_trigger(m_stream, nullptr, nullptr))
            pa_operation_unref(t);
        pa_operation* op = pa_stream_drain(m_stream, &CPulseOutput::OnDrained, this);
        while (op && !m_drained && !m_aborted && StreamUsable())
            m_pulse->Wait();
        ok = m_drained && !m_aborted;
        if (op) {
            if (!m_drained)
                pa_operation_cancel(op);
            pa_operation_unref(op);
        }
    }
    m_pulse->unlock();
    return ok;
}

uint64_t CPulseOutput::PlayedFrames()
{
    std::lock_guard life(m_lifeMutex);
    if (!m_pulse)
        return 0;
    m_pulse->lock();
    uint64_t frames = 0;
    pa_usec_t usec = 0;
    if (m_stream && pa_stream_get_time(m_stream, &usec) == 0)
        frames = std::min<uint64_t>(m_written, usec * m_rate / PA_USEC_PER_SEC);
    m_pulse->unlock();
    return frames;
}

void CPulseOutput::Abort()
{
    m_aborted = true;
    std::lock_guard life(m_lifeMutex);
    if (!m_pulse)
        return;
    m_pulse->lock();
    m_pulse->Signal();
    m_pulse->unlock();
}

void CPulseOutput::Close()
{
    std::lock_guard life(m_lifeMutex);
    if (!m_pulse)
        return;
    m_pulse->lock();
    if (m_stream) {
        // A stopped play goes silent at once rather than after its buffer.
        if (m_aborted && StreamUsable())
            if (pa_operation* op = pa_stream_flush(m_stream, nullptr, nullptr))
                pa_operation_unref(op);
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    m_pulse->unlock();
    // The context stays connected for the next stream.
    m_pulse.reset();
}

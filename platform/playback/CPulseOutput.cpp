#include "CPulseOutput.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

CPulseOutput::CPulseOutput(uint32_t latencyMs)
    : m_latencyMs(latencyMs)
{
}

CPulseOutput::~CPulseOutput() { Close(); }

void CPulseOutput::OnContextState(pa_context*, void* self)
{
    pa_threaded_mainloop_signal(static_cast<CPulseOutput*>(self)->m_loop, 0);
}

void CPulseOutput::OnStreamState(pa_stream*, void* self)
{
    pa_threaded_mainloop_signal(static_cast<CPulseOutput*>(self)->m_loop, 0);
}

void CPulseOutput::OnStreamRequest(pa_stream*, size_t, void* self)
{
    pa_threaded_mainloop_signal(static_cast<CPulseOutput*>(self)->m_loop, 0);
}

void CPulseOutput::OnDrained(pa_stream*, int, void* self)
{
    auto* me = static_cast<CPulseOutput*>(self);
    me->m_drained = true;
    pa_threaded_mainloop_signal(me->m_loop, 0);
}

bool CPulseOutput::StreamUsable() const
{
    return m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY && m_context &&
           pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool CPulseOutput::Open(uint32_t rate, uint16_t channels, std::string& error)
{
    Close();
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

    pa_threaded_mainloop* loop = pa_threaded_mainloop_new();
    {
        std::lock_guard life(m_lifeMutex);
        m_loop = loop;
    }
    if (!m_loop) {
        error = "cannot create the PulseAudio main loop";
        return false;
    }
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Vellory");
    if (!m_context) {
        error = "cannot create a PulseAudio context";
        Close();
        return false;
    }
    pa_context_set_state_callback(m_context, &CPulseOutput::OnContextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        error = pa_strerror(pa_context_errno(m_context));
        Close();
        return false;
    }
    pa_threaded_mainloop_lock(m_loop);
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        pa_threaded_mainloop_unlock(m_loop);
        error = "cannot start the PulseAudio main loop";
        Close();
        return false;
    }
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state) || m_aborted) {
            error = m_aborted ? "aborted" : pa_strerror(pa_context_errno(m_context));
            pa_threaded_mainloop_unlock(m_loop);
            Close();
            return false;
        }
        pa_threaded_mainloop_wait(m_loop);
    }

    pa_channel_map map;
    pa_channel_map_init_extend(&map, channels, PA_CHANNEL_MAP_DEFAULT);
    m_stream = pa_stream_new(m_context, "Playback", &sampleSpec, &map);
    if (!m_stream) {
        error = pa_strerror(pa_context_errno(m_context));
        pa_threaded_mainloop_unlock(m_loop);
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
        error = pa_strerror(pa_context_errno(m_context));
        pa_threaded_mainloop_unlock(m_loop);
        Close();
        return false;
    }
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(m_stream);
        if (state == PA_STREAM_READY)
            break;
        if (!PA_STREAM_IS_GOOD(state) || m_aborted) {
            error = m_aborted ? "aborted" : pa_strerror(pa_context_errno(m_context));
            pa_threaded_mainloop_unlock(m_loop);
            Close();
            return false;
        }
        pa_threaded_mainloop_wait(m_loop);
    }
    pa_threaded_mainloop_unlock(m_loop);
    return true;
}

bool CPulseOutput::Write(const int16_t* samples, size_t frames)
{
    if (!m_loop)
        return false;
    const auto* data = reinterpret_cast<const uint8_t*>(samples);
    size_t remaining = frames * m_frameBytes;
    pa_threaded_mainloop_lock(m_loop);
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
            pa_threaded_mainloop_wait(m_loop);
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
    pa_threaded_mainloop_unlock(m_loop);
    return ok;
}

bool CPulseOutput::Drain()
{
    if (!m_loop)
        return false;
    pa_threaded_mainloop_lock(m_loop);
    bool ok = false;
    if (!m_aborted && StreamUsable()) {
        m_drained = false;
        // A play shorter than the prebuffer would otherwise wait for more data.
        if (pa_operation* t = pa_stream_trigger(m_stream, nullptr, nullptr))
            pa_operation_unref(t);
        pa_operation* op = pa_stream_drain(m_stream, &CPulseOutput::OnDrained, this);
        while (op && !m_drained && !m_aborted && StreamUsable())
            pa_threaded_mainloop_wait(m_loop);
        ok = m_drained && !m_aborted;
        if (op) {
            if (!m_drained)
                pa_operation_cancel(op);
            pa_operation_unref(op);
        }
    }
    pa_threaded_mainloop_unlock(m_loop);
    return ok;
}

uint64_t CPulseOutput::PlayedFrames()
{
    std::lock_guard life(m_lifeMutex);
    if (!m_loop)
        return 0;
    pa_threaded_mainloop_lock(m_loop);
    uint64_t frames = 0;
    pa_usec_t usec = 0;
    if (m_stream && pa_stream_get_time(m_stream, &usec) == 0)
        frames = std::min<uint64_t>(m_written, usec * m_rate / PA_USEC_PER_SEC);
    pa_threaded_mainloop_unlock(m_loop);
    return frames;
}

void CPulseOutput::Abort()
{
    m_aborted = true;
    std::lock_guard life(m_lifeMutex);
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    pa_threaded_mainloop_signal(m_loop, 0);
    pa_threaded_mainloop_unlock(m_loop);
}

void CPulseOutput::Close()
{
    std::lock_guard life(m_lifeMutex);
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
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
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    pa_threaded_mainloop_unlock(m_loop);
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

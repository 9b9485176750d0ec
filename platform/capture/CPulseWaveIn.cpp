#include "CPulseWaveIn.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace {

constexpr int kServerTimeoutMs = 5000;

struct TimerState {
    bool fired;
    pa_threaded_mainloop* loop;
};

void TimerFired(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata)
{
    auto* t = static_cast<TimerState*>(userdata);
    t->fired = true;
    pa_threaded_mainloop_signal(t->loop, 0);
}

pa_sample_format_t SampleFormat(uint16_t bits)
{
    switch (bits) {
    case 8: return PA_SAMPLE_U8;
    case 16: return PA_SAMPLE_S16LE;
    case 24: return PA_SAMPLE_S24LE;
    case 32: return PA_SAMPLE_S32LE;
    default: return PA_SAMPLE_INVALID;
    }
}

} // namespace

uint32_t CPulseWaveIn::MapError(int paError)
{
    switch (paError) {
    case PA_OK: return WAVEIN_NOERROR;
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_INVALIDSERVER:
    case PA_ERR_CONNECTIONTERMINATED:
    case PA_ERR_TIMEOUT:
    case PA_ERR_NOENTITY:
    case PA_ERR_KILLED:
    case PA_ERR_VERSION: return WAVEIN_NODRIVER;
    case PA_ERR_NOTSUPPORTED: return WAVEIN_BADFORMAT;
    case PA_ERR_BUSY:
    case PA_ERR_EXIST:
    case PA_ERR_ACCESS:
    case PA_ERR_AUTHKEY: return WAVEIN_ALLOCATED;
    case PA_ERR_INVALID:
    case PA_ERR_TOOLARGE:
    case PA_ERR_BADSTATE: return WAVEIN_INVALPARAM;
    default: return WAVEIN_ERROR;
    }
}

uint32_t CPulseWaveIn::FragmentFor(uint32_t bufferLength) const
{
    // As large as the caller's buffers, but at most 50 ms: the server holds
    // up to one fragment that has not reached us yet, and audio still held
    // there when the recording stops never reaches the file.
    const WAVEFORMATEX& f = Format();
    const uint32_t align = f.nBlockAlign;
    const uint32_t cap = std::max<uint32_t>(f.nAvgBytesPerSec / 20 / align * align, align);
    return bufferLength == 0 ? cap : std::min(bufferLength, cap);
}

uint32_t CPulseWaveIn::Open(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                            void* instance)
{
    if (!proc)
        return WAVEIN_INVALPARAM;
    if (const uint32_t rc = CheckFormat(format))
        return rc;
    std::unique_ptr<CPulseWaveIn> dev(new CPulseWaveIn(format, proc, instance));
    if (const uint32_t rc = dev->Connect()) {
        dev->Release();
        return rc;
    }
    dev->Opened();
    // A stream that failed while WIM_OPEN was on its way counts as lost.
    pa_threaded_mainloop_lock(dev->m_loop);
    const bool failed = !PA_STREAM_IS_GOOD(pa_stream_get_state(dev->m_stream)) ||
                        !PA_CONTEXT_IS_GOOD(pa_context_get_state(dev->m_context));
    if (failed)
        dev->Lose();
    pa_threaded_mainloop_unlock(dev->m_loop);
    device = std::move(dev);
    return WAVEIN_NOERROR;
}

CPulseWaveIn::CPulseWaveIn(const WAVEFORMATEX& format, WaveInProcFn proc, void* instance)
    : CWaveInDevice(format, proc, instance)
{
}

CPulseWaveIn::~CPulseWaveIn()
{
    Shutdown();
    Release();
}

uint32_t CPulseWaveIn::Connect()
{
    const WAVEFORMATEX& f = Format();
    pa_sample_spec sampleSpec{SampleFormat(f.wBitsPerSample), f.nSamplesPerSec, uint8_t(f.nChannels)};
    if (!pa_sample_spec_valid(&sampleSpec))
        return WAVEIN_BADFORMAT;
    pa_channel_map map;
    if (!pa_channel_map_init_extend(&map, sampleSpec.channels, PA_CHANNEL_MAP_DEFAULT))
        return WAVEIN_BADFORMAT;

    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return WAVEIN_NOMEM;
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Vellory");
    if (!m_context)
        return WAVEIN_NOMEM;
    pa_context_set_state_callback(m_context, &CPulseWaveIn::ContextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return MapError(pa_context_errno(m_context));
    if (pa_threaded_mainloop_start(m_loop) < 0)
        return WAVEIN_NOMEM;

    pa_threaded_mainloop_lock(m_loop);
    uint32_t rc = WAVEIN_NOERROR;
    const bool ready = WaitFor([this] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)) ||
                                              pa_context_get_state(m_context) == PA_CONTEXT_READY; },
                               kServerTimeoutMs);
    if (!ready || pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        rc = ready ? MapError(pa_context_errno(m_context)) : WAVEIN_NODRIVER;
        if (rc == WAVEIN_NOERROR || rc == WAVEIN_ERROR)
            rc = WAVEIN_NODRIVER;
    }
    if (rc == WAVEIN_NOERROR) {
        m_stream = pa_stream_new(m_context, "Recording", &sampleSpec, &map);
        if (!m_stream)
            rc = pa_context_errno(m_context) == PA_ERR_INVALID ? WAVEIN_BADFORMAT : MapError(pa_context_errno(m_context));
    }
    if (rc == WAVEIN_NOERROR) {
        pa_stream_set_state_callback(m_stream, &CPulseWaveIn::StreamState, this);
        pa_stream_set_read_callback(m_stream, &CPulseWaveIn::StreamRead, this);
        m_cbFragment = FragmentFor(uint32_t(-1));
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.fragsize = m_cbFragment;
        const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
        if (pa_stream_connect_record(m_stream, nullptr, &attr, flags) < 0) {
            rc = MapError(pa_context_errno(m_context));
        } else {
            const bool settled = WaitFor([this] { return pa_stream_get_state(m_stream) != PA_STREAM_CREATING; },
                                         kServerTimeoutMs);
            if (!settled)
                rc = WAVEIN_NODRIVER;
            else if (pa_stream_get_state(m_stream) != PA_STREAM_READY)
                rc = MapError(pa_context_errno(m_context));
            if (rc == WAVEIN_ERROR)
                rc = WAVEIN_NODRIVER;
        }
    }
    pa_threaded_mainloop_unlock(m_loop);
    return rc;
}

void CPulseWaveIn::Release()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    m_bClosing = true;
    if (m_stream) {
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        if (pa_stream_get_state(m_stream) == PA_STREAM_READY || pa_stream_get_state(m_stream) == PA_STREAM_CREATING)
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

bool CPulseWaveIn::WaitFor(const std::function<bool()>& done, int milliseconds)
{
    if (done())
        return true;
    TimerState timer{false, m_loop};
    struct timeval tv;
    pa_gettimeofday(&tv);
    pa_timeval_add(&tv, pa_usec_t(milliseconds) * PA_USEC_PER_MSEC);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_loop);
    pa_time_event* event = api->time_new(api, &tv, &TimerFired, &timer);
    while (!done() && !timer.fired)
        pa_threaded_mainloop_wait(m_loop);
    api->time_free(event);
    return done();
}

bool CPulseWaveIn::Complete(pa_operation* op, bool& success)
{
    success = false;
    if (!op)
        return false;
    m_bOpDone = false;
    m_lastOpSuccess = 0;
    WaitFor([&] { return m_bOpDone || pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, kServerTimeoutMs);
    success = m_bOpDone && m_lastOpSuccess;
    pa_operation_unref(op);
    return success;
}

void CPulseWaveIn::OperationDone(pa_stream*, int success, void* self)
{
    auto* me = static_cast<CPulseWaveIn*>(self);
    me->m_lastOpSuccess = success;
    me->m_bOpDone = true;
    pa_threaded_mainloop_signal(me->m_loop, 0);
}

uint32_t CPulseWaveIn::OnStart()
{
    pa_threaded_mainloop_lock(m_loop);
    uint32_t rc = WAVEIN_NOERROR;
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        rc = WAVEIN_NODRIVER;
    } else {
        bool ok;
        // Fragments follow the caller's buffers, so buffers return at the
        // pace of capture.
        const uint32_t want = FragmentFor(FirstBufferLength());
        if (want != 0 && want != m_cbFragment) {
            pa_buffer_attr attr{};
            attr.maxlength = uint32_t(-1);
            attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
            attr.fragsize = want;
            if (Complete(pa_stream_set_buffer_attr(m_stream, &attr, &CPulseWaveIn::OperationDone, this), ok))
                m_cbFragment = want;
        }
        if (!Complete(pa_stream_cork(m_stream, 0, &CPulseWaveIn::OperationDone, this), ok)) {
            rc = MapError(pa_context_errno(m_context));
            if (rc == WAVEIN_NOERROR)
                rc = WAVEIN_ERROR;
        }
    }
    pa_threaded_mainloop_unlock(m_loop);
    return rc;
}

void CPulseWaveIn::OnStop()
{
    pa_threaded_mainloop_lock(m_loop);
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
        bool ok;
        Complete(pa_stream_cork(m_stream, 1, &CPulseWaveIn::OperationDone, this), ok);
        // What the server sent before the cork still belongs to the recording.
        ReadAvailable();
    }
    pa_threaded_mainloop_unlock(m_loop);
}

void CPulseWaveIn::OnClose() { Release(); }

void CPulseWaveIn::ReadAvailable()
{
    while (m_stream && pa_stream_readable_size(m_stream) > 0) {
        const void* data = nullptr;
        size_t length = 0;
        if (pa_stream_peek(m_stream, &data, &length) < 0 || length == 0)
            break;
        // A hole (no data, a length) is silence in the timeline.
        Fill(static_cast<const uint8_t*>(data), length);
        pa_stream_drop(m_stream);
    }
}

void CPulseWaveIn::StreamRead(pa_stream*, size_t, void* self)
{
    static_cast<CPulseWaveIn*>(self)->ReadAvailable();
}

void CPulseWaveIn::StreamState(pa_stream* stream, void* self)
{
    auto* me = static_cast<CPulseWaveIn*>(self);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if ((state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) && !me->m_bClosing && me->IsOpen())
        me->Lose();
    pa_threaded_mainloop_signal(me->m_loop, 0);
}

void CPulseWaveIn::ContextState(pa_context* context, void* self)
{
    auto* me = static_cast<CPulseWaveIn*>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if ((state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) && !me->m_bClosing && me->IsOpen())
        me->Lose();
    pa_threaded_mainloop_signal(me->m_loop, 0);
}

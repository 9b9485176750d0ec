// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CPulseWaveIn.h"

#include "platform/pulse/CPulseConnection.h"

#include <algorithm>
#include <chrono>
#include <mutex>

namespace {

constexpr int kServerTimeoutMs = 5000;

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

uint32_t CPulseWaveIn::MapError(PulseError error)
{
    switch (error) {
    case PulseError::None: return WAVEIN_NOERROR;
    case PulseError::NoServer: return WAVEIN_NODRIVER;
    case PulseError::BadFormat: return WAVEIN_BADFORMAT;
    case PulseError::Busy: return WAVEIN_ALLOCATED;
    case PulseError::InvalidParam: return WAVEIN_INVALPARAM;
    case PulseError::NoMemory: return WAVEIN_NOMEM;
    case PulseError::LibraryMissing: return WAVEIN_NOLIBRARY;
    case PulseError::Cancelled:
    case PulseError::Other: break;
    }
    return WAVEIN_ERROR;
}

uint32_t CPulseWaveIn::MapError(int paError) { return MapError(CPulseContext::Classify(paError)); }

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
                            void* instance, const std::string& source)
{
    if (!proc)
        return WAVEIN_INVALPARAM;
    if (const uint32_t rc = CheckFormat(format))
        return rc;
    // Before the first libpulse call (Connect checks the format with one).
    if (const PulseError loaded = CPulseContext::LoadClientLibrary(); loaded != PulseError::None)
        return MapError(loaded);
    std::unique_ptr<CPulseWaveIn> dev(new CPulseWaveIn(format, proc, instance));
    dev->m_source = source;
    if (const uint32_t rc = dev->Connect()) {
        dev->Release();
        return rc;
    }
    dev->Opened();
    // A stream that failed while WIM_OPEN was on its way counts as lost.
    {
        std::lock_guard lock(*dev->m_pulse);
        const bool failed = !PA_STREAM_IS_GOOD(pa_stream_get_state(dev->m_stream)) ||
                            !PA_CONTEXT_IS_GOOD(pa_context_get_state(dev->m_pulse->Context()));
        if (failed)
            dev->Lose();
    }
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

    // The kept connection may have lost its server an instant ago (a restart)
    // without having seen it yet: then one more try on a new connection.
    for (int attempt = 0;; ++attempt) {
        // A lost context fails its streams too: StreamState sees it.
        if (const PulseError connected = CPulseConnection::Acquire(m_pulse, kServerTimeoutMs);
            connected != PulseError::None)
            return MapError(connected);
        const uint32_t rc = ConnectSource(sampleSpec, map);
        if (rc == WAVEIN_NOERROR || attempt > 0)
            return rc;
        {
            std::lock_guard lock(*m_pulse);
            if (PA_CONTEXT_IS_GOOD(pa_context_get_state(m_pulse->Context())))
                return rc;
            DropStream();
        }
        m_pulse.reset();
    }
}

void CPulseWaveIn::DropStream()
{
    if (!m_stream)
        return;
    pa_stream_set_read_callback(m_stream, nullptr, nullptr);
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

uint32_t CPulseWaveIn::ConnectSource(const pa_sample_spec& sampleSpec, const pa_channel_map& map)
{
    std::lock_guard lock(*m_pulse);
    if (m_source.empty())
        return ConnectStream(nullptr, sampleSpec, map);
    const uint32_t rc = ConnectStream(m_source.c_str(), sampleSpec, map);
    if (rc == WAVEIN_NOERROR || pa_context_errno(m_pulse->Context()) != PA_ERR_NOENTITY)
        return rc;
    // The chosen source is gone (unplugged, renamed): record from the default.
    DropStream();
    m_bFellBack = true;
    return ConnectStream(nullptr, sampleSpec, map);
}

uint32_t CPulseWaveIn::ConnectStream(const char* source, const pa_sample_spec& sampleSpec, const pa_channel_map& map)
{
    pa_context* context = m_pulse->Context();
    uint32_t rc = WAVEIN_NOERROR;
    m_stream = pa_stream_new(context, "Recording", &sampleSpec, &map);
    if (!m_stream)
        rc = pa_context_errno(context) == PA_ERR_INVALID ? WAVEIN_BADFORMAT : MapError(pa_context_errno(context));
    if (rc == WAVEIN_NOERROR) {
        pa_stream_set_state_callback(m_stream, &CPulseWaveIn::StreamState, this);
        pa_stream_set_read_callback(m_stream, &CPulseWaveIn::StreamRead, this);
        m_cbFragment = FragmentFor(uint32_t(-1));
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.fragsize = m_cbFragment;
        m_bCorked = false;
        auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY);
        // A chosen source that goes away ends the recording as a lost device,
        // rather than the server quietly moving it to another input.
        if (source)
            flags = pa_stream_flags_t(flags | PA_STREAM_DONT_MOVE);
        if (pa_stream_connect_record(m_stream, source, &attr, flags) < 0) {
            rc = MapError(pa_context_errno(context));
        } else {
            const bool settled = m_pulse->WaitFor([this] { return pa_stream_get_state(m_stream) != PA_STREAM_CREATING; },
                                                 kServerTimeoutMs);
            if (!settled)
                rc = WAVEIN_NODRIVER;
            else if (pa_stream_get_state(m_stream) != PA_STREAM_READY)
                rc = MapError(pa_context_errno(context));
            if (rc == WAVEIN_ERROR)
                rc = WAVEIN_NODRIVER;
        }
    }
    return rc;
}

std::vector<InputSource> CPulseWaveIn::ListSources(int timeoutMs)
{
    std::vector<InputSource> sources;
    CPulseContext pulse;
    // Connecting and listing share the one time limit.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (pulse.Open(timeoutMs) != PulseError::None)
        return sources;
    struct Listing {
        std::vector<InputSource>* sources;
        CPulseContext* pulse;
        bool done;
    } listing{&sources, &pulse, false};
    auto onSource = [](pa_context*, const pa_source_info* info, int eol, void* data) {
        auto* l = static_cast<Listing*>(data);
        if (eol != 0) {
            l->done = true;
            l->pulse->Signal();
            return;
        }
        if (info)
            l->sources->push_back({info->name ? info->name : "", info->description ? info->description : "",
                                   info->monitor_of_sink != PA_INVALID_INDEX});
    };
    std::lock_guard lock(pulse);
    const int left = int(std::max<int64_t>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count()));
    const bool listed = pulse.Finish(pa_context_get_source_info_list(pulse.Context(), onSource, &listing), left);
    if (!listed || !listing.done)
        sources.clear(); // a part of the list would mislead
    return sources;
}

void CPulseWaveIn::Release()
{
    if (!m_pulse)
        return;
    {
        std::lock_guard lock(*m_pulse);
        m_bClosing = true;
        if (m_stream) {
            pa_stream_set_read_callback(m_stream, nullptr, nullptr);
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            if (pa_stream_get_state(m_stream) == PA_STREAM_READY || pa_stream_get_state(m_stream) == PA_STREAM_CREATING)
                pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
            m_stream = nullptr;
        }
    }
    // The context stays connected for the next stream.
    m_pulse.reset();
}

uint32_t CPulseWaveIn::OnStart()
{
    if (!m_pulse)
        return WAVEIN_NODRIVER;
    std::lock_guard lock(*m_pulse);
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return WAVEIN_NODRIVER;
    // Fragments follow the caller's buffers, so buffers return at the
    // pace of capture.
    const uint32_t want = FragmentFor(FirstBufferLength());
    if (want != 0 && want != m_cbFragment) {
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.fragsize = want;
        const bool set = m_pulse->Complete(
            [&](pa_stream_success_cb_t done, void* data) { return pa_stream_set_buffer_attr(m_stream, &attr, done, data); },
            kServerTimeoutMs);
        if (set)
            m_cbFragment = want;
    }
    // Running since it was connected (or corked by a pause): what came
    // meanwhile belongs to the recording.
    const bool started = !m_bCorked || m_pulse->Complete(
        [this](pa_stream_success_cb_t done, void* data) { return pa_stream_cork(m_stream, 0, done, data); },
        kServerTimeoutMs);
    if (started) {
        m_bCorked = false;
        ReadAvailable();
        return WAVEIN_NOERROR;
    }
    const uint32_t rc = MapError(m_pulse->LastErrno());
    return rc == WAVEIN_NOERROR ? WAVEIN_ERROR : rc;
}

void CPulseWaveIn::OnStop()
{
    if (!m_pulse)
        return;
    std::lock_guard lock(*m_pulse);
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
        m_pulse->Complete(
            [this](pa_stream_success_cb_t done, void* data) { return pa_stream_cork(m_stream, 1, done, data); },
            kServerTimeoutMs);
        m_bCorked = true;
        // What the server sent before the cork still belongs to the recording.
        ReadAvailable();
    }
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
    // Before the start the bytes wait in the stream; OnStart takes them.
    auto* me = static_cast<CPulseWaveIn*>(self);
    if (me->IsStarted())
        me->ReadAvailable();
}

void CPulseWaveIn::StreamState(pa_stream* stream, void* self)
{
    auto* me = static_cast<CPulseWaveIn*>(self);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if ((state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) && !me->m_bClosing && me->IsOpen())
        me->Lose();
    me->m_pulse->Signal();
}

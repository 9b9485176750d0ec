// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Wave input from a PulseAudio source, the server's default one unless a name
// is given (works unchanged on PipeWire desktops). The stream runs on the
// threaded main loop of the context shared with playback (CPulseConnection),
// which only copies bytes into the caller's buffers; the buffers are handed
// back on the delivery thread of CWaveInDevice, so the callback may write files.
//
// The stream starts running as soon as it is connected: what is said between
// the click and the start of the caller's buffers waits in the stream and
// reaches the file first. Connecting it corked and uncorking it at the start
// would cost another round trip, and on PipeWire the source's first
// fragments.
#include "platform/capture/CWaveInDevice.h"
#include "platform/pulse/CPulseContext.h"

#include <memory>
#include <string>
#include <vector>

class CPulseWaveIn final : public CWaveInDevice {
public:
    // `source` names the server's source to record from; empty, or a name the
    // server does not know, records from the default source (the latter is
    // reported by FellBackToDefault).
    static uint32_t Open(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                         void* instance, const std::string& source = {});
    // The server's sources, in its order; empty when no server answered
    // within the time.
    static std::vector<InputSource> ListSources(int timeoutMs);
    bool FellBackToDefault() const override { return m_bFellBack; }
    ~CPulseWaveIn() override;

    // Maps a libpulse error number to a wave-input code.
    static uint32_t MapError(int paError);
    // Maps the neutral form to a wave-input code.
    static uint32_t MapError(PulseError error);

private:
    CPulseWaveIn(const WAVEFORMATEX& format, WaveInProcFn proc, void* instance);
    uint32_t Connect();
    // Main loop unlocked: the stream from the chosen source, else the default.
    uint32_t ConnectSource(const pa_sample_spec& sampleSpec, const pa_channel_map& map);
    // Main loop lock held: forgets a stream that never became ready.
    void DropStream();
    // Main loop lock held: a new stream recording from `source` (null: the default).
    uint32_t ConnectStream(const char* source, const pa_sample_spec& sampleSpec, const pa_channel_map& map);
    uint32_t FragmentFor(uint32_t bufferLength) const;
    uint32_t OnStart() override;
    void OnStop() override;
    void OnClose() override;

    void ReadAvailable(); // main loop lock held
    void Release();

    static void StreamState(pa_stream* stream, void* self);
    static void StreamRead(pa_stream* stream, size_t bytes, void* self);

    std::shared_ptr<CPulseContext> m_pulse; // shared with other streams
    pa_stream* m_stream = nullptr;
    bool m_bCorked = false;         // main loop lock
    bool m_bClosing = false;        // main loop lock
    uint32_t m_cbFragment = 0;      // fragment size asked of the server
    std::string m_source;           // the source asked for, empty for the default
    bool m_bFellBack = false;       // set before the device is handed out
};

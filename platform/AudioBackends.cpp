// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "AudioBackends.h"

#include "platform/capture/CPulseWaveIn.h"
#include "platform/capture/CVirtualWaveIn.h"
#include "platform/codecs/CFfmpegConversionStream.h"
#include "platform/playback/CPulseOutput.h"
#include "platform/playback/CVirtualOutput.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {
std::mutex g_mutex;
AudioBackends g_overrides;

enum class Backend { Pulse, Virtual, Unknown };

// The default backends, by the name VELLORY_AUDIO gives.
const struct {
    const char* name;
    Backend backend;
} kBackends[] = {{"pulse", Backend::Pulse}, {"virtual", Backend::Virtual}};

Backend SelectedBackend()
{
    const char* audio = std::getenv("VELLORY_AUDIO");
    if (!audio || !*audio)
        return Backend::Pulse;
    for (const auto& entry : kBackends)
        if (std::strcmp(audio, entry.name) == 0)
            return entry.backend;
    std::fprintf(stderr, "vellory: VELLORY_AUDIO must be \"pulse\" or \"virtual\", not \"%s\"\n", audio);
    return Backend::Unknown;
}

uint32_t OpenVirtualWaveIn(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                           void* instance)
{
    VirtualWaveInConfig config;
    std::string error;
    if (!ParseVirtualWaveInConfig(std::getenv("VELLORY_VIRTUAL_INPUT"), std::getenv("VELLORY_VIRTUAL_SPEED"),
                                  std::getenv("VELLORY_VIRTUAL_FAIL"), std::getenv("VELLORY_VIRTUAL_VANISH"), config,
                                  error)) {
        std::fprintf(stderr, "vellory: %s\n", error.c_str());
        return WAVEIN_INVALPARAM;
    }
    return CVirtualWaveIn::Open(device, format, proc, instance, config);
}

std::shared_ptr<IAudioOutput> CreateVirtualOutput()
{
    double speed = 1.0;
    if (const char* s = std::getenv("VELLORY_VIRTUAL_OUTPUT_SPEED")) {
        char* end = nullptr;
        const double v = std::strtod(s, &end);
        if (end != s && v >= 0)
            speed = v;
    }
    return std::make_shared<CVirtualOutput>(speed, 50, false);
}
} // namespace

AudioBackends BackendOverrides()
{
    std::lock_guard lock(g_mutex);
    return g_overrides;
}

void SetBackendOverrides(AudioBackends overrides)
{
    std::lock_guard lock(g_mutex);
    g_overrides = std::move(overrides);
}

uint32_t OpenWaveIn(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc, void* instance,
                    const std::string& source)
{
    if (const WaveInFactory factory = BackendOverrides().waveIn)
        return factory(device, format, proc, instance);
    switch (SelectedBackend()) {
    case Backend::Pulse:
        return CPulseWaveIn::Open(device, format, proc, instance, source);
    case Backend::Virtual:
        return OpenVirtualWaveIn(device, format, proc, instance);
    case Backend::Unknown:
        break;
    }
    return WAVEIN_NODRIVER;
}

std::vector<InputSource> ListInputSources(int timeoutMs)
{
    if (const InputSourceLister lister = BackendOverrides().inputSources)
        return lister(timeoutMs);
    // The virtual input has nothing to choose.
    return SelectedBackend() == Backend::Pulse ? CPulseWaveIn::ListSources(timeoutMs) : std::vector<InputSource>{};
}

std::shared_ptr<IAudioOutput> CreateAudioOutput()
{
    if (const AudioOutputFactory factory = BackendOverrides().audioOutput)
        return factory();
    // An unknown name was reported by the capture side; play to the server.
    return SelectedBackend() == Backend::Virtual ? CreateVirtualOutput() : std::make_shared<CPulseOutput>();
}

uint32_t MciOpenWaveAudio(const std::string& path, uint32_t& deviceId)
{
    // Told at the open, not at the play, which the caller takes for a lost output.
    const bool toPulse = !BackendOverrides().audioOutput && SelectedBackend() != Backend::Virtual;
    if (toPulse && CPulseContext::LoadClientLibrary() != PulseError::None) {
        deviceId = 0;
        return MCIERR_LIBRARY_MISSING;
    }
    return MciOpenWaveAudio(path, deviceId, &CreateAudioOutput);
}

uint32_t OpenConversionStream(const WAVEFORMATEX& source, const FormatBlock& destination,
                              std::unique_ptr<IConversionStream>& stream)
{
    if (const ConversionStreamFactory factory = BackendOverrides().conversion)
        return factory(source, destination, stream);
    return CFfmpegConversionStream::Open(source, destination, stream);
}

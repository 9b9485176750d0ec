#pragma once
// The one place where the platform's backends are chosen. Capture and
// playback use PulseAudio (unset or "pulse" in VELLORY_AUDIO) or the virtual
// devices ("virtual", configured by VELLORY_VIRTUAL_INPUT, _SPEED, _FAIL,
// _VANISH and _OUTPUT_SPEED, see README); codecs always use FFmpeg. Tests and
// fault injection replace any backend through one override table.
#include "platform/capture/IWaveIn.h"
#include "platform/codecs/IConversionStream.h"
#include "platform/playback/IAudioOutput.h"

#include <memory>
#include <type_traits>

// Overrides of the choice above; an empty member keeps the default backend.
struct AudioBackends {
    WaveInFactory waveIn;
    AudioOutputFactory audioOutput;
    ConversionStreamFactory conversion;
};

// Opens the default wave input.
uint32_t OpenWaveIn(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                    void* instance);
// The output for a new play: the virtual one, or PulseAudio's default sink.
std::shared_ptr<IAudioOutput> CreateAudioOutput();
// Opens a stream from `source` (PCM, 16 bits) to `destination` (18 + cbSize bytes).
uint32_t OpenConversionStream(const WAVEFORMATEX& source, const FormatBlock& destination,
                              std::unique_ptr<IConversionStream>& stream);

// The override table in force, and its replacement (thread-safe).
AudioBackends BackendOverrides();
void SetBackendOverrides(AudioBackends overrides);
// Replaces one override, e.g. OverrideBackend(&AudioBackends::waveIn, factory);
// an empty function restores that default.
template <class Factory>
void OverrideBackend(Factory AudioBackends::*member, std::type_identity_t<Factory> factory)
{
    AudioBackends table = BackendOverrides();
    table.*member = std::move(factory);
    SetBackendOverrides(std::move(table));
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The one place where the platform's backends are chosen. Capture and
// playback use PulseAudio (unset or "pulse" in VELLORY_AUDIO) or the virtual
// devices ("virtual", configured by VELLORY_VIRTUAL_INPUT, _SPEED, _FAIL,
// _VANISH and _OUTPUT_SPEED, see README); codecs always use FFmpeg. Tests and
// fault injection replace any backend through one override table.
#include "platform/capture/IWaveIn.h"
#include "platform/codecs/IConversionStream.h"
#include "platform/playback/IAudioOutput.h"
#include "platform/playback/MciWaveAudio.h"

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

using InputSourceLister = std::function<std::vector<InputSource>(int timeoutMs)>;

// Overrides of the choice above; an empty member keeps the default backend.
struct AudioBackends {
    WaveInFactory waveIn;
    AudioOutputFactory audioOutput;
    ConversionStreamFactory conversion;
    InputSourceLister inputSources;
};

// Opens the wave input: `source` names the server's input to record from,
// empty for the default. A name that is not there records from the default
// and the device says so (FellBackToDefault). Overrides ignore the name.
uint32_t OpenWaveIn(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                    void* instance, const std::string& source = {});
// The inputs the user can choose from, in the server's order; empty when the
// backend has no choice or no server answered within `timeoutMs`.
std::vector<InputSource> ListInputSources(int timeoutMs = 1500);
// The output for a new play: the virtual one, or PulseAudio's default sink.
std::shared_ptr<IAudioOutput> CreateAudioOutput();
// Opens the "waveaudio" device on `path` with CreateAudioOutput as its
// output, so each play follows the overrides in force when it starts.
uint32_t MciOpenWaveAudio(const std::string& path, uint32_t& deviceId);
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

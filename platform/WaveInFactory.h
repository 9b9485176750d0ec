#pragma once
// Opens the default wave input. The backend is chosen by VELLORY_AUDIO:
// unset or "pulse" the PulseAudio server, "virtual" the virtual device
// configured by VELLORY_VIRTUAL_INPUT, _SPEED, _FAIL and _VANISH (see README).
// Tests may install a factory of their own.
#include "platform/IWaveIn.h"

#include <string>

uint32_t OpenWaveIn(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                    void* instance);
// Replaces the backend choice; an empty function restores it.
void SetWaveInFactory(WaveInFactory factory);

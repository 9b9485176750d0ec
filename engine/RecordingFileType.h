// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The kinds of file a recording can be: RIFF/WAVE, Ogg Opus or native FLAC,
// told apart by the format tag that made them and by their extension.
#include "platform/WaveFormat.h"

#include <cstdint>
#include <string_view>
#include <strings.h>

// The extension of a recording in a format with this tag: ".opus", ".flac",
// or ".wav" for every RIFF format.
inline const char* RecordingExtension(uint16_t formatTag)
{
    switch (formatTag) {
    case WAVE_FORMAT_OPUS: return ".opus";
    case WAVE_FORMAT_FLAC: return ".flac";
    default: return ".wav";
    }
}

// The extensions recordings come with, in the order of the tags above.
inline constexpr std::string_view kRecordingExtensions[] = {".wav", ".opus", ".flac"};

// True when the name ends in one of the recordings' extensions, in any case
// (as a directory search for "*.wav" matches "A.WAV" too).
inline bool HasRecordingExtension(std::string_view name)
{
    for (std::string_view ext : kRecordingExtensions)
        if (name.size() >= ext.size() &&
            ::strncasecmp(name.data() + name.size() - ext.size(), ext.data(), ext.size()) == 0)
            return true;
    return false;
}

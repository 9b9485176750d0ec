// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The manager's record of one listed file: its format, duration and full path,
// with flags saying which fields hold values.
#include <cstdint>
#include <string>

constexpr uint32_t VFI_PATH = 0x01;
constexpr uint32_t VFI_AVGBYTES = 0x04;
constexpr uint32_t VFI_RATE = 0x08;
constexpr uint32_t VFI_CHANNELS = 0x10;
constexpr uint32_t VFI_BITS = 0x20;
constexpr uint32_t VFI_DURATION = 0x40;
constexpr uint32_t VFI_LENGTH = 0x80;

struct VoiceFileInfo {
    uint32_t duration = 0;       // whole seconds: file size / avgBytesPerSec (0 when that is 0); Opus, FLAC: lengthMs / 1000
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t channels = 0;
    uint16_t bitsPerSample = 0;
    std::string path;            // category folder followed by the file name, never cut
    uint32_t flags = 0;
    uint16_t formatTag = 0;      // the WAV tag, WAVE_FORMAT_OPUS or WAVE_FORMAT_FLAC; with VFI_RATE
    // The exact length from the header read (WAV: data bytes / data rate, or
    // the fact chunk's sample count / rate; FLAC: STREAMINFO's sample count;
    // Ogg Opus: the last page's granule position less the pre-skip).
    uint64_t lengthMs = 0;       // valid with VFI_LENGTH
};

// Whole seconds of a file of the given size at the given data rate; a rate of
// 0 gives 0, and lengths past the 32-bit range are clamped.
uint32_t DurationSeconds(uint64_t fileSize, uint32_t avgBytesPerSec);

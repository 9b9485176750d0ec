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

struct VoiceFileInfo {
    uint32_t duration = 0;       // whole seconds: file size / avgBytesPerSec (0 when that is 0)
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t channels = 0;
    uint16_t bitsPerSample = 0;
    std::string path;            // category folder followed by the file name, never cut
    uint32_t flags = 0;
};

// Whole seconds of a file of the given size at the given data rate; a rate of
// 0 gives 0, and lengths past the 32-bit range are clamped.
uint32_t DurationSeconds(uint64_t fileSize, uint32_t avgBytesPerSec);

#pragma once
// The manager's record of one listed file.
#include <cstdint>
#include <string>

constexpr uint32_t VFI_PATH = 0x01;
constexpr uint32_t VFI_AVGBYTES = 0x04;
constexpr uint32_t VFI_RATE = 0x08;
constexpr uint32_t VFI_CHANNELS = 0x10;
constexpr uint32_t VFI_BITS = 0x20;
constexpr uint32_t VFI_DURATION = 0x40;

struct VoiceFileInfo {
    uint32_t duration = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t channels = 0;
    uint16_t bitsPerSample = 0;
    std::string path;
    uint32_t flags = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Fuzzes the player's decoder with arbitrary file contents: its own walk of
// the RIFF chunks (format, fact and data sizes taken from the file), then the
// opening and a short decode through FFmpeg.
#include "platform/playback/CAudioDecoder.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {
std::string ScratchPath()
{
    static const std::string path = "/tmp/vellory-fuzz-dec-" + std::to_string(::getpid()) + ".wav";
    return path;
}

bool WriteScratch(const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(ScratchPath().c_str(), "wb");
    if (!f)
        return false;
    const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!WriteScratch(data, size))
        __builtin_trap();
    {
        CAudioDecoder decoder;
        if (decoder.Open(ScratchPath()) == 0) {
            // What the player relies on once a file is accepted.
            if (decoder.Rate() == 0 || decoder.Channels() == 0 || decoder.Channels() > 8)
                __builtin_trap();
            if (decoder.DataBytes() > size)
                __builtin_trap();
            if (decoder.IsPcm() && decoder.Format().nAvgBytesPerSec == 0)
                __builtin_trap();
            if (decoder.Start(0)) {
                int16_t out[512 * 8];
                for (int i = 0; i < 64; ++i) {
                    const long n = decoder.Read(out, 512);
                    if (n > 512)
                        __builtin_trap();
                    if (n <= 0)
                        break;
                }
                // Seeking past the end must not read out of bounds either.
                if (decoder.Start(decoder.LengthMs() + 1000))
                    decoder.Read(out, 512);
            }
        }
    }
    std::remove(ScratchPath().c_str());
    return 0;
}

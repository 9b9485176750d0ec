// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Measuring recorded tones: decoding a file with the command-line tools and
// comparing the result with the tone that was recorded.
#include "platform/WaveFormat.h"

#include <cstdint>
#include <string>
#include <vector>

// Interleaved 16-bit tone: 440 Hz on the first channel, 660 Hz on the second.
std::vector<int16_t> TestTone(uint16_t channels, uint32_t rate, size_t frames, double amplitude = 0.5);

struct ToneMatch {
    size_t lag = 0;         // decoded sample frames before the tone starts
    double gain = 0;        // least-squares gain of the decoded tone
    double snrDb = 0;       // over the whole tone, per worst channel
    double worstWindowDb = 0; // the worst 2048-sample window inside the tone
    size_t worstWindowAt = 0; // its first frame (in the tone's own count)
};

// Compares decoded interleaved samples with the reference, searching the lag
// in [0, maxLag]. Windows within `edge` frames of either end are not scored.
ToneMatch MatchTone(const std::vector<int16_t>& reference, const std::vector<int16_t>& decoded, uint16_t channels,
                    size_t maxLag, size_t edge = 4096);

// Decodes a file to interleaved 16-bit samples with ffmpeg (tool "ffmpeg") or
// sox (tool "sox"). `errors` receives what the tool wrote to stderr.
bool DecodeWithTool(const std::string& tool, const std::string& path, std::vector<int16_t>& samples,
                    std::string& errors);

std::vector<int16_t> BytesToSamples(const std::vector<uint8_t>& bytes);

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Ogg Opus and FLAC files for the tests, made by the ffmpeg command line,
// and what FFmpeg and GStreamer make of them: lengths, decoded samples, the
// pages and frames a file holds. The byte walks here are the tests' own, so
// that they check the program's parsers rather than repeat them.
#include <cstdint>
#include <string>
#include <vector>

enum class TestContainer { Opus, Flac };

// Makes `seconds` of a 440 Hz sine at `rate` with `channels` as Ogg Opus
// (32 kbit/s, pages of about a second, as the recorder writes them) or FLAC
// (16-bit); false when ffmpeg failed.
bool MakeContainerFile(TestContainer kind, const std::string& path, double seconds, int rate = 48000,
                       int channels = 1, const std::string& extraArgs = std::string());
// The format duration ffprobe reports in seconds; -1 when it cannot read the file.
double FfprobeSeconds(const std::string& path);
// The duration gst-discoverer-1.0 reports in seconds; -1 when it cannot read the file.
double GstSeconds(const std::string& path);
// Samples per channel FFmpeg decodes from the file (at `rate`), or -1 when
// it reports any error.
long long FfmpegDecodedSamples(const std::string& path, int rate);

struct OggPageSpan {
    size_t offset = 0;
    size_t size = 0;
    uint64_t granule = 0;
    uint8_t flags = 0;
};
// The pages of a well-formed Ogg file, in order.
std::vector<OggPageSpan> OggPages(const std::vector<uint8_t>& bytes);
// OpusHead's pre-skip of a well-formed Ogg Opus file.
uint16_t OpusPreSkip(const std::vector<uint8_t>& bytes);
// Ogg's page CRC, computed bit by bit.
uint32_t OggCrcSlow(const std::vector<uint8_t>& page);
// Makes a finished Ogg file look like one whose writer was killed: the last
// page loses its end-of-stream flag (with a correct CRC).
void UnfinishOgg(std::vector<uint8_t>& bytes);

struct FlacFrameSpan {
    uint64_t offset = 0;
    uint64_t size = 0;
    uint64_t samples = 0;
};
// The frames of a FLAC file as ffprobe lists its packets.
std::vector<FlacFrameSpan> FlacFrames(const std::string& path);
// Makes a finished FLAC file look like one whose writer was killed: no
// sample count, frame sizes or MD5 in STREAMINFO.
void UnfinishFlac(std::vector<uint8_t>& bytes);
// STREAMINFO's total sample count.
uint64_t FlacTotalSamples(const std::vector<uint8_t>& bytes);

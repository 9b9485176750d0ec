// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Finishes a FLAC recording that its writer never closed: the muxer writes
// STREAMINFO's sample count only at the end, so a file cut off by a crash
// says "length unknown" and may end inside a frame. The repair keeps the
// frames up to the last whole one (its CRC-16 intact), cuts the rest, and
// writes the sample count; the MD5 signature and frame sizes are set to 0,
// "unknown", since they may describe audio that is no longer there.
#include "engine/CRecordingRepair.h"
#include "engine/OggFlacFormat.h"

#include <cstdint>
#include <functional>
#include <string>

class CFlacRepair {
public:
    using ReadAtFn = std::function<bool(uint64_t, void*, size_t)>;

    // Offset of "fLaC" (0, or past an ID3v2 tag); false when there is none.
    static bool FindStart(const ReadAtFn& readAt, uint64_t size, uint64_t& start);

    struct Scan {
        uint64_t firstFrame = 0;   // offset of the audio, after the metadata blocks
        uint64_t end = 0;          // offset just past the last whole frame
        uint64_t totalSamples = 0; // samples up to that frame's end
    };
    // Finds the last frame whose CRC-16 holds. tailOnly looks only at the
    // last megabyte (the header reader's estimate); otherwise the search
    // widens towards the start until it finds one or reaches the audio's start.
    static bool FindLastWholeFrame(const ReadAtFn& readAt, uint64_t size, uint64_t start,
                                   const FlacStreamInfo& info, Scan& scan, bool tailOnly);

    // Repairs the open file (read and write). NotWav for anything that is not
    // a FLAC stream as the program's writer lays it out (fLaC at offset 0,
    // STREAMINFO first); NotNeeded when it carries its sample count or holds
    // no whole frame.
    static RepairResult Repair(int fd);
};

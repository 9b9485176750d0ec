// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Finishes an Ogg Opus recording that its writer never closed: only whole
// pages whose CRC holds are kept, up to the last one on which a packet ends
// (its granule position is the length), everything after is cut, and that
// last page gets the end-of-stream flag and a new CRC.
#include "engine/CRecordingRepair.h"

#include <cstdint>

class COggRepair {
public:
    // Repairs the open file (read and write). NotWav for anything that is not
    // one Ogg Opus stream as the program's writer lays it out (a first page
    // that begins the stream with OpusHead, one serial number throughout);
    // NotNeeded when every page is whole and the last one ends the stream, or
    // when no page of audio follows the header pages.
    static RepairResult Repair(int fd);

    struct Scan {
        uint64_t keepEnd = 0;       // offset past the last whole page that ends a packet
        uint64_t lastPage = 0;      // offset of that page
        uint64_t validEnd = 0;      // offset past the last whole page of the stream
        uint64_t lastGranule = 0;   // that page's granule position
        bool lastHasEos = false;    // the page at lastPage ends the stream
        bool otherStream = false;   // a whole page of another stream was met
    };
    // Walks the pages from the start; false when the file does not begin an
    // Ogg Opus stream.
    static bool ScanPages(int fd, uint64_t size, Scan& scan);
};

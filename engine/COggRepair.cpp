// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "COggRepair.h"

#include "engine/OggFlacFormat.h"
#include "platform/riff/FdIo.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <vector>

bool COggRepair::ScanPages(int fd, uint64_t size, Scan& scan)
{
    scan = Scan{};
    std::vector<uint8_t> page(OGG_MAX_PAGE);
    uint64_t pos = 0;
    uint32_t serial = 0;
    uint32_t sequence = 0;
    for (bool first = true;; first = false) {
        const size_t avail = size_t(std::min<uint64_t>(size - pos, OGG_PAGE_HEADER + 255));
        OggPageHeader h;
        if (avail < OGG_PAGE_HEADER || !ReadFullyAt(fd, pos, page.data(), avail) ||
            !ParseOggPageHeader(page.data(), avail, h) || pos + h.Size() > size ||
            !ReadFullyAt(fd, pos + h.headerSize, page.data() + h.headerSize, h.bodySize) ||
            !OggPageCrcMatches(page.data(), h)) {
            // The first page must be whole: without it this is no stream to repair.
            return !first;
        }
        if (first) {
            OpusHead head;
            if (!(h.flags & OGG_FLAG_BOS) || !ParseOpusHead(page.data() + h.headerSize, h.bodySize, head))
                return false;
            serial = h.serial;
        } else if (h.serial != serial) {
            scan.otherStream = true;
            return true;
        } else if (h.sequence != sequence + 1 || (h.flags & OGG_FLAG_BOS)) {
            return true; // a gap in the pages: what follows is not this recording's continuation
        }
        sequence = h.sequence;
        scan.validEnd = pos + h.Size();
        if (h.granule != OGG_NO_GRANULE) {
            scan.lastPage = pos;
            scan.keepEnd = scan.validEnd;
            scan.lastHasEos = h.flags & OGG_FLAG_EOS;
            scan.lastGranule = h.granule;
        }
        pos = scan.validEnd;
        if (h.flags & OGG_FLAG_EOS)
            return true;
    }
}

RepairResult COggRepair::Repair(int fd)
{
    uint64_t size = 0;
    RepairResult refusal = RepairResult::Failed;
    if (!RepairableSize(fd, size, refusal))
        return refusal;
    Scan scan;
    if (!ScanPages(fd, size, scan) || scan.otherStream)
        return RepairResult::NotWav;
    if (scan.lastHasEos && scan.keepEnd == size)
        return RepairResult::NotNeeded;
    if (scan.lastHasEos)
        return RepairResult::NotWav; // bytes after the end of the stream: not the writer's
    if (scan.lastGranule == 0)
        return RepairResult::NotNeeded; // the header pages alone: no audio to finish
    if (scan.keepEnd < size && !TruncateFully(fd, scan.keepEnd))
        return RepairResult::Failed;
    if (!scan.lastHasEos) {
        std::vector<uint8_t> page(size_t(scan.keepEnd - scan.lastPage));
        OggPageHeader h;
        if (!ReadFullyAt(fd, scan.lastPage, page.data(), page.size()) ||
            !ParseOggPageHeader(page.data(), page.size(), h))
            return RepairResult::Failed;
        page[5] |= OGG_FLAG_EOS;
        const uint32_t crc = OggPageCrc(page.data(), page.size());
        for (int i = 0; i < 4; ++i)
            page[22 + i] = uint8_t(crc >> (8 * i));
        // The flags byte and the CRC, with the unchanged bytes between them, in one write.
        if (!WriteFullyAt(fd, scan.lastPage + 5, page.data() + 5, 21))
            return RepairResult::Failed;
    }
    ::fdatasync(fd);
    return RepairResult::Repaired;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CFlacRepair.h"

#include "platform/riff/FdIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

// Window of the tail searched first: a few seconds of even 8-channel 32-bit audio.
constexpr uint64_t kFirstWindow = 1u << 20;
// Past this the search gives up: a recording's unfinished part is a second or
// two, so a file without a whole frame in its last 64 MiB is no recording of ours.
constexpr uint64_t kLastWindow = 64u << 20;
// Frame start candidates tried from the end: a torn frame and a few false
// sync patterns inside frames must not hide the last whole frame.
constexpr int kStartsTried = 64;

// Offset of the first frame: past every metadata block, each within the file.
bool FirstFrameOffset(const CFlacRepair::ReadAtFn& readAt, uint64_t size, uint64_t start, uint64_t& first)
{
    uint64_t pos = start + 4;
    for (int i = 0; i < 1024; ++i) {
        uint8_t h[4];
        if (pos + 4 > size || !readAt(pos, h, 4))
            return false;
        pos += 4 + Be24At(h + 1);
        if (pos > size)
            return false;
        if (h[0] & 0x80) {
            first = pos;
            return true;
        }
    }
    return false;
}

} // namespace

bool CFlacRepair::FindStart(const ReadAtFn& readAt, uint64_t size, uint64_t& start)
{
    uint8_t h[10];
    start = 0;
    if (size < 4 || !readAt(0, h, 4))
        return false;
    if (std::memcmp(h, "ID3", 3) == 0) {
        // ID3v2 before the stream: ten header bytes, a sync-safe size, an
        // optional ten-byte footer.
        if (size < 10 || !readAt(0, h, 10) || ((h[6] | h[7] | h[8] | h[9]) & 0x80))
            return false;
        start = 10 + (uint64_t(h[6]) << 21 | uint64_t(h[7]) << 14 | uint64_t(h[8]) << 7 | h[9]) +
                (h[5] & 0x10 ? 10 : 0);
        if (start + 4 > size || !readAt(start, h, 4))
            return false;
    }
    return std::memcmp(h, "fLaC", 4) == 0;
}

bool CFlacRepair::FindLastWholeFrame(const ReadAtFn& readAt, uint64_t size, uint64_t start,
                                     const FlacStreamInfo& info, Scan& scan, bool tailOnly)
{
    if (!FirstFrameOffset(readAt, size, start, scan.firstFrame))
        return false;
    scan.end = scan.firstFrame;
    scan.totalSamples = 0;
    const uint64_t audio = size - scan.firstFrame;
    for (uint64_t window = kFirstWindow;; window *= 4) {
        const uint64_t from = audio > window ? size - window : scan.firstFrame;
        std::vector<uint8_t> buf(size_t(size - from));
        if (!readAt(from, buf.data(), buf.size()))
            return false;
        // Every header whose CRC-8 holds is a frame start candidate.
        std::vector<std::pair<size_t, FlacFrameHeader>> starts;
        for (size_t i = 0; i + 1 < buf.size(); ++i) {
            if (buf[i] != 0xFF || (buf[i + 1] & 0xFE) != 0xF8)
                continue;
            FlacFrameHeader frame;
            if (ParseFlacFrameHeader(buf.data() + i, buf.size() - i, frame) && frame.blockSize <= info.maxBlock)
                starts.emplace_back(i, frame);
        }
        // Zeros from here on: a power cut can leave a file's tail allocated
        // but never written.
        size_t zerosFrom = buf.size();
        while (zerosFrom > 0 && buf[zerosFrom - 1] == 0)
            --zerosFrom;
        // From the latest candidate back: a frame is whole where its CRC-16
        // comes to 0 and the next frame's sync, the end of the file or the
        // zeros follow.
        int tried = 0;
        for (auto it = starts.rbegin(); it != starts.rend() && tried < kStartsTried; ++it, ++tried) {
            const size_t s = it->first;
            if (s + it->second.size + 1 >= buf.size())
                continue; // not even a subframe byte and a CRC after the header
            uint16_t crc = FlacCrc16(buf.data() + s, it->second.size + 1);
            for (size_t e = s + it->second.size + 1; e < buf.size(); ++e) {
                crc = FlacCrc16(buf.data() + e, 1, crc);
                const size_t end = e + 1;
                if (crc != 0)
                    continue;
                const bool followed = end == buf.size() || end >= zerosFrom ||
                                      (buf[end] == 0xFF && (end + 1 == buf.size() || (buf[end + 1] & 0xFE) == 0xF8));
                if (!followed)
                    continue;
                // Within the zeros the CRC stays 0: a CRC ending in zero
                // bytes may run up to two bytes on.
                scan.end = from + (end >= zerosFrom ? std::min(end + 2, buf.size()) : end);
                scan.totalSamples = it->second.FirstSample(info.minBlock) + it->second.blockSize;
                return true;
            }
        }
        if (from == scan.firstFrame)
            return true; // no whole frame at all: the audio is empty
        if (tailOnly || window >= kLastWindow)
            return false;
    }
}

RepairResult CFlacRepair::Repair(int fd)
{
    uint64_t size = 0;
    RepairResult refusal = RepairResult::Failed;
    if (!RepairableSize(fd, size, refusal))
        return refusal;
    const ReadAtFn readAt = [fd](uint64_t offset, void* buf, size_t n) { return ReadFullyAt(fd, offset, buf, n); };
    // The writer's layout: the stream from the first byte, STREAMINFO first.
    uint8_t head[8 + FLAC_STREAMINFO_SIZE];
    FlacStreamInfo info;
    if (size < sizeof head || !readAt(0, head, sizeof head) || std::memcmp(head, "fLaC", 4) != 0 ||
        (head[4] & 0x7F) != 0 || Be24At(head + 5) != FLAC_STREAMINFO_SIZE || !ParseFlacStreamInfo(head + 8, info))
        return RepairResult::NotWav;
    if (info.totalSamples != 0)
        return RepairResult::NotNeeded;
    Scan scan;
    if (!FindLastWholeFrame(readAt, size, 0, info, scan, false))
        return RepairResult::NotWav; // no frame structure that could be trusted: left alone
    if (scan.totalSamples == 0)
        return RepairResult::NotNeeded; // no whole frame: nothing to count or keep

    if (scan.end < size && !TruncateFully(fd, scan.end))
        return RepairResult::Failed;
    uint8_t* streamInfo = head + 8;
    SetFlacTotalSamples(streamInfo, scan.totalSamples);
    // Frame sizes and MD5 of the whole stream are unknown now: 0 says so.
    std::memset(streamInfo + 4, 0, 6);
    std::memset(streamInfo + 18, 0, 16);
    if (!WriteFullyAt(fd, 8, streamInfo, FLAC_STREAMINFO_SIZE))
        return RepairResult::Failed;
    ::fdatasync(fd);
    return RepairResult::Repaired;
}

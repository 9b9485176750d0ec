// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The byte layouts of Ogg pages, the Opus identification header and FLAC's
// STREAMINFO and frame headers, with their checksums: what the header reader
// and the repair of unfinished recordings need, shared so that both agree on
// what a whole page or frame is.
#include <cstddef>
#include <cstdint>

constexpr uint8_t OGG_FLAG_CONTINUED = 0x01;
constexpr uint8_t OGG_FLAG_BOS = 0x02;
constexpr uint8_t OGG_FLAG_EOS = 0x04;
constexpr size_t OGG_PAGE_HEADER = 27;           // before the segment table
constexpr size_t OGG_MAX_PAGE = 27 + 255 + 255 * 255;
constexpr uint64_t OGG_NO_GRANULE = ~uint64_t(0); // no packet ends on the page

struct OggPageHeader {
    uint8_t flags = 0;
    uint64_t granule = 0;
    uint32_t serial = 0;
    uint32_t sequence = 0;
    uint32_t crc = 0;
    size_t headerSize = 0; // 27 + the segment count
    size_t bodySize = 0;   // sum of the lacing values
    bool lastPacketOpen = false; // the last lacing value is 255: the packet goes on in the next page
    size_t Size() const { return headerSize + bodySize; }
};

// The page header at p (avail bytes there): "OggS", version 0, flags within
// the defined three, the whole segment table present. The body is not looked at.
bool ParseOggPageHeader(const uint8_t* p, size_t avail, OggPageHeader& page);
// Ogg's CRC-32 (polynomial 0x04C11DB7, not reflected, start 0) over a whole
// page whose checksum field reads as zero.
uint32_t OggPageCrc(const uint8_t* page, size_t size);
// True when the page (page.Size() bytes at p) carries its own checksum.
bool OggPageCrcMatches(const uint8_t* p, const OggPageHeader& page);

struct OpusHead {
    uint8_t channels = 0;
    uint16_t preSkip = 0;
    uint32_t inputRate = 0; // informational: Opus always decodes at 48 kHz
};
// The first packet of an Ogg Opus stream ("OpusHead", version 0.x, at least one channel).
bool ParseOpusHead(const uint8_t* p, size_t size, OpusHead& head);

constexpr size_t FLAC_STREAMINFO_SIZE = 34;
struct FlacStreamInfo {
    uint16_t minBlock = 0, maxBlock = 0;
    uint32_t minFrame = 0, maxFrame = 0; // 0: unknown
    uint32_t rate = 0;
    uint8_t channels = 0;
    uint8_t bits = 0;
    uint64_t totalSamples = 0; // 0: unknown
};
// STREAMINFO's 34 bytes; false for figures no stream has (no rate, a block
// size under 16).
bool ParseFlacStreamInfo(const uint8_t* p, FlacStreamInfo& info);
// Writes the total sample count (36 bits) into STREAMINFO's bytes in place.
void SetFlacTotalSamples(uint8_t* streamInfo, uint64_t total);

struct FlacFrameHeader {
    size_t size = 0;          // header bytes, the CRC-8 included
    uint32_t blockSize = 0;   // samples per channel in this frame
    bool variable = false;    // coded number is a sample number, not a frame number
    uint64_t number = 0;
    uint64_t FirstSample(uint16_t fixedBlock) const { return variable ? number : number * fixedBlock; }
};
// A frame header at p (avail bytes there) whose CRC-8 matches.
bool ParseFlacFrameHeader(const uint8_t* p, size_t avail, FlacFrameHeader& frame);
// FLAC's CRC-16 (polynomial 0x8005, start 0) of a whole frame, footer
// included, is 0 for an intact frame.
uint16_t FlacCrc16(const uint8_t* p, size_t size, uint16_t crc = 0);

inline uint32_t Le32At(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t Le16At(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint64_t Le64At(const uint8_t* p) { return uint64_t(Le32At(p)) | uint64_t(Le32At(p + 4)) << 32; }
inline uint32_t Be24At(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "OggFlacFormat.h"

#include <array>
#include <cstring>

namespace {

constexpr std::array<uint32_t, 256> MakeOggTable()
{
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 24;
        for (int k = 0; k < 8; ++k)
            r = r & 0x80000000u ? (r << 1) ^ 0x04C11DB7u : r << 1;
        t[i] = r;
    }
    return t;
}
constexpr std::array<uint32_t, 256> kOggTable = MakeOggTable();

constexpr std::array<uint16_t, 256> MakeCrc16Table()
{
    std::array<uint16_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint16_t r = uint16_t(i << 8);
        for (int k = 0; k < 8; ++k)
            r = r & 0x8000 ? uint16_t((r << 1) ^ 0x8005) : uint16_t(r << 1);
        t[i] = r;
    }
    return t;
}
constexpr std::array<uint16_t, 256> kCrc16Table = MakeCrc16Table();

uint8_t Crc8(const uint8_t* p, size_t n)
{
    uint8_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = crc & 0x80 ? uint8_t((crc << 1) ^ 0x07) : uint8_t(crc << 1);
    }
    return crc;
}

uint32_t OggCrcUpdate(uint32_t crc, const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        crc = (crc << 8) ^ kOggTable[((crc >> 24) ^ p[i]) & 0xFF];
    return crc;
}

} // namespace

bool ParseOggPageHeader(const uint8_t* p, size_t avail, OggPageHeader& page)
{
    if (avail < OGG_PAGE_HEADER || std::memcmp(p, "OggS", 4) != 0 || p[4] != 0 || (p[5] & ~0x07) != 0)
        return false;
    const size_t segments = p[26];
    if (avail < OGG_PAGE_HEADER + segments)
        return false;
    page.flags = p[5];
    page.granule = Le64At(p + 6);
    page.serial = Le32At(p + 14);
    page.sequence = Le32At(p + 18);
    page.crc = Le32At(p + 22);
    page.headerSize = OGG_PAGE_HEADER + segments;
    page.bodySize = 0;
    for (size_t i = 0; i < segments; ++i)
        page.bodySize += p[OGG_PAGE_HEADER + i];
    page.lastPacketOpen = segments > 0 && p[OGG_PAGE_HEADER + segments - 1] == 255;
    return true;
}

uint32_t OggPageCrc(const uint8_t* page, size_t size)
{
    static const uint8_t zero[4] = {0, 0, 0, 0};
    if (size < OGG_PAGE_HEADER)
        return 0;
    uint32_t crc = OggCrcUpdate(0, page, 22);
    crc = OggCrcUpdate(crc, zero, 4);
    return OggCrcUpdate(crc, page + 26, size - 26);
}

bool OggPageCrcMatches(const uint8_t* p, const OggPageHeader& page)
{
    return OggPageCrc(p, page.Size()) == page.crc;
}

bool ParseOpusHead(const uint8_t* p, size_t size, OpusHead& head)
{
    // Magic, version, channels, pre-skip, input rate, gain, mapping family.
    if (size < 19 || std::memcmp(p, "OpusHead", 8) != 0 || (p[8] & 0xF0) != 0 || p[9] == 0)
        return false;
    head.channels = p[9];
    head.preSkip = Le16At(p + 10);
    head.inputRate = Le32At(p + 12);
    return true;
}

bool ParseFlacStreamInfo(const uint8_t* p, FlacStreamInfo& info)
{
    info.minBlock = uint16_t(p[0] << 8 | p[1]);
    info.maxBlock = uint16_t(p[2] << 8 | p[3]);
    info.minFrame = Be24At(p + 4);
    info.maxFrame = Be24At(p + 7);
    info.rate = uint32_t(p[10]) << 12 | uint32_t(p[11]) << 4 | p[12] >> 4;
    info.channels = uint8_t(((p[12] >> 1) & 0x07) + 1);
    info.bits = uint8_t((((p[12] & 1) << 4) | p[13] >> 4) + 1);
    info.totalSamples = uint64_t(p[13] & 0x0F) << 32 | uint64_t(p[14]) << 24 | uint64_t(p[15]) << 16 |
                        uint64_t(p[16]) << 8 | p[17];
    return info.rate != 0 && info.minBlock >= 16 && info.maxBlock >= info.minBlock;
}

void SetFlacTotalSamples(uint8_t* p, uint64_t total)
{
    p[13] = uint8_t((p[13] & 0xF0) | ((total >> 32) & 0x0F));
    p[14] = uint8_t(total >> 24);
    p[15] = uint8_t(total >> 16);
    p[16] = uint8_t(total >> 8);
    p[17] = uint8_t(total);
}

bool ParseFlacFrameHeader(const uint8_t* p, size_t avail, FlacFrameHeader& frame)
{
    if (avail < 5 || p[0] != 0xFF || (p[1] & 0xFE) != 0xF8)
        return false;
    const unsigned blockCode = p[2] >> 4, rateCode = p[2] & 0x0F;
    const unsigned channelCode = p[3] >> 4, bitsCode = (p[3] >> 1) & 0x07;
    if (blockCode == 0 || rateCode == 15 || channelCode > 10 || bitsCode == 3 || (p[3] & 1))
        return false;
    frame.variable = p[1] & 1;
    // The frame or sample number, coded like UTF-8 (up to 36 bits).
    size_t pos = 4;
    const uint8_t lead = p[pos++];
    int more = 0;
    uint64_t number = 0;
    if (lead < 0x80) {
        number = lead;
    } else {
        uint8_t mask = 0x40;
        while (more < 7 && (lead & mask)) {
            ++more;
            mask >>= 1;
        }
        if (more == 0 || more > (frame.variable ? 6 : 5))
            return false;
        number = lead & (mask - 1);
    }
    for (int i = 0; i < more; ++i) {
        if (pos >= avail || (p[pos] & 0xC0) != 0x80)
            return false;
        number = number << 6 | (p[pos++] & 0x3F);
    }
    frame.number = number;
    if (blockCode == 1)
        frame.blockSize = 192;
    else if (blockCode <= 5)
        frame.blockSize = 576u << (blockCode - 2);
    else if (blockCode == 6 || blockCode == 7) {
        const size_t n = blockCode == 6 ? 1 : 2;
        if (pos + n > avail)
            return false;
        frame.blockSize = (n == 1 ? p[pos] : uint32_t(p[pos] << 8 | p[pos + 1])) + 1u;
        pos += n;
    } else
        frame.blockSize = 256u << (blockCode - 8);
    if (rateCode >= 12 && rateCode <= 14)
        pos += rateCode == 12 ? 1 : 2;
    if (pos + 1 > avail || Crc8(p, pos) != p[pos])
        return false;
    frame.size = pos + 1;
    return true;
}

uint16_t FlacCrc16(const uint8_t* p, size_t size, uint16_t crc)
{
    for (size_t i = 0; i < size; ++i)
        crc = uint16_t((crc << 8) ^ kCrc16Table[((crc >> 8) ^ p[i]) & 0xFF]);
    return crc;
}

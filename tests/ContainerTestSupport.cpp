// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "ContainerTestSupport.h"

#include "TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

bool MakeContainerFile(TestContainer kind, const std::string& path, double seconds, int rate, int channels,
                       const std::string& extraArgs)
{
    char source[160];
    std::snprintf(source, sizeof source, "sine=f=440:d=%.3f:r=%d", seconds, rate);
    const std::string codec = kind == TestContainer::Opus ? "-c:a libopus -b:a 32k -page_duration 1000000"
                                                          : "-c:a flac -sample_fmt s16";
    const std::string cmd = "ffmpeg -nostdin -v error -y -f lavfi -i " + std::string(source) + " -ac " +
                            std::to_string(channels) + " " + codec + " " + extraArgs + " " + Quote(path);
    return RunCommand(cmd).first == 0;
}

double FfprobeSeconds(const std::string& path)
{
    const auto [rc, out] =
        RunCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 " + Quote(path) + " 2>&1");
    if (rc != 0 || out.empty() || out.find_first_not_of("0123456789.\n") != std::string::npos)
        return -1;
    return std::atof(out.c_str());
}

double GstSeconds(const std::string& path)
{
    const auto [rc, out] = RunCommand("gst-discoverer-1.0 " + Quote(path) + " 2>&1");
    const size_t at = out.find("Duration: ");
    if (rc != 0 || at == std::string::npos)
        return -1;
    int h = 0, m = 0;
    double s = 0;
    if (std::sscanf(out.c_str() + at + 10, "%d:%d:%lf", &h, &m, &s) != 3)
        return -1;
    return h * 3600.0 + m * 60.0 + s;
}

long long FfmpegDecodedSamples(const std::string& path, int rate)
{
    // Errors go to a file of their own: any of them fails the decode.
    const std::string errors = path + ".decode-errors";
    const auto [rc, out] = RunCommand("ffmpeg -nostdin -v error -i " + Quote(path) + " -ac 1 -ar " +
                                      std::to_string(rate) + " -f s16le - 2>" + Quote(errors) + " | wc -c");
    const auto err = ReadFileBytes(errors);
    std::remove(errors.c_str());
    if (rc != 0 || !err.empty())
        return -1;
    return std::atoll(out.c_str()) / 2;
}

std::vector<OggPageSpan> OggPages(const std::vector<uint8_t>& b)
{
    std::vector<OggPageSpan> pages;
    size_t pos = 0;
    while (pos + 27 <= b.size() && b[pos] == 'O' && b[pos + 1] == 'g' && b[pos + 2] == 'g' && b[pos + 3] == 'S') {
        OggPageSpan p;
        p.offset = pos;
        p.flags = b[pos + 5];
        for (int i = 7; i >= 0; --i)
            p.granule = p.granule << 8 | b[pos + 6 + i];
        const size_t segments = b[pos + 26];
        size_t body = 0;
        for (size_t i = 0; i < segments && pos + 27 + i < b.size(); ++i)
            body += b[pos + 27 + i];
        p.size = 27 + segments + body;
        if (pos + p.size > b.size())
            break;
        pages.push_back(p);
        pos += p.size;
    }
    return pages;
}

uint16_t OpusPreSkip(const std::vector<uint8_t>& b)
{
    // OpusHead is the whole body of the first page.
    const size_t head = 27 + b.at(26);
    return Le16(b, head + 10);
}

uint32_t OggCrcSlow(const std::vector<uint8_t>& page)
{
    uint32_t crc = 0;
    for (size_t i = 0; i < page.size(); ++i) {
        const uint8_t byte = i >= 22 && i < 26 ? 0 : page[i];
        crc ^= uint32_t(byte) << 24;
        for (int k = 0; k < 8; ++k)
            crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

void UnfinishOgg(std::vector<uint8_t>& b)
{
    const auto pages = OggPages(b);
    if (pages.empty())
        return;
    const OggPageSpan& last = pages.back();
    b[last.offset + 5] &= uint8_t(~0x04);
    std::vector<uint8_t> page(b.begin() + long(last.offset), b.begin() + long(last.offset + last.size));
    const uint32_t crc = OggCrcSlow(page);
    for (int i = 0; i < 4; ++i)
        b[last.offset + 22 + i] = uint8_t(crc >> (8 * i));
}

std::vector<FlacFrameSpan> FlacFrames(const std::string& path)
{
    std::vector<FlacFrameSpan> frames;
    const auto [rc, out] =
        RunCommand("ffprobe -v error -show_entries packet=duration,size,pos -of csv=p=0 " + Quote(path));
    if (rc != 0)
        return frames;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        FlacFrameSpan f;
        unsigned long long d = 0, s = 0, p = 0;
        if (std::sscanf(line.c_str(), "%llu,%llu,%llu", &d, &s, &p) == 3) {
            f.samples = d;
            f.size = s;
            f.offset = p;
            frames.push_back(f);
        }
    }
    return frames;
}

void UnfinishFlac(std::vector<uint8_t>& b)
{
    // STREAMINFO's body starts at 8: frame sizes at 4..9, the sample count in
    // the low nibble of 13 and 14..17, the MD5 at 18..33.
    for (size_t i = 8 + 4; i < 8 + 10; ++i)
        b.at(i) = 0;
    b.at(8 + 13) &= 0xF0;
    for (size_t i = 8 + 14; i < 8 + 34; ++i)
        b.at(i) = 0;
}

uint64_t FlacTotalSamples(const std::vector<uint8_t>& b)
{
    uint64_t total = b.at(8 + 13) & 0x0F;
    for (size_t i = 8 + 14; i < 8 + 18; ++i)
        total = total << 8 | b.at(i);
    return total;
}

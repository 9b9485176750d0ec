// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CAudioFileHeader.h"

#include "engine/CFlacRepair.h"
#include "engine/CWavFile.h"
#include "engine/OggFlacFormat.h"
#include "platform/WaveFormat.h"
#include "platform/riff/CRiffFile.h"
#include "platform/riff/FdIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Bytes read at once from the start of a file.
constexpr size_t kHeadCache = 1024;
// Chunks looked at before "fmt " or "data" is given up on, as the WAV reader does.
constexpr int kMaxChunks = 256;
// The end of an Ogg stream is looked for in this much of the file's tail:
// two of the largest pages, so that a torn last page still leaves a whole one.
constexpr uint64_t kOggTail = 2 * OGG_MAX_PAGE;
constexpr uint64_t kOggShortTail = 16 * 1024;

const char* const kTooShort = "The file is too short to hold a sound header.";
const char* const kNotWav = "The file is not a RIFF/WAVE file.";
const char* const kNoFormat = "The file has no format chunk before its audio.";
const char* const kBadFormat = "The file's format chunk holds figures no sound file has.";
const char* const kNotOpus = "The file is not an Ogg Opus file.";
const char* const kNotFlac = "The file is not a FLAC file.";
const char* const kUnknownKind = "The file is neither a WAV, an Opus nor a FLAC file.";

uint64_t Ms(uint64_t units, uint64_t perSecond) { return perSecond ? units * 1000 / perSecond : 0; }

uint32_t BytesPerSecond(uint64_t size, uint64_t lengthMs)
{
    if (lengthMs == 0)
        return 0;
    const uint64_t r = size * 1000 / lengthMs;
    return r > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max() : uint32_t(r);
}

bool ReadWav(const CAudioFileHeader::ReadAtFn& readAt, uint64_t size, AudioFileHeader& h, std::string& reason)
{
    uint8_t riff[12];
    if (size < 12 || !readAt(0, riff, 12)) {
        reason = kTooShort;
        return false;
    }
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        reason = kNotWav;
        return false;
    }
    h.container = AudioContainer::Wav;
    h.riffSizeZero = Le32At(riff + 4) == 0;
    h.unfinished = h.riffSizeZero;

    // Other recorders put JUNK, bext, LIST and more before "fmt ": walk the
    // chunks until the format and then the audio turn up, within the file.
    WAVEFORMATEX format{};
    bool haveFormat = false, haveData = false;
    uint32_t factSamples = 0;
    bool haveFact = false;
    uint64_t dataSize = 0;
    uint64_t pos = 12;
    for (int i = 0; i < kMaxChunks && pos + 8 <= size; ++i) {
        uint8_t ck[8];
        if (!readAt(pos, ck, 8))
            break;
        const uint32_t cksize = Le32At(ck + 4);
        const uint64_t body = pos + 8;
        if (std::memcmp(ck, "fmt ", 4) == 0 && !haveFormat) {
            if (cksize < 16)
                break;
            const size_t want = std::min<size_t>(cksize, sizeof(WAVEFORMATEX));
            if (body + want > size || !readAt(body, &format, want))
                break;
            haveFormat = true;
        } else if (std::memcmp(ck, "fact", 4) == 0 && haveFormat && cksize >= 4) {
            uint8_t n[4];
            if (body + 4 <= size && readAt(body, n, 4)) {
                factSamples = Le32At(n);
                haveFact = true;
            }
        } else if (std::memcmp(ck, "data", 4) == 0) {
            if (!haveFormat)
                break; // the format comes before the audio
            haveData = true;
            const uint64_t present = size - body;
            // 0 while the writer records (or after a crash); more than is
            // there in a cut-off copy: what is present counts then.
            dataSize = cksize == 0 && h.riffSizeZero ? present : std::min<uint64_t>(cksize, present);
            break;
        }
        pos = body + cksize + (cksize & 1);
    }
    if (!haveFormat) {
        reason = kNoFormat;
        return false;
    }
    if (!CWavFile::IsPlausibleFormat(format)) {
        reason = kBadFormat;
        return false;
    }
    h.formatTag = format.wFormatTag;
    h.channels = format.nChannels;
    h.samplesPerSec = format.nSamplesPerSec;
    h.avgBytesPerSec = format.nAvgBytesPerSec;
    h.bitsPerSample = format.wBitsPerSample;
    h.blockAlign = format.nBlockAlign;
    if (haveData) {
        if (format.wFormatTag != WAVE_FORMAT_PCM && haveFact && factSamples > 0) {
            h.lengthMs = Ms(factSamples, format.nSamplesPerSec);
            h.lengthKnown = true;
        } else if (format.nAvgBytesPerSec > 0) {
            h.lengthMs = Ms(dataSize, format.nAvgBytesPerSec);
            h.lengthKnown = true;
        }
    }
    return true;
}

bool ReadOgg(const CAudioFileHeader::ReadAtFn& readAt, uint64_t size, AudioFileHeader& h, std::string& reason)
{
    std::vector<uint8_t> buf(size_t(std::min<uint64_t>(size, OGG_PAGE_HEADER + 255)));
    OggPageHeader first;
    OpusHead head;
    bool ok = readAt(0, buf.data(), buf.size()) && ParseOggPageHeader(buf.data(), buf.size(), first) &&
              (first.flags & OGG_FLAG_BOS) && first.Size() <= size;
    if (ok) {
        buf.resize(first.Size());
        ok = readAt(0, buf.data(), buf.size()) && OggPageCrcMatches(buf.data(), first) &&
             ParseOpusHead(buf.data() + first.headerSize, first.bodySize, head);
    }
    if (!ok) {
        reason = kNotOpus;
        return false;
    }
    h.container = AudioContainer::Ogg;
    h.formatTag = WAVE_FORMAT_OPUS;
    h.channels = head.channels;
    h.samplesPerSec = 48000;

    // The length is the granule position of the last whole page of the
    // stream, less the decoder's pre-skip. A page is about a second of
    // audio, so a short tail usually holds it; a torn or large last page
    // needs up to two of the largest pages.
    bool found = false;
    for (uint64_t window : {kOggShortTail, kOggTail}) {
        const uint64_t tailStart = size > window ? size - window : 0;
        std::vector<uint8_t> tail(size_t(size - tailStart));
        if (!readAt(tailStart, tail.data(), tail.size()))
            break;
        for (size_t i = tail.size() >= OGG_PAGE_HEADER ? tail.size() - OGG_PAGE_HEADER + 1 : 0; i-- > 0;) {
            if (tail[i] != 'O')
                continue;
            OggPageHeader page;
            if (!ParseOggPageHeader(tail.data() + i, tail.size() - i, page) || page.serial != first.serial ||
                page.Size() > tail.size() - i || page.granule == OGG_NO_GRANULE ||
                !OggPageCrcMatches(tail.data() + i, page))
                continue;
            found = true;
            h.unfinished = !(page.flags & OGG_FLAG_EOS) || tailStart + i + page.Size() != size;
            h.lengthKnown = true;
            h.lengthMs = page.granule > head.preSkip ? Ms(page.granule - head.preSkip, 48000) : 0;
            break;
        }
        if (found || tailStart == 0)
            break;
    }
    if (!found)
        h.unfinished = true;
    h.avgBytesPerSec = BytesPerSecond(size, h.lengthMs);
    return true;
}

bool ReadFlac(const CAudioFileHeader::ReadAtFn& readAt, uint64_t size, AudioFileHeader& h, std::string& reason)
{
    uint64_t start = 0;
    if (!CFlacRepair::FindStart(readAt, size, start)) {
        reason = kNotFlac;
        return false;
    }
    uint8_t block[4 + FLAC_STREAMINFO_SIZE];
    FlacStreamInfo info;
    if (start + 4 + sizeof block > size || !readAt(start + 4, block, sizeof block) || (block[0] & 0x7F) != 0 ||
        Be24At(block + 1) < FLAC_STREAMINFO_SIZE || !ParseFlacStreamInfo(block + 4, info)) {
        reason = kNotFlac;
        return false;
    }
    h.container = AudioContainer::Flac;
    h.formatTag = WAVE_FORMAT_FLAC;
    h.channels = info.channels;
    h.samplesPerSec = info.rate;
    h.bitsPerSample = info.bits;
    uint64_t total = info.totalSamples;
    if (total == 0) {
        // No count yet: still recording, or cut off. The last whole frame in
        // the file's tail tells how far the audio goes.
        h.unfinished = true;
        CFlacRepair::Scan scan;
        if (CFlacRepair::FindLastWholeFrame(readAt, size, start, info, scan, true))
            total = scan.totalSamples;
        else
            total = 0;
    }
    h.lengthKnown = total > 0 || !h.unfinished;
    h.lengthMs = Ms(total, info.rate);
    h.avgBytesPerSec = BytesPerSecond(size, h.lengthMs);
    return true;
}

} // namespace

AudioContainer CAudioFileHeader::ContainerOfName(const std::string& name)
{
    auto ends = [&](const char* ext) {
        const size_t n = std::strlen(ext);
        return name.size() > n && ::strcasecmp(name.c_str() + name.size() - n, ext) == 0;
    };
    if (ends(".wav"))
        return AudioContainer::Wav;
    if (ends(".opus"))
        return AudioContainer::Ogg;
    if (ends(".flac"))
        return AudioContainer::Flac;
    return AudioContainer::Unknown;
}

std::string CAudioFileHeader::OpenErrorText(uint16_t code)
{
    switch (code) {
    case 267: return "The directory specification is incorrect.";
    case 268: return "The file is protected and cannot be opened.";
    case 269: return "The file is being used by another application and is unavailable.";
    case 270: return "The network is not responding to the request to open a remote file.";
    case 271:
        return "The number of files simultaneously open is at a maximum level. The system has run out of available "
               "file handles.";
    case 272: return "Another failure condition occurred. This is the default error for an open-file failure.";
    default: return "Unknown mm file error " + std::to_string(code);
    }
}

bool CAudioFileHeader::ReadFrom(const ReadAtFn& readAt, uint64_t size, AudioFileHeader& header, std::string& reason)
{
    header = AudioFileHeader{};
    header.fileSize = size;
    reason.clear();
    uint8_t magic[4] = {0, 0, 0, 0};
    if (size < 4 || !readAt(0, magic, 4)) {
        reason = kTooShort;
        return false;
    }
    if (std::memcmp(magic, "RIFF", 4) == 0)
        return ReadWav(readAt, size, header, reason);
    if (std::memcmp(magic, "OggS", 4) == 0)
        return ReadOgg(readAt, size, header, reason);
    if (std::memcmp(magic, "fLaC", 4) == 0 || std::memcmp(magic, "ID3", 3) == 0)
        return ReadFlac(readAt, size, header, reason);
    reason = kUnknownKind;
    return false;
}

bool CAudioFileHeader::Read(const std::string& path, AudioFileHeader& header, std::string& reason)
{
    header = AudioFileHeader{};
    // Non-blocking and regular files only: a FIFO named like a recording
    // must not hang the listing, and folders and devices are refused with
    // the code that names why, as the RIFF layer does.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        reason = OpenErrorText(CRiffFile::OpenErrorCode(errno, path));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        reason = OpenErrorText(CRiffFile::OpenErrorCode(err, path));
        return false;
    }
    // One read serves a whole WAV header (and an Ogg or FLAC file's first
    // page or STREAMINFO): a listing of thousands of files makes one call each.
    const uint64_t size = uint64_t(st.st_size);
    uint8_t head[kHeadCache];
    const size_t cached = size_t(std::min<uint64_t>(size, sizeof head));
    const bool headRead = ReadFullyAt(fd, 0, head, cached);
    const auto readAt = [&](uint64_t offset, void* buf, size_t n) {
        if (headRead && offset <= cached && n <= cached - offset) {
            std::memcpy(buf, head + offset, n);
            return true;
        }
        return ReadFullyAt(fd, offset, buf, n);
    };
    const bool ok = ReadFrom(readAt, size, header, reason);
    ::close(fd);
    // A name's kind that the content contradicts says more than the content alone.
    if (!ok && reason == kUnknownKind) {
        switch (ContainerOfName(path)) {
        case AudioContainer::Wav: reason = kNotWav; break;
        case AudioContainer::Ogg: reason = kNotOpus; break;
        case AudioContainer::Flac: reason = kNotFlac; break;
        case AudioContainer::Unknown: break;
        }
    }
    return ok;
}

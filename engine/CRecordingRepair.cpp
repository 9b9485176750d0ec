// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CRecordingRepair.h"

#include "platform/riff/FdIo.h"

#include "engine/CFlacRepair.h"
#include "engine/COggRepair.h"
#include "engine/CWavFile.h"
#include "engine/RecordingFileType.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// A file whose status changed more recently than this may still be growing
// (a copy in progress, another program writing).
constexpr int kQuietSeconds = 2;


bool WriteLe32At(int fd, uint64_t offset, uint32_t value)
{
    const uint8_t le[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    for (;;) {
        ssize_t w = ::pwrite(fd, le, 4, off_t(offset));
        if (w < 0 && errno == EINTR)
            continue;
        return w == 4;
    }
}

enum class Kind { Wav, Ogg, Flac };

// The kind by the first bytes; anything else goes to the WAV check, which
// refuses it.
Kind KindOf(int fd)
{
    uint8_t magic[4] = {0, 0, 0, 0};
    if (!ReadFullyAt(fd, 0, magic, 4))
        return Kind::Wav;
    if (std::memcmp(magic, "OggS", 4) == 0)
        return Kind::Ogg;
    if (std::memcmp(magic, "fLaC", 4) == 0)
        return Kind::Flac;
    return Kind::Wav;
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The header as the writer lays it out: RIFF, WAVE, "fmt " with the whole
// format (18 + cbSize bytes, padded), for a compressed format a "fact" chunk
// (empty in files of earlier versions, else four bytes), then "data".
struct WriterHeader {
    uint32_t riffSize = 0;
    uint16_t tag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint32_t avgBytes = 0;
    uint16_t blockAlign = 0;
    uint16_t samplesPerBlock = 0; // from the extra bytes of block codecs, 0 when unknown
    uint64_t factBody = 0;        // offset of the fact count; 0 when there is none to write
    uint64_t dataSizeAt = 0;
    uint32_t dataSize = 0;
    uint64_t dataStart = 0;
};

bool ReadWriterHeader(int fd, uint64_t fileSize, WriterHeader& h)
{
    uint8_t head[38];
    if (fileSize < 46 || !ReadFullyAt(fd, 0, head, sizeof head))
        return false;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0 ||
        std::memcmp(head + 12, "fmt ", 4) != 0)
        return false;
    h.riffSize = Le32(head + 4);
    const uint32_t fmtSize = Le32(head + 16);
    h.tag = Le16(head + 20);
    h.channels = Le16(head + 22);
    h.rate = Le32(head + 24);
    h.avgBytes = Le32(head + 28);
    h.blockAlign = Le16(head + 32);
    const uint16_t cbSize = Le16(head + 36);
    if (fmtSize != 18u + cbSize)
        return false;
    WAVEFORMATEX f{};
    std::memcpy(&f, head + 20, 18);
    if (!CWavFile::IsPlausibleFormat(f))
        return false;
    if (cbSize >= 2 && (h.tag == WAVE_FORMAT_ADPCM || h.tag == WAVE_FORMAT_IMA_ADPCM || h.tag == WAVE_FORMAT_GSM610)) {
        uint8_t spb[2];
        if (!ReadFullyAt(fd, 38, spb, 2))
            return false;
        h.samplesPerBlock = Le16(spb);
    }
    uint64_t pos = 20 + uint64_t(fmtSize) + (fmtSize & 1);
    uint8_t ck[8];
    if (h.tag != WAVE_FORMAT_PCM) {
        if (pos + 8 > fileSize || !ReadFullyAt(fd, pos, ck, 8) || std::memcmp(ck, "fact", 4) != 0)
            return false;
        const uint32_t factSize = Le32(ck + 4);
        if (factSize == 4)
            h.factBody = pos + 8;
        else if (factSize != 0)
            return false;
        pos += 8 + factSize;
    }
    if (pos + 8 > fileSize || !ReadFullyAt(fd, pos, ck, 8) || std::memcmp(ck, "data", 4) != 0)
        return false;
    h.dataSizeAt = pos + 4;
    h.dataSize = Le32(ck + 4);
    h.dataStart = pos + 8;
    return true;
}

// Samples in n bytes of the coded audio, never more than are there.
uint32_t SamplesIn(const WriterHeader& h, uint64_t n)
{
    uint64_t samples = 0;
    if (h.samplesPerBlock > 0 && h.blockAlign > 0)
        samples = n / h.blockAlign * h.samplesPerBlock;
    else if (h.avgBytes > 0)
        samples = n * h.rate / h.avgBytes;
    return samples > UINT32_MAX ? UINT32_MAX : uint32_t(samples);
}

RepairResult RepairOpen(int fd)
{
    uint64_t fileSize = 0;
    RepairResult refusal = RepairResult::Failed;
    if (!RepairableSize(fd, fileSize, refusal))
        return refusal;
    WriterHeader h;
    if (!ReadWriterHeader(fd, fileSize, h))
        return RepairResult::NotWav;
    const uint64_t present = fileSize - h.dataStart;

    if (h.dataSize != 0) {
        // The data size was written but the RIFF size not (stopped between the two).
        const uint64_t expectedRiff = h.dataStart + h.dataSize + (h.dataSize & 1) - 8;
        if (h.riffSize == 0 && expectedRiff <= fileSize - 8 && expectedRiff <= UINT32_MAX)
            return WriteLe32At(fd, 4, uint32_t(expectedRiff)) ? RepairResult::Repaired : RepairResult::Failed;
        return RepairResult::NotNeeded;
    }
    if (h.riffSize != 0 || present == 0)
        return RepairResult::NotNeeded;

    // Whole blocks (codec blocks, PCM frames) only, within the format's 32-bit limits.
    uint64_t n = present;
    const uint64_t maxData = 0xFFFFFFFFull + 8 - h.dataStart - 1 - 13; // room for the odd-size tail
    if (n > maxData)
        n = maxData;
    if (h.blockAlign > 1)
        n -= n % h.blockAlign;
    if (n == 0)
        return RepairResult::NotNeeded;
    uint64_t end = h.dataStart + n;
    if (n & 1) {
        // The pad byte and a small chunk after it, as the writer ends an odd
        // data chunk (GStreamer finds no audio when a pad byte ends the file).
        // What follows the last whole block is no audio and is overwritten.
        static const uint8_t tail[13] = {0, 'J', 'U', 'N', 'K', 4, 0, 0, 0, 0, 0, 0, 0};
        if (::pwrite(fd, tail, sizeof tail, off_t(end)) != ssize_t(sizeof tail) ||
            ::ftruncate(fd, off_t(end + sizeof tail)) != 0)
            return RepairResult::Failed;
        end += sizeof tail;
    }
    if (h.factBody && !WriteLe32At(fd, h.factBody, SamplesIn(h, n)))
        return RepairResult::Failed;
    if (!WriteLe32At(fd, h.dataSizeAt, uint32_t(n)) || !WriteLe32At(fd, 4, uint32_t(end - 8)))
        return RepairResult::Failed;
    ::fdatasync(fd);
    return RepairResult::Repaired;
}

} // namespace

bool RepairableSize(int fd, uint64_t& size, RepairResult& refusal)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        refusal = RepairResult::Failed;
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        refusal = RepairResult::NotWav;
        return false;
    }
    size = uint64_t(st.st_size);
    return true;
}

bool CRecordingRepair::IsRecordingName(const std::string& name)
{
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // DD-Mon-YYYY_S.wav (or .opus, .flac): two-digit day, the month's abbreviation, the year,
    // the second of the day without leading zeros.
    auto digits = [&](size_t from, size_t& to) {
        to = from;
        while (to < name.size() && name[to] >= '0' && name[to] <= '9')
            ++to;
        return to - from;
    };
    size_t p = 0;
    if (digits(0, p) != 2 || name.compare(0, 2, "00") == 0 || p >= name.size() || name[p] != '-')
        return false;
    const int day = (name[0] - '0') * 10 + (name[1] - '0');
    if (day > 31 || name.size() < 7)
        return false;
    bool month = false;
    for (const char* m : months)
        month = month || name.compare(3, 3, m) == 0;
    if (!month || name[6] != '-')
        return false;
    size_t yearEnd = 0;
    const size_t yearDigits = digits(7, yearEnd);
    if (yearDigits < 1 || yearDigits > 5 || name[7] == '0' || yearEnd >= name.size() || name[yearEnd] != '_')
        return false;
    size_t secEnd = 0;
    const size_t secDigits = digits(yearEnd + 1, secEnd);
    if (secDigits < 1 || secDigits > 5 || (secDigits > 1 && name[yearEnd + 1] == '0'))
        return false;
    if (std::stol(name.substr(yearEnd + 1, secDigits)) >= 24 * 3600)
        return false;
    const std::string extension = name.substr(secEnd);
    for (std::string_view known : kRecordingExtensions)
        if (extension == known)
            return true;
    return false;
}

RepairResult CRecordingRepair::Repair(const std::string& path)
{
    // Non-blocking: a FIFO under the name is refused, not waited on.
    Fd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return errno == EISDIR || errno == ELOOP || errno == ENXIO ? RepairResult::NotWav : RepairResult::Failed;
    const Kind kind = KindOf(fd.get());
    if (kind == Kind::Wav)
        return RepairOpen(fd.get());
    // An Ogg or FLAC file is cut and rewritten, not only patched: only under
    // a name the program gives its own recordings.
    if (!IsRecordingName(BaseName(path)))
        return RepairResult::NotWav;
    return kind == Kind::Ogg ? COggRepair::Repair(fd.get()) : CFlacRepair::Repair(fd.get());
}

RepairResult CRecordingRepair::RepairIfOwnUnfinished(const std::string& path)
{
    if (!IsRecordingName(BaseName(path)))
        return RepairResult::NotWav;
    if (CWavFile::IsBeingWritten(path))
        return RepairResult::NotNeeded;

    // Looked at read-only first: nothing is opened for writing unless all holds.
    {
        Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
        if (fd.get() < 0)
            return errno == ENOENT ? RepairResult::Failed : RepairResult::NotWav;
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0)
            return RepairResult::Failed;
        if (!S_ISREG(st.st_mode))
            return RepairResult::NotWav;
        // Ogg and FLAC files are repaired only when the journal names them:
        // cutting a file is not done on the strength of its name alone.
        if (KindOf(fd.get()) != Kind::Wav)
            return RepairResult::NotNeeded;
        WriterHeader h;
        if (!ReadWriterHeader(fd.get(), uint64_t(st.st_size), h))
            return RepairResult::NotWav;
        if (h.riffSize != 0 || h.dataSize != 0)
            return RepairResult::NotNeeded;
        // The status change time moves with every write and cannot be set back.
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        auto ns = [](const timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
        const int64_t changed = std::max(ns(st.st_mtim), ns(st.st_ctim));
        if (ns(now) - changed < int64_t(kQuietSeconds) * 1000000000)
            return RepairResult::NotNeeded; // may still be growing
    }
    return Repair(path);
}

int CRecordingRepair::RepairFolder(const std::string& folder, const std::string& skip)
{
    const std::string dirPath = folder.empty() ? "." : folder;
    DIR* dir = ::opendir(dirPath.c_str());
    if (!dir)
        return 0;
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/')
        prefix += '/';
    int repaired = 0;
    while (dirent* e = ::readdir(dir)) {
        if (!HasRecordingExtension(e->d_name))
            continue;
        const std::string path = prefix + e->d_name;
        if (!skip.empty() && path == skip)
            continue;
        if (RepairIfOwnUnfinished(path) == RepairResult::Repaired)
            ++repaired;
    }
    ::closedir(dir);
    return repaired;
}

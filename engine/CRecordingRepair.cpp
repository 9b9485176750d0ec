#include "CRecordingRepair.h"

#include "engine/CWavFile.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

bool ReadAt(int fd, uint64_t offset, void* buf, size_t n)
{
    auto* p = static_cast<uint8_t*>(buf);
    while (n > 0) {
        ssize_t r = ::pread(fd, p, n, off_t(offset));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        p += r;
        offset += uint64_t(r);
        n -= size_t(r);
    }
    return true;
}

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

bool EndsWithWav(const char* name)
{
    const size_t n = std::strlen(name);
    return n >= 4 && ::strcasecmp(name + n - 4, ".wav") == 0;
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

} // namespace

RepairResult CRecordingRepair::Repair(const std::string& path)
{
    Fd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0)
        return errno == EISDIR ? RepairResult::NotWav : RepairResult::Failed;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return RepairResult::Failed;
    if (!S_ISREG(st.st_mode))
        return RepairResult::NotWav;
    const uint64_t fileSize = uint64_t(st.st_size);

    uint8_t riff[12];
    if (fileSize < 12 || !ReadAt(fd.get(), 0, riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return RepairResult::NotWav;
    const uint32_t riffSize = Le32(riff + 4);

    // Walk the chunks up to "data", noting the block size from "fmt ".
    uint64_t pos = 12;
    uint16_t blockAlign = 0;
    bool haveFmt = false;
    for (int chunks = 0;; ++chunks) {
        uint8_t hdr[8];
        if (chunks > 64 || pos + 8 > fileSize || !ReadAt(fd.get(), pos, hdr, 8))
            return RepairResult::NotWav;
        const uint32_t size = Le32(hdr + 4);
        if (std::memcmp(hdr, "data", 4) == 0)
            break;
        if (std::memcmp(hdr, "fmt ", 4) == 0) {
            uint8_t fmt[16];
            if (size < 14 || pos + 8 + 14 > fileSize || !ReadAt(fd.get(), pos + 8, fmt, 14))
                return RepairResult::NotWav;
            blockAlign = Le16(fmt + 12);
            haveFmt = true;
        }
        pos += 8 + uint64_t(size) + (size & 1);
    }
    if (!haveFmt)
        return RepairResult::NotWav;

    const uint64_t dataStart = pos + 8;
    uint8_t sizeField[4];
    if (!ReadAt(fd.get(), pos + 4, sizeField, 4))
        return RepairResult::Failed;
    const uint32_t dataSize = Le32(sizeField);
    const uint64_t present = fileSize > dataStart ? fileSize - dataStart : 0;

    const bool dataBroken = (dataSize == 0 || dataStart + dataSize > fileSize) && present > 0;
    if (!dataBroken) {
        // The data size was written but the RIFF size not (stopped between the two).
        const uint64_t expectedRiff = dataStart + dataSize + (dataSize & 1) - 8;
        if (riffSize == 0 && dataSize != 0 && expectedRiff <= fileSize - 8 && expectedRiff <= UINT32_MAX)
            return WriteLe32At(fd.get(), 4, uint32_t(expectedRiff)) ? RepairResult::Repaired : RepairResult::Failed;
        return RepairResult::NotNeeded;
    }

    // Whole blocks only, and within the 32-bit limits of the format.
    uint64_t n = present;
    const uint64_t maxData = 0xFFFFFFFFull + 8 - dataStart - 1;
    if (n > maxData)
        n = maxData;
    if (blockAlign > 1)
        n -= n % blockAlign;
    if (n == 0)
        return RepairResult::NotNeeded;
    const uint64_t end = dataStart + n + ((n & 1) && dataStart + n < fileSize ? 1 : 0);
    if (!WriteLe32At(fd.get(), pos + 4, uint32_t(n)) || !WriteLe32At(fd.get(), 4, uint32_t(end - 8)))
        return RepairResult::Failed;
    ::fsync(fd.get());
    return RepairResult::Repaired;
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
        if (!EndsWithWav(e->d_name))
            continue;
        const std::string path = prefix + e->d_name;
        if ((!skip.empty() && path == skip) || CWavFile::IsBeingWritten(path))
            continue;
        if (Repair(path) == RepairResult::Repaired)
            ++repaired;
    }
    ::closedir(dir);
    return repaired;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CRiffFile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const uint32_t kRiff = CRiffFile::FourCC("RIFF");

void PutLe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

uint32_t GetLe32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool ParentExists(const std::string& path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return true;
    std::string dir = slash == 0 ? "/" : path.substr(0, slash);
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

CRiffFile::~CRiffFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

uint16_t CRiffFile::OpenErrorCode(int err, const std::string& path)
{
    switch (err) {
    case ENOTDIR:
        return MMIOERR_BADDIRECTORY;
    case ENOENT:
        return ParentExists(path) ? MMIOERR_OTHER : MMIOERR_BADDIRECTORY;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return MMIOERR_PROTECTED;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK:
        return MMIOERR_INUSE;
    case ENETDOWN:
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ETIMEDOUT:
    case ESTALE:
    case ECONNREFUSED:
        return MMIOERR_NETWORK;
    case EMFILE:
    case ENFILE:
        return MMIOERR_TOOMANYFILES;
    default:
        return MMIOERR_OTHER;
    }
}

bool CRiffFile::Create(const std::string& path)
{
    if (m_fd >= 0)
        Close();
    // Recordings are personal: a new file is readable by its owner only. An
    // existing file that is replaced keeps its mode. Non-blocking, so that a
    // FIFO under that name fails its writes rather than waiting on a reader.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) {
        m_errno = errno;
        return false;
    }
    m_fd = fd;
    m_pos = 0;
    return true;
}

bool CRiffFile::OpenRead(const std::string& path, uint16_t& wErrorRet)
{
    wErrorRet = 0;
    if (m_fd >= 0)
        Close();
    // Non-blocking: a FIFO named like a recording must not hang the caller
    // until some writer appears.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        m_errno = errno;
        wErrorRet = OpenErrorCode(m_errno, path);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // A folder (even one named *.wav), a FIFO, a socket or a device is not a file to read.
        m_errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        wErrorRet = OpenErrorCode(m_errno, path);
        return false;
    }
    m_fd = fd;
    m_pos = 0;
    return true;
}

bool CRiffFile::WriteAt(uint64_t offset, const void* data, size_t count, size_t* written)
{
    const auto* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    bool ok = true;
    while (done < count) {
        ssize_t n = ::pwrite(m_fd, p + done, count - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_errno = errno;
            ok = false;
            break;
        }
        if (n == 0) {
            m_errno = ENOSPC;
            ok = false;
            break;
        }
        done += size_t(n);
    }
    if (written)
        *written = done;
    return ok;
}

long long CRiffFile::Write(const void* data, size_t count)
{
    if (m_fd < 0) {
        m_errno = EBADF;
        return -1;
    }
    size_t written = 0;
    const bool ok = WriteAt(m_pos, data, count, &written);
    // What reached the file stays counted, so the file can be finished with it.
    m_pos += written;
    return ok ? (long long)count : -1;
}

bool CRiffFile::Truncate(uint64_t size)
{
    if (m_fd < 0 || ::ftruncate(m_fd, off_t(size)) != 0) {
        m_errno = m_fd < 0 ? EBADF : errno;
        return false;
    }
    m_pos = size;
    return true;
}

long long CRiffFile::Read(void* data, size_t count)
{
    if (m_fd < 0) {
        m_errno = EBADF;
        return -1;
    }
    auto* p = static_cast<uint8_t*>(data);
    size_t total = 0;
    while (total < count) {
        ssize_t n = ::pread(m_fd, p + total, count - total, off_t(m_pos + total));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_errno = errno;
            return -1;
        }
        if (n == 0)
            break;
        total += size_t(n);
    }
    m_pos += total;
    return (long long)total;
}

uint64_t CRiffFile::Size() const
{
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return 0;
    return uint64_t(st.st_size);
}

bool CRiffFile::CreateChunk(MMCKINFO& ck, bool riff)
{
    uint8_t hdr[12];
    if (riff)
        ck.ckid = kRiff;
    PutLe32(hdr, ck.ckid);
    PutLe32(hdr + 4, ck.cksize);
    size_t n = 8;
    if (riff) {
        PutLe32(hdr + 8, ck.fccType);
        n = 12;
    }
    if (Write(hdr, n) < 0)
        return false;
    ck.dwDataOffset = uint32_t(m_pos - (riff ? 4 : 0));
    return true;
}

bool CRiffFile::Ascend(MMCKINFO& ck)
{
    if (m_fd < 0) {
        m_errno = EBADF;
        return false;
    }
    uint64_t size64 = m_pos - ck.dwDataOffset;
    if (size64 > UINT32_MAX) {
        m_errno = EFBIG;
        return false;
    }
    auto size = uint32_t(size64);
    if (size != ck.cksize) {
        uint8_t le[4];
        PutLe32(le, size);
        if (!WriteAt(ck.dwDataOffset - 4, le, 4))
            return false;
        ck.cksize = size;
    }
    if (size & 1) {
        const uint8_t pad = 0;
        if (Write(&pad, 1) < 0)
            return false;
    }
    return true;
}

bool CRiffFile::Descend(MMCKINFO& ck)
{
    uint8_t hdr[8];
    if (Read(hdr, 8) != 8)
        return false;
    ck.ckid = GetLe32(hdr);
    ck.cksize = GetLe32(hdr + 4);
    ck.dwDataOffset = uint32_t(m_pos);
    if (ck.ckid == kRiff) {
        uint8_t type[4];
        if (Read(type, 4) != 4)
            return false;
        ck.fccType = GetLe32(type);
    }
    return true;
}

bool CRiffFile::PatchLe32(uint64_t offset, uint32_t value)
{
    if (m_fd < 0) {
        m_errno = EBADF;
        return false;
    }
    uint8_t le[4];
    PutLe32(le, value);
    return WriteAt(offset, le, 4);
}

bool CRiffFile::Sync()
{
    if (m_fd < 0) {
        m_errno = EBADF;
        return false;
    }
    while (::fdatasync(m_fd) != 0) {
        if (errno == EINTR)
            continue;
        // A file system or device that has nothing to sync is no failure.
        if (errno == EINVAL || errno == EROFS)
            return true;
        m_errno = errno;
        return false;
    }
    return true;
}

bool CRiffFile::SyncFolderOf(const std::string& path, int& err)
{
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        return false;
    }
    int rc;
    while ((rc = ::fsync(fd)) != 0 && errno == EINTR) {
    }
    // Some file systems cannot sync a folder; that is no failure of the file.
    const bool ok = rc == 0 || errno == EINVAL || errno == EROFS;
    if (!ok)
        err = errno;
    ::close(fd);
    return ok;
}

bool CRiffFile::Close()
{
    if (m_fd < 0)
        return true;
    int rc = ::close(m_fd);
    m_fd = -1;
    if (rc != 0) {
        m_errno = errno;
        return false;
    }
    return true;
}

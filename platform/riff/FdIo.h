// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Whole reads and writes on a file descriptor: short transfers and EINTR
// are retried, so a caller sees all of its bytes or a failure.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <unistd.h>

// Reads exactly n bytes at offset; false on an error or the end of the file.
inline bool ReadFullyAt(int fd, uint64_t offset, void* buf, size_t n)
{
    auto* p = static_cast<uint8_t*>(buf);
    while (n > 0) {
        const ssize_t r = ::pread(fd, p, n, off_t(offset));
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

// Writes exactly n bytes at offset, the file position unchanged.
inline bool WriteFullyAt(int fd, uint64_t offset, const void* data, size_t n)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, p, n, off_t(offset));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        offset += uint64_t(w);
        n -= size_t(w);
    }
    return true;
}

// Cuts (or extends) the file to size.
inline bool TruncateFully(int fd, uint64_t size)
{
    int rc;
    do
        rc = ::ftruncate(fd, off_t(size));
    while (rc != 0 && errno == EINTR);
    return rc == 0;
}

// Writes all of data at the file position.
inline bool WriteFully(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

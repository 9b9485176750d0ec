// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// RIFF file I/O over plain POSIX calls: chunk headers written and patched in
// place, one write call per block (continued on short writes), the reason of
// every failure kept as an errno value.
#include <cstddef>
#include <cstdint>
#include <string>

struct MMCKINFO {
    uint32_t ckid = 0;
    uint32_t cksize = 0;
    uint32_t fccType = 0;
    uint32_t dwDataOffset = 0;
    uint32_t dwFlags = 0;
};

// Open-error codes handed back by OpenRead.
constexpr uint16_t MMIOERR_BADDIRECTORY = 267;
constexpr uint16_t MMIOERR_PROTECTED = 268;
constexpr uint16_t MMIOERR_INUSE = 269;
constexpr uint16_t MMIOERR_NETWORK = 270;
constexpr uint16_t MMIOERR_TOOMANYFILES = 271;
constexpr uint16_t MMIOERR_OTHER = 272;

class CRiffFile {
public:
    CRiffFile() = default;
    ~CRiffFile();
    CRiffFile(const CRiffFile&) = delete;
    CRiffFile& operator=(const CRiffFile&) = delete;

    static constexpr uint32_t FourCC(const char (&s)[5])
    {
        return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
               uint32_t(uint8_t(s[3])) << 24;
    }
    // Maps an errno value of open() to the open-error code table.
    static uint16_t OpenErrorCode(int err, const std::string& path);

    // Creates (or truncates) the file for reading and writing, without ever
    // blocking; a new file gets mode 0600.
    bool Create(const std::string& path);
    // Opens an existing regular file read-only without ever blocking; FIFOs,
    // sockets, devices and folders are refused. On failure wErrorRet holds the code.
    bool OpenRead(const std::string& path, uint16_t& wErrorRet);
    bool IsOpen() const { return m_fd >= 0; }

    // Writes a chunk header at the current position (with the form type when riff).
    bool CreateChunk(MMCKINFO& ck, bool riff);
    // Leaves a chunk: writes its true size when it differs, pads an odd size,
    // and positions after it.
    bool Ascend(MMCKINFO& ck);
    // Reads the chunk header at the current position (and a RIFF form type).
    bool Descend(MMCKINFO& ck);

    // Full write at the current position; bytes written, or -1 (errno kept).
    // After a partial write the position is past the bytes that were written.
    long long Write(const void* data, size_t count);
    // Read at the current position; bytes read (may be short), or -1.
    long long Read(void* data, size_t count);
    uint64_t Position() const { return m_pos; }
    void Seek(uint64_t offset) { m_pos = offset; }
    uint64_t Size() const;
    // Cuts the file to `size` bytes and moves the position there.
    bool Truncate(uint64_t size);
    // Writes a little-endian 32-bit value at `offset`; the position stays.
    bool PatchLe32(uint64_t offset, uint32_t value);
    // Flushes the file's data (and the size it needs) to the disk.
    bool Sync();
    // Flushes the folder holding `path`, so that a new file's name survives a
    // power cut. false with errno in err.
    static bool SyncFolderOf(const std::string& path, int& err);
    // false (errno kept) when the system reports an error at close, which on
    // network file systems may be the first sign of a failed write.
    bool Close();

    int LastError() const { return m_errno; }

private:
    bool WriteAt(uint64_t offset, const void* data, size_t count, size_t* written = nullptr);

    int m_fd = -1;
    uint64_t m_pos = 0;
    int m_errno = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CRecordingFolder.h"

#include "engine/CRecordingRepair.h"
#include "engine/CWavFile.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>

namespace {

// The WAV reader, also telling the RIFF size it found: the program's
// unfinished recordings still carry 0 there, so only those are handed to the
// repair, and no file is opened twice on the way.
class CHeaderReader : public CWavFile {
public:
    uint32_t RiffSize() const { return m_ckRiff.cksize; }
};

bool Earlier(const RecordingFileEntry& a, const RecordingFileEntry& b)
{
    if (a.time != b.time)
        return a.time < b.time;
    if (a.timeNanoseconds != b.timeNanoseconds)
        return a.timeNanoseconds < b.timeNanoseconds;
    return a.name < b.name;
}

} // namespace

CRecordingFolder::CRecordingFolder(std::string folder)
    : m_folder(std::move(folder))
{
}

bool CRecordingFolder::MatchesWavPattern(const char* name)
{
    const size_t length = std::strlen(name);
    return length >= 4 && ::strcasecmp(name + length - 4, ".wav") == 0;
}

int CRecordingFolder::ReadFileFormat(VoiceFileInfo& record)
{
    bool unfinished = false;
    return ReadFileFormat(record, unfinished);
}

int CRecordingFolder::ReadFileFormat(VoiceFileInfo& record, bool& sizesZero)
{
    CHeaderReader file;
    sizesZero = false;
    if (!(record.flags & VFI_PATH))
        return 0;
    if (!file.Open(record.path))
        return 0;
    record.flags |= VFI_AVGBYTES | VFI_RATE | VFI_CHANNELS | VFI_BITS;
    const WAVEFORMATEX* format = file.Format();
    record.bitsPerSample = format->wBitsPerSample;
    record.channels = format->nChannels;
    record.avgBytesPerSec = format->nAvgBytesPerSec;
    record.samplesPerSec = format->nSamplesPerSec;
    sizesZero = file.RiffSize() == 0;
    return 1;
}

CRecordingFolder::EntryKind CRecordingFolder::KindOf(uint32_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    return EntryKind::Special;
}

std::vector<RecordingFileEntry> CRecordingFolder::List() const
{
    std::vector<RecordingFileEntry> entries;
    DIR* dir = ::opendir(m_folder.empty() ? "." : m_folder.c_str());
    if (!dir)
        return entries;
    while (const dirent* found = ::readdir(dir)) {
        if (!MatchesWavPattern(found->d_name))
            continue;
        // FIFOs, sockets and devices are never opened: an open could wait
        // for a writer, and none of them holds a recording.
        if (found->d_type == DT_FIFO || found->d_type == DT_SOCK || found->d_type == DT_CHR ||
            found->d_type == DT_BLK)
            continue;
        RecordingFileEntry entry;
        entry.name = found->d_name;
        entry.record.path = m_folder + entry.name;
        entry.record.flags = VFI_PATH;

        // Links are followed: what counts is what an open would reach.
        struct statx sx {};
        const bool known = ::statx(AT_FDCWD, entry.record.path.c_str(), 0,
                                   STATX_TYPE | STATX_SIZE | STATX_BTIME | STATX_MTIME, &sx) == 0;
        if (known && KindOf(sx.stx_mode) == EntryKind::Special)
            continue;
        // A folder named like a recording, or a file gone since the search,
        // is left to the reader, which says why it cannot be opened.
        bool sizesZero = false;
        if (!ReadFileFormat(entry.record, sizesZero))
            continue;
        // The program's own recordings cut off by a crash are listed with
        // their true length; nothing else is ever written to.
        if (sizesZero)
            CRecordingRepair::RepairIfOwnUnfinished(entry.record.path);

        entry.size = sx.stx_size;
        const bool birth = sx.stx_mask & STATX_BTIME;
        entry.time = birth ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
        entry.timeNanoseconds = birth ? sx.stx_btime.tv_nsec : sx.stx_mtime.tv_nsec;
        entry.record.flags |= VFI_DURATION;
        entry.record.duration = DurationSeconds(entry.size, entry.record.avgBytesPerSec);
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    // Oldest recording first: the directory's own order means nothing.
    std::sort(entries.begin(), entries.end(), Earlier);
    return entries;
}

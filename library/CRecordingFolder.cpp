// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CRecordingFolder.h"

#include "engine/CAudioFileHeader.h"
#include "engine/CRecordingRepair.h"
#include "engine/IEngineHost.h"
#include "engine/MessageStyle.h"
#include "engine/RecordingFileType.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>

namespace {

bool Earlier(const RecordingFileEntry& a, const RecordingFileEntry& b)
{
    if (a.time != b.time)
        return a.time < b.time;
    if (a.timeNanoseconds != b.timeNanoseconds)
        return a.timeNanoseconds < b.timeNanoseconds;
    return a.name < b.name;
}

// The header read into the record; on failure the reader's reason goes to
// `reason` when given, else into the engine's message box.
int ReadInto(VoiceFileInfo& record, bool& unfinished, std::string* reason)
{
    unfinished = false;
    if (!(record.flags & VFI_PATH))
        return 0;
    AudioFileHeader header;
    std::string why;
    if (!CAudioFileHeader::Read(record.path, header, why)) {
        if (reason)
            *reason = why;
        else
            EngineMessageBox(why, MB_ICONSTOP);
        return 0;
    }
    record.formatTag = header.formatTag;
    record.samplesPerSec = header.samplesPerSec;
    record.channels = header.channels;
    record.bitsPerSample = header.bitsPerSample;
    record.avgBytesPerSec = header.avgBytesPerSec;
    record.flags |= VFI_RATE | VFI_CHANNELS;
    // Opus has no sample width; its data rate, like FLAC's, follows from
    // the size and the length, once the length is known.
    if (header.container != AudioContainer::Ogg)
        record.flags |= VFI_BITS;
    if (header.container == AudioContainer::Wav || header.avgBytesPerSec != 0)
        record.flags |= VFI_AVGBYTES;
    if (header.lengthKnown) {
        record.flags |= VFI_LENGTH;
        record.lengthMs = header.lengthMs;
    }
    unfinished = header.container == AudioContainer::Wav ? header.riffSizeZero : header.unfinished;
    return 1;
}

struct FileTimes {
    bool known = false;
    uint64_t size = 0;
    int64_t time = 0;
    uint32_t nanoseconds = 0;
    uint32_t mode = 0;
};

FileTimes StatOf(const std::string& path)
{
    // Links are followed: what counts is what an open would reach.
    struct statx sx {};
    FileTimes t;
    t.known = ::statx(AT_FDCWD, path.c_str(), 0, STATX_TYPE | STATX_SIZE | STATX_BTIME | STATX_MTIME, &sx) == 0;
    if (!t.known)
        return t;
    t.mode = sx.stx_mode;
    t.size = sx.stx_size;
    const bool birth = sx.stx_mask & STATX_BTIME;
    t.time = birth ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
    t.nanoseconds = birth ? sx.stx_btime.tv_nsec : sx.stx_mtime.tv_nsec;
    return t;
}

} // namespace

CRecordingFolder::CRecordingFolder(std::string folder)
    : m_folder(std::move(folder))
{
}

bool CRecordingFolder::MatchesWavPattern(const char* name)
{
    return HasRecordingExtension(name);
}

int CRecordingFolder::ReadFileFormat(VoiceFileInfo& record)
{
    bool unfinished = false;
    return ReadInto(record, unfinished, nullptr);
}

int CRecordingFolder::ReadFileFormat(VoiceFileInfo& record, bool& sizesZero)
{
    return ReadInto(record, sizesZero, nullptr);
}

int CRecordingFolder::ReadFileFormat(VoiceFileInfo& record, bool& unfinished, std::string* reason)
{
    return ReadInto(record, unfinished, reason);
}

CRecordingFolder::EntryKind CRecordingFolder::KindOf(uint32_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    return EntryKind::Special;
}

std::vector<RecordingFileEntry> CRecordingFolder::List() const { return List(nullptr); }

std::vector<RecordingFileEntry> CRecordingFolder::List(std::vector<UnreadableFile>* unreadable) const
{
    std::vector<RecordingFileEntry> entries;
    std::vector<UnreadableFile> failed;
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

        const FileTimes times = StatOf(entry.record.path);
        if (times.known && KindOf(times.mode) == EntryKind::Special)
            continue;
        // A folder named like a recording, or a file gone since the search,
        // is left to the reader, which says why it cannot be read.
        bool unfinished = false;
        std::string reason;
        if (!ReadInto(entry.record, unfinished, unreadable ? &reason : nullptr)) {
            if (unreadable)
                failed.push_back({entry.name, reason});
            continue;
        }
        // The program's own WAV recordings cut off by a crash are listed
        // with their true length; nothing else is ever written to.
        if (unfinished && !IsContainerFormatTag(entry.record.formatTag))
            CRecordingRepair::RepairIfOwnUnfinished(entry.record.path);

        entry.size = times.size;
        entry.time = times.time;
        entry.timeNanoseconds = times.nanoseconds;
        entry.record.flags |= VFI_DURATION;
        entry.record.duration = IsContainerFormatTag(entry.record.formatTag)
                                    ? uint32_t(std::min<uint64_t>(entry.record.lengthMs / 1000, UINT32_MAX))
                                    : DurationSeconds(entry.size, entry.record.avgBytesPerSec);
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    // Oldest recording first: the directory's own order means nothing.
    std::sort(entries.begin(), entries.end(), Earlier);
    if (unreadable) {
        std::sort(failed.begin(), failed.end(),
                  [](const UnreadableFile& a, const UnreadableFile& b) { return a.name < b.name; });
        unreadable->insert(unreadable->end(), failed.begin(), failed.end());
    }
    return entries;
}

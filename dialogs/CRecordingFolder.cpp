#include "CRecordingFolder.h"

#include "engine/CRecordingRepair.h"
#include "engine/CWavFile.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>

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
    CWavFile file;
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
    return 1;
}

std::vector<RecordingFileEntry> CRecordingFolder::List() const
{
    std::vector<RecordingFileEntry> entries;
    // Recordings cut off by a crash are listed with their true length.
    CRecordingRepair::RepairFolder(m_folder);
    DIR* dir = ::opendir(m_folder.empty() ? "." : m_folder.c_str());
    if (!dir)
        return entries;
    while (const dirent* found = ::readdir(dir)) {
        if (!MatchesWavPattern(found->d_name))
            continue;
        RecordingFileEntry entry;
        entry.name = found->d_name;
        entry.record.path = m_folder + entry.name;
        entry.record.flags = VFI_PATH;

        struct statx sx {};
        if (::statx(AT_FDCWD, entry.record.path.c_str(), 0, STATX_SIZE | STATX_BTIME | STATX_MTIME, &sx) != 0)
            sx = {};
        if (!ReadFileFormat(entry.record))
            continue; // the reader has reported why

        entry.size = sx.stx_size;
        const bool birth = sx.stx_mask & STATX_BTIME;
        entry.time = birth ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
        entry.timeNanoseconds = birth ? sx.stx_btime.tv_nsec : sx.stx_mtime.tv_nsec;
        entry.record.flags |= VFI_DURATION;
        entry.record.duration = DurationSeconds(entry.size, entry.record.avgBytesPerSec);
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The recordings of one category folder as the manager lists them: every
// "*.wav", "*.opus" and "*.flac" entry with its size, its time and the format
// and length that the header reader finds in it. Reading the disk lives here, away from any widget; the
// manager's dialog only turns these entries into rows.
#include "library/VoiceFileInfo.h"

#include <cstdint>
#include <string>
#include <vector>

struct RecordingFileEntry {
    std::string name;     // the file name's own bytes, without the folder
    uint64_t size = 0;    // bytes
    int64_t time = 0;     // seconds since the epoch: creation where the file system keeps it, else modification
    uint32_t timeNanoseconds = 0;
    VoiceFileInfo record; // path, format and duration; flags say which hold values
};

// A file named like a recording that the header reader could not read.
struct UnreadableFile {
    std::string name;   // the file name's own bytes, without the folder
    std::string reason; // the reader's English text
};

class CRecordingFolder {
public:
    // `folder` ends in the separator (or is empty for the working folder), as
    // GetCategoryFolder gives it.
    explicit CRecordingFolder(std::string folder);

    const std::string& Folder() const { return m_folder; }

    // Lists the folder's recordings, oldest first (by the time above, then
    // by name). FIFOs, sockets and devices named like recordings are left
    // out without being opened. A file the reader cannot read (a folder
    // named like a recording among them) has been reported in a message box
    // and is left out. The program's own recordings that a crash left unfinished
    // are repaired on the way; no other file is written to.
    std::vector<RecordingFileEntry> List() const;
    // The same, but when `unreadable` is given no message box is shown: each
    // file the reader cannot read is appended there with its reason instead
    // (in the order of the listing, by name).
    std::vector<RecordingFileEntry> List(std::vector<UnreadableFile>* unreadable) const;

    // Reads the format header (and length) of the file at record.path into
    // the record. Returns 1 when the reader read it, else 0 after a message
    // box with the reader's reason.
    static int ReadFileFormat(VoiceFileInfo& record);
    // The same, also telling whether the file is unfinished (a WAV's RIFF
    // size still 0, a FLAC without its sample count, an Ogg stream not ended).
    static int ReadFileFormat(VoiceFileInfo& record, bool& unfinished);
    // The same; with `reason` given no box is shown and the reason lands there.
    static int ReadFileFormat(VoiceFileInfo& record, bool& unfinished, std::string* reason);

    enum class EntryKind { File, Folder, Special };
    // What a file mode (st_mode) names: Special for FIFOs, sockets and devices.
    static EntryKind KindOf(uint32_t mode);
    // The directory search's "*.wav", "*.opus" and "*.flac", which match
    // without regard to case.
    static bool MatchesWavPattern(const char* name);

private:
    std::string m_folder;
};

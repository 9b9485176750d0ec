// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Repairs recordings of this program that never reached their end (the
// program was killed, the machine lost power): a WAV's RIFF and data sizes
// are still 0 while audio follows the header; a FLAC file lacks its sample
// count and may end in a torn frame; an Ogg Opus stream lacks its last page's
// end-of-stream flag and may end in a torn page. Only files in the writer's
// own layout, and for Ogg and FLAC only under a recording's name, are ever
// written to; anything else is left byte for byte as it is.
#include <cstdint>
#include <string>

enum class RepairResult {
    NotNeeded, // a finished file, nothing after the header, or one to leave alone now
    Repaired,  // sizes written: the data size counts the whole blocks present
    NotWav,    // not a file in this program's layout (or name, for Ogg and FLAC): left alone
    Failed,    // the file could not be read or written
};

// The size of the file behind fd, where it is a regular file. Otherwise false,
// with `refusal` what a repair gives back: Failed where fstat fails, NotWav for
// anything but a regular file.
bool RepairableSize(int fd, uint64_t& size, RepairResult& refusal);

class CRecordingRepair {
public:
    // Repairs a file known to be one of the program's recordings (the journal
    // of recordings in progress names it). A WAV header must be the writer's
    // layout (with the old empty or the four-byte fact chunk); only the size
    // fields and the fact chunk's sample count change. An Ogg Opus or FLAC
    // file must also bear a recording's name (COggRepair, CFlacRepair).
    static RepairResult Repair(const std::string& path);
    // Repairs a listed file only when the program wrote it and left it
    // unfinished: its name follows the recordings' pattern, its header is the
    // writer's WAV layout with both sizes 0, it has not changed for two seconds,
    // and no recorder of this process is writing it. Otherwise nothing is
    // written; Ogg and FLAC files are left to the journal's repair.
    static RepairResult RepairIfOwnUnfinished(const std::string& path);
    // RepairIfOwnUnfinished for every *.wav, *.opus and *.flac of a folder (not its
    // sub-folders), except `skip`. Returns the number of files repaired.
    static int RepairFolder(const std::string& folder, const std::string& skip = std::string());
    // True for a name as the program gives its recordings ("07-Dec-2026_65525.wav",
    // or with ".opus" or ".flac").
    static bool IsRecordingName(const std::string& fileName);
};

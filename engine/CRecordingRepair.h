#pragma once
// Finds recordings that never reached their end (the program was killed, the
// machine lost power) and repairs them in place: their RIFF and data sizes are
// still 0, or point past the end of the file, while audio follows the header.
#include <cstdint>
#include <string>

enum class RepairResult {
    NotNeeded, // a finished file, or nothing after the header
    Repaired,  // sizes written: the data size counts the whole blocks present
    NotWav,    // not a RIFF/WAVE file this program can read: left alone
    Failed,    // the file could not be read or written
};

class CRecordingRepair {
public:
    // Checks one file and repairs it when needed. Only the two size fields change.
    static RepairResult Repair(const std::string& path);
    // Repairs every *.wav in a folder (not its sub-folders), except `skip` and
    // files this process is writing. Returns the number of files repaired.
    static int RepairFolder(const std::string& folder, const std::string& skip = std::string());
};

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The journal of recordings in progress: a small file in the user's state
// folder ($XDG_STATE_HOME/vellory/, by default ~/.local/state/vellory/) that
// names every recording between the start of its capture and its finished
// file. After a crash the next start repairs exactly the files it names, so
// start-up never has to look at every recording there is.
#include <string>
#include <vector>

class CRecordingJournal {
public:
    // The state folder, with a trailing '/'. Not created here.
    static std::string Folder();
    // The journal file itself.
    static std::string FilePath();

    // Notes a recording about to start. The entry is on the disk when this
    // returns true (written to a temporary file, synced, renamed over the old).
    static bool Add(const std::string& path);
    // Removes a finished recording's entry.
    static bool Remove(const std::string& path);
    // The recordings named, oldest first (absolute paths).
    static std::vector<std::string> Entries();

    // At start-up: repairs every file the journal names (except one this
    // process is writing), then removes their entries. Returns the number of
    // files repaired.
    static int RepairListed();

    // The absolute form in which a path is kept.
    static std::string Absolute(const std::string& path);
};

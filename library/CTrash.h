// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The user's trash as desktops keep it (the freedesktop.org trash layout):
// a file moved there keeps a ".trashinfo" note of where it came from and
// when, so the desktop's trash can put it back. The home trash lies in
// $XDG_DATA_HOME/Trash (~/.local/share/Trash); a file on another file system
// goes to that file system's own $topdir/.Trash/$uid or $topdir/.Trash-$uid.
#include <string>

class CTrash {
public:
    enum class Result {
        Moved,   // the file is in the trash
        NoTrash, // no trash can take this file: it is where it was
        Failed,  // the move failed: the file is where it was, `error` says why
    };

    // Moves one file (or link) to the trash. `trashedPath`, when given,
    // receives its new path on success.
    static Result MoveToTrash(const std::string& path, int& error, std::string* trashedPath = nullptr);

    // The home trash folder from the environment ($XDG_DATA_HOME, else
    // $HOME/.local/share), or empty when neither names an absolute folder.
    static std::string HomeTrash();
    // A path written into the info file: bytes other than letters, digits,
    // "-._~" and "/" as %XX.
    static std::string EncodePath(const std::string& path);
};

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The folder of the panel's socket and lock. Whoever can reach the socket can
// command the panel, so it must be the user's own and closed to everyone
// else: XDG_RUNTIME_DIR (one per user and login session) when it is such a
// folder, otherwise a private folder of the user's in the temporary folder.
// Plain C++: the command line asks a running panel before Qt starts.
#include <string>

class CRuntimeFolder {
public:
    // The folder, or an empty string (and why) when no private one is to be had.
    static std::string Path(std::string* why = nullptr);
    // A real folder (not a link) owned by this user that nobody else may enter.
    static bool IsPrivate(const std::string& path);
};

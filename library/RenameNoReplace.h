// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Renames a file without ever replacing another one: used wherever a file of
// the user's gets a new name (the manager's rename, the move to the trash).
#include <string>

// 0 on success, else the error number; EEXIST when `to` is taken. On a file
// system without RENAME_NOREPLACE the target is checked just before a plain
// rename, which leaves a short race.
int RenameNoReplace(const std::string& from, const std::string& to);

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Where recordings live and what they are called: the four category folders
// under the root from the settings, and the names of new recordings.
#include "engine/RecordingFileType.h"

#include <chrono>
#include <functional>
#include <string>

// "Zer" for the unused month 0, then "Jan" to "Dec".
extern const char* const g_monthNames[13];

// Folder of a category (0 the root, n the root followed by "n/"), created on the way.
std::string GetCategoryFolder(int category);
// Full path of a new recording in the category's folder, named after the UTC
// day and the second of the day, with `extension` (RecordingExtension of the
// format's tag: ".wav", ".opus" or ".flac").
std::string MakeRecordingName(int category, const char* extension = ".wav");

// The clock used for recording names; tests pin it. An empty function restores
// the system clock.
void SetRecordingNameClock(std::function<std::chrono::system_clock::time_point()> clock);

// Start-up work on the recordings, before anything lists or plays them:
// repairs those a crash cut off and creates the four category folders.
void PrepareRecordings();

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "RecordingNames.h"

#include "common/Settings.h"
#include "engine/CRecordingJournal.h"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <sys/stat.h>

const char* const g_monthNames[13] = {"Zer", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

namespace {
std::mutex g_clockMutex;
std::function<std::chrono::system_clock::time_point()> g_clock;

std::chrono::system_clock::time_point Now()
{
    std::lock_guard lock(g_clockMutex);
    return g_clock ? g_clock() : std::chrono::system_clock::now();
}

// The root as used: with a trailing separator, so category 0 recordings land
// inside it. An empty root stays empty (the working folder).
std::string UsableRoot()
{
    std::string root = GetStoredRoot();
    if (!root.empty() && root.back() != '/')
        root += '/';
    return root;
}

void MakeFolder(const std::string& path)
{
    if (!path.empty())
        // Recordings are personal: a folder made here is its owner's alone. An
        // existing folder keeps its mode. Failures surface where it is used.
        ::mkdir(path.c_str(), 0700);
}
} // namespace

std::string GetCategoryFolder(int category)
{
    const std::string root = UsableRoot();
    MakeFolder(root);
    if (category == 0)
        return root;
    const std::string folder = root + std::to_string(category) + "/";
    MakeFolder(folder);
    return folder;
}

std::string MakeRecordingName(int category, const char* extension)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(Now());
    std::tm utc{};
    gmtime_r(&t, &utc);
    const std::string folder = GetCategoryFolder(category);
    char name[64];
    std::snprintf(name, sizeof name, "%02d-%s-%d_%d%s", utc.tm_mday, g_monthNames[utc.tm_mon + 1],
                  utc.tm_year + 1900, utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec,
                  extension ? extension : ".wav");
    return folder + name;
}

void SetRecordingNameClock(std::function<std::chrono::system_clock::time_point()> clock)
{
    std::lock_guard lock(g_clockMutex);
    g_clock = std::move(clock);
}

void PrepareRecordings()
{
    // Recordings cut off by a crash or a power loss get their sizes back
    // before anything lists or plays them: exactly those the journal of
    // recordings in progress still names, however many recordings exist.
    CRecordingJournal::RepairListed();
    for (int category = 0; category <= 3; ++category)
        GetCategoryFolder(category); // made now, so that the manager finds them
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CRecordingJournal.h"

#include "platform/riff/FdIo.h"

#include "engine/CRecordingRepair.h"
#include "engine/CWavFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One change at a time within the process; flock keeps other processes out.
std::mutex g_journalMutex;

// Creates the missing folders of `dir` (ending in '/'), private to the user.
bool MakeFolders(const std::string& dir)
{
    for (size_t pos = 1; pos < dir.size(); ++pos) {
        if (dir[pos] != '/')
            continue;
        const std::string part = dir.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// Entries are kept NUL-terminated: a path may hold any byte but NUL.
std::vector<std::string> ReadEntries(const std::string& file)
{
    std::vector<std::string> entries;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return entries;
    struct stat st {};
    std::string data;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            data.append(buf, size_t(n));
        }
    }
    ::close(fd);
    size_t start = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] != '\0')
            continue;
        if (i > start)
            entries.push_back(data.substr(start, i - start));
        start = i + 1;
    }
    // A last entry without its NUL was cut off while being written: ignored.
    return entries;
}


// Replaces the journal in one step: a crash leaves the old or the new one.
bool WriteEntries(const std::string& folder, const std::string& file, const std::vector<std::string>& entries)
{
    if (entries.empty()) {
        if (::unlink(file.c_str()) != 0 && errno != ENOENT)
            return false;
    } else {
        std::string data;
        for (const auto& e : entries)
            data += e + '\0';
        const std::string temp = file + ".new";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return false;
        const bool ok = WriteFully(fd, data) && ::fsync(fd) == 0;
        if (::close(fd) != 0 || !ok || ::rename(temp.c_str(), file.c_str()) != 0) {
            ::unlink(temp.c_str());
            return false;
        }
    }
    const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

// Holds the process mutex and the journal's lock file for one change.
class JournalLock {
public:
    JournalLock()
        : m_lock(g_journalMutex)
    {
        m_folder = CRecordingJournal::Folder();
        if (!MakeFolders(m_folder))
            return;
        m_fd = ::open((m_folder + "recordings.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~JournalLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the flock
    }
    bool Held() const { return m_fd >= 0; }
    const std::string& Folder() const { return m_folder; }

private:
    std::lock_guard<std::mutex> m_lock;
    std::string m_folder;
    int m_fd = -1;
};

} // namespace

std::string CRecordingJournal::Folder()
{
    std::string base;
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        std::string h = home && home[0] ? home : "";
        if (h.empty()) {
            if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
                h = pw->pw_dir;
        }
        base = h + "/.local/state";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/vellory/";
}

std::string CRecordingJournal::FilePath() { return Folder() + "recordings"; }

std::string CRecordingJournal::Absolute(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd))
        return path;
    return std::string(cwd) + "/" + path;
}

bool CRecordingJournal::Add(const std::string& path)
{
    JournalLock lock;
    if (!lock.Held())
        return false;
    const std::string file = lock.Folder() + "recordings";
    auto entries = ReadEntries(file);
    const std::string abs = Absolute(path);
    if (std::find(entries.begin(), entries.end(), abs) != entries.end())
        return true;
    entries.push_back(abs);
    return WriteEntries(lock.Folder(), file, entries);
}

bool CRecordingJournal::Remove(const std::string& path)
{
    JournalLock lock;
    if (!lock.Held())
        return false;
    const std::string file = lock.Folder() + "recordings";
    auto entries = ReadEntries(file);
    const std::string abs = Absolute(path);
    const auto before = entries.size();
    entries.erase(std::remove(entries.begin(), entries.end(), abs), entries.end());
    if (entries.size() == before)
        return true;
    return WriteEntries(lock.Folder(), file, entries);
}

std::vector<std::string> CRecordingJournal::Entries()
{
    std::lock_guard lock(g_journalMutex);
    return ReadEntries(FilePath());
}

int CRecordingJournal::RepairListed()
{
    JournalLock lock;
    if (!lock.Held())
        return 0;
    const std::string file = lock.Folder() + "recordings";
    const auto entries = ReadEntries(file);
    if (entries.empty())
        return 0;
    std::vector<std::string> kept;
    int repaired = 0;
    for (const auto& path : entries) {
        if (CWavFile::IsBeingWritten(path)) {
            kept.push_back(path);
            continue;
        }
        const RepairResult result = CRecordingRepair::Repair(path);
        if (result == RepairResult::Repaired)
            ++repaired;
        // A file that exists but could not be repaired now (a share not
        // mounted yet, a read error) is tried again at the next start.
        if (result == RepairResult::Failed && ::access(path.c_str(), F_OK) == 0)
            kept.push_back(path);
    }
    WriteEntries(lock.Folder(), file, kept);
    return repaired;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CTrash.h"

#include "library/RenameNoReplace.h"
#include "platform/riff/FdIo.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ParentOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Absolute(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd)
        return path;
    std::string result = std::string(cwd) + "/" + path;
    std::free(cwd);
    return result;
}

// The device of a path, or of its nearest existing parent folder.
bool DeviceOf(std::string path, dev_t& device)
{
    for (;;) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            device = st.st_dev;
            return true;
        }
        if (path == "/" || path == ".")
            return false;
        path = ParentOf(path);
    }
}

// The top folder of the file system that holds `folder` (its mount point).
std::string TopFolderOf(std::string folder, dev_t device)
{
    while (folder != "/") {
        const std::string parent = ParentOf(folder);
        struct stat st {};
        if (::stat(parent.c_str(), &st) != 0 || st.st_dev != device)
            break;
        folder = parent;
    }
    return folder;
}

// mkdir -p with owner-only access for the folders it creates.
bool MakeFolders(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (path != "/" && path != "." && !MakeFolders(ParentOf(path)))
        return false;
    if (::mkdir(path.c_str(), 0700) == 0)
        return true;
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool UsableTrash(const std::string& trash)
{
    return MakeFolders(trash + "/files") && MakeFolders(trash + "/info");
}

// The trash for a file on a file system other than the home trash's, or empty.
std::string TopTrash(const std::string& top)
{
    const std::string uid = std::to_string(::getuid());
    const std::string base = top == "/" ? "" : top;
    // An administrator's shared .Trash counts only when it is a real folder
    // with the sticky bit, never a link.
    struct stat st {};
    if (::lstat((base + "/.Trash").c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const std::string trash = base + "/.Trash/" + uid;
        if (UsableTrash(trash))
            return trash;
    }
    const std::string trash = base + "/.Trash-" + uid;
    if (::lstat(trash.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        return {};
    if (::mkdir(trash.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    if (::lstat(trash.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    return UsableTrash(trash) ? trash : std::string();
}
} // namespace

std::string CTrash::HomeTrash()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share/Trash";
    return {};
}

std::string CTrash::EncodePath(const std::string& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

CTrash::Result CTrash::MoveToTrash(const std::string& givenPath, int& error, std::string* trashedPath)
{
    error = 0;
    const std::string path = Absolute(givenPath);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        error = errno;
        return Result::Failed;
    }

    // The home trash when it lies on the file's file system, else that file
    // system's own trash; a file is never copied across file systems.
    std::string trash;
    std::string infoPath = path; // absolute, or relative to the top folder
    const std::string home = HomeTrash();
    dev_t homeDevice{};
    if (!home.empty() && DeviceOf(home, homeDevice) && homeDevice == st.st_dev) {
        if (UsableTrash(home))
            trash = home;
    } else {
        const std::string top = TopFolderOf(ParentOf(path), st.st_dev);
        trash = TopTrash(top);
        if (!trash.empty() && top != "/")
            infoPath = path.substr(top.size() + 1);
    }
    if (trash.empty())
        return Result::NoTrash;

    // The note comes first, created exclusively, so two files of one name
    // never share it; it goes again if the move fails.
    // A second file of one name becomes "name.1.wav" (or "name.1.opus",
    // "name.1.flac"): the extension stays last.
    const std::string name = NameOf(path);
    const size_t dot = name.find_last_of('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string extension = stem.size() == name.size() ? std::string() : name.substr(dot);
    std::string trashedName;
    std::string info;
    int fd = -1;
    for (int counter = 0; fd < 0; ++counter) {
        if (counter > 10000) {
            error = EEXIST;
            return Result::Failed;
        }
        trashedName = counter == 0 ? name : stem + "." + std::to_string(counter) + extension;
        info = trash + "/info/" + trashedName + ".trashinfo";
        struct stat taken {};
        if (::lstat((trash + "/files/" + trashedName).c_str(), &taken) == 0)
            continue;
        fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) {
            error = errno;
            return Result::Failed;
        }
    }

    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string text = "[Trash Info]\nPath=" + EncodePath(infoPath) + "\nDeletionDate=" + date + "\n";
    bool written = WriteFully(fd, text);
    int writeError = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        writeError = errno;
    }
    if (!written) {
        ::unlink(info.c_str());
        error = writeError ? writeError : EIO;
        return Result::Failed;
    }

    const std::string target = trash + "/files/" + trashedName;
    if (const int renameError = RenameNoReplace(path, target); renameError != 0) {
        ::unlink(info.c_str());
        error = renameError;
        return Result::Failed;
    }
    if (trashedPath)
        *trashedPath = target;
    return Result::Moved;
}

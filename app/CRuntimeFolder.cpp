// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CRuntimeFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

bool CRuntimeFolder::IsPrivate(const std::string& path)
{
    struct stat st {};
    return !path.empty() && path[0] == '/' && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

std::string CRuntimeFolder::Path(std::string* why)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        std::string path = runtime;
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        if (IsPrivate(path))
            return path;
    }
    // No runtime folder (a plain su, some containers), or one that others
    // could reach: a folder of our own, made closed, and refused if anyone
    // else made it first.
    const char* tmp = std::getenv("TMPDIR");
    std::string fallback = (tmp && *tmp == '/') ? tmp : "/tmp";
    fallback += "/vellory-" + std::to_string(::getuid());
    if (::mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) {
        if (why)
            *why = fallback + ": " + std::strerror(errno);
        return {};
    }
    if (!IsPrivate(fallback)) {
        if (why)
            *why = fallback + " is not a private folder of this user";
        return {};
    }
    return fallback;
}

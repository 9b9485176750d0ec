// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Libraries the program needs only once it records, converts or plays are
// loaded on their first use instead of at start-up: see FfmpegOnDemand.cpp
// and PulseOnDemand.cpp, which define the functions the program calls, each
// forwarding to the library's own.
//
// Such a library may be missing or broken on a system where the panel itself
// starts fine (its package removed, a damaged file). That must cost the one
// action that needs it, not the process: every entry point of a backend first
// calls its group's Load...OnDemand below and, when that fails, returns its
// layer's "library missing" code; the text for the user is then
// LastMissingLibraryText().
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>

namespace load_on_demand_detail {
struct State {
    std::mutex mutex;
    std::map<std::string, void*> handles; // loaded libraries only
    std::string lastMissing;              // user text of the latest failed group load
};
inline State& Shared()
{
    static State state;
    return state;
}

// Mutex held. A failed load is not remembered: the package may be installed
// while the program runs, and the next attempt should then succeed.
inline void* Load(State& s, const char* soname, std::string& error)
{
    void*& handle = s.handles[soname];
    if (!handle) {
        handle = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* reason = ::dlerror();
            error = reason ? reason : "unknown error";
            s.handles.erase(soname);
            return nullptr;
        }
    }
    return handle;
}
} // namespace load_on_demand_detail

// The Debian package that ships `soname`, by the naming rule for shared
// library packages: the name before ".so." and the major version after it,
// joined by a hyphen when the name ends in a digit (libpulse.so.0 -> libpulse0).
inline std::string PackageForSoname(const std::string& soname)
{
    const size_t so = soname.find(".so.");
    if (so == std::string::npos || so == 0)
        return soname;
    std::string name = soname.substr(0, so);
    const std::string major = soname.substr(so + 4, soname.find('.', so + 4) - (so + 4));
    if (name.back() >= '0' && name.back() <= '9')
        name += '-';
    return name + major;
}

// What the user reads when `soname`, a `what` ("sound server library"),
// cannot be loaded for `reason`.
inline std::string MissingLibraryText(const char* what, const std::string& soname, const std::string& reason)
{
    return std::string("The ") + what + " " + soname + " could not be loaded: " + reason +
           ".\nInstall the package " + PackageForSoname(soname) + " and try again.";
}

// Loads `soname` unless it is loaded already. On failure `error` holds the
// loader's reason ("... cannot open shared object file: ..."). Never aborts.
inline bool LoadLibraryOnDemand(const char* soname, std::string& error)
{
    auto& s = load_on_demand_detail::Shared();
    std::lock_guard lock(s.mutex);
    return load_on_demand_detail::Load(s, soname, error) != nullptr;
}

// Loads the libraries of a group in order (dependencies first, so that the
// first failure names the library at fault). On failure LastMissingLibraryText
// tells the user about it.
inline bool LoadLibrariesOnDemand(const char* what, std::initializer_list<const char*> sonames)
{
    auto& s = load_on_demand_detail::Shared();
    std::lock_guard lock(s.mutex);
    for (const char* soname : sonames) {
        std::string error;
        if (!load_on_demand_detail::Load(s, soname, error)) {
            s.lastMissing = MissingLibraryText(what, soname, error);
            return false;
        }
    }
    return true;
}

// The text for the latest group that could not be loaded ("" if none failed).
inline std::string LastMissingLibraryText()
{
    auto& s = load_on_demand_detail::Shared();
    std::lock_guard lock(s.mutex);
    return s.lastMissing;
}

// Each loads its group now, on the calling thread; false when one of its
// libraries cannot be loaded. Defined beside the group's forwarders.
bool LoadPulseOnDemand();  // libpulse (pulse/PulseOnDemand.cpp)
bool LoadFfmpegOnDemand(); // libavutil, libswresample, libavcodec, libavformat (codecs/FfmpegOnDemand.cpp)

// The library's own definition of `name`. Every entry point has loaded the
// library before any forwarder runs, so a failure here is a missed check: no
// sensible value can be returned for an arbitrary function, so it stops the
// process, saying why.
inline void* ResolveOnDemand(const char* soname, const char* name)
{
    auto& s = load_on_demand_detail::Shared();
    std::lock_guard lock(s.mutex);
    std::string error;
    void* handle = load_on_demand_detail::Load(s, soname, error);
    if (!handle) {
        std::fprintf(stderr, "vellory: %s called before its library was loaded: cannot load %s: %s\n", name, soname,
                     error.c_str());
        std::abort();
    }
    void* symbol = ::dlsym(handle, name);
    if (!symbol) {
        std::fprintf(stderr, "vellory: %s has no %s\n", soname, name);
        std::abort();
    }
    return symbol;
}

// Defines `name` as a forwarder to the same function of `soname`; it resolves
// its target once, later calls cost one indirect jump.
#define VELLORY_FORWARD(soname, result, name, params, args)                                                   \
    result name params                                                                                        \
    {                                                                                                         \
        static const auto real = reinterpret_cast<decltype(&name)>(ResolveOnDemand(soname, #name));            \
        return real args;                                                                                     \
    }

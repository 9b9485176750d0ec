#pragma once
// Libraries the program needs only once it records, converts or plays are
// loaded on their first use instead of at start-up: see FfmpegOnDemand.cpp
// and PulseOnDemand.cpp, which define the functions the program calls, each
// forwarding to the library's own.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

// The library's own definition of `name`. A library that cannot be loaded is
// as fatal as it was when the loader refused to start the program without it.
inline void* ResolveOnDemand(const char* soname, const char* name)
{
    static std::mutex mutex;
    static std::map<std::string, void*> handles;
    std::lock_guard lock(mutex);
    void*& handle = handles[soname];
    if (!handle) {
        handle = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            std::fprintf(stderr, "vellory: cannot load %s: %s\n", soname, ::dlerror());
            std::abort();
        }
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

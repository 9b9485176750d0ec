#include "WaveInFactory.h"

#include "platform/CPulseWaveIn.h"
#include "platform/CVirtualWaveIn.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {
std::mutex g_factoryMutex;
WaveInFactory g_factory;

uint32_t OpenFromEnvironment(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                             void* instance)
{
    const char* audio = std::getenv("VELLORY_AUDIO");
    if (!audio || !*audio || std::strcmp(audio, "pulse") == 0)
        return CPulseWaveIn::Open(device, format, proc, instance);
    if (std::strcmp(audio, "virtual") != 0) {
        std::fprintf(stderr, "vellory: VELLORY_AUDIO must be \"pulse\" or \"virtual\", not \"%s\"\n", audio);
        return WAVEIN_NODRIVER;
    }
    VirtualWaveInConfig config;
    std::string error;
    if (!ParseVirtualWaveInConfig(std::getenv("VELLORY_VIRTUAL_INPUT"), std::getenv("VELLORY_VIRTUAL_SPEED"),
                                  std::getenv("VELLORY_VIRTUAL_FAIL"), std::getenv("VELLORY_VIRTUAL_VANISH"), config,
                                  error)) {
        std::fprintf(stderr, "vellory: %s\n", error.c_str());
        return WAVEIN_INVALPARAM;
    }
    return CVirtualWaveIn::Open(device, format, proc, instance, config);
}
} // namespace

uint32_t OpenWaveIn(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc, void* instance)
{
    WaveInFactory factory;
    {
        std::lock_guard lock(g_factoryMutex);
        factory = g_factory;
    }
    if (factory)
        return factory(device, format, proc, instance);
    return OpenFromEnvironment(device, format, proc, instance);
}

void SetWaveInFactory(WaveInFactory factory)
{
    std::lock_guard lock(g_factoryMutex);
    g_factory = std::move(factory);
}

#include "ConversionStream.h"

#include <mutex>

namespace {
std::mutex g_factoryMutex;
ConversionStreamFactory g_factory;
} // namespace

uint32_t OpenFfmpegConversionStream(const WAVEFORMATEX& source, const FormatBlock& destination,
                                    std::unique_ptr<IConversionStream>& stream);

uint32_t OpenConversionStream(const WAVEFORMATEX& source, const FormatBlock& destination,
                              std::unique_ptr<IConversionStream>& stream)
{
    ConversionStreamFactory factory;
    {
        std::lock_guard lock(g_factoryMutex);
        factory = g_factory;
    }
    if (factory)
        return factory(source, destination, stream);
    return OpenFfmpegConversionStream(source, destination, stream);
}

void SetConversionStreamFactory(ConversionStreamFactory factory)
{
    std::lock_guard lock(g_factoryMutex);
    g_factory = std::move(factory);
}

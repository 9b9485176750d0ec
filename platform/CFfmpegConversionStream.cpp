// Placeholder until the FFmpeg encoders are wired in: no codec is offered.
#include "ConversionStream.h"

uint32_t OpenFfmpegConversionStream(const WAVEFORMATEX&, const FormatBlock&, std::unique_ptr<IConversionStream>&)
{
    return ACMERR_NOTPOSSIBLE;
}

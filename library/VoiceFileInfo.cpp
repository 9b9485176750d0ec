// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "VoiceFileInfo.h"

#include <limits>

uint32_t DurationSeconds(uint64_t fileSize, uint32_t avgBytesPerSec)
{
    if (avgBytesPerSec == 0)
        return 0; // a header without a data rate has no defined length
    const uint64_t seconds = fileSize / avgBytesPerSec;
    return seconds > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                           : uint32_t(seconds);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Conversion streams: 16-bit PCM in, the bytes of a chosen wave format out.
// Result codes are those of the compression manager: 0 success, 5 invalid
// handle, 7 no resources, 10 invalid flag, 11 invalid parameter, 512 not possible.
#include "platform/WaveFormat.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

constexpr uint32_t ACMERR_OK = 0;
constexpr uint32_t MMSYSERR_INVALHANDLE = 5;
constexpr uint32_t MMSYSERR_NOMEM = 7;
constexpr uint32_t MMSYSERR_INVALFLAG = 10;
constexpr uint32_t MMSYSERR_INVALPARAM = 11;
constexpr uint32_t ACMERR_NOTPOSSIBLE = 512;
constexpr uint32_t ACMERR_CANCELED = 515;
constexpr uint32_t ACMERR_NOLIBRARY = 516; // the codec library cannot be loaded (LastMissingLibraryText)

class IConversionStream {
public:
    virtual ~IConversionStream() = default;
    // Upper bound of the output bytes that converting srcBytes of PCM may produce.
    virtual bool OutputSize(uint32_t srcBytes, uint32_t& dstBytes) = 0;
    // Converts one block as a continuation of the stream, appending to out.
    // Samples that do not fill a whole codec frame are kept for the next call.
    virtual bool Convert(const uint8_t* src, uint32_t srcBytes, std::vector<uint8_t>& out) = 0;
    // Ends the stream: encodes what is kept (padded with silence) and drains
    // the encoder, appending to out.
    virtual bool Finish(std::vector<uint8_t>& out) = 0;
};

// Opens a stream from `source` (PCM, 16 bits) to `destination` (18 + cbSize bytes).
using ConversionStreamFactory = std::function<uint32_t(const WAVEFORMATEX& source, const FormatBlock& destination,
                                                       std::unique_ptr<IConversionStream>& stream)>;

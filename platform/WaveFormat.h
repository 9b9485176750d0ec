// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The audio format record stored verbatim as the "fmt " chunk: 18 bytes,
// little-endian, followed by cbSize extra bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#pragma pack(push, 2)
struct WAVEFORMATEX {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX must be 18 bytes");

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_ADPCM = 2;
constexpr uint16_t WAVE_FORMAT_ALAW = 6;
constexpr uint16_t WAVE_FORMAT_MULAW = 7;
constexpr uint16_t WAVE_FORMAT_IMA_ADPCM = 0x11;
constexpr uint16_t WAVE_FORMAT_GSM610 = 0x31;
constexpr uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x55;
// Not RIFF formats: a block with one of these tags stands for an Ogg Opus
// file (.opus) or a native FLAC file (.flac), written through a muxer.
constexpr uint16_t WAVE_FORMAT_OPUS = 0x704F;
constexpr uint16_t WAVE_FORMAT_FLAC = 0xF1AC;

// True for the tags whose files are containers of their own, not RIFF/WAVE.
inline bool IsContainerFormatTag(uint16_t tag) { return tag == WAVE_FORMAT_OPUS || tag == WAVE_FORMAT_FLAC; }

// A format block: the 18-byte record and its extra bytes, owned as bytes.
using FormatBlock = std::vector<uint8_t>;

inline size_t FormatBlockSize(const WAVEFORMATEX* wfx) { return sizeof(WAVEFORMATEX) + wfx->cbSize; }

inline FormatBlock MakeFormatBlock(const WAVEFORMATEX* wfx)
{
    const auto* p = reinterpret_cast<const uint8_t*>(wfx);
    return FormatBlock(p, p + FormatBlockSize(wfx));
}

inline WAVEFORMATEX MakePcmFormat(uint16_t channels, uint32_t rate, uint16_t bits)
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<uint16_t>(bits / 8 * channels);
    f.nAvgBytesPerSec = f.nBlockAlign * rate;
    f.cbSize = 0;
    return f;
}

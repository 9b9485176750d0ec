// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The formats offered for recording: per format tag a name and the complete
// formats (the 18-byte record and the extra bytes WAV readers expect), each
// with a one-line description for the format-choice dialog.
#include "platform/WaveFormat.h"

#include <cstdint>
#include <string>
#include <vector>

struct CatalogueFormat {
    FormatBlock block;       // 18 + cbSize bytes
    std::string description; // "22,050 Hz, 16 Bit, Mono  43 KB/s"
};

struct CatalogueTag {
    uint16_t tag = 0;
    std::string name; // "PCM", "IMA ADPCM", ...
    std::vector<CatalogueFormat> formats;
    // False where web browsers (Chromium's media stack among them) refuse the
    // files: the format dialog says so.
    bool playsInBrowsers = true;
};

class CFormatCatalogue {
public:
    // The catalogue of this system: only tags whose encoder is present.
    static const CFormatCatalogue& Instance();
    // Every tag with every format, whatever encoders are present.
    static CFormatCatalogue Build(bool onlyAvailable);

    const std::vector<CatalogueTag>& Tags() const { return m_tags; }
    size_t FormatCount() const;

    // Finds a format: the identical block if listed, else the closest format of
    // the same tag (rate, channels, bits, rate of bytes). False when the tag is
    // not listed; tagIndex/formatIndex are then 0.
    bool Find(const uint8_t* block, size_t size, int& tagIndex, int& formatIndex) const;

    static std::string TagName(uint16_t tag);
    // "22,050 Hz, 16 Bit, Mono  43 KB/s" and its kin for the other tags.
    static std::string Describe(const FormatBlock& block);

    static FormatBlock MakePcm(uint16_t channels, uint32_t rate, uint16_t bits);
    static FormatBlock MakeG711(uint16_t tag, uint16_t channels, uint32_t rate);
    static FormatBlock MakeImaAdpcm(uint16_t channels, uint32_t rate);
    static FormatBlock MakeMsAdpcm(uint16_t channels, uint32_t rate);
    static FormatBlock MakeGsm(uint32_t rate);
    static FormatBlock MakeMp3(uint16_t channels, uint32_t rate, uint32_t kbps);
    // An Ogg Opus file at 48 kHz with the given bit rate.
    static FormatBlock MakeOpus(uint16_t channels, uint32_t kbps);
    // A FLAC file of 16- or 24-bit samples.
    static FormatBlock MakeFlac(uint16_t channels, uint32_t rate, uint16_t bits);

private:
    std::vector<CatalogueTag> m_tags;
};

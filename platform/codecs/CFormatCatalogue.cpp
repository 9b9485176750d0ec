// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CFormatCatalogue.h"

#include "platform/LoadOnDemand.h"
#include "platform/codecs/CFfmpegContainerWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdlib>
#include <cstring>
#include <tuple>

namespace {

const uint32_t kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000};

constexpr int16_t kMsAdpcmCoef[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

void PutLe16(FormatBlock& b, uint16_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void PutLe32(FormatBlock& b, uint32_t v)
{
    PutLe16(b, uint16_t(v));
    PutLe16(b, uint16_t(v >> 16));
}

FormatBlock Header(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avg, uint16_t align, uint16_t bits,
                   uint16_t cbSize)
{
    WAVEFORMATEX f{};
    f.wFormatTag = tag;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.nAvgBytesPerSec = avg;
    f.nBlockAlign = align;
    f.wBitsPerSample = bits;
    f.cbSize = cbSize;
    const auto* p = reinterpret_cast<const uint8_t*>(&f);
    FormatBlock b(p, p + sizeof f);
    b.reserve(sizeof f + cbSize);
    return b;
}

// The ADPCM codecs' usual block: 256 bytes per channel, doubled per 11,025 Hz step.
uint16_t AdpcmBlockAlign(uint16_t channels, uint32_t rate)
{
    const uint32_t steps = rate / 11025 ? rate / 11025 : 1;
    return uint16_t(256 * channels * steps);
}

// Common bit rates per sampling rate (kbit/s): one lean, one rich.
std::vector<uint32_t> Mp3Bitrates(uint16_t channels, uint32_t rate)
{
    switch (rate) {
    case 8000: return channels == 1 ? std::vector<uint32_t>{8, 16} : std::vector<uint32_t>{16, 24};
    case 11025: return channels == 1 ? std::vector<uint32_t>{16, 24} : std::vector<uint32_t>{24, 32};
    case 16000: return channels == 1 ? std::vector<uint32_t>{24, 32} : std::vector<uint32_t>{32, 48};
    case 22050: return channels == 1 ? std::vector<uint32_t>{32, 56} : std::vector<uint32_t>{56, 64};
    case 32000: return channels == 1 ? std::vector<uint32_t>{48, 64} : std::vector<uint32_t>{96, 128};
    default: return channels == 1 ? std::vector<uint32_t>{64, 128} : std::vector<uint32_t>{128, 192};
    }
}

std::string Thousands(uint32_t n)
{
    std::string digits = std::to_string(n);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(size_t(i), ",");
    return digits;
}

// Without FFmpeg no encoder is present (and none may be asked for).
bool EncoderPresent(const char* name) { return LoadFfmpegOnDemand() && avcodec_find_encoder_by_name(name) != nullptr; }

} // namespace

FormatBlock CFormatCatalogue::MakePcm(uint16_t channels, uint32_t rate, uint16_t bits)
{
    const uint16_t align = uint16_t(channels * bits / 8);
    return Header(WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0);
}

FormatBlock CFormatCatalogue::MakeG711(uint16_t tag, uint16_t channels, uint32_t rate)
{
    return Header(tag, channels, rate, rate * channels, channels, 8, 0);
}

FormatBlock CFormatCatalogue::MakeImaAdpcm(uint16_t channels, uint32_t rate)
{
    const uint16_t align = AdpcmBlockAlign(channels, rate);
    const uint16_t samples = uint16_t((align - 4 * channels) * 8 / (4 * channels) + 1);
    FormatBlock b = Header(WAVE_FORMAT_IMA_ADPCM, channels, rate, uint32_t(uint64_t(rate) * align / samples), align,
                           4, 2);
    PutLe16(b, samples);
    return b;
}

FormatBlock CFormatCatalogue::MakeMsAdpcm(uint16_t channels, uint32_t rate)
{
    const uint16_t align = AdpcmBlockAlign(channels, rate);
    const uint16_t samples = uint16_t((align - 7 * channels) * 2 / channels + 2);
    FormatBlock b =
        Header(WAVE_FORMAT_ADPCM, channels, rate, uint32_t(uint64_t(rate) * align / samples), align, 4, 32);
    PutLe16(b, samples);
    PutLe16(b, 7);
    for (const auto& pair : kMsAdpcmCoef) {
        PutLe16(b, uint16_t(pair[0]));
        PutLe16(b, uint16_t(pair[1]));
    }
    return b;
}

FormatBlock CFormatCatalogue::MakeGsm(uint32_t rate)
{
    // 65-byte blocks of 320 samples (two 160-sample frames).
    FormatBlock b = Header(WAVE_FORMAT_GSM610, 1, rate, uint32_t(uint64_t(rate) * 65 / 320), 65, 0, 2);
    PutLe16(b, 320);
    return b;
}

FormatBlock CFormatCatalogue::MakeMp3(uint16_t channels, uint32_t rate, uint32_t kbps)
{
    // MPEG-1 frames carry 1152 samples, MPEG-2 and 2.5 frames 576.
    const uint32_t frameSamples = rate >= 32000 ? 1152 : 576;
    const uint32_t blockSize = frameSamples / 8 * kbps * 1000 / rate;
    FormatBlock b = Header(WAVE_FORMAT_MPEGLAYER3, channels, rate, kbps * 1000 / 8, 1, 0, 12);
    PutLe16(b, 1);     // wID: MPEG audio
    PutLe32(b, 2);     // fdwFlags: padding off
    PutLe16(b, uint16_t(blockSize));
    PutLe16(b, 1);     // nFramesPerBlock
    PutLe16(b, 1393);  // nCodecDelay
    return b;
}

FormatBlock CFormatCatalogue::MakeOpus(uint16_t channels, uint32_t kbps)
{
    // A bit rate and no fixed block, as for MP3.
    return Header(WAVE_FORMAT_OPUS, channels, 48000, kbps * 1000 / 8, 1, 0, 0);
}

FormatBlock CFormatCatalogue::MakeFlac(uint16_t channels, uint32_t rate, uint16_t bits)
{
    // The PCM it holds: FLAC's own rate varies with the sound, and never
    // passes this by more than its frame headers.
    const uint16_t align = uint16_t(channels * bits / 8);
    return Header(WAVE_FORMAT_FLAC, channels, rate, rate * align, align, bits, 0);
}

std::string CFormatCatalogue::TagName(uint16_t tag)
{
    switch (tag) {
    case WAVE_FORMAT_PCM: return "PCM";
    case WAVE_FORMAT_ALAW: return "CCITT A-Law";
    case WAVE_FORMAT_MULAW: return "CCITT u-Law";
    case WAVE_FORMAT_IMA_ADPCM: return "IMA ADPCM";
    case WAVE_FORMAT_ADPCM: return "Microsoft ADPCM";
    case WAVE_FORMAT_GSM610: return "GSM 6.10";
    case WAVE_FORMAT_MPEGLAYER3: return "MPEG Layer-3";
    case WAVE_FORMAT_OPUS: return "Opus";
    case WAVE_FORMAT_FLAC: return "FLAC";
    default: {
        char text[32];
        std::snprintf(text, sizeof text, "Format 0x%04X", tag);
        return text;
    }
    }
}

std::string CFormatCatalogue::Describe(const FormatBlock& block)
{
    if (block.size() < sizeof(WAVEFORMATEX))
        return std::string();
    WAVEFORMATEX f;
    std::memcpy(&f, block.data(), sizeof f);
    const std::string channels = f.nChannels == 1 ? "Mono" : f.nChannels == 2 ? "Stereo" : std::to_string(f.nChannels) + " Channels";
    const std::string rate = Thousands(f.nSamplesPerSec) + " Hz";
    // 64-bit sums: a block from a file may hold any byte rate, up to 0xFFFFFFFF.
    const std::string speed = "  " + std::to_string((uint64_t(f.nAvgBytesPerSec) + 512) / 1024) + " KB/s";
    if (f.wFormatTag == WAVE_FORMAT_FLAC) // lossless: no fixed data rate
        return rate + ", " + std::to_string(f.wBitsPerSample) + " Bit, " + channels;
    if (f.wFormatTag == WAVE_FORMAT_MPEGLAYER3 || f.wFormatTag == WAVE_FORMAT_OPUS)
        return std::to_string(uint64_t(f.nAvgBytesPerSec) * 8 / 1000) + " kBit/s, " + rate + ", " + channels + speed;
    if (f.wBitsPerSample == 0)
        return rate + ", " + channels + speed;
    return rate + ", " + std::to_string(f.wBitsPerSample) + " Bit, " + channels + speed;
}

CFormatCatalogue CFormatCatalogue::Build(bool onlyAvailable)
{
    CFormatCatalogue c;
    auto add = [&](uint16_t tag, const char* encoder, auto&& fill) {
        if (onlyAvailable && !(encoder ? EncoderPresent(encoder) : CFfmpegContainerWriter::EncoderName(tag) != nullptr))
            return;
        CatalogueTag t;
        t.tag = tag;
        t.name = TagName(tag);
        // Chromium: "DEMUXER_ERROR_NO_SUPPORTED_STREAMS" for these in WAV.
        t.playsInBrowsers = tag != WAVE_FORMAT_IMA_ADPCM && tag != WAVE_FORMAT_ADPCM && tag != WAVE_FORMAT_GSM610;
        fill(t.formats);
        for (auto& f : t.formats)
            f.description = Describe(f.block);
        c.m_tags.push_back(std::move(t));
    };
    auto forRates = [](auto&& make) {
        std::vector<CatalogueFormat> out;
        for (uint32_t rate : kRates)
            for (uint16_t ch : {uint16_t(1), uint16_t(2)})
                make(out, ch, rate);
        return out;
    };

    add(WAVE_FORMAT_PCM, "pcm_s16le", [&](std::vector<CatalogueFormat>& v) {
        for (uint16_t bits : {uint16_t(8), uint16_t(16), uint16_t(24), uint16_t(32)}) {
            if (onlyAvailable && !EncoderPresent(bits == 8 ? "pcm_u8" : bits == 16 ? "pcm_s16le" : bits == 24 ? "pcm_s24le" : "pcm_s32le"))
                continue;
            auto part = forRates([bits](auto& out, uint16_t ch, uint32_t rate) { out.push_back({MakePcm(ch, rate, bits), {}}); });
            v.insert(v.end(), part.begin(), part.end());
        }
    });
    add(WAVE_FORMAT_ALAW, "pcm_alaw", [&](std::vector<CatalogueFormat>& v) {
        v = forRates([](auto& out, uint16_t ch, uint32_t rate) { out.push_back({MakeG711(WAVE_FORMAT_ALAW, ch, rate), {}}); });
    });
    add(WAVE_FORMAT_MULAW, "pcm_mulaw", [&](std::vector<CatalogueFormat>& v) {
        v = forRates([](auto& out, uint16_t ch, uint32_t rate) { out.push_back({MakeG711(WAVE_FORMAT_MULAW, ch, rate), {}}); });
    });
    add(WAVE_FORMAT_IMA_ADPCM, "adpcm_ima_wav", [&](std::vector<CatalogueFormat>& v) {
        v = forRates([](auto& out, uint16_t ch, uint32_t rate) { out.push_back({MakeImaAdpcm(ch, rate), {}}); });
    });
    add(WAVE_FORMAT_ADPCM, "adpcm_ms", [&](std::vector<CatalogueFormat>& v) {
        v = forRates([](auto& out, uint16_t ch, uint32_t rate) { out.push_back({MakeMsAdpcm(ch, rate), {}}); });
    });
    add(WAVE_FORMAT_GSM610, "libgsm_ms", [&](std::vector<CatalogueFormat>& v) {
        for (uint32_t rate : {8000u, 11025u, 22050u, 44100u})
            v.push_back({MakeGsm(rate), {}});
    });
    add(WAVE_FORMAT_MPEGLAYER3, "libmp3lame", [&](std::vector<CatalogueFormat>& v) {
        v = forRates([](auto& out, uint16_t ch, uint32_t rate) {
            for (uint32_t kbps : Mp3Bitrates(ch, rate))
                out.push_back({MakeMp3(ch, rate, kbps), {}});
        });
    });
    // Opus is made for speech: 16 to 64 kbit/s, mono and stereo, at its own 48 kHz.
    add(WAVE_FORMAT_OPUS, nullptr, [&](std::vector<CatalogueFormat>& v) {
        for (uint16_t ch : {uint16_t(1), uint16_t(2)})
            for (uint32_t kbps : {16u, 24u, 32u, 48u, 64u})
                v.push_back({MakeOpus(ch, kbps), {}});
    });
    // FFmpeg's FLAC encoder writes 16 and 24 bits: 8-bit audio would be stored
    // as 16-bit, and 32-bit audio would lose its low byte.
    add(WAVE_FORMAT_FLAC, nullptr, [&](std::vector<CatalogueFormat>& v) {
        for (uint16_t bits : {uint16_t(16), uint16_t(24)}) {
            auto part = forRates([bits](auto& out, uint16_t ch, uint32_t rate) { out.push_back({MakeFlac(ch, rate, bits), {}}); });
            v.insert(v.end(), part.begin(), part.end());
        }
    });
    return c;
}

const CFormatCatalogue& CFormatCatalogue::Instance()
{
    static const CFormatCatalogue catalogue = Build(true);
    return catalogue;
}

size_t CFormatCatalogue::FormatCount() const
{
    size_t n = 0;
    for (const auto& t : m_tags)
        n += t.formats.size();
    return n;
}

bool CFormatCatalogue::Find(const uint8_t* block, size_t size, int& tagIndex, int& formatIndex) const
{
    tagIndex = 0;
    formatIndex = 0;
    if (!block || size < sizeof(WAVEFORMATEX))
        return false;
    WAVEFORMATEX want;
    std::memcpy(&want, block, sizeof want);
    const size_t wantSize = std::min(size, sizeof(WAVEFORMATEX) + want.cbSize);
    for (size_t t = 0; t < m_tags.size(); ++t) {
        if (m_tags[t].tag != want.wFormatTag)
            continue;
        tagIndex = int(t);
        using Score = std::tuple<int, uint64_t, int, uint64_t>;
        Score best{};
        bool any = false;
        for (size_t i = 0; i < m_tags[t].formats.size(); ++i) {
            const FormatBlock& b = m_tags[t].formats[i].block;
            if (b.size() == wantSize && std::memcmp(b.data(), block, wantSize) == 0) {
                formatIndex = int(i);
                return true;
            }
            WAVEFORMATEX f;
            std::memcpy(&f, b.data(), sizeof f);
            const Score s{f.nChannels != want.nChannels, uint64_t(std::llabs(int64_t(f.nSamplesPerSec) - want.nSamplesPerSec)),
                          std::abs(int(f.wBitsPerSample) - int(want.wBitsPerSample)),
                          uint64_t(std::llabs(int64_t(f.nAvgBytesPerSec) - want.nAvgBytesPerSec))};
            if (!any || s < best) {
                best = s;
                formatIndex = int(i);
                any = true;
            }
        }
        return true;
    }
    return false;
}

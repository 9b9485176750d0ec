// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The conversion stream on its own: which formats it accepts, that splitting
// the input anywhere gives the same bytes (samples are carried, never lost),
// that the end is padded to whole blocks, and what the catalogue declares.
#include "engine/CWavFile.h"
#include "engine/MessageStyle.h"
#include "platform/codecs/CFfmpegConversionStream.h"
#include "platform/codecs/CFormatCatalogue.h"
#include "CodecTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

WAVEFORMATEX Head(const FormatBlock& b)
{
    WAVEFORMATEX f;
    std::memcpy(&f, b.data(), sizeof f);
    return f;
}

WAVEFORMATEX SourceFor(const FormatBlock& b)
{
    const WAVEFORMATEX d = Head(b);
    return MakePcmFormat(d.nChannels, d.nSamplesPerSec, 16);
}

uint32_t OpenCode(const WAVEFORMATEX& source, const FormatBlock& dest)
{
    std::unique_ptr<IConversionStream> s;
    const uint32_t code = CFfmpegConversionStream::Open(source, dest, s);
    EXPECT_EQ(code == 0, s != nullptr);
    return code;
}

FormatBlock WithByte(FormatBlock b, size_t offset, uint8_t value)
{
    b.at(offset) = value;
    return b;
}

TEST(ConversionStreamOpen, ResultCodes)
{
    const FormatBlock ima = CFormatCatalogue::MakeImaAdpcm(1, 8000);
    const WAVEFORMATEX pcm8k = MakePcmFormat(1, 8000, 16);
    EXPECT_EQ(OpenCode(pcm8k, ima), 0u);

    // Malformed requests: the source must be 16-bit PCM, the block complete.
    WAVEFORMATEX bits8 = MakePcmFormat(1, 8000, 8);
    EXPECT_EQ(OpenCode(bits8, ima), MMSYSERR_INVALPARAM);
    WAVEFORMATEX adpcmSource = pcm8k;
    adpcmSource.wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    EXPECT_EQ(OpenCode(adpcmSource, ima), MMSYSERR_INVALPARAM);
    EXPECT_EQ(OpenCode(pcm8k, FormatBlock(ima.begin(), ima.end() - 1)), MMSYSERR_INVALPARAM);
    EXPECT_EQ(OpenCode(pcm8k, FormatBlock(ima.begin(), ima.begin() + 10)), MMSYSERR_INVALPARAM);

    // Well-formed but no codec makes it.
    EXPECT_EQ(OpenCode(MakePcmFormat(1, 11025, 16), ima), ACMERR_NOTPOSSIBLE);   // rate change
    EXPECT_EQ(OpenCode(MakePcmFormat(2, 8000, 16), ima), ACMERR_NOTPOSSIBLE);    // channel change
    EXPECT_EQ(OpenCode(pcm8k, WithByte(ima, 0, 0x99)), ACMERR_NOTPOSSIBLE);      // unknown tag
    EXPECT_EQ(OpenCode(pcm8k, WithByte(ima, 18, 0x00)), ACMERR_NOTPOSSIBLE);     // wrong samples per block
    EXPECT_EQ(OpenCode(pcm8k, WithByte(ima, 13, 0x00)), ACMERR_NOTPOSSIBLE);     // block align 0
    FormatBlock ms = CFormatCatalogue::MakeMsAdpcm(1, 8000);
    EXPECT_EQ(OpenCode(pcm8k, ms), 0u);
    EXPECT_EQ(OpenCode(pcm8k, WithByte(ms, 18 + 6, 0x01)), ACMERR_NOTPOSSIBLE);  // a coefficient changed
    FormatBlock gsm = CFormatCatalogue::MakeGsm(8000);
    EXPECT_EQ(OpenCode(pcm8k, gsm), 0u);
    FormatBlock gsmStereo = WithByte(gsm, 2, 2);
    EXPECT_EQ(OpenCode(MakePcmFormat(2, 8000, 16), gsmStereo), ACMERR_NOTPOSSIBLE);
    FormatBlock mp3 = CFormatCatalogue::MakeMp3(1, 22050, 32);
    EXPECT_EQ(OpenCode(MakePcmFormat(1, 22050, 16), mp3), 0u);
    FormatBlock mp3Odd = CFormatCatalogue::MakeMp3(1, 22050, 33);                // no such bit rate
    EXPECT_EQ(OpenCode(MakePcmFormat(1, 22050, 16), mp3Odd), ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(OpenCode(MakePcmFormat(1, 22050, 16), CFormatCatalogue::MakeMp3(1, 22050, 320)), ACMERR_NOTPOSSIBLE);
    FormatBlock pcm12 = CFormatCatalogue::MakePcm(1, 8000, 12);
    EXPECT_EQ(OpenCode(pcm8k, pcm12), ACMERR_NOTPOSSIBLE);
}

TEST(ConversionStreamOpen, WriterShowsTheMessageAndDoesNotRecord)
{
    CapturingHost host;
    TempDir dir;
    FormatBlock bad = WithByte(CFormatCatalogue::MakeImaAdpcm(1, 8000), 18, 0x00);
    CWavFile wav;
    EXPECT_FALSE(wav.Create(dir.File("x.wav"), reinterpret_cast<const WAVEFORMATEX*>(bad.data())));
    const auto messages = host.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "The requested operation cannot be performed.");
    EXPECT_EQ(messages[0].style, unsigned(MB_OK));
}

struct Converted {
    std::vector<uint8_t> bytes;
    bool ok = true;
};

// Converts `pcm` cut into pieces of the given sizes (cycled), then finishes.
Converted ConvertInPieces(const FormatBlock& dest, const std::vector<uint8_t>& pcm, const std::vector<size_t>& pieces)
{
    Converted r;
    std::unique_ptr<IConversionStream> s;
    if (CFfmpegConversionStream::Open(SourceFor(dest), dest, s) != 0) {
        r.ok = false;
        return r;
    }
    size_t pos = 0, k = 0;
    while (pos < pcm.size()) {
        const size_t n = std::min(pieces[k++ % pieces.size()], pcm.size() - pos);
        r.ok = s->Convert(pcm.data() + pos, uint32_t(n), r.bytes) && r.ok;
        pos += n;
    }
    r.ok = s->Finish(r.bytes) && r.ok;
    return r;
}

std::vector<uint8_t> ToneBytes(const FormatBlock& dest, size_t frames)
{
    const WAVEFORMATEX d = Head(dest);
    const std::vector<int16_t> tone = TestTone(d.nChannels, d.nSamplesPerSec, frames);
    std::vector<uint8_t> bytes(tone.size() * 2);
    std::memcpy(bytes.data(), tone.data(), bytes.size());
    return bytes;
}

// One format of every kind the stream can make.
std::vector<FormatBlock> Representatives()
{
    return {CFormatCatalogue::MakePcm(2, 22050, 8),       CFormatCatalogue::MakePcm(1, 16000, 24),
            CFormatCatalogue::MakePcm(2, 8000, 32),       CFormatCatalogue::MakeG711(WAVE_FORMAT_ALAW, 1, 8000),
            CFormatCatalogue::MakeG711(WAVE_FORMAT_MULAW, 2, 11025), CFormatCatalogue::MakeImaAdpcm(2, 22050),
            CFormatCatalogue::MakeMsAdpcm(1, 44100),      CFormatCatalogue::MakeGsm(8000),
            CFormatCatalogue::MakeMp3(2, 44100, 128),     CFormatCatalogue::MakeMp3(1, 11025, 16)};
}

TEST(ConversionStream, CuttingTheInputAnywhereGivesTheSameBytes)
{
    for (const FormatBlock& dest : Representatives()) {
        SCOPED_TRACE(CFormatCatalogue::TagName(Head(dest).wFormatTag) + " " + CFormatCatalogue::Describe(dest));
        const std::vector<uint8_t> pcm = ToneBytes(dest, 30011);
        const Converted whole = ConvertInPieces(dest, pcm, {pcm.size()});
        ASSERT_TRUE(whole.ok);
        ASSERT_FALSE(whole.bytes.empty());
        // Odd pieces split samples, channels and codec frames at every place.
        const Converted cut = ConvertInPieces(dest, pcm, {1, 3, 777, 4099, 2, 10000, 65});
        ASSERT_TRUE(cut.ok);
        EXPECT_EQ(cut.bytes.size(), whole.bytes.size());
        EXPECT_TRUE(cut.bytes == whole.bytes);
    }
}

TEST(ConversionStream, FinishPadsTheLastBlockAndNothingIsLost)
{
    for (const FormatBlock& dest : Representatives()) {
        const WAVEFORMATEX d = Head(dest);
        SCOPED_TRACE(CFormatCatalogue::Describe(dest));
        for (size_t frames : {size_t(1), size_t(319), size_t(321), size_t(5000)}) {
            const Converted c = ConvertInPieces(dest, ToneBytes(dest, frames), {4096});
            ASSERT_TRUE(c.ok);
            switch (d.wFormatTag) {
            case WAVE_FORMAT_IMA_ADPCM:
            case WAVE_FORMAT_ADPCM:
            case WAVE_FORMAT_GSM610: {
                const size_t perBlock = Le16(dest, 18);
                EXPECT_EQ(c.bytes.size(), (frames + perBlock - 1) / perBlock * d.nBlockAlign) << frames;
                break;
            }
            case WAVE_FORMAT_MPEGLAYER3:
                EXPECT_GT(c.bytes.size(), 0u) << frames; // at least the frame that holds the samples
                break;
            default: EXPECT_EQ(c.bytes.size(), frames * d.nBlockAlign) << frames;
            }
        }
    }
}

TEST(ConversionStream, PcmDepthsAreExact)
{
    const std::vector<int16_t> samples = {0, 1, -1, 255, 256, -256, 32767, -32768, 12345, -12345};
    std::vector<uint8_t> pcm(samples.size() * 2);
    std::memcpy(pcm.data(), samples.data(), pcm.size());
    const Converted u8 = ConvertInPieces(CFormatCatalogue::MakePcm(1, 8000, 8), pcm, {pcm.size()});
    const Converted s24 = ConvertInPieces(CFormatCatalogue::MakePcm(1, 8000, 24), pcm, {pcm.size()});
    const Converted s32 = ConvertInPieces(CFormatCatalogue::MakePcm(1, 8000, 32), pcm, {pcm.size()});
    ASSERT_EQ(u8.bytes.size(), samples.size());
    ASSERT_EQ(s24.bytes.size(), samples.size() * 3);
    ASSERT_EQ(s32.bytes.size(), samples.size() * 4);
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(u8.bytes[i], uint8_t((samples[i] >> 8) + 128)) << i;
        const int32_t v24 = int32_t(uint32_t(s24.bytes[i * 3]) << 8 | uint32_t(s24.bytes[i * 3 + 1]) << 16 |
                                    uint32_t(s24.bytes[i * 3 + 2]) << 24) >> 8;
        EXPECT_EQ(v24, int32_t(samples[i]) * 256) << i;
        int32_t v32;
        std::memcpy(&v32, &s32.bytes[i * 4], 4);
        EXPECT_EQ(v32, int32_t(samples[i]) * 65536) << i;
    }
    // G.711 silence codes.
    const std::vector<uint8_t> zeros(8, 0);
    EXPECT_EQ(ConvertInPieces(CFormatCatalogue::MakeG711(WAVE_FORMAT_ALAW, 1, 8000), zeros, {8}).bytes,
              std::vector<uint8_t>(4, 0xD5));
    EXPECT_EQ(ConvertInPieces(CFormatCatalogue::MakeG711(WAVE_FORMAT_MULAW, 1, 8000), zeros, {8}).bytes,
              std::vector<uint8_t>(4, 0xFF));
}

TEST(ConversionStream, OutputSizeBoundsTheOutputAndFinishEndsTheStream)
{
    for (const FormatBlock& dest : Representatives()) {
        SCOPED_TRACE(CFormatCatalogue::Describe(dest));
        std::unique_ptr<IConversionStream> s;
        ASSERT_EQ(CFfmpegConversionStream::Open(SourceFor(dest), dest, s), 0u);
        const std::vector<uint8_t> pcm = ToneBytes(dest, 250000 / Head(dest).nChannels);
        for (uint32_t n : {1000u, 1u, 99999u, uint32_t(pcm.size() - 100999)}) {
            uint32_t bound = 0;
            ASSERT_TRUE(s->OutputSize(n, bound));
            std::vector<uint8_t> out;
            ASSERT_TRUE(s->Convert(pcm.data(), n, out));
            EXPECT_LE(out.size(), bound) << n;
        }
        uint32_t bound = 0;
        ASSERT_TRUE(s->OutputSize(0, bound));
        std::vector<uint8_t> tail;
        ASSERT_TRUE(s->Finish(tail));
        EXPECT_LE(tail.size(), bound);
        // A finished stream takes nothing more; finishing again adds nothing.
        std::vector<uint8_t> more;
        EXPECT_FALSE(s->Convert(pcm.data(), 4000, more));
        EXPECT_TRUE(s->Finish(more));
        EXPECT_TRUE(more.empty());
    }
}

TEST(FormatCatalogue, DeclaresWhatReadersExpect)
{
    const FormatBlock ima = CFormatCatalogue::MakeImaAdpcm(1, 8000);
    ASSERT_EQ(ima.size(), 20u);
    EXPECT_EQ(Le16(ima, 0), 0x11);
    EXPECT_EQ(Le32(ima, 8), 4055u);
    EXPECT_EQ(Le16(ima, 12), 256);
    EXPECT_EQ(Le16(ima, 14), 4);
    EXPECT_EQ(Le16(ima, 16), 2);
    EXPECT_EQ(Le16(ima, 18), 505);
    const FormatBlock ima44 = CFormatCatalogue::MakeImaAdpcm(2, 44100);
    EXPECT_EQ(Le16(ima44, 12), 2048);
    EXPECT_EQ(Le16(ima44, 18), 2041);

    const FormatBlock ms = CFormatCatalogue::MakeMsAdpcm(1, 8000);
    const std::vector<uint8_t> msWant = {2, 0, 1, 0, 0x40, 0x1F, 0, 0, 0, 0x10, 0, 0, 0, 1, 4, 0, 32, 0,
                                         0xF4, 1, 7, 0, 0, 1, 0, 0, 0, 2, 0, 0xFF, 0, 0, 0, 0, 0xC0, 0,
                                         0x40, 0, 0xF0, 0, 0, 0, 0xCC, 1, 0x30, 0xFF, 0x88, 1, 0x18, 0xFF};
    EXPECT_EQ(ms, msWant);

    const FormatBlock gsm = CFormatCatalogue::MakeGsm(8000);
    const std::vector<uint8_t> gsmWant = {0x31, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x59, 6, 0, 0, 65, 0, 0, 0, 2, 0, 0x40, 1};
    EXPECT_EQ(gsm, gsmWant);

    const FormatBlock mp3 = CFormatCatalogue::MakeMp3(2, 44100, 128);
    const std::vector<uint8_t> mp3Want = {0x55, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x80, 0x3E, 0, 0, 1, 0, 0, 0, 12, 0,
                                          1, 0, 2, 0, 0, 0, 0xA1, 1, 1, 0, 0x71, 5};
    EXPECT_EQ(mp3, mp3Want);

    EXPECT_EQ(CFormatCatalogue::Describe(CFormatCatalogue::MakePcm(1, 22050, 16)), "22,050 Hz, 16 Bit, Mono  43 KB/s");
    EXPECT_EQ(CFormatCatalogue::Describe(CFormatCatalogue::MakePcm(2, 44100, 16)), "44,100 Hz, 16 Bit, Stereo  172 KB/s");
    EXPECT_EQ(CFormatCatalogue::Describe(ima), "8,000 Hz, 4 Bit, Mono  4 KB/s");
    EXPECT_EQ(CFormatCatalogue::Describe(gsm), "8,000 Hz, Mono  2 KB/s");
    EXPECT_EQ(CFormatCatalogue::Describe(mp3), "128 kBit/s, 44,100 Hz, Stereo  16 KB/s");
}

TEST(FormatCatalogue, TagsFormatsAndLookup)
{
    const CFormatCatalogue& c = CFormatCatalogue::Instance();
    std::vector<std::string> names;
    for (const auto& t : c.Tags()) {
        names.push_back(t.name);
        EXPECT_FALSE(t.formats.empty()) << t.name;
        for (const auto& f : t.formats) {
            const WAVEFORMATEX h = Head(f.block);
            EXPECT_EQ(h.wFormatTag, t.tag);
            EXPECT_EQ(f.block.size(), 18u + h.cbSize);
            EXPECT_EQ(f.description, CFormatCatalogue::Describe(f.block));
            EXPECT_TRUE(h.nChannels == 1 || (h.nChannels == 2 && t.tag != WAVE_FORMAT_GSM610)) << f.description;
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"PCM", "CCITT A-Law", "CCITT u-Law", "IMA ADPCM", "Microsoft ADPCM",
                                               "GSM 6.10", "MPEG Layer-3", "Opus", "FLAC"}));

    int tag = -1, format = -1;
    const FormatBlock def = CFormatCatalogue::MakePcm(1, 22050, 16);
    ASSERT_TRUE(c.Find(def.data(), def.size(), tag, format));
    EXPECT_EQ(c.Tags()[size_t(tag)].formats[size_t(format)].block, def);
    const FormatBlock ms = CFormatCatalogue::MakeMsAdpcm(2, 32000);
    ASSERT_TRUE(c.Find(ms.data(), ms.size(), tag, format));
    EXPECT_EQ(c.Tags()[size_t(tag)].formats[size_t(format)].block, ms);
    // Not listed: the nearest of its tag.
    const FormatBlock odd = CFormatCatalogue::MakePcm(2, 22000, 16);
    ASSERT_TRUE(c.Find(odd.data(), odd.size(), tag, format));
    EXPECT_EQ(c.Tags()[size_t(tag)].formats[size_t(format)].block, CFormatCatalogue::MakePcm(2, 22050, 16));
    const FormatBlock unknown = WithByte(def, 0, 0x42);
    EXPECT_FALSE(c.Find(unknown.data(), unknown.size(), tag, format));
    EXPECT_FALSE(c.Find(def.data(), 10, tag, format));
}

} // namespace

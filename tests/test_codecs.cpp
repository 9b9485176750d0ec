// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Recording a tone in every catalogue format through the WAV writer, then
// decoding the file with ffmpeg, sox where it reads the format, and the
// program's playback decoder: length,
// signal-to-noise ratio, and no damage at the 1,000,000-byte block seams.
#include "engine/CWavFile.h"
#include "platform/playback/CAudioDecoder.h"
#include "platform/codecs/CFormatCatalogue.h"
#include "CodecTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <sstream>

namespace {

struct CatalogueCase {
    std::string tagName;
    FormatBlock block;
    std::string description;
};

// Names the case in test listings by its dialog text.
void PrintTo(const CatalogueCase& c, std::ostream* os) { *os << c.tagName << " " << c.description; }

std::vector<CatalogueCase> AllFormats()
{
    std::vector<CatalogueCase> cases;
    for (const auto& t : CFormatCatalogue::Instance().Tags())
        for (const auto& f : t.formats)
            if (!IsContainerFormatTag(t.tag)) // RIFF files here; Opus and FLAC: test_container_formats
                cases.push_back({t.name, f.block, f.description});
    return cases;
}

WAVEFORMATEX Head(const FormatBlock& b)
{
    WAVEFORMATEX f;
    std::memcpy(&f, b.data(), sizeof f);
    return f;
}

// Samples per channel in one codec frame of the format (1 for plain PCM-like).
size_t FrameSamples(const FormatBlock& b)
{
    const WAVEFORMATEX f = Head(b);
    switch (f.wFormatTag) {
    case WAVE_FORMAT_IMA_ADPCM:
    case WAVE_FORMAT_ADPCM:
    case WAVE_FORMAT_GSM610: return Le16(b, 18);
    case WAVE_FORMAT_MPEGLAYER3: return f.nSamplesPerSec >= 32000 ? 1152 : 576;
    default: return 1;
    }
}

// 16-bit samples as the device would capture them at another depth.
std::vector<uint8_t> PcmAtDepth(const std::vector<int16_t>& samples, uint16_t bits)
{
    const size_t width = bits / 8;
    std::vector<uint8_t> out(samples.size() * width);
    for (size_t i = 0; i < samples.size(); ++i) {
        const uint32_t wide = uint32_t(int32_t(samples[i])) << 16; // the sample in the top bits of 32
        if (bits == 8)
            out[i] = uint8_t((samples[i] >> 8) + 128);
        else
            for (size_t b = 0; b < width; ++b)
                out[i * width + b] = uint8_t(wide >> (8 * (4 - width + b)));
    }
    return out;
}

struct Expectation {
    const char* ffprobeCodec;
    double minSnrDb;      // whole tone, worst channel
    double minWindowDb;   // worst 2048-sample window
    bool soxReads;
};

Expectation Expect(const FormatBlock& b)
{
    const WAVEFORMATEX f = Head(b);
    switch (f.wFormatTag) {
    case WAVE_FORMAT_PCM:
        switch (f.wBitsPerSample) {
        case 8: return {"pcm_u8", 35, 34, true};
        case 16: return {"pcm_s16le", 90, 90, true};
        case 24: return {"pcm_s24le", 90, 90, true};
        default: return {"pcm_s32le", 90, 90, true};
        }
    case WAVE_FORMAT_ALAW: return {"pcm_alaw", 34, 33, true};
    case WAVE_FORMAT_MULAW: return {"pcm_mulaw", 34, 33, true};
    case WAVE_FORMAT_IMA_ADPCM: return {"adpcm_ima_wav", 20, 17, true};
    case WAVE_FORMAT_ADPCM: return {"adpcm_ms", 20, 17, true};
    case WAVE_FORMAT_GSM610: return {"gsm_ms", 21, 16, true};
    default: return {"mp3", 40, 35, false};
    }
}

std::string CaseName(const testing::TestParamInfo<CatalogueCase>& info)
{
    const WAVEFORMATEX f = Head(info.param.block);
    std::ostringstream s;
    s << "tag" << std::hex << f.wFormatTag << std::dec << "_" << f.nSamplesPerSec << "Hz_" << f.nChannels << "ch_"
      << f.wBitsPerSample << "bit_" << f.nAvgBytesPerSec << "Bps";
    return s.str();
}

class CatalogueRecording : public testing::TestWithParam<CatalogueCase> {};

TEST_P(CatalogueRecording, ToneSurvivesRecordingAndDecoding)
{
    CapturingHost host;
    TempDir dir;
    const FormatBlock& block = GetParam().block;
    const WAVEFORMATEX f = Head(block);
    const std::string path = dir.File("tone.wav");
    const size_t frameSamples = FrameSamples(block);

    // A little over two flush blocks of PCM, not a whole number of codec frames.
    size_t frames = 2300000 / (2u * f.nChannels);
    if (frames % frameSamples == 0)
        frames += 37;
    const std::vector<int16_t> tone = TestTone(f.nChannels, f.nSamplesPerSec, frames);
    // The device delivers PCM formats as chosen and everything else as 16-bit PCM.
    const std::vector<uint8_t> captured =
        f.wFormatTag == WAVE_FORMAT_PCM ? PcmAtDepth(tone, f.wBitsPerSample) : PcmAtDepth(tone, 16);
    const uint8_t* bytes = captured.data();
    const size_t total = captured.size();

    CWavFile wav;
    ASSERT_TRUE(wav.Create(path, reinterpret_cast<const WAVEFORMATEX*>(block.data())));
    for (size_t pos = 0; pos < total; pos += 10000)
        ASSERT_TRUE(wav.Write(bytes + pos, uint32_t(std::min<size_t>(10000, total - pos)))) << "at byte " << pos;
    ASSERT_TRUE(wav.Close());
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(wav.LastWriteError(), WavWriteError::None);

    // The format is in the file as declared.
    const std::vector<uint8_t> file = ReadFileBytes(path);
    ASSERT_GE(file.size(), 38 + block.size());
    EXPECT_EQ(Le32(file, 16), block.size());
    EXPECT_TRUE(std::equal(block.begin(), block.end(), file.begin() + 20));
    // Whole codec blocks only, as the block align says.
    if (f.wFormatTag == WAVE_FORMAT_IMA_ADPCM || f.wFormatTag == WAVE_FORMAT_ADPCM || f.wFormatTag == WAVE_FORMAT_GSM610) {
        EXPECT_EQ(wav.DataBytesWritten(), (frames + frameSamples - 1) / frameSamples * f.nBlockAlign);
    } else if (f.wFormatTag != WAVE_FORMAT_MPEGLAYER3) {
        EXPECT_EQ(wav.DataBytesWritten(), frames * f.nBlockAlign);
    } else {
        // Constant bit rate as declared: bytes per second of audio within 3 %.
        const double perSecond = double(wav.DataBytesWritten()) * f.nSamplesPerSec / double(frames);
        EXPECT_NEAR(perSecond, double(f.nAvgBytesPerSec), 0.03 * f.nAvgBytesPerSec);
    }

    const Expectation want = Expect(block);
    const auto [probeStatus, probe] = RunCommand("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,bit_rate "
                                                 "-of default=nw=1 '" + path + "' 2>&1");
    EXPECT_EQ(probeStatus, 0) << probe;
    EXPECT_NE(probe.find("codec_name=" + std::string(want.ffprobeCodec) + "\n"), std::string::npos) << probe;
    EXPECT_NE(probe.find("sample_rate=" + std::to_string(f.nSamplesPerSec) + "\n"), std::string::npos) << probe;
    EXPECT_NE(probe.find("channels=" + std::to_string(f.nChannels) + "\n"), std::string::npos) << probe;

    const size_t maxLag = f.wFormatTag == WAVE_FORMAT_MPEGLAYER3 ? 4000 : 0;
    for (const std::string tool : {"ffmpeg", "sox", "player"}) {
        if (tool == "sox" && !want.soxReads)
            continue;
        SCOPED_TRACE(tool);
        std::vector<int16_t> decoded;
        std::string errors;
        if (tool == "player") {
            // The program's own playback decoder.
            CAudioDecoder player;
            ASSERT_EQ(player.Open(path), 0u);
            EXPECT_EQ(player.Rate(), f.nSamplesPerSec);
            EXPECT_EQ(player.Channels(), f.nChannels);
            EXPECT_NEAR(double(player.LengthMs()), 1000.0 * double(frames) / f.nSamplesPerSec,
                        1000.0 * double(frameSamples + maxLag) / f.nSamplesPerSec + 1);
            ASSERT_TRUE(player.Start(0));
            std::vector<int16_t> chunk(4096 * f.nChannels);
            long n;
            while ((n = player.Read(chunk.data(), 4096)) > 0)
                decoded.insert(decoded.end(), chunk.begin(), chunk.begin() + n * f.nChannels);
            ASSERT_EQ(n, 0);
        } else {
            ASSERT_TRUE(DecodeWithTool(tool, path, decoded, errors)) << errors;
        }
        EXPECT_EQ(errors, "");
        ASSERT_EQ(decoded.size() % f.nChannels, 0u);
        const size_t decodedFrames = decoded.size() / f.nChannels;
        const ToneMatch m = MatchTone(tone, decoded, f.nChannels, maxLag);
        // Every sample given is there, and at most one codec frame of padding
        // after it (beyond the decoder's own delay, which the lag measures).
        EXPECT_GE(decodedFrames, frames + m.lag);
        EXPECT_LE(decodedFrames, frames + m.lag + frameSamples) << "lag " << m.lag;
        EXPECT_GT(m.gain, 0.85);
        EXPECT_LT(m.gain, 1.15);
        EXPECT_GE(m.snrDb, want.minSnrDb) << "lag " << m.lag;
        EXPECT_GE(m.worstWindowDb, want.minWindowDb) << "at frame " << m.worstWindowAt;
        RecordProperty(tool + "_snr_db", std::to_string(m.snrDb));
        std::printf("%s %s: lag %zu, %zu frames for %zu, SNR %.1f dB, worst window %.1f dB at %zu, gain %.3f\n",
                    GetParam().description.c_str(), tool.c_str(), m.lag, decodedFrames, frames, m.snrDb,
                    m.worstWindowDb, m.worstWindowAt, m.gain);
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, CatalogueRecording, testing::ValuesIn(AllFormats()), CaseName);

} // namespace

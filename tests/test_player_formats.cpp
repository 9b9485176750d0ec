// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Every recording format on offer, written by our own writer, plays back
// through the playback device as the tone that was recorded: finished, and
// with the header sizes a crash would leave behind (zero).
#include "platform/AudioBackends.h"
#include "CodecTestSupport.h"
#include "TestSupport.h"

#include "engine/CWavFile.h"
#include "platform/codecs/CFormatCatalogue.h"
#include "platform/playback/CVirtualOutput.h"
#include "platform/playback/MciWaveAudio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <sstream>

namespace {
using namespace std::chrono_literals;

struct FormatCase {
    FormatBlock block;
};

WAVEFORMATEX Head(const FormatBlock& b)
{
    WAVEFORMATEX f{};
    std::memcpy(&f, b.data(), sizeof f);
    return f;
}

std::vector<FormatCase> AllFormats()
{
    std::vector<FormatCase> cases;
    for (const CatalogueTag& tag : CFormatCatalogue::Instance().Tags())
        for (const CatalogueFormat& format : tag.formats)
            if (!IsContainerFormatTag(tag.tag)) // RIFF files: the data chunk is looked up below
                cases.push_back({format.block});
    return cases;
}

std::string CaseName(const testing::TestParamInfo<FormatCase>& info)
{
    const WAVEFORMATEX f = Head(info.param.block);
    std::ostringstream s;
    s << "tag" << std::hex << f.wFormatTag << std::dec << "_" << f.nSamplesPerSec << "Hz_" << f.nChannels << "ch_"
      << f.wBitsPerSample << "bit_" << f.nAvgBytesPerSec << "Bps";
    return s.str();
}

// The bytes a capture device delivers: PCM at the format's depth (8-bit
// unsigned, wider ones with the 16 bits on top), 16-bit for every codec.
std::vector<uint8_t> Captured(const std::vector<int16_t>& tone, const WAVEFORMATEX& f)
{
    const size_t width = f.wFormatTag == WAVE_FORMAT_PCM ? f.wBitsPerSample / 8 : 2;
    std::vector<uint8_t> out(tone.size() * width, 0);
    for (size_t i = 0; i < tone.size(); ++i) {
        const uint16_t v = uint16_t(tone[i]);
        if (width == 1) {
            out[i] = uint8_t((v >> 8) ^ 0x80);
        } else {
            out[i * width + width - 2] = uint8_t(v);
            out[i * width + width - 1] = uint8_t(v >> 8);
        }
    }
    return out;
}

// Least signal-to-noise ratio a format's playback must reach (whole tone, worst channel).
double MinSnrDb(const WAVEFORMATEX& f)
{
    switch (f.wFormatTag) {
    case WAVE_FORMAT_PCM: return f.wBitsPerSample == 8 ? 30 : 80;
    case WAVE_FORMAT_ALAW:
    case WAVE_FORMAT_MULAW: return 30;
    case WAVE_FORMAT_IMA_ADPCM:
    case WAVE_FORMAT_ADPCM: return 17;
    case WAVE_FORMAT_GSM610: return 15;
    default: return 30;
    }
}

struct Done {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<uint32_t> codes;
};

class RecordedFormatPlayback : public testing::TestWithParam<FormatCase> {
protected:
    void SetUp() override
    {
        m_outputs.Install();
    }
    void TearDown() override { m_outputs.Remove(); }

    // Plays the file to its end; the samples heard, or empty on failure.
    std::vector<int16_t> PlayAll(const std::string& path, uint32_t& lengthMs, uint32_t& rate, uint16_t& channels)
    {
        uint32_t id = 0;
        EXPECT_EQ(MciOpenWaveAudio(path, id), 0u);
        if (!id)
            return {};
        EXPECT_EQ(MciStatus(id, MCI_STATUS_LENGTH, lengthMs), 0u);
        auto done = std::make_shared<Done>();
        EXPECT_EQ(MciPlay(id, 0,
                          [done](uint32_t code, uint32_t) {
                              std::lock_guard lock(done->mutex);
                              done->codes.push_back(code);
                              done->cv.notify_all();
                          }),
                  0u);
        {
            std::unique_lock lock(done->mutex);
            EXPECT_TRUE(done->cv.wait_for(lock, 10s, [&] { return !done->codes.empty(); }));
            EXPECT_EQ(done->codes, std::vector<uint32_t>{MCI_NOTIFY_SUCCESSFUL});
        }
        EXPECT_EQ(MciClose(id), 0u);
        const auto out = m_outputs.Last();
        if (!out)
            return {};
        rate = out->Rate();
        channels = out->Channels();
        return out->Samples();
    }

    VirtualOutputs m_outputs;
};

TEST_P(RecordedFormatPlayback, PlaysTheRecordedToneFinishedAndUnfinished)
{
    CapturingHost host;
    TempDir dir;
    const FormatBlock& block = GetParam().block;
    const WAVEFORMATEX f = Head(block);
    const size_t frames = f.nSamplesPerSec * 3 / 2;
    const auto tone = TestTone(f.nChannels, f.nSamplesPerSec, frames);

    const std::string path = dir.File("rec.wav");
    {
        CWavFile file;
        ASSERT_TRUE(file.Create(path, reinterpret_cast<const WAVEFORMATEX*>(block.data())));
        const auto bytes = Captured(tone, f);
        ASSERT_TRUE(file.Write(bytes.data(), uint32_t(bytes.size())));
        ASSERT_TRUE(file.Close());
    }
    auto bytes = ReadFileBytes(path);
    size_t dataAt = 12;
    while (dataAt + 8 <= bytes.size() && std::memcmp(&bytes[dataAt], "data", 4) != 0)
        dataAt += 8 + Le32(bytes, dataAt + 4) + (Le32(bytes, dataAt + 4) & 1);
    ASSERT_LT(dataAt + 8, bytes.size());
    const uint32_t dataBytes = Le32(bytes, dataAt + 4);
    // An unfinished recording ends with its audio (the chunk after an odd one comes at Close).
    bytes.resize(std::min(bytes.size(), dataAt + 8 + dataBytes + (dataBytes & 1)));
    // The unfinished twin: what a recording looks like before its sizes are patched.
    std::memset(&bytes[4], 0, 4);
    std::memset(&bytes[dataAt + 4], 0, 4);
    WriteFileBytes(dir.File("unfinished.wav"), bytes);

    std::vector<int16_t> finishedHeard;
    for (const std::string name : {"rec.wav", "unfinished.wav"}) {
        SCOPED_TRACE(name);
        uint32_t lengthMs = 0, rate = 0;
        uint16_t channels = 0;
        const auto heard = PlayAll(dir.File(name), lengthMs, rate, channels);
        EXPECT_EQ(rate, f.nSamplesPerSec);
        EXPECT_EQ(channels, f.nChannels);
        // A chunk of odd size ends in a pad byte; without a size to tell it
        // from audio, an unfinished file plays it as one more sample.
        const uint32_t padBytes = name == "unfinished.wav" ? (dataBytes & 1) : 0;
        if (f.wFormatTag == WAVE_FORMAT_PCM)
            EXPECT_EQ(lengthMs, uint64_t(dataBytes + padBytes) * 1000 / f.nAvgBytesPerSec);
        else
            EXPECT_NEAR(double(lengthMs), 1500, f.wFormatTag == WAVE_FORMAT_MPEGLAYER3 ? 300 : 100);
        // The whole tone, plus at most the codec's padding at the ends.
        EXPECT_GE(heard.size(), tone.size());
        const bool mp3 = f.wFormatTag == WAVE_FORMAT_MPEGLAYER3; // encoder delay and padding
        EXPECT_LE(heard.size(), tone.size() + size_t(f.nSamplesPerSec) * f.nChannels * (mp3 ? 3 : 1) / 10);
        const ToneMatch match = MatchTone(tone, heard, f.nChannels, mp3 ? 2400 : f.nSamplesPerSec / 10);
        EXPECT_NEAR(match.gain, 1.0, 0.1);
        EXPECT_GE(match.snrDb, MinSnrDb(f)) << "lag " << match.lag;
        if (finishedHeard.empty())
            finishedHeard = heard;
        else if (padBytes == 0)
            EXPECT_TRUE(heard == finishedHeard) << "unpatched sizes play the same samples";
        else {
            // The stray byte ends up as at most one more codec frame at the end.
            const size_t frameSamples = 2304u * f.nChannels;
            ASSERT_GE(heard.size(), finishedHeard.size());
            EXPECT_LE(heard.size() - finishedHeard.size(), frameSamples);
            const size_t same = finishedHeard.size() > frameSamples ? finishedHeard.size() - frameSamples : 0;
            EXPECT_TRUE(std::equal(finishedHeard.begin(), finishedHeard.begin() + long(same), heard.begin()));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, RecordedFormatPlayback, testing::ValuesIn(AllFormats()), CaseName);
} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Compressed recording through the real audio path: a private PulseAudio
// server, a 1000 Hz tone played into its null sink, and the wave recorder
// capturing the sink's monitor into one format of every catalogue tag. Each
// file must probe as declared, decode without complaint, last as long as the
// recording ran, and carry the tone.
#include "engine/CWaveRecorder.h"
#include "platform/codecs/CFormatCatalogue.h"
#include "platform/AudioBackends.h"
#include "PulseTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;


double Number(const std::string& text, const std::string& label)
{
    const size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::atof(text.c_str() + at + label.size());
}

struct Case {
    FormatBlock format;
    const char* codec; // as ffprobe names it
};

} // namespace

TEST(CodecsPulse, EveryTagRecordsTheToneFromTheRealDevice)
{
    PrivateServer server;
    ASSERT_FALSE(server.Server().empty()) << "private PulseAudio server did not start";
    ServerScope scope(server.Server());
    CapturingHost host;
    TempDir dir;
    Tone tone(60);
    ASSERT_TRUE(tone.Playing());
    {
        // The first recording of a fresh server starts late; get past it.
        CWaveRecorder warm(dir.File("warm-up.wav"));
        const WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
        if (warm.Start(&f) == WAVEREC_OK) {
            std::this_thread::sleep_for(1500ms);
            warm.Stop();
        }
    }

    const std::vector<Case> cases = {
        {CFormatCatalogue::MakePcm(2, 11025, 8), "pcm_u8"},
        {CFormatCatalogue::MakeG711(WAVE_FORMAT_ALAW, 1, 8000), "pcm_alaw"},
        {CFormatCatalogue::MakeG711(WAVE_FORMAT_MULAW, 2, 22050), "pcm_mulaw"},
        {CFormatCatalogue::MakeImaAdpcm(1, 22050), "adpcm_ima_wav"},
        {CFormatCatalogue::MakeMsAdpcm(2, 44100), "adpcm_ms"},
        {CFormatCatalogue::MakeGsm(8000), "gsm_ms"},
        {CFormatCatalogue::MakeMp3(1, 22050, 32), "mp3"},
        {CFormatCatalogue::MakeMp3(2, 48000, 192), "mp3"},
    };
    int n = 0;
    for (const Case& c : cases) {
        WAVEFORMATEX f;
        std::memcpy(&f, c.format.data(), sizeof f);
        SCOPED_TRACE(CFormatCatalogue::TagName(f.wFormatTag) + " " + CFormatCatalogue::Describe(c.format));
        const std::string path = dir.File("rec" + std::to_string(++n) + ".wav");
        CWaveRecorder rec(path);
        ASSERT_EQ(WAVEREC_OK, rec.Start(reinterpret_cast<const WAVEFORMATEX*>(c.format.data())));
        const auto started = Clock::now();
        std::this_thread::sleep_for(2500ms);
        EXPECT_FALSE(rec.WaitFinished(1)); // not broken off
        const auto stopping = Clock::now();
        EXPECT_TRUE(rec.Stop());
        const double wall = std::chrono::duration<double>(stopping - started).count();
        EXPECT_FALSE(rec.GetWavFile().IsOpen());
        EXPECT_EQ(rec.GetWavFile().LastWriteError(), WavWriteError::None);

        const auto probe = RunCommand("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels "
                                      "-of default=nw=1 '" + path + "' 2>&1");
        ASSERT_EQ(0, probe.first) << probe.second;
        EXPECT_NE(std::string::npos, probe.second.find("codec_name=" + std::string(c.codec) + "\n")) << probe.second;
        EXPECT_NE(std::string::npos, probe.second.find("sample_rate=" + std::to_string(f.nSamplesPerSec)))
            << probe.second;
        EXPECT_NE(std::string::npos, probe.second.find("channels=" + std::to_string(f.nChannels))) << probe.second;

        // Decoded in full without a complaint, as long as the recording ran.
        const std::string pcm = path + ".pcm.wav";
        const auto decode = RunCommand("ffmpeg -nostdin -v error -y -i '" + path + "' -c:a pcm_s16le '" + pcm + "' 2>&1");
        ASSERT_EQ(0, decode.first) << decode.second;
        EXPECT_EQ("", decode.second);
        const double length = Number(RunCommand("soxi -D '" + pcm + "'").second, "");
        EXPECT_NEAR(length, wall, 0.35) << "decoded " << length << " s for " << wall << " s";

        const auto stat = RunCommand("sox '" + pcm + "' -n trim 0.5 1.5 channels 1 stat 2>&1");
        ASSERT_EQ(0, stat.first) << stat.second;
        EXPECT_NEAR(Number(stat.second, "Rough   frequency:"), 1000, 30) << stat.second;
        EXPECT_GT(Number(stat.second, "RMS     amplitude:"), 0.1) << stat.second;
        std::printf("%s %s: %.3f s for %.3f s, %.0f Hz, RMS %.3f\n", CFormatCatalogue::TagName(f.wFormatTag).c_str(),
                    CFormatCatalogue::Describe(c.format).c_str(), length, wall,
                    Number(stat.second, "Rough   frequency:"), Number(stat.second, "RMS     amplitude:"));
    }
    EXPECT_TRUE(host.Messages().empty());
}

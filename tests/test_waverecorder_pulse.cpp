// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// CWaveRecorder through the real audio path: a private PulseAudio server with
// a null sink and a microphone on its monitor. A tone played into the sink is
// recorded and measured with sox and ffprobe; the server's errors and its
// disappearance reach the recorder as the wave-input codes.
#include "engine/CWaveRecorder.h"
#include "platform/AudioBackends.h"
#include "PulseTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;


// The test microphone (a remap of the null sink's monitor) of a fresh server
// delivers nothing for about the first second of its first recording; later
// recordings start at once. One throw-away recording gets past that.
void WarmUp(const std::string& folder)
{
    CapturingHost quiet;
    CWaveRecorder rec(folder + "/warm-up.wav");
    const WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
    if (rec.Start(&f) == WAVEREC_OK) {
        std::this_thread::sleep_for(1500ms);
        rec.Stop();
    }
}

double Number(const std::string& text, const std::string& label)
{
    const size_t at = text.find(label);
    if (at == std::string::npos)
        return -1;
    return std::atof(text.c_str() + at + label.size());
}

} // namespace

TEST(WaveRecorderPulse, RecordsAToneForTheWallClockTime)
{
    PrivateServer server;
    ASSERT_FALSE(server.Server().empty()) << "private PulseAudio server did not start";
    ServerScope scope(server.Server());
    CapturingHost host;
    TempDir dir;

    Tone tone(10); // longer than the recording
    ASSERT_TRUE(tone.Playing());
    WarmUp(dir.Path());

    const std::string path = dir.File("tone.wav");
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    const auto started = Clock::now();
    std::this_thread::sleep_for(3s);
    EXPECT_FALSE(rec.WaitFinished(1));
    const auto stopping = Clock::now();
    EXPECT_TRUE(rec.Stop());
    const double wall = std::chrono::duration<double>(stopping - started).count();
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_FALSE(rec.GetWavFile().IsOpen());

    const auto probe = RunCommand("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels:format=duration "
                                  "-of default=nw=1 " + path + " 2>&1");
    ASSERT_EQ(0, probe.first) << probe.second;
    EXPECT_NE(std::string::npos, probe.second.find("codec_name=pcm_s16le")) << probe.second;
    EXPECT_NE(std::string::npos, probe.second.find("sample_rate=22050")) << probe.second;
    EXPECT_NE(std::string::npos, probe.second.find("channels=1")) << probe.second;
    const double length = Number(probe.second, "duration=");
    EXPECT_NEAR(length, wall, 0.3) << probe.second;

    // Dominant frequency, from sox's spectrum analysis of the middle of the file.
    const auto stat = RunCommand("sox " + path + " -n trim 0.5 2 stat 2>&1");
    ASSERT_EQ(0, stat.first) << stat.second;
    EXPECT_NEAR(Number(stat.second, "Rough   frequency:"), 1000, 20) << stat.second;
    EXPECT_GT(Number(stat.second, "RMS     amplitude:"), 0.1) << stat.second;
    std::printf("recorded %.3f s for %.3f s of wall-clock time\n", length, wall);
}

TEST(WaveRecorderPulse, NoServerMeansNoDriver)
{
    TempDir dir;
    ServerScope scope("unix:" + dir.File("no-such-socket"));
    CapturingHost host;
    const std::string path = dir.File("rec.wav");
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
    EXPECT_EQ(WAVEREC_OPEN_FAILED, rec.Start(&f));
    ASSERT_EQ(1u, host.Messages().size());
    EXPECT_EQ("No device driver is present.", host.Messages()[0].text);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(WaveRecorderPulse, FormatsTheServerCannotRecord)
{
    PrivateServer server;
    ASSERT_FALSE(server.Server().empty());
    ServerScope scope(server.Server());
    TempDir dir;
    WAVEFORMATEX twelve = MakePcmFormat(1, 22050, 12);
    WAVEFORMATEX fast = MakePcmFormat(1, 1000000, 16);
    for (const WAVEFORMATEX& f : {twelve, fast}) {
        CapturingHost host;
        CWaveRecorder rec(dir.File("rec.wav"));
        EXPECT_EQ(WAVEREC_OPEN_FAILED, rec.Start(&f));
        ASSERT_EQ(1u, host.Messages().size());
        EXPECT_EQ("Attempted to open with an unsupported waveform-audio format.", host.Messages()[0].text);
        EXPECT_FALSE(std::filesystem::exists(dir.File("rec.wav")));
    }
}

TEST(WaveRecorderPulse, ServerGoingAwayEndsTheRecordingWithAFinishedFile)
{
    PrivateServer server;
    ASSERT_FALSE(server.Server().empty());
    ServerScope scope(server.Server());
    CapturingHost host;
    TempDir dir;
    Tone tone(10);
    ASSERT_TRUE(tone.Playing());
    WarmUp(dir.Path());
    const std::string path = dir.File("rec.wav");
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = MakePcmFormat(2, 44100, 16);
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    std::this_thread::sleep_for(800ms);
    server.Stop();
    ASSERT_TRUE(rec.WaitFinished(5000));
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_TRUE(rec.DeviceLost());
    EXPECT_FALSE(rec.GetWavFile().IsOpen());
    const auto probe = RunCommand("ffprobe -v error -show_entries format=duration -of default=nw=1 " + path + " 2>&1");
    ASSERT_EQ(0, probe.first) << probe.second;
    EXPECT_GT(Number(probe.second, "duration="), 0.4) << probe.second;
    EXPECT_TRUE(rec.Stop()); // releasing a lost device is quiet
    EXPECT_TRUE(host.Messages().empty());
}

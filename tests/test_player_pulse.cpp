// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The playback device on the real audio path: a tone played through a
// private PulseAudio server's null sink is recorded from the sink's monitor
// and measured; the server going away mid-play.
#include "platform/AudioBackends.h"
#include "TestSupport.h"

#include "engine/CWavFile.h"
#include "platform/playback/CAudioDecoder.h"
#include "platform/playback/IAudioOutput.h"
#include "platform/playback/MciWaveAudio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sys/wait.h>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

void WriteTone(const std::string& path, double seconds)
{
    CapturingHost host;
    const auto samples = SineSamples(440, 0.5, 22050, size_t(22050 * seconds));
    const WAVEFORMATEX format = MakePcmFormat(1, 22050, 16);
    CWavFile file;
    ASSERT_TRUE(file.Create(path, &format));
    ASSERT_TRUE(file.Write(samples.data(), uint32_t(samples.size() * 2)));
    ASSERT_TRUE(file.Close());
}

// Records the null sink's monitor into a file until stopped.
class MonitorRecording {
public:
    explicit MonitorRecording(const std::string& path)
    {
        // The sink's two channels as they are: servers mix stereo down to mono
        // differently (PulseAudio averages, PipeWire adds each at -3 dB).
        const auto [rc, out] = RunCommand("parecord -d vsink.monitor --latency-msec=50 --file-format=wav "
                                          "--rate=22050 --channels=2 --format=s16le '" +
                                          path + "' >/dev/null 2>&1 & echo $!");
        m_pid = rc == 0 ? std::atoi(out.c_str()) : 0;
    }
    ~MonitorRecording() { Stop(); }
    bool Running() const { return m_pid > 0; }
    void Stop()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGINT);
        // Not our child (the shell started it): wait for it to go away.
        for (int i = 0; i < 50 && ::kill(m_pid, 0) == 0; ++i)
            std::this_thread::sleep_for(50ms);
        m_pid = 0;
    }

private:
    int m_pid = 0;
};

// An idle null sink sleeps in blocks of up to 2 s and takes a newly asked
// low latency only when its current block ends; until then nothing it is
// given is rendered. Real sinks do not do this; the tests wait it out.
void WaitForLowLatencySink() { std::this_thread::sleep_for(2200ms); }

struct ToneSpan {
    double start = 0, seconds = 0;
};

// The span of 10 ms windows whose RMS passes a tenth of full scale.
ToneSpan FindTone(const std::string& path)
{
    CAudioDecoder decoder;
    ToneSpan span;
    if (decoder.Open(path) != 0 || !decoder.Start(0))
        return span;
    std::vector<int16_t> all, chunk(4096 * decoder.Channels());
    long n;
    while ((n = decoder.Read(chunk.data(), 4096)) > 0)
        all.insert(all.end(), chunk.begin(), chunk.begin() + n * decoder.Channels());
    const size_t window = decoder.Rate() / 100 * decoder.Channels();
    long first = -1, last = -1;
    for (size_t w = 0; (w + 1) * window <= all.size(); ++w) {
        double sum = 0;
        for (size_t i = w * window; i < (w + 1) * window; ++i)
            sum += double(all[i]) * all[i];
        if (std::sqrt(sum / double(window)) > 3277) {
            if (first < 0)
                first = long(w);
            last = long(w);
        }
    }
    if (first >= 0) {
        span.start = first * 0.01;
        span.seconds = (last - first + 1) * 0.01;
    }
    return span;
}

double SoxValue(const std::string& stat, const std::string& name)
{
    const size_t at = stat.find(name);
    if (at == std::string::npos)
        return -1;
    return std::atof(stat.c_str() + stat.find(':', at) + 1);
}

// Each test runs its own private server (null sink "vsink" with its monitor),
// so tests running at the same time never hear each other's sound.
class PulsePlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OverrideBackend(&AudioBackends::audioOutput, nullptr);
        ::unsetenv("VELLORY_AUDIO");
        if (const char* s = std::getenv("PULSE_SERVER"))
            m_savedServer = s;
        m_state = m_dir.File("pulse");
        const auto [rc, out] = RunCommand(Tool() + " start '" + m_state + "' 2>&1");
        ASSERT_EQ(rc, 0) << out;
        m_started = true;
        ::setenv("PULSE_SERVER", ("unix:" + m_state + "/native").c_str(), 1);
    }
    void TearDown() override
    {
        MciWaitForNotifications();
        if (m_started)
            RunCommand(Tool() + " stop '" + m_state + "'");
        if (m_savedServer.empty())
            ::unsetenv("PULSE_SERVER");
        else
            ::setenv("PULSE_SERVER", m_savedServer.c_str(), 1);
    }
    static std::string Tool() { return std::string(VELLORY_SOURCE_DIR) + "/tools/private-pulse.sh"; }

    TempDir m_dir;
    std::string m_state;
    std::string m_savedServer;
    bool m_started = false;
};

struct Notes {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<uint32_t> codes;
    Clock::time_point at;
    MciNotifyCallback Callback()
    {
        return [this](uint32_t code, uint32_t) {
            std::lock_guard lock(mutex);
            codes.push_back(code);
            at = Clock::now();
            cv.notify_all();
        };
    }
    bool Wait(size_t count, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, timeout, [&] { return codes.size() >= count; });
    }
};

TEST_F(PulsePlayerTest, ToneIsHeardOnTheSinkForTheFilesLength)
{
    const std::string tone = m_dir.File("tone.wav");
    WriteTone(tone, 2.0);
    const std::string captured = m_dir.File("captured.wav");
    MonitorRecording recording(captured);
    ASSERT_TRUE(recording.Running());
    WaitForLowLatencySink();

    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(tone, id), 0u);
    ASSERT_EQ(MciSetTimeFormatMilliseconds(id), 0u);
    uint32_t length = 0;
    ASSERT_EQ(MciStatus(id, MCI_STATUS_LENGTH, length), 0u);
    EXPECT_EQ(length, 2000u);
    Notes notes;
    const auto start = Clock::now();
    ASSERT_EQ(MciPlay(id, 0, notes.Callback()), 0u);
    EXPECT_LT(Seconds(start), 0.5);
    uint32_t last = 0, rises = 0;
    while (Seconds(start) < 1.7) {
        std::this_thread::sleep_for(100ms);
        uint32_t mode = 0, pos = 0;
        ASSERT_EQ(MciStatus(id, MCI_STATUS_MODE, mode), 0u);
        ASSERT_EQ(MciStatus(id, MCI_STATUS_POSITION, pos), 0u);
        EXPECT_EQ(mode, MCI_MODE_PLAY);
        EXPECT_GE(pos, last);
        EXPECT_LE(pos, Seconds(start) * 1000 + 5) << "position is what was heard, never ahead";
        rises += pos > last;
        last = pos;
    }
    EXPECT_GE(rises, 12u);
    ASSERT_TRUE(notes.Wait(1, 3000ms));
    const double took = std::chrono::duration<double>(notes.at - start).count();
    EXPECT_EQ(notes.codes[0], MCI_NOTIFY_SUCCESSFUL);
    EXPECT_GE(took, 1.95);
    EXPECT_LE(took, 2.6);
    uint32_t pos = 0;
    EXPECT_EQ(MciStatus(id, MCI_STATUS_POSITION, pos), 0u);
    EXPECT_EQ(pos, 2000u);
    EXPECT_EQ(MciClose(id), 0u);

    std::this_thread::sleep_for(500ms);
    recording.Stop();
    const ToneSpan span = FindTone(captured);
    EXPECT_NEAR(span.seconds, 2.0, 0.12) << "tone from " << span.start << " s";
    const auto [rc, stat] = RunCommand("sox '" + captured + "' -n remix 1 trim " + std::to_string(span.start + 0.1) + " " +
                                       std::to_string(span.seconds - 0.2) + " stat 2>&1");
    ASSERT_EQ(rc, 0) << stat;
    std::printf("captured tone %.2f s from %.2f s, rough frequency %.0f Hz, RMS %.3f\n", span.seconds, span.start,
                SoxValue(stat, "Rough   frequency"), SoxValue(stat, "RMS     amplitude"));
    EXPECT_NEAR(SoxValue(stat, "Rough   frequency"), 440, 15) << stat;
    EXPECT_NEAR(SoxValue(stat, "RMS     amplitude"), 0.5 / std::sqrt(2.0), 0.05) << stat;
}

TEST_F(PulsePlayerTest, StopSilencesTheSinkPromptly)
{
    const std::string tone = m_dir.File("long.wav");
    WriteTone(tone, 3.0);
    const std::string captured = m_dir.File("captured.wav");
    MonitorRecording recording(captured);
    ASSERT_TRUE(recording.Running());
    WaitForLowLatencySink();

    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(tone, id), 0u);
    Notes notes;
    ASSERT_EQ(MciPlay(id, 0, notes.Callback()), 0u);
    std::this_thread::sleep_for(1000ms);
    const auto before = Clock::now();
    ASSERT_EQ(MciStop(id, notes.Callback()), 0u);
    EXPECT_LT(Seconds(before), 0.3);
    uint32_t pos = 0;
    ASSERT_EQ(MciStatus(id, MCI_STATUS_POSITION, pos), 0u);
    EXPECT_GT(pos, 800u);
    EXPECT_LT(pos, 1100u);
    ASSERT_TRUE(notes.Wait(2, 1000ms));
    EXPECT_EQ(notes.codes[0], MCI_NOTIFY_ABORTED);
    EXPECT_EQ(notes.codes[1], MCI_NOTIFY_SUCCESSFUL);
    EXPECT_EQ(MciClose(id), 0u);

    std::this_thread::sleep_for(500ms);
    recording.Stop();
    const ToneSpan span = FindTone(captured);
    std::printf("stopped at %u ms, captured tone %.2f s\n", pos, span.seconds);
    // What the sink played matches the position the device reported at the stop.
    EXPECT_NEAR(span.seconds, pos / 1000.0, 0.15) << "tone from " << span.start << " s";
}
TEST_F(PulsePlayerTest, NoServerRefusesThePlayAtOnce)
{
    const std::string tone = m_dir.File("tone.wav");
    WriteTone(tone, 1.0);
    ::setenv("PULSE_SERVER", ("unix:" + m_dir.File("no-such-socket")).c_str(), 1);
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(tone, id), 0u);
    Notes notes;
    const auto start = Clock::now();
    EXPECT_EQ(MciPlay(id, 0, notes.Callback()), MCIERR_WAVE_OUTPUTSINUSE);
    EXPECT_LT(Seconds(start), 1.0);
    uint32_t mode = 0;
    EXPECT_EQ(MciStatus(id, MCI_STATUS_MODE, mode), 0u);
    EXPECT_EQ(mode, MCI_MODE_STOP);
    EXPECT_EQ(MciClose(id), 0u);
    MciWaitForNotifications();
    std::lock_guard lock(notes.mutex);
    EXPECT_TRUE(notes.codes.empty()) << "a refused play is not notified";
}

TEST_F(PulsePlayerTest, ServerLostMidPlayEndsItWithFailure)
{

    const std::string tone = m_dir.File("tone.wav");
    WriteTone(tone, 5.0);
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(tone, id), 0u);
    Notes notes;
    ASSERT_EQ(MciPlay(id, 0, notes.Callback()), 0u);
    std::this_thread::sleep_for(500ms);
    RunCommand(Tool() + " stop '" + m_state + "'");
    const auto stopped = Clock::now();
    ASSERT_TRUE(notes.Wait(1, 3000ms));
    EXPECT_EQ(notes.codes[0], MCI_NOTIFY_FAILURE);
    EXPECT_LT(std::chrono::duration<double>(notes.at - stopped).count(), 2.0);
    uint32_t mode = 0, pos = 0;
    EXPECT_EQ(MciStatus(id, MCI_STATUS_MODE, mode), 0u);
    EXPECT_EQ(mode, MCI_MODE_STOP);
    EXPECT_EQ(MciStatus(id, MCI_STATUS_POSITION, pos), 0u);
    EXPECT_LT(pos, 5000u);
    EXPECT_EQ(MciClose(id), 0u);
}
} // namespace

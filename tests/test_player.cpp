// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The playback device over the virtual output: modes, positions and
// notifications over time, stop, supersede, close, failures, and files of
// every format (our own writer's layouts and FFmpeg's) decoded in full.
#include "platform/AudioBackends.h"
#include "TestSupport.h"

#include "engine/CWavFile.h"
#include "platform/playback/CAudioDecoder.h"
#include "platform/playback/CVirtualOutput.h"
#include "platform/playback/MciWaveAudio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <atomic>
#include <condition_variable>
#include <map>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Every notification a callback received, with the time it came.
struct NotifyLog {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::pair<std::string, uint32_t>> events; // (tag, code)
    std::vector<Clock::time_point> times;

    MciNotifyCallback Callback(const std::string& tag, uint32_t expectedId)
    {
        return [this, tag, expectedId](uint32_t code, uint32_t id) {
            EXPECT_EQ(id, expectedId);
            std::lock_guard lock(mutex);
            events.emplace_back(tag, code);
            times.push_back(Clock::now());
            cv.notify_all();
        };
    }
    bool WaitFor(size_t count, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, timeout, [&] { return events.size() >= count; });
    }
    std::vector<std::pair<std::string, uint32_t>> Events()
    {
        std::lock_guard lock(mutex);
        return events;
    }
};

std::vector<int16_t> WritePcm(const std::string& path, uint32_t rate, uint16_t channels, double seconds,
                              double frequency = 440)
{
    CapturingHost host;
    const auto samples = SineSamples(frequency, 0.5, rate, size_t(rate * seconds), channels);
    const WAVEFORMATEX format = MakePcmFormat(channels, rate, 16);
    CWavFile file;
    EXPECT_TRUE(file.Create(path, &format));
    EXPECT_TRUE(file.Write(samples.data(), uint32_t(samples.size() * 2)));
    EXPECT_TRUE(file.Close());
    return samples;
}

// Whole periods counted by upward crossings through a band around zero, so
// codec noise near the axis adds no crossings.
double ToneFrequency(const std::vector<int16_t>& s, uint16_t channels, uint32_t rate)
{
    const int threshold = 3000;
    size_t crossings = 0, first = 0, last = 0;
    bool low = false;
    for (size_t i = 0; i < s.size(); i += channels) {
        if (s[i] < -threshold)
            low = true;
        else if (low && s[i] > threshold) {
            low = false;
            if (!crossings)
                first = i / channels;
            last = i / channels;
            ++crossings;
        }
    }
    return crossings > 1 ? double(crossings - 1) * rate / double(last - first) : 0;
}

double Rms(const std::vector<int16_t>& s)
{
    double sum = 0;
    for (int16_t v : s)
        sum += double(v) * v;
    return s.empty() ? 0 : std::sqrt(sum / double(s.size()));
}

uint32_t Status(uint32_t id, uint32_t item)
{
    uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(MciStatus(id, item, value), 0u);
    return value;
}

class PlayerTest : public ::testing::Test {
protected:
    void UseVirtualOutput(double speed, std::string failOpen = {})
    {
        OverrideBackend(&AudioBackends::audioOutput, [this, speed, failOpen] {
            auto out = std::make_shared<CVirtualOutput>(speed);
            if (!failOpen.empty())
                out->FailOpen(failOpen);
            std::lock_guard lock(m_mutex);
            m_outputs.push_back(out);
            return out;
        });
    }
    void SetUp() override { UseVirtualOutput(1.0); }
    void TearDown() override
    {
        MciWaitForNotifications();
        OverrideBackend(&AudioBackends::audioOutput, nullptr);
    }
    std::shared_ptr<CVirtualOutput> Output(size_t i)
    {
        std::lock_guard lock(m_mutex);
        return i < m_outputs.size() ? m_outputs[i] : nullptr;
    }
    size_t OutputCount()
    {
        std::lock_guard lock(m_mutex);
        return m_outputs.size();
    }

    TempDir m_dir;
    std::mutex m_mutex;
    std::vector<std::shared_ptr<CVirtualOutput>> m_outputs;
};

TEST_F(PlayerTest, ThreeSecondFileAtRealTimeModesPositionAndCompletion)
{
    const std::string path = m_dir.File("tone.wav");
    const auto samples = WritePcm(path, 22050, 1, 3.0);
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(MciSetTimeFormatMilliseconds(id), 0u);
    EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
    EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), 3000u);
    EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 0u);

    NotifyLog log;
    const auto start = Clock::now();
    ASSERT_EQ(MciPlay(id, 0, log.Callback("play", id)), 0u);
    EXPECT_LT(Seconds(start), 0.5) << "play must not wait for the sound";
    EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_PLAY);

    // Ticks every 100 ms, as the panel polls.
    uint32_t last = 0;
    int rises = 0;
    while (Seconds(start) < 2.5) {
        std::this_thread::sleep_for(100ms);
        const uint32_t mode = Status(id, MCI_STATUS_MODE);
        const uint32_t pos = Status(id, MCI_STATUS_POSITION);
        const double elapsedMs = Seconds(start) * 1000;
        EXPECT_EQ(mode, MCI_MODE_PLAY);
        EXPECT_GE(pos, last);
        rises += pos > last;
        // What has been heard: never ahead of the clock, and behind it by about the latency.
        EXPECT_LE(pos, elapsedMs + 5);
        EXPECT_GE(pos + 200, elapsedMs) << "position lags too far behind";
        last = pos;
    }
    EXPECT_GE(rises, 20);
    EXPECT_TRUE(log.Events().empty());

    ASSERT_TRUE(log.WaitFor(1, 3000ms));
    const double took = std::chrono::duration<double>(log.times[0] - start).count();
    EXPECT_GE(took, 2.95);
    EXPECT_LE(took, 3.4);
    EXPECT_EQ(log.Events()[0].second, MCI_NOTIFY_SUCCESSFUL);
    EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
    EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 3000u);
    EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), 3000u);

    // The output heard every sample of the file, in order, at its rate.
    auto out = Output(0);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Rate(), 22050u);
    EXPECT_EQ(out->Channels(), 1u);
    EXPECT_TRUE(out->Samples() == samples);
    EXPECT_TRUE(out->WasClosed());

    EXPECT_EQ(MciClose(id), 0u);
    uint32_t value = 77;
    EXPECT_EQ(MciStatus(id, MCI_STATUS_MODE, value), MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(value, 77u);
    EXPECT_EQ(MciClose(id), MCIERR_INVALID_DEVICE_ID);
}

TEST_F(PlayerTest, StopMidWayAbortsThePlayThenSucceeds)
{
    UseVirtualOutput(4.0);
    const std::string path = m_dir.File("stop.wav");
    const auto samples = WritePcm(path, 22050, 1, 3.0);
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
    NotifyLog log;
    ASSERT_EQ(MciPlay(id, 0, log.Callback("play", id)), 0u);
    std::this_thread::sleep_for(250ms); // about 1 s of audio at 4x
    const auto before = Clock::now();
    ASSERT_EQ(MciStop(id, log.Callback("stop", id)), 0u);
    EXPECT_LT(Seconds(before), 0.2);
    EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
    const uint32_t pos = Status(id, MCI_STATUS_POSITION);
    EXPECT_GT(pos, 500u);
    EXPECT_LT(pos, 2000u);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(Status(id, MCI_STATUS_POSITION), pos) << "a stopped device holds its position";

    ASSERT_TRUE(log.WaitFor(2, 1000ms));
    std::this_thread::sleep_for(100ms);
    const auto events = log.Events();
    ASSERT_EQ(events.size(), 2u) << "no further notification after the stop";
    EXPECT_EQ(events[0], std::make_pair(std::string("play"), MCI_NOTIFY_ABORTED));
    EXPECT_EQ(events[1], std::make_pair(std::string("stop"), MCI_NOTIFY_SUCCESSFUL));
    auto out = Output(0);
    EXPECT_TRUE(out->WasAborted());
    EXPECT_LT(out->Samples().size(), samples.size());

    // Stop on a stopped device: nothing to abort, the stop itself succeeds.
    NotifyLog again;
    EXPECT_EQ(MciStop(id, again.Callback("stop2", id)), 0u);
    ASSERT_TRUE(again.WaitFor(1, 1000ms));
    EXPECT_EQ(again.Events()[0].second, MCI_NOTIFY_SUCCESSFUL);
    EXPECT_EQ(MciClose(id), 0u);
}

TEST_F(PlayerTest, SecondPlaySupersedesTheFirstAndPlaysToTheEnd)
{
    UseVirtualOutput(10.0);
    const std::string path = m_dir.File("sup.wav");
    const auto samples = WritePcm(path, 8000, 2, 2.0);
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
    NotifyLog log;
    ASSERT_EQ(MciPlay(id, 0, log.Callback("first", id)), 0u);
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(MciPlay(id, 0, log.Callback("second", id)), 0u);
    EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_PLAY);
    ASSERT_TRUE(log.WaitFor(2, 3000ms));
    const auto events = log.Events();
    EXPECT_EQ(events[0], std::make_pair(std::string("first"), MCI_NOTIFY_SUPERSEDED));
    EXPECT_EQ(events[1], std::make_pair(std::string("second"), MCI_NOTIFY_SUCCESSFUL));
    ASSERT_EQ(OutputCount(), 2u);
    EXPECT_TRUE(Output(1)->Samples() == samples) << "the second play starts again from the beginning";
    EXPECT_EQ(MciClose(id), 0u);
}

TEST_F(PlayerTest, CloseWhilePlayingAbortsPromptly)
{
    const std::string path = m_dir.File("close.wav");
    WritePcm(path, 44100, 2, 3.0);
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
    NotifyLog log;
    ASSERT_EQ(MciPlay(id, 0, log.Callback("play", id)), 0u);
    std::this_thread::sleep_for(200ms);
    const auto before = Clock::now();
    EXPECT_EQ(MciClose(id), 0u);
    EXPECT_LT(Seconds(before), 0.2);
    ASSERT_TRUE(log.WaitFor(1, 1000ms));
    EXPECT_EQ(log.Events()[0].second, MCI_NOTIFY_ABORTED);
    EXPECT_TRUE(Output(0)->WasAborted());
    EXPECT_TRUE(Output(0)->WasClosed());
    uint32_t v = 0;
    EXPECT_EQ(MciPlay(id, 0, nullptr), MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(MciStop(id, nullptr), MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(MciStatus(id, MCI_STATUS_LENGTH, v), MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(MciSetTimeFormatMilliseconds(id), MCIERR_INVALID_DEVICE_ID);
}

TEST_F(PlayerTest, PlayFromAPositionAndOutOfRange)
{
    UseVirtualOutput(10.0);
    const std::string path = m_dir.File("from.wav");
    const auto samples = WritePcm(path, 22050, 1, 3.0);
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
    NotifyLog log;
    EXPECT_EQ(MciPlay(id, 3001, log.Callback("late", id)), MCIERR_OUTOFRANGE);
    EXPECT_EQ(OutputCount(), 0u);
    ASSERT_EQ(MciPlay(id, 1000, log.Callback("play", id)), 0u);
    EXPECT_GE(Status(id, MCI_STATUS_POSITION), 1000u);
    ASSERT_TRUE(log.WaitFor(1, 2000ms));
    EXPECT_EQ(log.Events().size(), 1u) << "a refused play is not notified";
    EXPECT_EQ(log.Events()[0], std::make_pair(std::string("play"), MCI_NOTIFY_SUCCESSFUL));
    const std::vector<int16_t> tail(samples.begin() + 22050, samples.end());
    EXPECT_TRUE(Output(0)->Samples() == tail);
    EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 3000u);

    // From the very end: nothing to play, done at once.
    NotifyLog end;
    ASSERT_EQ(MciPlay(id, 3000, end.Callback("end", id)), 0u);
    ASSERT_TRUE(end.WaitFor(1, 1000ms));
    EXPECT_EQ(end.Events()[0].second, MCI_NOTIFY_SUCCESSFUL);
    EXPECT_TRUE(Output(1)->Samples().empty());
    EXPECT_EQ(MciClose(id), 0u);
}

TEST_F(PlayerTest, FilesThatCannotBeOpenedGiveCodesAndTexts)
{
    if (RerunAsUnprivilegedUser()) // root reads anything
        return;
    uint32_t id = 99;
    EXPECT_EQ(MciOpenWaveAudio(m_dir.File("missing.wav"), id), MCIERR_FILE_NOT_FOUND);
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(MciOpenWaveAudio(m_dir.Path(), id), MCIERR_FILE_NOT_FOUND) << "a folder is no file";
    EXPECT_EQ(MciOpenWaveAudio("", id), MCIERR_FILE_NOT_FOUND);

    std::vector<uint8_t> garbage(5000);
    uint32_t x = 12345;
    for (auto& b : garbage)
        b = uint8_t((x = x * 1103515245 + 12345) >> 16);
    WriteFileBytes(m_dir.File("garbage.wav"), garbage);
    id = 99;
    EXPECT_EQ(MciOpenWaveAudio(m_dir.File("garbage.wav"), id), MCIERR_INVALID_FILE);
    EXPECT_EQ(id, 0u);

    WriteFileBytes(m_dir.File("empty.wav"), {});
    EXPECT_EQ(MciOpenWaveAudio(m_dir.File("empty.wav"), id), MCIERR_INVALID_FILE);

    // A RIFF/WAVE header without a data chunk, and one with an unknown format tag.
    const std::string good = m_dir.File("good.wav");
    WritePcm(good, 8000, 1, 0.5);
    auto bytes = ReadFileBytes(good);
    std::vector<uint8_t> noData(bytes.begin(), bytes.begin() + 38);
    WriteFileBytes(m_dir.File("nodata.wav"), noData);
    EXPECT_EQ(MciOpenWaveAudio(m_dir.File("nodata.wav"), id), MCIERR_INVALID_FILE);
    auto unknownTag = bytes;
    unknownTag[20] = 0x34;
    unknownTag[21] = 0x12;
    WriteFileBytes(m_dir.File("tag.wav"), unknownTag);
    EXPECT_EQ(MciOpenWaveAudio(m_dir.File("tag.wav"), id), MCIERR_INVALID_FILE);
    // A RIFF file of another form (AVI) is no WAV file.
    WriteFileBytes(m_dir.File("text.wav"), std::vector<uint8_t>{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '});
    EXPECT_EQ(MciOpenWaveAudio(m_dir.File("text.wav"), id), MCIERR_INVALID_FILE);

    ::chmod(good.c_str(), 0);
    EXPECT_EQ(MciOpenWaveAudio(good, id), MCIERR_FILE_READ);
    ::chmod(good.c_str(), 0644);

    EXPECT_EQ(MciGetErrorString(MCIERR_FILE_NOT_FOUND),
              "The specified file was not found. Make sure the path and filename are correct.");
    EXPECT_EQ(MciGetErrorString(MCIERR_INVALID_FILE).rfind("The file cannot be played on the specified device.", 0),
              0u);
    for (uint32_t code : {MCIERR_INVALID_DEVICE_ID, MCIERR_UNRECOGNIZED_KEYWORD, MCIERR_OUTOFRANGE,
                          MCIERR_WAVE_OUTPUTSINUSE, MCIERR_FILE_READ, MCIERR_INTERNAL}) {
        const std::string text = MciGetErrorString(code);
        EXPECT_GT(text.size(), 20u) << code;
        EXPECT_EQ(text.find("Unknown"), std::string::npos) << code;
    }
    EXPECT_NE(MciGetErrorString(4242).find("4242"), std::string::npos);

    uint32_t v = 5;
    EXPECT_EQ(MciStatus(0, MCI_STATUS_MODE, v), MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(MciPlay(0, 0, nullptr), MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(MciStop(0, nullptr), MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(MciSetTimeFormatMilliseconds(0), MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(MciClose(0), MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(v, 5u);

    ASSERT_EQ(MciOpenWaveAudio(good, id), 0u);
    EXPECT_EQ(MciStatus(id, 3, v), MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(v, 5u);
    EXPECT_EQ(MciClose(id), 0u);
}

TEST_F(PlayerTest, PcmLengthIsExactFromTheDataBytes)
{
    struct Case {
        uint32_t rate;
        uint16_t channels;
        uint32_t frames;
        uint32_t lengthMs;
    } cases[] = {{44100, 2, 54419, 1233}, {8000, 1, 8001, 1000}, {11025, 1, 11024, 999}, {48000, 2, 3, 0}};
    for (const Case& c : cases) {
        const std::string path = m_dir.File("len" + std::to_string(c.rate) + ".wav");
        WritePcm(path, c.rate, c.channels, double(c.frames) / c.rate + 1e-9);
        uint32_t id = 0;
        ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
        EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), c.lengthMs) << c.rate;
        EXPECT_EQ(MciClose(id), 0u);
    }
    // Two distinct opens of the same file are two devices.
    const std::string path = m_dir.File("len8000.wav");
    uint32_t a = 0, b = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, a), 0u);
    ASSERT_EQ(MciOpenWaveAudio(path, b), 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(MciClose(a), 0u);
    EXPECT_EQ(Status(b, MCI_STATUS_LENGTH), 1000u);
    EXPECT_EQ(MciClose(b), 0u);
}

TEST_F(PlayerTest, UnfinishedRecordingWithZeroSizesPlaysAllItsBytes)
{
    UseVirtualOutput(20.0);
    const std::string path = m_dir.File("unfinished.wav");
    const auto samples = WritePcm(path, 22050, 1, 3.0);
    auto bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 46u + 132300u) << "our writer's layout: 18-byte fmt chunk";
    std::memset(&bytes[4], 0, 4);  // RIFF size
    std::memset(&bytes[42], 0, 4); // data size
    WriteFileBytes(path, bytes);

    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
    EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), 3000u);
    NotifyLog log;
    ASSERT_EQ(MciPlay(id, 0, log.Callback("play", id)), 0u);
    ASSERT_TRUE(log.WaitFor(1, 3000ms));
    EXPECT_EQ(log.Events()[0].second, MCI_NOTIFY_SUCCESSFUL);
    EXPECT_TRUE(Output(0)->Samples() == samples);
    EXPECT_EQ(MciClose(id), 0u);

    // A header that claims more than the file holds: the bytes present count.
    auto cut = ReadFileBytes(m_dir.File("unfinished.wav"));
    cut.resize(46 + 44100);
    cut[42] = 0xCC, cut[43] = 0x04, cut[44] = 0x02, cut[45] = 0x00; // 132300 claimed
    WriteFileBytes(m_dir.File("cut.wav"), cut);
    ASSERT_EQ(MciOpenWaveAudio(m_dir.File("cut.wav"), id), 0u);
    EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), 1000u);
    EXPECT_EQ(MciClose(id), 0u);
}

// Rebuilds a file in our writer's layout: RIFF, the fmt chunk as given, an
// empty fact chunk, data.
std::vector<uint8_t> OurLayout(const std::vector<uint8_t>& fmt, const std::vector<uint8_t>& data, bool zeroSizes)
{
    std::vector<uint8_t> out;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(uint8_t(v >> (8 * i)));
    };
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i)
            out.push_back(uint8_t(t[i]));
    };
    tag("RIFF");
    put32(0);
    tag("WAVE");
    tag("fmt ");
    put32(uint32_t(fmt.size()));
    out.insert(out.end(), fmt.begin(), fmt.end());
    if (fmt.size() & 1)
        out.push_back(0);
    tag("fact");
    put32(0);
    tag("data");
    put32(zeroSizes ? 0 : uint32_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (!zeroSizes) {
        const uint32_t riff = uint32_t(out.size() - 8);
        std::memcpy(&out[4], &riff, 4);
    }
    return out;
}

// The fmt and data chunk bodies of a RIFF file.
void SplitChunks(const std::vector<uint8_t>& file, std::vector<uint8_t>& fmt, std::vector<uint8_t>& data)
{
    size_t pos = 12;
    while (pos + 8 <= file.size()) {
        const uint32_t size = Le32(file, pos + 4);
        const auto body = file.begin() + long(pos + 8);
        if (std::memcmp(&file[pos], "fmt ", 4) == 0)
            fmt.assign(body, body + size);
        if (std::memcmp(&file[pos], "data", 4) == 0)
            data.assign(body, body + std::min<size_t>(size, file.size() - pos - 8));
        pos += 8 + size + (size & 1);
    }
}

class CompressedFileTest : public PlayerTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CompressedFileTest, DecodesToTheRightLengthAndTone)
{
    UseVirtualOutput(50.0);
    const std::string codec = GetParam();
    const std::string source = m_dir.File("src.wav");
    WritePcm(source, 8000, 1, 3.0, 500);
    const std::string made = m_dir.File(codec + ".wav");
    const auto [rc, out] =
        RunCommand("ffmpeg -v error -y -i '" + source + "' -ar 8000 -c:a " + codec + " '" + made + "' 2>&1");
    ASSERT_EQ(rc, 0) << out;

    std::vector<uint8_t> fmt, data;
    SplitChunks(ReadFileBytes(made), fmt, data);
    ASSERT_GE(fmt.size(), 16u);
    ASSERT_FALSE(data.empty());
    // FFmpeg's own file, the same in our writer's layout, and that with sizes never patched.
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> variants = {
        {"ffmpeg", ReadFileBytes(made)},
        {"ours", OurLayout(fmt, data, false)},
        {"unpatched", OurLayout(fmt, data, true)},
    };
    for (size_t v = 0; v < variants.size(); ++v) {
        SCOPED_TRACE(codec + " " + variants[v].first);
        const std::string path = m_dir.File(codec + "-" + variants[v].first + ".wav");
        WriteFileBytes(path, variants[v].second);
        uint32_t id = 0;
        ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
        const uint32_t length = Status(id, MCI_STATUS_LENGTH);
        // MP3's encoder delay and padding belong to the stream: up to 0.3 s more.
        EXPECT_GE(length, 2900u);
        EXPECT_LE(length, 3300u);
        NotifyLog log;
        ASSERT_EQ(MciPlay(id, 0, log.Callback("play", id)), 0u);
        ASSERT_TRUE(log.WaitFor(1, 3000ms));
        EXPECT_EQ(log.Events()[0].second, MCI_NOTIFY_SUCCESSFUL);
        auto output = Output(OutputCount() - 1);
        const auto heard = output->Samples();
        EXPECT_EQ(output->Rate(), 8000u);
        EXPECT_EQ(output->Channels(), 1u);
        // Codec frames pad the end (MP3 also delays the start) by a fraction of a second.
        EXPECT_GE(heard.size(), 24000u);
        EXPECT_LE(heard.size(), 24000u + 2400u);
        EXPECT_NEAR(ToneFrequency(heard, 1, 8000), 500, 10);
        EXPECT_GT(Rms(heard), 0.5 * 32767 / std::sqrt(2.0) * 0.8);
        // After a whole play the length is the decoded one, and the position at its end.
        const uint32_t decodedMs = uint32_t(heard.size() * 1000 / 8000);
        EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), decodedMs);
        EXPECT_EQ(Status(id, MCI_STATUS_POSITION), decodedMs);
        EXPECT_EQ(MciClose(id), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, CompressedFileTest,
                         ::testing::Values("adpcm_ima_wav", "adpcm_ms", "pcm_alaw", "pcm_mulaw", "libmp3lame",
                                           "libgsm_ms"));

TEST_F(PlayerTest, UndecodableDataEndsThePlayWithFailure)
{
    UseVirtualOutput(20.0);
    const std::string source = m_dir.File("src.wav");
    WritePcm(source, 8000, 1, 2.0);
    const std::string made = m_dir.File("ms.wav");
    ASSERT_EQ(RunCommand("ffmpeg -v error -y -i '" + source + "' -c:a adpcm_ms '" + made + "' 2>&1").first, 0);
    std::vector<uint8_t> fmt, data;
    SplitChunks(ReadFileBytes(made), fmt, data);
    // Every block starts with a predictor index the codec does not have.
    std::fill(data.begin(), data.end(), 0xFF);
    WriteFileBytes(made, OurLayout(fmt, data, false));
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(made, id), 0u);
    NotifyLog log;
    ASSERT_EQ(MciPlay(id, 0, log.Callback("play", id)), 0u);
    ASSERT_TRUE(log.WaitFor(1, 3000ms));
    EXPECT_EQ(log.Events()[0].second, MCI_NOTIFY_FAILURE);
    EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
    EXPECT_TRUE(Output(0)->Samples().empty());
    EXPECT_EQ(MciClose(id), 0u);
}

TEST_F(PlayerTest, UnavailableOutputFailsThePlayWithoutNotification)
{
    UseVirtualOutput(1.0, "no server");
    const std::string path = m_dir.File("a.wav");
    WritePcm(path, 8000, 1, 1.0);
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
    NotifyLog log;
    EXPECT_EQ(MciPlay(id, 0, log.Callback("play", id)), MCIERR_WAVE_OUTPUTSINUSE);
    EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
    EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 0u);
    // The device stays usable once the output is back.
    UseVirtualOutput(20.0);
    ASSERT_EQ(MciPlay(id, 0, log.Callback("again", id)), 0u);
    ASSERT_TRUE(log.WaitFor(1, 2000ms));
    MciWaitForNotifications();
    const auto events = log.Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], std::make_pair(std::string("again"), MCI_NOTIFY_SUCCESSFUL));
    EXPECT_EQ(MciClose(id), 0u);
}

TEST_F(PlayerTest, ADeviceGivenItsOwnOutputFactoryPlaysToItAlone)
{
    const std::string path = m_dir.File("a.wav");
    WritePcm(path, 8000, 1, 0.2);
    std::atomic<int> made{0};
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, id,
                               [&made]() -> std::shared_ptr<IAudioOutput> {
                                   ++made;
                                   return std::make_shared<CVirtualOutput>(20.0);
                               }),
              0u);
    EXPECT_EQ(made.load(), 0) << "the output is made by the play, not by the open";
    NotifyLog log;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(MciPlay(id, 0, log.Callback("play", id)), 0u);
        ASSERT_TRUE(log.WaitFor(size_t(i) + 1, 2000ms));
    }
    EXPECT_EQ(made.load(), 2) << "each play takes a fresh output";
    EXPECT_EQ(OutputCount(), 0u) << "the backend table's output was not used";
    EXPECT_EQ(MciClose(id), 0u);

    // No factory: no output, so the play fails at once and says nothing.
    ASSERT_EQ(MciOpenWaveAudio(path, id, nullptr), 0u);
    EXPECT_EQ(MciPlay(id, 0, log.Callback("none", id)), MCIERR_WAVE_OUTPUTSINUSE);
    EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
    EXPECT_EQ(MciClose(id), 0u);
    MciWaitForNotifications();
    const auto events = log.Events();
    ASSERT_EQ(events.size(), 2u);
    for (const auto& event : events)
        EXPECT_EQ(event, std::make_pair(std::string("play"), MCI_NOTIFY_SUCCESSFUL));
}

TEST_F(PlayerTest, NotificationMayCloseTheDeviceItCameFrom)
{
    UseVirtualOutput(20.0);
    const std::string path = m_dir.File("a.wav");
    WritePcm(path, 8000, 1, 1.0);
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
    std::mutex m;
    std::condition_variable cv;
    uint32_t closeResult = 1234;
    ASSERT_EQ(MciPlay(id, 0,
                      [&](uint32_t code, uint32_t dev) {
                          EXPECT_EQ(code, MCI_NOTIFY_SUCCESSFUL);
                          const uint32_t r = MciClose(dev); // what the panel does on success
                          std::lock_guard lock(m);
                          closeResult = r;
                          cv.notify_all();
                      }),
              0u);
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, 3000ms, [&] { return closeResult != 1234; }));
    EXPECT_EQ(closeResult, 0u);
    uint32_t v = 0;
    EXPECT_EQ(MciStatus(id, MCI_STATUS_MODE, v), MCIERR_INVALID_DEVICE_ID);
}

TEST_F(PlayerTest, CommandsFromManyThreadsStayConsistent)
{
    UseVirtualOutput(8.0);
    const std::string path = m_dir.File("busy.wav");
    WritePcm(path, 22050, 2, 1.0);
    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
    std::mutex m;
    std::map<uint32_t, int> codes;
    auto count = [&](uint32_t code, uint32_t) {
        std::lock_guard lock(m);
        ++codes[code];
    };
    std::atomic<bool> done{false};
    std::vector<std::thread> pollers;
    for (int t = 0; t < 3; ++t)
        pollers.emplace_back([&] {
            while (!done) {
                uint32_t mode = 0, pos = 0, len = 0;
                EXPECT_EQ(MciStatus(id, MCI_STATUS_MODE, mode), 0u);
                EXPECT_EQ(MciStatus(id, MCI_STATUS_POSITION, pos), 0u);
                EXPECT_EQ(MciStatus(id, MCI_STATUS_LENGTH, len), 0u);
                EXPECT_TRUE(mode == MCI_MODE_PLAY || mode == MCI_MODE_STOP);
                EXPECT_LE(pos, len);
            }
        });
    int plays = 0, stops = 0;
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(MciPlay(id, uint32_t(i * 29 % 900), count), 0u);
        ++plays;
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 7 * 5));
        if (i % 3 == 0) {
            ASSERT_EQ(MciStop(id, count), 0u);
            ++stops;
        }
    }
    std::this_thread::sleep_for(300ms); // the last play ends at 8x
    done = true;
    for (auto& t : pollers)
        t.join();
    EXPECT_EQ(MciClose(id), 0u);
    MciWaitForNotifications();
    // Exactly one notification per play, plus one success per stop.
    int total = 0;
    for (auto& [code, n] : codes)
        total += n;
    EXPECT_EQ(total, plays + stops);
    EXPECT_GE(codes[MCI_NOTIFY_SUPERSEDED], 1);
    EXPECT_GE(codes[MCI_NOTIFY_SUCCESSFUL], stops + 1);
}

TEST_F(PlayerTest, EnvironmentChoosesTheVirtualOutputAndItsSpeed)
{
    OverrideBackend(&AudioBackends::audioOutput, nullptr);
    const std::string path = m_dir.File("env.wav");
    WritePcm(path, 22050, 1, 3.0);
    ::setenv("VELLORY_AUDIO", "virtual", 1);
    for (const char* speed : {"10", "0"}) {
        ::setenv("VELLORY_VIRTUAL_OUTPUT_SPEED", speed, 1);
        uint32_t id = 0;
        ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
        NotifyLog log;
        const auto start = Clock::now();
        ASSERT_EQ(MciPlay(id, 0, log.Callback("play", id)), 0u);
        ASSERT_TRUE(log.WaitFor(1, 3000ms));
        const double took = std::chrono::duration<double>(log.times[0] - start).count();
        EXPECT_EQ(log.Events()[0].second, MCI_NOTIFY_SUCCESSFUL);
        if (std::string(speed) == "10") {
            EXPECT_GE(took, 0.28);
            EXPECT_LE(took, 0.6);
        } else {
            EXPECT_LE(took, 0.2) << "speed 0 takes the file at once";
        }
        EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 3000u);
        EXPECT_EQ(MciClose(id), 0u);
    }
    ::unsetenv("VELLORY_VIRTUAL_OUTPUT_SPEED");
    ::unsetenv("VELLORY_AUDIO");
}

TEST(AudioDecoderTest, StereoSamplesComeBackInterleavedAndExact)
{
    TempDir dir;
    const std::string path = dir.File("st.wav");
    const auto samples = WritePcm(path, 44100, 2, 0.5, 1000);
    CAudioDecoder decoder;
    ASSERT_EQ(decoder.Open(path), 0u);
    EXPECT_EQ(decoder.Rate(), 44100u);
    EXPECT_EQ(decoder.Channels(), 2u);
    EXPECT_TRUE(decoder.IsPcm());
    EXPECT_EQ(decoder.DataBytes(), samples.size() * 2);
    ASSERT_TRUE(decoder.Start(0));
    std::vector<int16_t> all, chunk(333 * 2);
    long n;
    while ((n = decoder.Read(chunk.data(), 333)) > 0)
        all.insert(all.end(), chunk.begin(), chunk.begin() + n * 2);
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(all == samples);
    // Starting again from 250 ms gives the second half.
    ASSERT_TRUE(decoder.Start(250));
    all.clear();
    while ((n = decoder.Read(chunk.data(), 333)) > 0)
        all.insert(all.end(), chunk.begin(), chunk.begin() + n * 2);
    EXPECT_TRUE(all == std::vector<int16_t>(samples.begin() + 22050, samples.end()));
}
} // namespace

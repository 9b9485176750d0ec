// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Ogg Opus and FLAC files through the playback device into the virtual
// output: exact length, every sample of a whole play, and a play from a
// position in the middle.
#include "ContainerTestSupport.h"
#include "TestSupport.h"
#include "platform/AudioBackends.h"
#include "platform/playback/CVirtualOutput.h"
#include "platform/playback/MciWaveAudio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

using namespace std::chrono_literals;

struct PlayCase {
    TestContainer kind;
    int rate;
    int channels;
};

std::string CaseName(const ::testing::TestParamInfo<PlayCase>& info)
{
    return std::string(info.param.kind == TestContainer::Opus ? "Opus" : "Flac") + "_" +
           std::to_string(info.param.rate) + "_" + std::to_string(info.param.channels) + "ch";
}

// The one notification of a play.
struct Notified {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    uint32_t code = 0;
    MciNotifyCallback Callback()
    {
        return [this](uint32_t c, uint32_t) {
            std::lock_guard lock(mutex);
            code = c;
            done = true;
            cv.notify_all();
        };
    }
    bool Wait()
    {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, 10s, [&] { return done; });
    }
};

// Periods of the first channel counted by upward crossings through a band around zero.
double ToneFrequency(const std::vector<int16_t>& s, int channels, int rate)
{
    size_t crossings = 0, first = 0, last = 0;
    bool low = false;
    for (size_t i = 0; i < s.size(); i += size_t(channels)) {
        if (s[i] < -1000) {
            low = true;
        } else if (low && s[i] > 1000) {
            low = false;
            if (!crossings)
                first = i;
            last = i;
            ++crossings;
        }
    }
    return crossings > 1 ? double(crossings - 1) * rate * channels / double(last - first) : 0;
}

class ContainerPlaybackTest : public ::testing::TestWithParam<PlayCase> {
protected:
    void SetUp() override
    {
        // Every sample at once: a play ends as soon as the file is decoded.
        m_outputs.Install();
    }
    void TearDown() override
    {
        MciWaitForNotifications();
        m_outputs.Remove();
    }
    std::shared_ptr<CVirtualOutput> LastOutput() { return m_outputs.Last(); }
    std::vector<int16_t> Play(uint32_t id, uint32_t fromMs)
    {
        Notified n;
        EXPECT_EQ(MciPlay(id, fromMs, n.Callback()), 0u);
        EXPECT_TRUE(n.Wait());
        EXPECT_EQ(n.code, MCI_NOTIFY_SUCCESSFUL);
        auto out = LastOutput();
        return out ? out->Samples() : std::vector<int16_t>();
    }

    TempDir m_dir;
    VirtualOutputs m_outputs;
};

} // namespace

TEST_P(ContainerPlaybackTest, PlaysEverySampleWithExactLengthAndSeeks)
{
    const PlayCase c = GetParam();
    const std::string path = m_dir.File(c.kind == TestContainer::Opus ? "09-Dec-2026_15659.opus" : "take.flac");
    ASSERT_TRUE(MakeContainerFile(c.kind, path, 3.0, c.rate, c.channels));
    // Opus always decodes at 48 kHz.
    const int outRate = c.kind == TestContainer::Opus ? 48000 : c.rate;

    uint32_t id = 0;
    ASSERT_EQ(MciOpenWaveAudio(path, id), 0u);
    uint32_t length = 0;
    ASSERT_EQ(MciStatus(id, MCI_STATUS_LENGTH, length), 0u);
    EXPECT_EQ(length, 3000u) << "from the header, before any play";

    const auto whole = Play(id, 0);
    auto out = LastOutput();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->Rate(), uint32_t(outRate));
    EXPECT_EQ(out->Channels(), uint16_t(c.channels));
    EXPECT_EQ(whole.size(), size_t(3 * outRate * c.channels)) << "every sample, none more";
    EXPECT_NEAR(ToneFrequency(whole, c.channels, outRate), 440, 5);
    ASSERT_EQ(MciStatus(id, MCI_STATUS_LENGTH, length), 0u);
    EXPECT_EQ(length, 3000u);

    // From the middle: the second half, where the whole play had it.
    const auto tail = Play(id, 1500);
    const size_t half = size_t(outRate * 3 / 2) * size_t(c.channels);
    if (c.kind == TestContainer::Flac) {
        EXPECT_TRUE(tail == std::vector<int16_t>(whole.begin() + long(half), whole.end()));
    } else {
        // Opus decodes into the position from a little before it: the same
        // count of samples, the same tone, not bit for bit the same values.
        EXPECT_EQ(tail.size(), whole.size() - half);
        EXPECT_NEAR(ToneFrequency(tail, c.channels, outRate), 440, 5);
    }
    uint32_t position = 0;
    ASSERT_EQ(MciStatus(id, MCI_STATUS_POSITION, position), 0u);
    EXPECT_EQ(position, 3000u);
    EXPECT_EQ(MciClose(id), 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, ContainerPlaybackTest,
                         ::testing::Values(PlayCase{TestContainer::Opus, 48000, 1},
                                           PlayCase{TestContainer::Opus, 48000, 2},
                                           PlayCase{TestContainer::Flac, 44100, 1},
                                           PlayCase{TestContainer::Flac, 22050, 2}),
                         CaseName);

TEST(ContainerPlaybackRefusal, OggThatIsNotOpusIsNoRecording)
{
    TempDir dir;
    const std::string path = dir.File("speech.opus");
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i sine=d=1 -c:a libvorbis -f ogg '" + path + "'").first,
              0);
    uint32_t id = 0;
    EXPECT_EQ(MciOpenWaveAudio(path, id), MCIERR_INVALID_FILE);
    EXPECT_EQ(id, 0u);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// A recording that reaches the largest size a WAV file can hold ends cleanly:
// the writer refuses audio, the recording ends through its finish event, and
// the file is finished and valid.
#include "engine/CWaveRecorder.h"
#include "platform/capture/CVirtualWaveIn.h"
#include "platform/AudioBackends.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {
// Reaches the writer to lower its size limit: the real one is 4 GiB.
class SmallLimitRecorder : public CWaveRecorder {
public:
    using CWaveRecorder::CWaveRecorder;
    void LowerLimit(uint64_t bytes) { m_wavFile.SetDataLimit(bytes); }
};
} // namespace

TEST(SizeLimit, RecordingFromAFastSourceEndsWithAValidFile)
{
    CapturingHost host;
    TempDir dir;
    VirtualWaveInConfig config;
    config.signal = VirtualWaveInConfig::Signal::Sine;
    config.speed = 20;
    OverrideBackend(&AudioBackends::waveIn, [&](std::unique_ptr<IWaveIn>& d, const WAVEFORMATEX& f, WaveInProcFn proc, void* instance) {
        return CVirtualWaveIn::Open(d, f, proc, instance, config);
    });
    const auto path = dir.File("limit.wav");
    const WAVEFORMATEX pcm = MakePcmFormat(1, 22050, 16);
    {
        SmallLimitRecorder recorder(path);
        ASSERT_EQ(recorder.Start(&pcm), 0u);
        recorder.LowerLimit(600000);
        ASSERT_TRUE(recorder.WaitFinished(20000)) << "the recording did not end at the limit";
        EXPECT_TRUE(recorder.IsRecording()) << "ended by the writer, not by Stop";
        EXPECT_EQ(recorder.GetWavFile().LastWriteError(), WavWriteError::SizeLimit);
        recorder.AbortAfterRefusal();
        EXPECT_FALSE(recorder.GetWavFile().IsOpen());
    }
    OverrideBackend(&AudioBackends::waveIn, {});
    auto b = ReadFileBytes(path);
    ASSERT_GE(b.size(), 46u);
    const uint32_t data = Le32(b, 42);
    EXPECT_LE(data, 600000u);
    EXPECT_GT(data, 500000u) << "audio up to the limit is kept";
    EXPECT_EQ(data % 2, 0u);
    EXPECT_EQ(b.size(), 46u + data);
    EXPECT_EQ(Le32(b, 4), b.size() - 8);
    auto [rc, out] = RunCommand("sox --i -s '" + path + "' 2>&1");
    EXPECT_EQ(rc, 0) << out;
    EXPECT_EQ(std::stoul(out), data / 2);
    EXPECT_TRUE(host.Messages().empty());
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Long runs: eight hours of audio from the virtual device at full speed, in PCM
// and in a compressed format. The file must hold exactly what the device
// produced, and the process's memory must stay flat after the first minute.
#include "engine/CWaveRecorder.h"
#include "platform/codecs/CFormatCatalogue.h"
#include "platform/capture/CVirtualWaveIn.h"
#include "platform/AudioBackends.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace {

constexpr uint64_t kRate = 22050;
constexpr uint64_t kFrames = 8ull * 3600 * kRate; // eight hours

long ResidentKiB()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

struct SoakResult {
    uint64_t framesProduced = 0;
    long rssAfterFirstMinute = 0;
    long rssAtEnd = 0;
};

// Records from a full-speed sine until eight hours have been produced.
SoakResult Record(const std::string& path, const WAVEFORMATEX* format, const VirtualWaveInConfig& config)
{
    CVirtualWaveIn* device = nullptr;
    OverrideBackend(&AudioBackends::waveIn, [&](std::unique_ptr<IWaveIn>& d, const WAVEFORMATEX& f, WaveInProcFn proc, void* instance) {
        const uint32_t rc = CVirtualWaveIn::Open(d, f, proc, instance, config);
        device = static_cast<CVirtualWaveIn*>(d.get());
        return rc;
    });
    SoakResult r;
    {
        CWaveRecorder recorder(path);
        EXPECT_EQ(recorder.Start(format), 0u);
        if (!device)
            return r;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(8);
        while (device->FramesProduced() < kFrames && std::chrono::steady_clock::now() < deadline) {
            if (!r.rssAfterFirstMinute && device->FramesProduced() > 60 * kRate)
                r.rssAfterFirstMinute = ResidentKiB();
            EXPECT_FALSE(recorder.WaitFinished(0)) << "the recording ended by itself";
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        r.rssAtEnd = ResidentKiB();
        recorder.Stop();
        r.framesProduced = device->FramesProduced();
    }
    OverrideBackend(&AudioBackends::waveIn, {});
    return r;
}

VirtualWaveInConfig FullSpeedSine()
{
    VirtualWaveInConfig c;
    c.signal = VirtualWaveInConfig::Signal::Sine;
    c.frequency = 440;
    c.level = 0.5;
    c.speed = 0;
    return c;
}

} // namespace

TEST(Soak, EightHoursOfPcmHoldExactlyTheDeviceBytes)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("soak.wav");
    const WAVEFORMATEX pcm = MakePcmFormat(1, kRate, 16);
    const auto config = FullSpeedSine();
    const SoakResult r = Record(path, &pcm, config);
    ASSERT_GE(r.framesProduced, kFrames);
    EXPECT_TRUE(host.Messages().empty());

    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> header(46);
    in.read(reinterpret_cast<char*>(header.data()), 46);
    ASSERT_EQ(Le32(header, 42), r.framesProduced * 2) << "every produced byte, and no other";
    ASSERT_EQ(Le32(header, 4), 38 + r.framesProduced * 2);

    // Compare the audio with the device's own signal, a million frames at a time.
    std::vector<uint8_t> expected, actual;
    for (uint64_t first = 0; first < r.framesProduced; first += 1000000) {
        const size_t n = size_t(std::min<uint64_t>(1000000, r.framesProduced - first));
        CVirtualWaveIn::RenderFrames(config, pcm, {}, first, n, expected);
        actual.resize(expected.size());
        in.read(reinterpret_cast<char*>(actual.data()), std::streamsize(actual.size()));
        ASSERT_EQ(size_t(in.gcount()), actual.size());
        ASSERT_TRUE(expected == actual) << "audio differs within frames " << first << ".." << first + n;
    }
    EXPECT_LT(r.rssAtEnd - r.rssAfterFirstMinute, 8 * 1024)
        << "memory grew from " << r.rssAfterFirstMinute << " KiB to " << r.rssAtEnd << " KiB";
}

TEST(Soak, EightHoursCompressedDecodeToTheRightLength)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("soak-alaw.wav");
    const FormatBlock alaw = CFormatCatalogue::MakeG711(WAVE_FORMAT_ALAW, 1, kRate);
    const SoakResult r = Record(path, reinterpret_cast<const WAVEFORMATEX*>(alaw.data()), FullSpeedSine());
    ASSERT_GE(r.framesProduced, kFrames);
    EXPECT_TRUE(host.Messages().empty());
    auto [rc, out] = RunCommand("ffprobe -v error -count_packets -show_entries stream=codec_name,duration_ts "
                                "-of default=nw=1 '" + path + "' 2>&1");
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("codec_name=pcm_alaw"), std::string::npos) << out;
    const auto pos = out.find("duration_ts=");
    ASSERT_NE(pos, std::string::npos) << out;
    EXPECT_EQ(std::stoull(out.substr(pos + 12)), r.framesProduced) << "one A-law byte per frame produced";
    EXPECT_LT(r.rssAtEnd - r.rssAfterFirstMinute, 8 * 1024)
        << "memory grew from " << r.rssAfterFirstMinute << " KiB to " << r.rssAtEnd << " KiB";
}

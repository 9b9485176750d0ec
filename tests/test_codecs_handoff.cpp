// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Compressed recording across worker threads: each flushed block is converted
// on a worker, one at a time and in order; a slow conversion is waited for;
// one that truly cannot keep up ends the recording without losing audio.
#include "platform/AudioBackends.h"
#include "engine/CWavFile.h"
#include "platform/codecs/CFfmpegConversionStream.h"
#include "platform/codecs/CFormatCatalogue.h"
#include "CodecTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct SpyLog {
    std::mutex mutex;
    std::vector<std::thread::id> convertThreads;
    std::vector<uint32_t> convertSizes;
    std::thread::id finishThread;
    int finishCalls = 0;
    int convertsBeforeFinish = -1;
    std::atomic<int> active{0};
    std::atomic<bool> overlapped{false};
    std::atomic<int> delayMs{0};      // every conversion
    std::atomic<int> firstDelayMs{0}; // the first conversion only
};

// The real encoder, watched: which thread calls it, and whether calls overlap.
class SpyStream : public IConversionStream {
public:
    SpyStream(std::unique_ptr<IConversionStream> inner, SpyLog& log)
        : m_inner(std::move(inner))
        , m_log(log)
    {
    }
    bool OutputSize(uint32_t src, uint32_t& dst) override { return m_inner->OutputSize(src, dst); }
    bool Convert(const uint8_t* src, uint32_t n, std::vector<uint8_t>& out) override
    {
        if (m_log.active.fetch_add(1) != 0)
            m_log.overlapped = true;
        int delay = m_log.delayMs.load();
        {
            std::lock_guard lock(m_log.mutex);
            if (m_log.convertThreads.empty())
                delay += m_log.firstDelayMs.load();
            m_log.convertThreads.push_back(std::this_thread::get_id());
            m_log.convertSizes.push_back(n);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        const bool ok = m_inner->Convert(src, n, out);
        m_log.active.fetch_sub(1);
        return ok;
    }
    bool Finish(std::vector<uint8_t>& out) override
    {
        std::lock_guard lock(m_log.mutex);
        ++m_log.finishCalls;
        m_log.finishThread = std::this_thread::get_id();
        m_log.convertsBeforeFinish = int(m_log.convertThreads.size());
        return m_inner->Finish(out);
    }

private:
    std::unique_ptr<IConversionStream> m_inner;
    SpyLog& m_log;
};

class SpyFactoryScope {
public:
    explicit SpyFactoryScope(SpyLog& log)
    {
        OverrideBackend(&AudioBackends::conversion, [&log](const WAVEFORMATEX& src, const FormatBlock& dst,
                                          std::unique_ptr<IConversionStream>& stream) {
            std::unique_ptr<IConversionStream> inner;
            const uint32_t code = CFfmpegConversionStream::Open(src, dst, inner);
            if (code == 0)
                stream = std::make_unique<SpyStream>(std::move(inner), log);
            return code;
        });
    }
    ~SpyFactoryScope() { OverrideBackend(&AudioBackends::conversion, {}); }
};

struct Recording {
    std::vector<int16_t> tone;
    size_t acceptedWrites = 0;
    bool refused = false;
    double writeSeconds = 0;
};

// Feeds the tone in 10,000-byte pieces as fast as Write takes them.
Recording Record(CWavFile& wav, const FormatBlock& format, size_t bytes, bool stopAtRefusal)
{
    const WAVEFORMATEX f = *reinterpret_cast<const WAVEFORMATEX*>(format.data());
    Recording r;
    r.tone = TestTone(f.nChannels, f.nSamplesPerSec, bytes / (2u * f.nChannels));
    const auto* p = reinterpret_cast<const uint8_t*>(r.tone.data());
    const size_t total = r.tone.size() * 2;
    const auto start = Clock::now();
    for (size_t pos = 0; pos < total; pos += 10000) {
        const uint32_t n = uint32_t(std::min<size_t>(10000, total - pos));
        ++r.acceptedWrites;
        if (!wav.Write(p + pos, n)) {
            r.refused = true;
            // The refused bytes were staged: the recording holds everything up to here.
            r.tone.resize((pos + n) / 2);
            if (stopAtRefusal)
                break;
        }
    }
    r.writeSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    return r;
}

void ExpectDecodesTo(const std::string& path, const FormatBlock& format, const std::vector<int16_t>& tone)
{
    const WAVEFORMATEX f = *reinterpret_cast<const WAVEFORMATEX*>(format.data());
    std::vector<int16_t> decoded;
    std::string errors;
    ASSERT_TRUE(DecodeWithTool("ffmpeg", path, decoded, errors)) << errors;
    EXPECT_EQ(errors, "");
    const size_t frames = tone.size() / f.nChannels;
    const size_t perBlock = Le16(format, 18);
    EXPECT_EQ(decoded.size() / f.nChannels, (frames + perBlock - 1) / perBlock * perBlock);
    const ToneMatch m = MatchTone(tone, decoded, f.nChannels, 0);
    EXPECT_GE(m.snrDb, 20.0);
    EXPECT_GE(m.worstWindowDb, 17.0) << "at frame " << m.worstWindowAt;
}

TEST(CodecHandOff, EachBlockConvertsOnAWorkerOneAtATimeInOrder)
{
    CapturingHost host;
    TempDir dir;
    SpyLog log;
    SpyFactoryScope scope(log);
    const FormatBlock format = CFormatCatalogue::MakeImaAdpcm(2, 44100);
    const std::string path = dir.File("handoff.wav");
    CWavFile wav;
    ASSERT_TRUE(wav.Create(path, reinterpret_cast<const WAVEFORMATEX*>(format.data())));
    const Recording r = Record(wav, format, 5500000, false);
    EXPECT_FALSE(r.refused);
    ASSERT_TRUE(wav.Close());
    EXPECT_EQ(wav.LastWriteError(), WavWriteError::None);

    std::lock_guard lock(log.mutex);
    // A block as soon as a second of PCM (176,400 bytes) is staged: 18 writes
    // of 10,000 bytes each time, thirty times; the rest at Close.
    std::vector<uint32_t> expected(30, 180000);
    expected.push_back(100000);
    EXPECT_EQ(log.convertSizes, expected);
    for (const auto& id : log.convertThreads)
        EXPECT_NE(id, std::this_thread::get_id());
    EXPECT_FALSE(log.overlapped.load());
    EXPECT_EQ(log.finishCalls, 1);
    EXPECT_EQ(log.convertsBeforeFinish, 31);
    EXPECT_EQ(log.finishThread, std::this_thread::get_id());
    ExpectDecodesTo(path, format, r.tone);
}

TEST(CodecHandOff, SlowConversionIsWaitedForNotDropped)
{
    CapturingHost host;
    TempDir dir;
    SpyLog log;
    log.delayMs = 300;
    SpyFactoryScope scope(log);
    const FormatBlock format = CFormatCatalogue::MakeMsAdpcm(1, 22050);
    const std::string path = dir.File("slow.wav");
    CWavFile wav;
    ASSERT_TRUE(wav.Create(path, reinterpret_cast<const WAVEFORMATEX*>(format.data())));
    // Four blocks of one second (five writes, 50,000 bytes) each.
    const Recording r = Record(wav, format, 200000, false);
    EXPECT_FALSE(r.refused);
    // The second, third and fourth flushes each waited for the worker before them.
    EXPECT_GE(r.writeSeconds, 0.5);
    ASSERT_TRUE(wav.Close());
    EXPECT_EQ(wav.LastWriteError(), WavWriteError::None);
    EXPECT_FALSE(log.overlapped.load());
    {
        std::lock_guard lock(log.mutex);
        EXPECT_EQ(log.convertSizes.size(), 4u);
    }
    ExpectDecodesTo(path, format, r.tone);
}

TEST(CodecHandOff, ConversionThatCannotKeepUpEndsTheRecordingWithoutLoss)
{
    CapturingHost host;
    TempDir dir;
    SpyLog log;
    log.firstDelayMs = 3600; // longer than a flush waits for the worker before it
    SpyFactoryScope scope(log);
    const FormatBlock format = CFormatCatalogue::MakeGsm(8000);
    const std::string path = dir.File("behind.wav");
    CWavFile wav;
    ASSERT_TRUE(wav.Create(path, reinterpret_cast<const WAVEFORMATEX*>(format.data())));
    const Recording r = Record(wav, format, 4000000, true);
    ASSERT_TRUE(r.refused);
    EXPECT_EQ(wav.LastWriteError(), WavWriteError::ConversionBehind);
    // Refused at the second flush (a block is a second, 16,000 bytes: two
    // writes): the first block was still converting.
    EXPECT_EQ(r.acceptedWrites, 4u);
    ASSERT_TRUE(wav.Close());
    EXPECT_FALSE(log.overlapped.load());
    ExpectDecodesTo(path, format, r.tone);
}

} // namespace

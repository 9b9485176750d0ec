// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The WAV writer's byte layout, its staging and flush rules, failures, and the
// read side; real readers (sox, ffprobe) must accept what it writes.
#include "platform/AudioBackends.h"
#include "engine/CByteQueue.h"
#include "engine/CWavFile.h"
#include "engine/MessageStyle.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <csignal>
#include <sys/resource.h>
#include <atomic>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Exposes the staging queue's size for the flush-threshold tests.
class ProbeWavFile : public CWavFile {
public:
    uint32_t Staged() const { return m_queue.GetSize(); }
};

std::vector<uint8_t> Ramp(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(i * 7 + 3);
    return v;
}

std::vector<uint8_t> FormatWithExtra(uint16_t tag, std::vector<uint8_t> extra)
{
    WAVEFORMATEX f = MakePcmFormat(1, 8000, 4);
    f.wFormatTag = tag;
    f.nBlockAlign = 256;
    f.nAvgBytesPerSec = 4055;
    f.cbSize = uint16_t(extra.size());
    std::vector<uint8_t> block(18 + extra.size());
    std::memcpy(block.data(), &f, 18);
    std::copy(extra.begin(), extra.end(), block.begin() + 18);
    return block;
}

// A conversion stream that copies its input, so non-PCM layouts can be tested
// without a codec.
class CopyStream : public IConversionStream {
public:
    bool OutputSize(uint32_t src, uint32_t& dst) override
    {
        dst = src;
        return true;
    }
    bool Convert(const uint8_t* src, uint32_t n, std::vector<uint8_t>& out) override
    {
        out.insert(out.end(), src, src + n);
        return true;
    }
    bool Finish(std::vector<uint8_t>&) override { return true; }
};

struct CopyStreamScope {
    CopyStreamScope()
    {
        OverrideBackend(&AudioBackends::conversion, [](const WAVEFORMATEX&, const FormatBlock&, std::unique_ptr<IConversionStream>& s) {
            s = std::make_unique<CopyStream>();
            return 0u;
        });
    }
    ~CopyStreamScope() { OverrideBackend(&AudioBackends::conversion, {}); }
};

} // namespace

TEST(ByteQueue, AppendTakeAndGrowth)
{
    CByteQueue q;
    EXPECT_EQ(q.GetSize(), 0u);
    EXPECT_EQ(q.GetCapacity(), 0u);
    auto data = Ramp(1500);
    ASSERT_EQ(q.Append(data.data(), 1000), 0u);
    EXPECT_EQ(q.GetCapacity(), 1000000u);
    ASSERT_EQ(q.Append(data.data() + 1000, 500), 0u);
    std::vector<uint8_t> out(2000);
    EXPECT_EQ(q.Take(out.data(), 600), 600u);
    EXPECT_EQ(q.GetSize(), 900u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 600, data.begin()));
    EXPECT_EQ(q.Take(out.data(), 2000), 900u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 900, data.begin() + 600));
    EXPECT_EQ(q.Take(out.data(), 10), 0u);
    EXPECT_EQ(q.GetCapacity(), 1000000u) << "storage is never shrunk";
}

TEST(ByteQueue, AppendLargerThanOneGrowthStep)
{
    CByteQueue q;
    std::vector<uint8_t> big(2500000, 0x5A);
    ASSERT_EQ(q.Append(big.data(), uint32_t(big.size())), 0u);
    EXPECT_EQ(q.GetSize(), 2500000u);
    EXPECT_EQ(q.GetCapacity(), 3000000u);
    std::vector<uint8_t> out(big.size());
    EXPECT_EQ(q.Take(out.data(), uint32_t(out.size())), big.size());
    EXPECT_EQ(out, big);
}

TEST(ByteQueue, RefusesGrowthPastAddressableSize)
{
    CByteQueue q;
    std::vector<uint8_t> some(16);
    ASSERT_EQ(q.Append(some.data(), 16), 0u);
    EXPECT_EQ(q.Append(some.data(), 0xFFFFFFF8u), BYTEQUEUE_NOMEM);
    EXPECT_EQ(q.GetSize(), 16u) << "queue unchanged after a refused append";
}

TEST(WavFile, WorkedExampleByteForByte)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("one.wav");
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    auto audio = Ramp(44100);
    {
        CWavFile w;
        ASSERT_TRUE(w.Create(path, &fmt));
        for (size_t off = 0; off < audio.size(); off += 10000)
            ASSERT_TRUE(w.Write(audio.data() + off, uint32_t(std::min<size_t>(10000, audio.size() - off))));
        ASSERT_TRUE(w.Close());
    }
    auto bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 44146u);
    const std::vector<uint8_t> header = {0x52, 0x49, 0x46, 0x46, 0x6A, 0xAC, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45,
                                         0x66, 0x6D, 0x74, 0x20, 0x12, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
                                         0x22, 0x56, 0x00, 0x00, 0x44, 0xAC, 0x00, 0x00, 0x02, 0x00, 0x10, 0x00,
                                         0x00, 0x00, 0x64, 0x61, 0x74, 0x61, 0x44, 0xAC, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 46), header);
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), bytes.begin() + 46));
    EXPECT_TRUE(host.Messages().empty());

    // Real readers agree.
    auto [rc, out] = RunCommand("sox --i -s '" + path + "' 2>&1");
    EXPECT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("22050"), std::string::npos) << out;
    auto [rc2, probe] = RunCommand("ffprobe -v error -show_entries stream=sample_rate,channels,codec_name,duration_ts "
                                   "-of default=nw=1 '" + path + "' 2>&1");
    EXPECT_EQ(rc2, 0) << probe;
    EXPECT_NE(probe.find("codec_name=pcm_s16le"), std::string::npos) << probe;
    EXPECT_NE(probe.find("duration_ts=22050"), std::string::npos) << probe;
}

TEST(WavFile, NonPcmWithTwoExtraBytesHasFactChunk)
{
    CapturingHost host;
    CopyStreamScope copy;
    TempDir dir;
    const auto path = dir.File("adpcm.wav");
    auto fmt = FormatWithExtra(WAVE_FORMAT_IMA_ADPCM, {0xF9, 0x01});
    auto audio = Ramp(1000);
    {
        CWavFile w;
        ASSERT_TRUE(w.Create(path, reinterpret_cast<const WAVEFORMATEX*>(fmt.data())));
        ASSERT_TRUE(w.Write(audio.data(), 1000));
        ASSERT_TRUE(w.Close());
    }
    auto b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), 60u + 1000u);
    EXPECT_EQ(Le32(b, 16), 20u);
    // The standard fact chunk: four bytes, the samples (16-bit mono frames) converted.
    EXPECT_EQ(std::string(b.begin() + 40, b.begin() + 44), "fact");
    EXPECT_EQ(Le32(b, 44), 4u);
    EXPECT_EQ(Le32(b, 48), 500u);
    EXPECT_EQ(std::string(b.begin() + 52, b.begin() + 56), "data");
    EXPECT_EQ(Le32(b, 56), 1000u);
    EXPECT_EQ(Le32(b, 4), b.size() - 8);
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), b.begin() + 60));
    EXPECT_EQ(b[38], 0xF9);
    EXPECT_EQ(b[39], 0x01);
}

// An odd data chunk is followed by an empty-looking "JUNK" chunk, so that the
// file does not end on the pad byte (which GStreamer does not skip).
void ExpectJunkTail(const std::vector<uint8_t>& b, size_t at)
{
    ASSERT_EQ(b.size(), at + 12);
    EXPECT_EQ(std::string(b.begin() + long(at), b.begin() + long(at) + 4), "JUNK");
    EXPECT_EQ(Le32(b, at + 4), 4u);
    EXPECT_EQ(Le32(b, at + 8), 0u);
}

TEST(WavFile, OddExtraBytesAndOddAudioArePadded)
{
    CapturingHost host;
    CopyStreamScope copy;
    TempDir dir;
    const auto path = dir.File("odd.wav");
    auto fmt = FormatWithExtra(WAVE_FORMAT_ALAW, {0xAA, 0xBB, 0xCC});
    auto audio = Ramp(999);
    {
        CWavFile w;
        ASSERT_TRUE(w.Create(path, reinterpret_cast<const WAVEFORMATEX*>(fmt.data())));
        ASSERT_TRUE(w.Write(audio.data(), 999));
        ASSERT_TRUE(w.Close());
    }
    auto b = ReadFileBytes(path);
    EXPECT_EQ(Le32(b, 16), 21u) << "fmt size stays 18 + cbSize";
    EXPECT_EQ(b[41], 0) << "pad byte after the odd format";
    EXPECT_EQ(std::string(b.begin() + 42, b.begin() + 46), "fact");
    EXPECT_EQ(Le32(b, 46), 4u);
    EXPECT_EQ(Le32(b, 50), 499u) << "whole 16-bit frames of the 999 bytes";
    EXPECT_EQ(std::string(b.begin() + 54, b.begin() + 58), "data");
    EXPECT_EQ(Le32(b, 58), 999u);
    ASSERT_EQ(b.size(), 62u + 999u + 1u + 12u);
    EXPECT_EQ(b[62 + 999], 0) << "pad byte after odd audio";
    ExpectJunkTail(b, 62 + 999 + 1);
    EXPECT_EQ(Le32(b, 4), b.size() - 8) << "RIFF size counts the pad byte and the chunk after it";
}

TEST(WavFile, OddPcmAudioLength)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("oddpcm.wav");
    WAVEFORMATEX fmt = MakePcmFormat(1, 8000, 8);
    auto audio = Ramp(3);
    CWavFile w;
    ASSERT_TRUE(w.Create(path, &fmt));
    ASSERT_TRUE(w.Write(audio.data(), 3));
    ASSERT_TRUE(w.Close());
    auto b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), 46u + 4u + 12u);
    EXPECT_EQ(Le32(b, 42), 3u);
    ExpectJunkTail(b, 50);
    EXPECT_EQ(Le32(b, 4), 54u);
}

TEST(WavFile, EmptyRecordingIsHeaderOnly)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("empty.wav");
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    CWavFile w;
    ASSERT_TRUE(w.Create(path, &fmt));
    EXPECT_TRUE(w.Write(nullptr, 0));
    ASSERT_TRUE(w.Close());
    auto b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), 46u);
    EXPECT_EQ(Le32(b, 4), 38u);
    EXPECT_EQ(Le32(b, 42), 0u);
}

TEST(WavFile, SizesStayZeroUntilClose)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("open.wav");
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    CWavFile w;
    ASSERT_TRUE(w.Create(path, &fmt));
    auto audio = Ramp(1500000);
    ASSERT_TRUE(w.Write(audio.data(), uint32_t(audio.size())));
    auto b = ReadFileBytes(path);
    EXPECT_EQ(b.size(), 46u + 1500000u) << "more than a second of audio goes to the disk at once, in two blocks";
    EXPECT_EQ(Le32(b, 4), 0u);
    EXPECT_EQ(Le32(b, 42), 0u);
    ASSERT_TRUE(w.Close());
    b = ReadFileBytes(path);
    EXPECT_EQ(Le32(b, 42), 1500000u);
}

TEST(WavFile, FlushThresholdIsOneMillionAboveAMillionBytesASecond)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("flush.wav");
    // More than a million bytes a second: the million-byte block rule decides.
    WAVEFORMATEX fmt = MakePcmFormat(8, 96000, 16);
    ProbeWavFile w;
    ASSERT_TRUE(w.Create(path, &fmt));
    auto chunk = Ramp(100000);
    for (int i = 0; i < 9; ++i)
        ASSERT_TRUE(w.Write(chunk.data(), uint32_t(chunk.size())));
    EXPECT_EQ(w.Staged(), 900000u) << "less than one million stays staged";
    EXPECT_EQ(std::filesystem::file_size(path), 46u);
    ASSERT_TRUE(w.Write(chunk.data(), 99990));
    EXPECT_EQ(w.Staged(), 999990u);
    ASSERT_TRUE(w.Write(chunk.data(), 20));
    EXPECT_EQ(w.Staged(), 10u) << "the write reaching one million flushes exactly one million";
    EXPECT_EQ(std::filesystem::file_size(path), 46u + 1000000u);
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(std::filesystem::file_size(path), 46u + 1000010u);
}

TEST(WavFile, PcmReachesTheDiskEverySecondOfAudio)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("second.wav");
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16); // 44100 bytes a second
    ProbeWavFile w;
    ASSERT_TRUE(w.Create(path, &fmt));
    auto chunk = Ramp(10000);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(w.Write(chunk.data(), uint32_t(chunk.size())));
    EXPECT_EQ(w.Staged(), 40000u) << "less than a second stays staged";
    EXPECT_EQ(std::filesystem::file_size(path), 46u);
    ASSERT_TRUE(w.Write(chunk.data(), uint32_t(chunk.size())));
    EXPECT_EQ(w.Staged(), 0u) << "a second of audio goes to the file at once";
    EXPECT_EQ(std::filesystem::file_size(path), 46u + 50000u);
    ASSERT_TRUE(w.Close());
}

TEST(WavFile, CreateReplacesExistingFile)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("again.wav");
    WriteFileBytes(path, std::vector<uint8_t>(100000, 0xEE));
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    CWavFile w;
    ASSERT_TRUE(w.Create(path, &fmt));
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(std::filesystem::file_size(path), 46u);
}

TEST(WavFile, CreateFailureShowsPlainMessage)
{
    CapturingHost host;
    TempDir dir;
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    CWavFile w;
    EXPECT_FALSE(w.Create(dir.File("missing/folder/x.wav"), &fmt));
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].text,
              "Unable to create file\n\n" + dir.File("missing/folder/x.wav") + "\nNo such file or directory");
    EXPECT_EQ(host.Messages()[0].style, MB_OK);
}

TEST(WavFile, DiskWriteFailureKeepsTheReason)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    CapturingHost host;
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    CWavFile w;
    // Writing the header already fails on a full device.
    EXPECT_FALSE(w.Create("/dev/full", &fmt));
    ASSERT_FALSE(host.Messages().empty());
    EXPECT_EQ(host.Messages().back().text, "CWavFile::Create\nError while writing .wav file");
    EXPECT_EQ(host.Messages().back().style, MB_ICONSTOP);
}

TEST(WavFile, FileSizeLimitOfTheProcessEndsWritingWithTheReason)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("fsize.wav");
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    CWavFile w;
    ASSERT_TRUE(w.Create(path, &fmt));
    // A disk that fills up: the process may write no more than 1,500,000 bytes.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = 1500000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    auto chunk = Ramp(100000);
    bool refused = false;
    int written = 0;
    for (int i = 0; i < 30 && !refused; ++i, ++written)
        refused = !w.Write(chunk.data(), uint32_t(chunk.size()));
    const bool closed = w.Close();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(refused);
    EXPECT_EQ(written, 15) << "the fifteenth block does not fit";
    EXPECT_EQ(w.LastWriteError(), WavWriteError::DiskWrite);
    EXPECT_EQ(w.LastErrno(), EFBIG);
    EXPECT_TRUE(closed) << "the sizes still fit in the file";
    auto b = ReadFileBytes(path);
    ASSERT_GE(b.size(), 46u);
    EXPECT_EQ(Le32(b, 4), b.size() - 8);
    EXPECT_EQ(Le32(b, 42), b.size() - 46) << "the data size counts what reached the disk";
    EXPECT_EQ(b.size(), 1500000u - 1500000u % 2) << "everything up to the limit, in whole samples";
    auto audio = Ramp(100000);
    for (size_t i = 46; i < b.size(); ++i)
        ASSERT_EQ(b[i], audio[(i - 46) % 100000]) << "audio in order at byte " << i;
    auto [rc, out] = RunCommand("sox --i -s '" + path + "' 2>&1");
    EXPECT_EQ(rc, 0) << out;
}

TEST(WavFile, SizeLimitRefusesAudioAndCloseStillFinishes)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("limit.wav");
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    CWavFile w;
    ASSERT_TRUE(w.Create(path, &fmt));
    w.SetDataLimit(25000);
    auto chunk = Ramp(10000);
    EXPECT_TRUE(w.Write(chunk.data(), 10000));
    EXPECT_TRUE(w.Write(chunk.data(), 10000));
    EXPECT_FALSE(w.Write(chunk.data(), 10000));
    EXPECT_EQ(w.LastWriteError(), WavWriteError::SizeLimit);
    ASSERT_TRUE(w.Close());
    auto b = ReadFileBytes(path);
    EXPECT_EQ(b.size(), 46u + 20000u);
    EXPECT_EQ(Le32(b, 42), 20000u);
    EXPECT_EQ(Le32(b, 4), b.size() - 8);
}

TEST(WavFile, DefaultDataLimitKeepsRiffSizeWithin32Bits)
{
    CapturingHost host;
    TempDir dir;
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    CWavFile w;
    ASSERT_TRUE(w.Create(dir.File("big.wav"), &fmt));
    // A write that would carry the file past 4 GiB is refused before staging.
    std::vector<uint8_t> none(16);
    // Pretend almost 4 GiB have been written by lowering nothing: ask with a
    // length that alone passes the limit.
    EXPECT_FALSE(w.Write(none.data(), 0xFFFFFFF0u));
    EXPECT_EQ(w.LastWriteError(), WavWriteError::SizeLimit);
    ASSERT_TRUE(w.Close());
}

TEST(WavFileOpen, ReadsFormatOfWrittenFile)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("r.wav");
    WAVEFORMATEX fmt = MakePcmFormat(2, 44100, 16);
    {
        CWavFile w;
        ASSERT_TRUE(w.Create(path, &fmt));
        ASSERT_TRUE(w.Close());
    }
    CWavFile r;
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(r.Format()->nChannels, 2);
    EXPECT_EQ(r.Format()->nSamplesPerSec, 44100u);
    EXPECT_EQ(r.Format()->nAvgBytesPerSec, 176400u);
    EXPECT_EQ(r.Format()->wBitsPerSample, 16);
    EXPECT_TRUE(host.Messages().empty());
}

TEST(WavFileOpen, ReadingDoesNotChangeTheFile)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("keep.wav");
    // A header whose sizes were never written, then audio: exactly what a
    // repair would change, which reading must not.
    WAVEFORMATEX fmt = MakePcmFormat(1, 8000, 8);
    std::vector<uint8_t> original = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 18, 0, 0, 0};
    original.resize(38);
    std::memcpy(original.data() + 20, &fmt, 18);
    for (char c : std::string("data\0\0\0\0", 8))
        original.push_back(uint8_t(c));
    auto audio = Ramp(301);
    original.insert(original.end(), audio.begin(), audio.end());
    WriteFileBytes(path, original);
    {
        CWavFile r;
        ASSERT_TRUE(r.Open(path));
        EXPECT_EQ(r.Format()->nSamplesPerSec, 8000u);
    }
    EXPECT_EQ(ReadFileBytes(path), original);
    // Refused files are not changed either.
    const auto garbage = dir.File("garbage.wav");
    WriteFileBytes(garbage, Ramp(300));
    {
        CWavFile r;
        EXPECT_FALSE(r.Open(garbage));
    }
    EXPECT_EQ(ReadFileBytes(garbage), Ramp(300));
}

TEST(WavFileOpen, ShortEmptyAndGarbageFilesGetTheReadersError)
{
    CapturingHost host;
    TempDir dir;
    // Short: header and 8 of the 18 format bytes.
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    const uint8_t head[20] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 18, 0, 0, 0};
    std::vector<uint8_t> shortFile(28);
    std::memcpy(shortFile.data(), head, 20);
    std::memcpy(shortFile.data() + 20, &fmt, 8);
    WriteFileBytes(dir.File("short.wav"), shortFile);
    WriteFileBytes(dir.File("empty.wav"), {});
    std::vector<uint8_t> garbage(64);
    std::iota(garbage.begin(), garbage.end(), 0);
    WriteFileBytes(dir.File("garbage.wav"), garbage);
    // Thirty bytes of noise once listed as 788,802,357 Hz and 37,916 channels.
    std::vector<uint8_t> noise(30);
    uint32_t x = 0x9E3779B9u;
    for (auto& byte : noise) {
        x = x * 1664525u + 1013904223u;
        byte = uint8_t(x >> 24);
    }
    WriteFileBytes(dir.File("noise.wav"), noise);
    for (const char* name : {"short.wav", "empty.wav", "garbage.wav", "noise.wav"}) {
        CWavFile r;
        EXPECT_FALSE(r.Open(dir.File(name))) << name;
        EXPECT_FALSE(r.IsOpen()) << name;
        EXPECT_EQ(r.Format()->nSamplesPerSec, 0u) << name << ": no made-up figures";
        EXPECT_EQ(r.Format()->nChannels, 0u) << name;
    }
    const auto msgs = host.Messages();
    ASSERT_EQ(msgs.size(), 4u);
    for (const auto& m : msgs) {
        EXPECT_EQ(m.text, "Another failure condition occurred. This is the default error for an open-file failure.");
        EXPECT_EQ(m.style, MB_ICONSTOP);
    }
}

// RIFF/WAVE with these chunks before "fmt ", then "data".
static std::vector<uint8_t> WavWithChunksBefore(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& chunks,
                                         const WAVEFORMATEX& fmt, uint32_t fmtSize = 18)
{
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
    };
    auto chunk = [&](const std::string& id, const std::vector<uint8_t>& body) {
        b.insert(b.end(), id.begin(), id.end());
        put32(uint32_t(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        if (body.size() & 1)
            b.push_back(0);
    };
    for (const auto& [id, body] : chunks)
        chunk(id, body);
    std::vector<uint8_t> f(fmtSize);
    std::memcpy(f.data(), &fmt, std::min<size_t>(fmtSize, 18));
    chunk("fmt ", f);
    chunk("data", std::vector<uint8_t>(400, 0x80));
    const uint32_t riff = uint32_t(b.size() - 8);
    std::memcpy(b.data() + 4, &riff, 4);
    return b;
}

TEST(WavFileOpen, FindsTheFormatAfterOtherChunks)
{
    CapturingHost host;
    TempDir dir;
    const WAVEFORMATEX fmt = MakePcmFormat(2, 48000, 24);
    const auto path = dir.File("broadcast.wav");
    // JUNK (odd size: padded), bext and LIST, as broadcast recorders write them.
    WriteFileBytes(path, WavWithChunksBefore({{"JUNK", std::vector<uint8_t>(27, 0)},
                                              {"bext", std::vector<uint8_t>(602, 'b')},
                                              {"LIST", std::vector<uint8_t>(40, 'l')}},
                                             fmt));
    CWavFile r;
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(r.Format()->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(r.Format()->nChannels, 2);
    EXPECT_EQ(r.Format()->nSamplesPerSec, 48000u);
    EXPECT_EQ(r.Format()->nAvgBytesPerSec, 288000u);
    EXPECT_EQ(r.Format()->wBitsPerSample, 24);
    EXPECT_TRUE(host.Messages().empty());
}

TEST(WavFileOpen, SixteenByteFormatChunkAndImpossibleFigures)
{
    CapturingHost host;
    TempDir dir;
    // The common 16-byte "fmt " form (no cbSize): read with cbSize 0.
    const auto plain = dir.File("plain.wav");
    WriteFileBytes(plain, WavWithChunksBefore({}, MakePcmFormat(1, 44100, 16), 16));
    {
        CWavFile r;
        ASSERT_TRUE(r.Open(plain));
        EXPECT_EQ(r.Format()->nSamplesPerSec, 44100u);
        EXPECT_EQ(r.Format()->cbSize, 0);
    }
    EXPECT_TRUE(host.Messages().empty());

    WAVEFORMATEX noChannels = MakePcmFormat(1, 44100, 16);
    noChannels.nChannels = 0;
    WAVEFORMATEX hugeRate = MakePcmFormat(1, 44100, 16);
    hugeRate.nSamplesPerSec = 788802357;
    WAVEFORMATEX manyBits = MakePcmFormat(1, 44100, 16);
    manyBits.wBitsPerSample = 200;
    WAVEFORMATEX pcmNoAlign = MakePcmFormat(2, 44100, 16);
    pcmNoAlign.nBlockAlign = 1;
    int n = 0;
    for (const WAVEFORMATEX& bad : {noChannels, hugeRate, manyBits, pcmNoAlign}) {
        const auto path = dir.File("bad" + std::to_string(n++) + ".wav");
        WriteFileBytes(path, WavWithChunksBefore({{"JUNK", {1, 2, 3, 4}}}, bad));
        CWavFile r;
        EXPECT_FALSE(r.Open(path)) << path;
    }
    EXPECT_EQ(host.Messages().size(), 4u);
    // A format chunk too short to hold a format, and a data chunk before any format.
    const auto tiny = dir.File("tiny.wav");
    WriteFileBytes(tiny, WavWithChunksBefore({}, MakePcmFormat(1, 8000, 8), 12));
    CWavFile r;
    EXPECT_FALSE(r.Open(tiny));
}

TEST(WavFileOpen, FifoSocketDeviceAndFolderAreReportedNotWaitedOn)
{
    CapturingHost host;
    TempDir dir;
    const auto fifo = dir.File("fifo.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto sock = dir.File("socket.wav");
    const int sfd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sfd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(sock.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, sock.c_str());
    ASSERT_EQ(::bind(sfd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::symlink("/dev/zero", dir.File("device.wav").c_str()), 0);
    std::filesystem::create_directory(dir.File("folder.wav"));

    // A blocking open of the FIFO would never return: run the opens on a
    // thread and give them a second.
    std::atomic<int> refused{0};
    std::thread opener([&] {
        for (const char* name : {"fifo.wav", "socket.wav", "device.wav", "folder.wav"}) {
            CWavFile r;
            if (!r.Open(dir.File(name)))
                ++refused;
        }
    });
    for (int i = 0; i < 100 && refused.load() < 4; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (refused.load() < 4) {
        // Unblock a stuck open so the test can end, then fail.
        const int w = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        opener.join();
        if (w >= 0)
            ::close(w);
        ::close(sfd);
        FAIL() << "an open waited";
    }
    opener.join();
    ::close(sfd);
    EXPECT_EQ(refused.load(), 4);
    EXPECT_EQ(host.Messages().size(), 4u) << "each one is reported";
}

TEST(WavFileOpen, FailuresShowTheTableMessage)
{
    CapturingHost host;
    TempDir dir;
    std::filesystem::create_directory(dir.File("folder.wav"));
    {
        CWavFile r;
        EXPECT_FALSE(r.Open(dir.File("folder.wav")));
    }
    {
        CWavFile r;
        EXPECT_FALSE(r.Open(dir.File("nofolder/x.wav")));
    }
    auto msgs = host.Messages();
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].text, "The file is protected and cannot be opened.");
    EXPECT_EQ(msgs[0].style, MB_ICONSTOP);
    EXPECT_EQ(msgs[1].text, "The directory specification is incorrect.");
}

TEST(WavFileOpen, ErrorCodeMapping)
{
    EXPECT_EQ(CRiffFile::OpenErrorCode(EACCES, "/x"), 268);
    EXPECT_EQ(CRiffFile::OpenErrorCode(EMFILE, "/x"), 271);
    EXPECT_EQ(CRiffFile::OpenErrorCode(ENFILE, "/x"), 271);
    EXPECT_EQ(CRiffFile::OpenErrorCode(ETXTBSY, "/x"), 269);
    EXPECT_EQ(CRiffFile::OpenErrorCode(ENOENT, "/no/such/folder/x.wav"), 267);
    EXPECT_EQ(CRiffFile::OpenErrorCode(ENOENT, "/tmp/missing-file.wav"), 272);
    EXPECT_EQ(CRiffFile::OpenErrorCode(EIO, "/x"), 272);
}

TEST(WavFileOpen, PermissionDenied)
{
    if (RerunAsUnprivilegedUser())
        return;
    CapturingHost host;
    TempDir dir;
    WriteFileBytes(dir.File("locked.wav"), Ramp(100));
    ::chmod(dir.File("locked.wav").c_str(), 0);
    CWavFile r;
    EXPECT_FALSE(r.Open(dir.File("locked.wav")));
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].text, "The file is protected and cannot be opened.");
}

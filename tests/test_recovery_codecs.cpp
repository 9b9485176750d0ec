// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Compressed recordings through real codecs: the length that FFmpeg-based
// players read from the fact chunk, files of earlier versions with an empty
// fact chunk, and a recording killed part-way that the repair makes whole.
#include "engine/CRecordingRepair.h"
#include "engine/CWavFile.h"
#include "platform/codecs/CFormatCatalogue.h"
#include "platform/playback/CAudioDecoder.h"
#include "CodecTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <cstring>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const WAVEFORMATEX* AsFormat(const FormatBlock& f) { return reinterpret_cast<const WAVEFORMATEX*>(f.data()); }

// Records `frames` of the test tone in capture-sized pieces and closes the file.
void RecordTone(const std::string& path, const FormatBlock& format, size_t frames)
{
    const WAVEFORMATEX& f = *AsFormat(format);
    const auto tone = TestTone(f.nChannels, f.nSamplesPerSec, frames);
    CWavFile w;
    ASSERT_TRUE(w.Create(path, AsFormat(format)));
    const auto* p = reinterpret_cast<const uint8_t*>(tone.data());
    const size_t total = tone.size() * 2;
    for (size_t pos = 0; pos < total; pos += 3200)
        ASSERT_TRUE(w.Write(p + pos, uint32_t(std::min<size_t>(3200, total - pos))));
    ASSERT_TRUE(w.Close());
}

double ProbeSeconds(const std::string& path, const std::string& entry)
{
    const auto [rc, out] =
        RunCommand("ffprobe -v error -show_entries " + entry + " -of default=nw=1:nk=1 '" + path + "' 2>&1");
    EXPECT_EQ(rc, 0) << out;
    try {
        return std::stod(out);
    } catch (...) {
        ADD_FAILURE() << "ffprobe said: " << out;
        return -1;
    }
}

// Offset of the fact chunk's header (P) in a file the writer made.
size_t FactOffset(const std::vector<uint8_t>& b) { return 20 + Le32(b, 16) + (Le32(b, 16) & 1); }

// Rewrites a file of the current layout into that of earlier versions: an
// empty fact chunk (no count) right before "data".
std::vector<uint8_t> ToEmptyFactLayout(std::vector<uint8_t> b)
{
    const size_t p = FactOffset(b);
    EXPECT_EQ(std::string(b.begin() + long(p), b.begin() + long(p) + 4), "fact");
    EXPECT_EQ(Le32(b, p + 4), 4u);
    b.erase(b.begin() + long(p) + 8, b.begin() + long(p) + 12);
    b[p + 4] = 0;
    const uint32_t riff = uint32_t(b.size() - 8);
    std::memcpy(b.data() + 4, &riff, 4);
    return b;
}

} // namespace

// 4.75 s of MP3 and of GSM 6.10: ffprobe, which once read the next chunk's
// name as the sample count (56 hours), now agrees with the recording.
TEST(CompressedLength, FfprobeReadsTheTrueDurationFromTheFactChunk)
{
    CapturingHost host;
    TempDir dir;
    struct Case {
        const char* name;
        FormatBlock format;
        double tolerance; // FFmpeg counts whole codec frames: MP3 adds its encoder delay and padding
    };
    const Case cases[] = {{"mp3", CFormatCatalogue::MakeMp3(1, 8000, 16), 0.2},
                          {"gsm", CFormatCatalogue::MakeGsm(8000), 0.041}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir.File(std::string(c.name) + ".wav");
        RecordTone(path, c.format, 38000);
        const auto b = ReadFileBytes(path);
        const size_t p = FactOffset(b);
        ASSERT_EQ(std::string(b.begin() + long(p), b.begin() + long(p) + 4), "fact");
        EXPECT_EQ(Le32(b, p + 4), 4u);
        EXPECT_EQ(Le32(b, p + 8), 38000u) << "the samples recorded";
        EXPECT_EQ(std::string(b.begin() + long(p) + 12, b.begin() + long(p) + 16), "data");
        EXPECT_NEAR(ProbeSeconds(path, "format=duration"), 4.75, c.tolerance);

        CAudioDecoder decoder;
        ASSERT_EQ(decoder.Open(path), 0u);
        EXPECT_NEAR(double(decoder.LengthMs()), 4750.0, 10.0);
        std::vector<int16_t> decoded;
        std::string errors;
        ASSERT_TRUE(DecodeWithTool("ffmpeg", path, decoded, errors)) << errors;
        EXPECT_EQ(errors, "");
        EXPECT_GE(decoded.size(), 38000u);
    }
}

// Files of earlier versions (an empty fact chunk) stay readable by the
// reader, the player and the repair.
TEST(CompressedLength, EmptyFactChunkOfEarlierVersionsStaysReadable)
{
    CapturingHost host;
    TempDir dir;
    const FormatBlock format = CFormatCatalogue::MakeGsm(8000);
    const auto current = dir.File("current.wav");
    RecordTone(current, format, 16000);
    const auto old = dir.File("old.wav");
    const auto oldBytes = ToEmptyFactLayout(ReadFileBytes(current));
    WriteFileBytes(old, oldBytes);
    const size_t p = FactOffset(oldBytes);
    ASSERT_EQ(Le32(oldBytes, p + 4), 0u);
    ASSERT_EQ(std::string(oldBytes.begin() + long(p) + 8, oldBytes.begin() + long(p) + 12), "data");

    CWavFile reader;
    ASSERT_TRUE(reader.Open(old));
    EXPECT_EQ(reader.Format()->wFormatTag, WAVE_FORMAT_GSM610);
    EXPECT_EQ(reader.Format()->nSamplesPerSec, 8000u);
    EXPECT_EQ(ReadFileBytes(old), oldBytes) << "reading changes nothing";

    CAudioDecoder decoder;
    ASSERT_EQ(decoder.Open(old), 0u);
    EXPECT_NEAR(double(decoder.LengthMs()), 2000.0, 45.0) << "whole GSM blocks of 320 samples";

    // Cut off as a crash leaves it: both sizes 0. The repair takes this layout too.
    auto cut = oldBytes;
    std::memset(cut.data() + 4, 0, 4);
    std::memset(cut.data() + p + 12, 0, 4);
    const auto cutPath = dir.File("cut-old.wav");
    WriteFileBytes(cutPath, cut);
    ASSERT_EQ(CRecordingRepair::Repair(cutPath), RepairResult::Repaired);
    const auto repaired = ReadFileBytes(cutPath);
    EXPECT_EQ(repaired, oldBytes) << "both sizes back as Close wrote them, nothing else changed";
}

// A recording killed with SIGKILL part-way: compressed audio reached the
// disk about once a second, so at most about two seconds are lost, and the
// repair leaves a file that decodes, with a fact count the audio holds.
TEST(CompressedCrash, KilledMp3RecordingKeepsAllButTheLastSecondsAndDecodes)
{
    CapturingHost host;
    TempDir dir;
    const FormatBlock format = CFormatCatalogue::MakeMp3(1, 8000, 16);
    const auto path = dir.File("07-Dec-2026_65525.wav");
    const auto tone = TestTone(1, 8000, 8000 * 10);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Records in real time, 100 ms a capture buffer, until killed.
        CWavFile w;
        if (!w.Create(path, AsFormat(format)))
            ::_exit(2);
        const auto* p = reinterpret_cast<const uint8_t*>(tone.data());
        for (size_t pos = 0; pos < tone.size() * 2; pos += 1600) {
            w.Write(p + pos, 1600);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ::_exit(3); // not reached within the test's time
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(4000));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;

    auto b = ReadFileBytes(path);
    const size_t p = FactOffset(b);
    ASSERT_GT(b.size(), p + 20);
    EXPECT_EQ(Le32(b, 4), 0u);
    EXPECT_EQ(Le32(b, p + 16), 0u);
    ASSERT_EQ(CRecordingRepair::Repair(path), RepairResult::Repaired);
    b = ReadFileBytes(path);
    const uint32_t dataSize = Le32(b, p + 16);
    const uint32_t factSamples = Le32(b, p + 8);
    // Four seconds were captured: at least two of them are in the file
    // (2,000 bytes a second at 16 kb/s).
    EXPECT_GE(dataSize, 2u * 2000u) << "compressed audio reaches the disk about once a second";
    EXPECT_GE(factSamples, 2u * 8000u);

    std::vector<int16_t> decoded;
    std::string errors;
    ASSERT_TRUE(DecodeWithTool("ffmpeg", path, decoded, errors)) << errors;
    EXPECT_EQ(errors, "");
    EXPECT_LE(factSamples, decoded.size()) << "the fact count never claims more than the file holds";
    EXPECT_NEAR(ProbeSeconds(path, "format=duration"), factSamples / 8000.0, 0.2);
    ASSERT_GT(factSamples, 4000u);
    const ToneMatch m =
        MatchTone(std::vector<int16_t>(tone.begin(), tone.begin() + long(factSamples) - 4000), decoded, 1, 4000);
    EXPECT_GE(m.snrDb, 10.0) << "the tone as recorded";
}

// The player's own header walk opens without blocking and only regular files.
TEST(PlayerOpen, FifoAndDeviceNamedWavAreRefusedWithoutWaiting)
{
    TempDir dir;
    const auto fifo = dir.File("fifo.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", dir.File("zero.wav").c_str()), 0);
    std::atomic<int> refused{0};
    std::thread opener([&] {
        for (const auto& p : {fifo, dir.File("zero.wav"), dir.Path()}) {
            CAudioDecoder decoder;
            if (decoder.Open(p) != 0)
                ++refused;
        }
    });
    for (int i = 0; i < 100 && refused.load() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (refused.load() < 3) {
        const int w = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); // let a stuck open end
        opener.join();
        if (w >= 0)
            ::close(w);
        FAIL() << "an open waited";
    }
    opener.join();
    EXPECT_EQ(refused.load(), 3);
}

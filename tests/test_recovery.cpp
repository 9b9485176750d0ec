// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Repair of recordings that never reached their end.
#include "engine/CRecordingRepair.h"
#include "engine/CWavFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace {

std::vector<uint8_t> Tone(size_t samples)
{
    auto s = SineSamples(440, 0.5, 22050, samples);
    std::vector<uint8_t> bytes(s.size() * 2);
    std::memcpy(bytes.data(), s.data(), bytes.size());
    return bytes;
}

// A recording cut off as a killed program leaves it: the writer flushed what it
// had but never closed, so both sizes are 0.
std::string CutOffRecording(const TempDir& dir, const std::string& name, size_t audioBytes, WAVEFORMATEX fmt)
{
    const std::string live = dir.File(name + ".live");
    const std::string cut = dir.File(name);
    CWavFile w;
    EXPECT_TRUE(w.Create(live, &fmt));
    auto audio = Tone(audioBytes / 2);
    EXPECT_TRUE(w.Write(audio.data(), uint32_t(audio.size())));
    std::filesystem::copy_file(live, cut);
    return cut;
}

} // namespace

TEST(Recovery, CutOffPcmRecordingIsRepairedInPlace)
{
    CapturingHost host;
    TempDir dir;
    const auto path = CutOffRecording(dir, "cut.wav", 1500000, MakePcmFormat(1, 22050, 16));
    auto before = ReadFileBytes(path);
    ASSERT_EQ(before.size(), 46u + 1500000u) << "more than a second of audio reached the disk at once";
    ASSERT_EQ(Le32(before, 4), 0u);
    ASSERT_EQ(Le32(before, 42), 0u);

    EXPECT_EQ(CRecordingRepair::Repair(path), RepairResult::Repaired);
    auto after = ReadFileBytes(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(Le32(after, 42), 1500000u);
    EXPECT_EQ(Le32(after, 4), after.size() - 8);
    // Nothing but the two size fields changed.
    for (size_t i = 0; i < after.size(); ++i) {
        if ((i >= 4 && i < 8) || (i >= 42 && i < 46))
            continue;
        ASSERT_EQ(after[i], before[i]) << "byte " << i;
    }
    auto [rc, out] = RunCommand("sox --i -D '" + path + "' 2>&1");
    EXPECT_EQ(rc, 0) << out;
    EXPECT_NEAR(std::stod(out), 1500000.0 / 44100.0, 0.001);

    EXPECT_EQ(CRecordingRepair::Repair(path), RepairResult::NotNeeded) << "a repaired file is finished";
}

TEST(Recovery, PartialLastBlockIsLeftOutOfTheDataSize)
{
    CapturingHost host;
    TempDir dir;
    WAVEFORMATEX stereo = MakePcmFormat(2, 44100, 16); // 4-byte blocks
    const auto path = CutOffRecording(dir, "partial.wav", 1200000, stereo);
    auto bytes = ReadFileBytes(path);
    bytes.push_back(0x11); // half a block from the moment of the crash
    bytes.push_back(0x22);
    WriteFileBytes(path, bytes);
    ASSERT_EQ(CRecordingRepair::Repair(path), RepairResult::Repaired);
    auto after = ReadFileBytes(path);
    EXPECT_EQ(Le32(after, 42), 1200000u);
    EXPECT_EQ(after.size(), bytes.size()) << "the file keeps its bytes";
}

// An odd data chunk is finished as the writer finishes one: the pad byte and
// a small chunk after it, so that no reader takes the pad byte for the end.
TEST(Recovery, OddDataGetsThePadByteAndTheChunkAfterIt)
{
    CapturingHost host;
    TempDir dir;
    const auto path = CutOffRecording(dir, "odd.wav", 44100, MakePcmFormat(1, 22050, 8));
    auto bytes = ReadFileBytes(path);
    bytes.push_back(0x80); // one more 8-bit sample: 44101 bytes of audio
    WriteFileBytes(path, bytes);
    ASSERT_EQ(CRecordingRepair::Repair(path), RepairResult::Repaired);
    const auto after = ReadFileBytes(path);
    ASSERT_EQ(after.size(), 46u + 44101u + 1u + 12u);
    EXPECT_EQ(Le32(after, 42), 44101u);
    EXPECT_TRUE(std::equal(bytes.begin() + 46, bytes.end(), after.begin() + 46)) << "the audio is untouched";
    EXPECT_EQ(std::string(after.begin() + 46 + 44102, after.begin() + 46 + 44106), "JUNK");
    EXPECT_EQ(Le32(after, 4), after.size() - 8);
    auto [rc, out] = RunCommand("sox --i -s '" + path + "' 2>&1");
    EXPECT_EQ(rc, 0) << out;
    EXPECT_EQ(std::stoul(out), 44101u);
    EXPECT_EQ(CRecordingRepair::Repair(path), RepairResult::NotNeeded);
}

// Sizes that were written are the file's own: a finished recording cut short
// later (a copy that broke off) is not rewritten.
TEST(Recovery, TruncatedFileWithSizesPastItsEndIsLeftAlone)
{
    CapturingHost host;
    TempDir dir;
    const auto path = dir.File("trunc.wav");
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    {
        CWavFile w;
        ASSERT_TRUE(w.Create(path, &fmt));
        auto audio = Tone(50000);
        ASSERT_TRUE(w.Write(audio.data(), uint32_t(audio.size())));
        ASSERT_TRUE(w.Close());
    }
    std::filesystem::resize_file(path, 46 + 60001);
    const auto before = ReadFileBytes(path);
    EXPECT_EQ(CRecordingRepair::Repair(path), RepairResult::NotNeeded);
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST(Recovery, CompressedLayoutWithFactChunk)
{
    CapturingHost host;
    TempDir dir;
    // Hand-made: IMA ADPCM header (cbSize 2), empty fact chunk, 3 blocks of 256 bytes and a half block.
    WAVEFORMATEX f = MakePcmFormat(1, 8000, 4);
    f.wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    f.nBlockAlign = 256;
    f.nAvgBytesPerSec = 4055;
    f.cbSize = 2;
    const uint8_t head[20] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 20, 0, 0, 0};
    const uint8_t tail[18] = {0xF9, 0x01, 'f', 'a', 'c', 't', 0, 0, 0, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
    std::vector<uint8_t> b(56);
    std::memcpy(b.data(), head, 20);
    std::memcpy(b.data() + 20, &f, 18);
    std::memcpy(b.data() + 38, tail, 18);
    ASSERT_EQ(b.size(), 56u);
    b.resize(56 + 3 * 256 + 128, 0x77);
    const auto path = dir.File("ima.wav");
    WriteFileBytes(path, b);
    ASSERT_EQ(CRecordingRepair::Repair(path), RepairResult::Repaired);
    auto after = ReadFileBytes(path);
    EXPECT_EQ(Le32(after, 52), 768u);
    EXPECT_EQ(Le32(after, 4), 56u + 768u - 8u);
    // The empty fact chunk of earlier versions has no room for a count: only the two sizes change.
    ASSERT_EQ(after.size(), b.size());
    for (size_t i = 0; i < after.size(); ++i) {
        if ((i >= 4 && i < 8) || (i >= 52 && i < 56))
            continue;
        ASSERT_EQ(after[i], b[i]) << "byte " << i;
    }
}

TEST(Recovery, CompressedLayoutWithFourByteFactChunkGetsItsSampleCount)
{
    CapturingHost host;
    TempDir dir;
    // As the writer lays it out now: IMA ADPCM (cbSize 2: 505 samples a block),
    // fact of four bytes still 0, 3 blocks of 256 bytes and a half block.
    WAVEFORMATEX f = MakePcmFormat(1, 8000, 4);
    f.wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    f.nBlockAlign = 256;
    f.nAvgBytesPerSec = 4055;
    f.cbSize = 2;
    const uint8_t head[20] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 20, 0, 0, 0};
    const uint8_t tail[22] = {0xF9, 0x01, 'f', 'a', 'c', 't', 4, 0, 0, 0, 0, 0, 0, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
    std::vector<uint8_t> b(60);
    std::memcpy(b.data(), head, 20);
    std::memcpy(b.data() + 20, &f, 18);
    std::memcpy(b.data() + 38, tail, 22);
    b.resize(60 + 3 * 256 + 128, 0x77);
    const auto path = dir.File("ima4.wav");
    WriteFileBytes(path, b);
    ASSERT_EQ(CRecordingRepair::Repair(path), RepairResult::Repaired);
    auto after = ReadFileBytes(path);
    EXPECT_EQ(Le32(after, 48), 3u * 505u) << "whole blocks times the samples each holds";
    EXPECT_EQ(Le32(after, 56), 768u);
    EXPECT_EQ(Le32(after, 4), 60u + 768u - 8u);
    ASSERT_EQ(after.size(), b.size());
    for (size_t i = 0; i < after.size(); ++i) {
        if ((i >= 4 && i < 8) || (i >= 48 && i < 52) || (i >= 56 && i < 60))
            continue;
        ASSERT_EQ(after[i], b[i]) << "byte " << i;
    }
    EXPECT_EQ(CRecordingRepair::Repair(path), RepairResult::NotNeeded);
}

TEST(Recovery, LeavesFinishedEmptyAndForeignFilesAlone)
{
    CapturingHost host;
    TempDir dir;
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    const auto done = dir.File("done.wav");
    {
        CWavFile w;
        ASSERT_TRUE(w.Create(done, &fmt));
        auto audio = Tone(1000);
        ASSERT_TRUE(w.Write(audio.data(), uint32_t(audio.size())));
        ASSERT_TRUE(w.Close());
    }
    const auto headerOnly = dir.File("header.wav");
    {
        CWavFile w;
        ASSERT_TRUE(w.Create(headerOnly, &fmt)); // killed before any audio reached the disk
    }
    std::vector<uint8_t> notes = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!'};
    WriteFileBytes(dir.File("notes.wav"), notes);
    WriteFileBytes(dir.File("empty.wav"), {});
    std::filesystem::create_directory(dir.File("folder.wav"));

    auto doneBytes = ReadFileBytes(done);
    EXPECT_EQ(CRecordingRepair::Repair(done), RepairResult::NotNeeded);
    EXPECT_EQ(ReadFileBytes(done), doneBytes);
    EXPECT_EQ(CRecordingRepair::Repair(dir.File("notes.wav")), RepairResult::NotWav);
    EXPECT_EQ(ReadFileBytes(dir.File("notes.wav")), notes);
    EXPECT_EQ(CRecordingRepair::Repair(dir.File("empty.wav")), RepairResult::NotWav);
    EXPECT_EQ(CRecordingRepair::Repair(dir.File("folder.wav")), RepairResult::NotWav);
    EXPECT_EQ(CRecordingRepair::Repair(dir.File("missing.wav")), RepairResult::Failed);
    EXPECT_EQ(CRecordingRepair::RepairFolder(dir.Path()), 0);
}

TEST(Recovery, RecordingNamePattern)
{
    EXPECT_TRUE(CRecordingRepair::IsRecordingName("07-Dec-2026_65525.wav"));
    EXPECT_TRUE(CRecordingRepair::IsRecordingName("01-Jan-2027_0.wav"));
    EXPECT_TRUE(CRecordingRepair::IsRecordingName("31-Jul-1999_86399.wav"));
    EXPECT_FALSE(CRecordingRepair::IsRecordingName("31-Jul-1999_86400.wav")) << "no such second";
    EXPECT_FALSE(CRecordingRepair::IsRecordingName("7-Dec-2026_65525.wav")) << "the day has two digits";
    EXPECT_FALSE(CRecordingRepair::IsRecordingName("00-Dec-2026_1.wav"));
    EXPECT_FALSE(CRecordingRepair::IsRecordingName("07-Zer-2026_1.wav"));
    EXPECT_FALSE(CRecordingRepair::IsRecordingName("07-dec-2026_1.wav"));
    EXPECT_FALSE(CRecordingRepair::IsRecordingName("07-Dec-2026_01.wav")) << "no leading zeros";
    EXPECT_FALSE(CRecordingRepair::IsRecordingName("07-Dec-2026_1.WAV"));
    EXPECT_FALSE(CRecordingRepair::IsRecordingName("07-Dec-2026_1.wav.wav"));
    EXPECT_FALSE(CRecordingRepair::IsRecordingName("07-Dec-2026_.wav"));
    EXPECT_FALSE(CRecordingRepair::IsRecordingName("interview.wav"));
    EXPECT_FALSE(CRecordingRepair::IsRecordingName(""));
}

namespace {

// A header in the writer's layout with both sizes as given.
std::vector<uint8_t> WriterHeader(uint32_t riffSize, uint32_t dataSize)
{
    WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 18, 0, 0, 0};
    std::memcpy(b.data() + 4, &riffSize, 4);
    b.resize(38);
    std::memcpy(b.data() + 20, &f, 18);
    for (char c : std::string("data"))
        b.push_back(uint8_t(c));
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(dataSize >> (8 * i)));
    return b;
}

std::vector<uint8_t> WithAudio(std::vector<uint8_t> header, size_t bytes)
{
    auto audio = Tone(bytes / 2);
    header.insert(header.end(), audio.begin(), audio.end());
    return header;
}

void WaitPastQuietTime() { std::this_thread::sleep_for(std::chrono::milliseconds(2200)); }

} // namespace

// Everything the manager may be shown: only the program's own cut-off
// recording is repaired; foreign files, files still growing and the file
// being recorded keep every byte.
TEST(Recovery, RepairIfOwnUnfinishedWritesOnlyTheProgramsOwnCutOffFiles)
{
    CapturingHost host;
    TempDir dir;
    const auto own = dir.File("07-Dec-2026_65525.wav");
    WriteFileBytes(own, WithAudio(WriterHeader(0, 0), 20000));
    // The same bytes under a name the program does not give.
    const auto foreignName = dir.File("interview.wav");
    WriteFileBytes(foreignName, ReadFileBytes(own));
    // Streaming-style sizes from another recorder.
    const auto streaming = dir.File("07-Dec-2026_100.wav");
    WriteFileBytes(streaming, WithAudio(WriterHeader(0xFFFFFFFF, 0xFFFFFFFF), 20000));
    // Zero sizes, but not the writer's layout (a 16-byte "fmt " and a LIST chunk).
    auto other = WriterHeader(0, 0);
    other[16] = 16;
    other.erase(other.begin() + 36, other.begin() + 38);
    const uint8_t list[12] = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
    other.insert(other.begin() + 36, list, list + 12);
    const auto otherLayout = dir.File("07-Dec-2026_101.wav");
    WriteFileBytes(otherLayout, WithAudio(other, 20000));
    // A FIFO under a recording's name.
    const auto fifo = dir.File("07-Dec-2026_102.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The recording in progress.
    const auto live = dir.File("07-Dec-2026_103.wav");
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    CWavFile writer;
    ASSERT_TRUE(writer.Create(live, &fmt));
    auto audio = Tone(50000);
    ASSERT_TRUE(writer.Write(audio.data(), uint32_t(audio.size())));

    const std::vector<std::string> foreign = {foreignName, streaming, otherLayout};
    std::vector<std::vector<uint8_t>> foreignBytes;
    for (const auto& p : foreign)
        foreignBytes.push_back(ReadFileBytes(p));
    const auto ownBytes = ReadFileBytes(own);

    // Still changing a moment ago: left alone for now.
    EXPECT_EQ(CRecordingRepair::RepairIfOwnUnfinished(own), RepairResult::NotNeeded);
    EXPECT_EQ(ReadFileBytes(own), ownBytes);

    WaitPastQuietTime();
    EXPECT_EQ(CRecordingRepair::RepairIfOwnUnfinished(foreignName), RepairResult::NotWav);
    EXPECT_EQ(CRecordingRepair::RepairIfOwnUnfinished(streaming), RepairResult::NotNeeded);
    EXPECT_EQ(CRecordingRepair::RepairIfOwnUnfinished(otherLayout), RepairResult::NotWav);
    EXPECT_EQ(CRecordingRepair::RepairIfOwnUnfinished(fifo), RepairResult::NotWav);
    EXPECT_EQ(CRecordingRepair::RepairIfOwnUnfinished(live), RepairResult::NotNeeded);
    EXPECT_EQ(CRecordingRepair::RepairFolder(dir.Path()), 1) << "the folder walk follows the same rule";
    for (size_t i = 0; i < foreign.size(); ++i)
        EXPECT_EQ(ReadFileBytes(foreign[i]), foreignBytes[i]) << foreign[i];
    EXPECT_EQ(Le32(ReadFileBytes(live), 42), 0u) << "a recording in progress keeps its sizes at 0";

    const auto repaired = ReadFileBytes(own);
    EXPECT_EQ(Le32(repaired, 42), 20000u);
    EXPECT_EQ(Le32(repaired, 4), repaired.size() - 8);
    EXPECT_EQ(CRecordingRepair::RepairIfOwnUnfinished(own), RepairResult::NotNeeded) << "finished now";

    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Le32(ReadFileBytes(live), 42), 100000u);
}

TEST(Recovery, FolderRepairSkipsTheNamedFile)
{
    CapturingHost host;
    TempDir dir;
    const auto a = dir.File("07-Dec-2026_1.wav");
    const auto b = dir.File("07-Dec-2026_2.wav");
    WriteFileBytes(a, WithAudio(WriterHeader(0, 0), 1000));
    WriteFileBytes(b, WithAudio(WriterHeader(0, 0), 1000));
    WaitPastQuietTime();
    EXPECT_EQ(CRecordingRepair::RepairFolder(dir.Path() + "/", b), 1);
    EXPECT_EQ(Le32(ReadFileBytes(a), 42), 1000u);
    EXPECT_EQ(Le32(ReadFileBytes(b), 42), 0u) << "the skipped file is untouched";
}

TEST(Recovery, RepairRefusesFifoWithoutWaiting)
{
    CapturingHost host;
    TempDir dir;
    const auto fifo = dir.File("fifo.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CRecordingRepair::Repair(fifo), RepairResult::NotWav);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(Recovery, FolderRepairLeavesFilesBeingWrittenAlone)
{
    CapturingHost host;
    TempDir dir;
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    const auto path = dir.File("08-Dec-2026_3600.wav");
    CWavFile w;
    ASSERT_TRUE(w.Create(path, &fmt));
    auto audio = Tone(100000);
    ASSERT_TRUE(w.Write(audio.data(), uint32_t(audio.size())));
    EXPECT_TRUE(CWavFile::IsBeingWritten(path));
    WaitPastQuietTime(); // only the writer's registration protects it now
    EXPECT_EQ(CRecordingRepair::RepairFolder(dir.Path()), 0);
    EXPECT_EQ(Le32(ReadFileBytes(path), 42), 0u) << "a recording in progress keeps its sizes at 0";
    ASSERT_TRUE(w.Close());
    EXPECT_FALSE(CWavFile::IsBeingWritten(path));
    EXPECT_EQ(Le32(ReadFileBytes(path), 42), 200000u);
}

// Repair of recordings that never reached their end.
#include "engine/CRecordingRepair.h"
#include "engine/CWavFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

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
    ASSERT_EQ(before.size(), 46u + 1000000u) << "one block reached the disk";
    ASSERT_EQ(Le32(before, 4), 0u);
    ASSERT_EQ(Le32(before, 42), 0u);

    EXPECT_EQ(CRecordingRepair::Repair(path), RepairResult::Repaired);
    auto after = ReadFileBytes(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(Le32(after, 42), 1000000u);
    EXPECT_EQ(Le32(after, 4), after.size() - 8);
    // Nothing but the two size fields changed.
    for (size_t i = 0; i < after.size(); ++i) {
        if ((i >= 4 && i < 8) || (i >= 42 && i < 46))
            continue;
        ASSERT_EQ(after[i], before[i]) << "byte " << i;
    }
    auto [rc, out] = RunCommand("sox --i -D '" + path + "' 2>&1");
    EXPECT_EQ(rc, 0) << out;
    EXPECT_NEAR(std::stod(out), 1000000.0 / 44100.0, 0.001);

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
    EXPECT_EQ(Le32(after, 42), 1000000u);
    EXPECT_EQ(after.size(), bytes.size()) << "the file keeps its bytes";
}

TEST(Recovery, TruncatedFileWithSizesPastItsEnd)
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
    ASSERT_EQ(CRecordingRepair::Repair(path), RepairResult::Repaired);
    auto after = ReadFileBytes(path);
    EXPECT_EQ(Le32(after, 42), 60000u);
    EXPECT_EQ(Le32(after, 4), 46u + 60000u - 8u) << "the byte after an even data chunk stays outside it";
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

TEST(Recovery, FolderRepairSkipsTheRecordingInProgress)
{
    CapturingHost host;
    TempDir dir;
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    const auto a = CutOffRecording(dir, "a.wav", 1100000, fmt);
    const auto b = CutOffRecording(dir, "b.wav", 1100000, fmt);
    EXPECT_EQ(CRecordingRepair::RepairFolder(dir.Path() + "/", b), 1);
    EXPECT_EQ(Le32(ReadFileBytes(a), 42), 1000000u);
    EXPECT_EQ(Le32(ReadFileBytes(b), 42), 0u) << "the skipped file is untouched";
}

TEST(Recovery, FolderRepairLeavesFilesBeingWrittenAlone)
{
    CapturingHost host;
    TempDir dir;
    WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    const auto path = dir.File("live.wav");
    CWavFile w;
    ASSERT_TRUE(w.Create(path, &fmt));
    auto audio = Tone(100000);
    ASSERT_TRUE(w.Write(audio.data(), uint32_t(audio.size())));
    EXPECT_TRUE(CWavFile::IsBeingWritten(path));
    EXPECT_EQ(CRecordingRepair::RepairFolder(dir.Path()), 0);
    EXPECT_EQ(Le32(ReadFileBytes(path), 42), 0u) << "a recording in progress keeps its sizes at 0";
    ASSERT_TRUE(w.Close());
    EXPECT_FALSE(CWavFile::IsBeingWritten(path));
    EXPECT_EQ(Le32(ReadFileBytes(path), 42), 200000u);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The manager's listing over WAV, Ogg Opus and FLAC files: format and exact
// length from one header read, unreadable files collected with their
// reasons instead of one message box each, unfinished Ogg and FLAC files
// listed without being written to, and the trash for every kind.
#include "ContainerTestSupport.h"
#include "TestSupport.h"
#include "engine/IEngineHost.h"
#include "engine/MessageStyle.h"
#include "library/CRecordingFolder.h"
#include "library/CTrash.h"
#include "platform/WaveFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct ListedFile {
    const char* name;
    std::string ffmpegArgs; // the encoder and its options
    int rate;
    int channels;
    double seconds;
    uint16_t tag;
    uint16_t bits; // 0: the format has no sample width
    uint64_t lengthToleranceMs;
};

bool MakeWithFfmpeg(const std::string& path, const ListedFile& f)
{
    char source[120];
    std::snprintf(source, sizeof source, "sine=f=440:d=%.3f:r=%d", f.seconds, f.rate);
    return RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i " + std::string(source) + " -ac " +
                      std::to_string(f.channels) + " " + f.ffmpegArgs + " '" + path + "'")
               .first == 0;
}

const ListedFile kFiles[] = {
    {"a.opus", "-c:a libopus -b:a 32k", 48000, 1, 3.0, WAVE_FORMAT_OPUS, 0, 0},
    {"b.OPUS", "-c:a libopus -b:a 64k", 48000, 2, 2.5, WAVE_FORMAT_OPUS, 0, 0},
    {"c.flac", "-c:a flac -sample_fmt s16", 44100, 1, 2.0, WAVE_FORMAT_FLAC, 16, 0},
    {"d.Flac", "-c:a flac -sample_fmt s32 -bits_per_raw_sample 24", 22050, 2, 1.5, WAVE_FORMAT_FLAC, 24, 0},
    {"e.wav", "-c:a pcm_s16le", 8000, 1, 2.0, WAVE_FORMAT_PCM, 16, 0},
    // The fact chunk's count, not the data size, gives a compressed file's length.
    {"f.wav", "-c:a adpcm_ima_wav", 22050, 1, 2.0, WAVE_FORMAT_IMA_ADPCM, 4, 50},
};

class RecordingListingTest : public ::testing::Test {
protected:
    std::string Folder() const { return m_folder.Path() + "/"; }
    CapturingHost m_host;
    TempDir m_folder;
};

} // namespace

TEST_F(RecordingListingTest, ReadsFormatAndLengthOfEveryKind)
{
    for (const ListedFile& f : kFiles)
        ASSERT_TRUE(MakeWithFfmpeg(Folder() + f.name, f)) << f.name;
    std::vector<UnreadableFile> unreadable;
    const auto entries = CRecordingFolder(Folder()).List(&unreadable);
    for (const auto& u : unreadable)
        ADD_FAILURE() << u.name << ": " << u.reason;
    EXPECT_TRUE(m_host.Messages().empty());
    ASSERT_EQ(entries.size(), std::size(kFiles));
    for (const ListedFile& f : kFiles) {
        SCOPED_TRACE(f.name);
        const auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.name == f.name; });
        ASSERT_NE(it, entries.end());
        const VoiceFileInfo& r = it->record;
        EXPECT_EQ(r.formatTag, f.tag);
        EXPECT_EQ(r.samplesPerSec, uint32_t(f.rate));
        EXPECT_EQ(r.channels, f.channels);
        EXPECT_EQ(r.flags & VFI_LENGTH, VFI_LENGTH);
        EXPECT_NEAR(double(r.lengthMs), f.seconds * 1000, double(f.lengthToleranceMs));
        EXPECT_EQ(r.flags & VFI_BITS, f.bits ? VFI_BITS : 0u) << "a width only where the format has one";
        if (f.bits)
            EXPECT_EQ(r.bitsPerSample, f.bits);
        EXPECT_EQ(r.flags & VFI_AVGBYTES, VFI_AVGBYTES);
        if (f.tag == WAVE_FORMAT_OPUS || f.tag == WAVE_FORMAT_FLAC) {
            // Their data rate is the whole file over its length.
            EXPECT_EQ(r.avgBytesPerSec, uint32_t(it->size * 1000 / r.lengthMs));
            EXPECT_EQ(r.duration, uint32_t(r.lengthMs / 1000));
        }
        EXPECT_EQ(it->size, fs::file_size(Folder() + f.name));
    }
}

TEST_F(RecordingListingTest, UnreadableFilesComeWithReasonsInsteadOfBoxes)
{
    ASSERT_TRUE(MakeContainerFile(TestContainer::Opus, Folder() + "good.opus", 1.0));
    std::vector<uint8_t> opus = ReadFileBytes(Folder() + "good.opus");
    WriteFileBytes(Folder() + "trunc.opus", std::vector<uint8_t>(opus.begin(), opus.begin() + 30));
    std::vector<uint8_t> noise(3000);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t(i * 2654435761u >> 13);
    WriteFileBytes(Folder() + "noise.flac", noise);
    std::vector<uint8_t> rifx = {'R', 'I', 'F', 'X', 0, 0, 0, 40, 'W', 'A', 'V', 'E'};
    rifx.resize(60);
    WriteFileBytes(Folder() + "rifx.wav", rifx);
    WriteFileBytes(Folder() + "empty.wav", {});
    fs::create_directory(Folder() + "dir.opus");
    std::ofstream(Folder() + "notes.txt") << "not listed at all";

    std::vector<UnreadableFile> unreadable;
    const auto entries = CRecordingFolder(Folder()).List(&unreadable);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "good.opus");
    EXPECT_TRUE(m_host.Messages().empty()) << "no box while collecting";
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"dir.opus", "The file is protected and cannot be opened."},
        {"empty.wav", "The file is too short to hold a sound header."},
        {"noise.flac", "The file is not a FLAC file."},
        {"rifx.wav", "The file is not a RIFF/WAVE file."},
        {"trunc.opus", "The file is not an Ogg Opus file."},
    };
    ASSERT_EQ(unreadable.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(unreadable[i].name, expected[i].first);
        EXPECT_EQ(unreadable[i].reason, expected[i].second);
    }

    // Without a list to collect into, each such file still has its box.
    const auto again = CRecordingFolder(Folder()).List();
    EXPECT_EQ(again.size(), 1u);
    const auto boxes = m_host.Messages();
    ASSERT_EQ(boxes.size(), expected.size());
    for (const auto& box : boxes)
        EXPECT_EQ(box.style, MB_ICONSTOP);
}

// A recording still being written (or cut off and not yet repaired) is
// listed with the length of its whole pages or frames, and never written to:
// only the journal's repair at start-up finishes Ogg and FLAC files.
class UnfinishedListingTest : public RecordingListingTest,
                              public ::testing::WithParamInterface<TestContainer> {};

TEST_P(UnfinishedListingTest, ListsTheLengthSoFarAndWritesNothing)
{
    const TestContainer kind = GetParam();
    const std::string finished = m_folder.File(kind == TestContainer::Opus ? "whole.ogg" : "whole.fla");
    ASSERT_TRUE(MakeContainerFile(kind, finished, 6.0, 48000, 1, kind == TestContainer::Opus ? "-f ogg" : "-f flac"));
    std::vector<uint8_t> bytes = ReadFileBytes(finished);
    uint64_t samples = 0;
    if (kind == TestContainer::Opus) {
        UnfinishOgg(bytes);
        bytes.resize(bytes.size() * 2 / 3);
        const auto pages = OggPages(bytes);
        for (const auto& p : pages)
            if (p.granule != ~uint64_t(0))
                samples = p.granule - OpusPreSkip(bytes);
    } else {
        UnfinishFlac(bytes);
        bytes.resize(bytes.size() * 2 / 3);
        for (const auto& f : FlacFrames(finished))
            if (f.offset + f.size <= bytes.size())
                samples += f.samples;
    }
    const std::string name = kind == TestContainer::Opus ? "09-Dec-2026_15659.opus" : "09-Dec-2026_15659.flac";
    WriteFileBytes(Folder() + name, bytes);
    std::this_thread::sleep_for(std::chrono::milliseconds(2100)); // lain still: a WAV would be repaired now

    std::vector<UnreadableFile> unreadable;
    const auto entries = CRecordingFolder(Folder()).List(&unreadable);
    for (const auto& u : unreadable)
        ADD_FAILURE() << u.name << ": " << u.reason;
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].record.flags & VFI_LENGTH, VFI_LENGTH);
    EXPECT_EQ(entries[0].record.lengthMs, samples * 1000 / 48000);
    EXPECT_GT(samples, 48000u * 3) << "the case must hold seconds of audio";
    EXPECT_EQ(ReadFileBytes(Folder() + name), bytes);
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnfinishedListingTest, ::testing::Values(TestContainer::Opus, TestContainer::Flac),
                         [](const auto& info) { return info.param == TestContainer::Opus ? "Opus" : "Flac"; });

// The trash takes every kind of recording, and a second file of one name
// keeps its extension last, as the desktop's trash shows it.
class TrashKindsTest : public RecordingListingTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TrashKindsTest, SecondFileOfOneNameKeepsItsExtension)
{
    ::setenv("XDG_DATA_HOME", (m_folder.Path() + "/data").c_str(), 1);
    const std::string ext = GetParam();
    const std::string name = "09-Dec-2026_15659" + ext;
    std::vector<std::string> trashed;
    for (int i = 0; i < 2; ++i) {
        WriteFileBytes(Folder() + name, std::vector<uint8_t>(100 + i, uint8_t(i)));
        int error = 0;
        std::string to;
        ASSERT_EQ(CTrash::MoveToTrash(Folder() + name, error, &to), CTrash::Result::Moved) << error;
        EXPECT_FALSE(fs::exists(Folder() + name));
        trashed.push_back(to);
    }
    ::unsetenv("XDG_DATA_HOME");
    const std::string files = m_folder.Path() + "/data/Trash/files/";
    EXPECT_EQ(trashed[0], files + name);
    EXPECT_EQ(trashed[1], files + "09-Dec-2026_15659.1" + ext);
    EXPECT_EQ(fs::file_size(trashed[1]), 101u);
    EXPECT_TRUE(fs::exists(m_folder.Path() + "/data/Trash/info/09-Dec-2026_15659.1" + ext + ".trashinfo"));
}

INSTANTIATE_TEST_SUITE_P(Extensions, TrashKindsTest, ::testing::Values(".opus", ".flac", ".WAV"),
                         [](const auto& info) { return std::string(info.param + 1); });

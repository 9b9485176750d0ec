// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The manager's folder listing and trash, without the dialog.
#include "TestSupport.h"
#include "library/CRecordingFolder.h"
#include "library/CTrash.h"
#include "library/RenameNoReplace.h"
#include "engine/CWavFile.h"
#include "engine/IEngineHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WritePcm(const std::string& path, uint32_t dataBytes)
{
    CWavFile w;
    const WAVEFORMATEX fmt = MakePcmFormat(1, 8000, 16);
    ASSERT_TRUE(w.Create(path, &fmt));
    std::vector<uint8_t> audio(dataBytes, 0x40);
    ASSERT_TRUE(w.Write(audio.data(), dataBytes));
    ASSERT_TRUE(w.Close());
}

class RecordingFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetEngineHost(&m_host);
        ::setenv("XDG_DATA_HOME", (m_home.Path() + "/data").c_str(), 1);
    }
    void TearDown() override
    {
        SetEngineHost(nullptr);
        ::unsetenv("XDG_DATA_HOME");
    }
    TempDir m_home;
    TempDir m_folder;
    CapturingHost m_host;
};

} // namespace

TEST_F(RecordingFolderTest, ListsOldestFirstWithSizesFormatsAndDurations)
{
    const std::string folder = m_folder.Path() + "/";
    WritePcm(folder + "b.wav", 32000);
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    WritePcm(folder + "a.WAV", 16000);
    std::ofstream(folder + "c.txt") << "x";
    const auto entries = CRecordingFolder(folder).List();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "b.wav");
    EXPECT_EQ(entries[1].name, "a.WAV");
    EXPECT_LE(std::make_pair(entries[0].time, entries[0].timeNanoseconds),
              std::make_pair(entries[1].time, entries[1].timeNanoseconds));
    EXPECT_EQ(entries[0].size, 46u + 32000u);
    EXPECT_EQ(entries[0].record.path, folder + "b.wav");
    EXPECT_EQ(entries[0].record.flags, 0x7Du | VFI_LENGTH);
    EXPECT_EQ(entries[0].record.lengthMs, 2000u);
    EXPECT_EQ(entries[0].record.samplesPerSec, 8000u);
    EXPECT_EQ(entries[0].record.avgBytesPerSec, 16000u);
    EXPECT_EQ(entries[0].record.duration, 2u);
    EXPECT_EQ(entries[1].record.duration, 1u);
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(RecordingFolderTest, SpecialFilesAreSkippedUnopenedAndAFolderGetsTheReadersBox)
{
    const std::string folder = m_folder.Path() + "/";
    ASSERT_EQ(::mkfifo((folder + "pipe.wav").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (folder + "zero.wav").c_str()), 0);
    fs::create_directory(folder + "dir.wav");
    WritePcm(folder + "real.wav", 1600);
    const auto entries = CRecordingFolder(folder).List();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "real.wav");
    EXPECT_EQ(m_host.Messages().size(), 1u) << "the folder's box only";
    EXPECT_EQ(CRecordingFolder::KindOf(S_IFIFO | 0600), CRecordingFolder::EntryKind::Special);
    EXPECT_EQ(CRecordingFolder::KindOf(S_IFSOCK), CRecordingFolder::EntryKind::Special);
    EXPECT_EQ(CRecordingFolder::KindOf(S_IFCHR), CRecordingFolder::EntryKind::Special);
    EXPECT_EQ(CRecordingFolder::KindOf(S_IFDIR), CRecordingFolder::EntryKind::Folder);
    EXPECT_EQ(CRecordingFolder::KindOf(S_IFREG | 0644), CRecordingFolder::EntryKind::File);
    EXPECT_TRUE(CRecordingFolder::MatchesWavPattern("x.Wav"));
    EXPECT_FALSE(CRecordingFolder::MatchesWavPattern("wav"));
    EXPECT_FALSE(CRecordingFolder::MatchesWavPattern("x.wav.part"));
}

TEST_F(RecordingFolderTest, TrashNoteEncodesThePath)
{
    EXPECT_EQ(CTrash::EncodePath("/a b/\xC3\xBC%.wav"), "/a%20b/%C3%BC%25.wav");
    EXPECT_EQ(CTrash::EncodePath("/x/07-Dec-2026_65525.wav"), "/x/07-Dec-2026_65525.wav");
    ::unsetenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(CTrash::HomeTrash(), std::string(home) + "/.local/share/Trash");
}

TEST_F(RecordingFolderTest, MissingFileFailsWithItsReason)
{
    int error = 0;
    EXPECT_EQ(CTrash::MoveToTrash(m_folder.Path() + "/none.wav", error), CTrash::Result::Failed);
    EXPECT_EQ(error, ENOENT);
}

TEST_F(RecordingFolderTest, AFileOnAnotherFileSystemGoesToThatFileSystemsTrash)
{
    // /dev/shm (a tmpfs) is not where the home trash lies.
    char name[] = "/dev/shm/vellory-trash-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const std::string dir = name;
    struct stat shm {}, home {};
    ASSERT_EQ(::stat(dir.c_str(), &shm), 0);
    ASSERT_EQ(::stat(m_home.Path().c_str(), &home), 0);
    ASSERT_NE(shm.st_dev, home.st_dev) << "/dev/shm must be another file system for this case";
    const std::string top = "/dev/shm"; // its mount point
    const std::string trash = top + "/.Trash-" + std::to_string(::getuid());
    const bool trashExisted = fs::exists(trash);
    WritePcm(dir + "/take.wav", 800);

    int error = 0;
    std::string trashed;
    ASSERT_EQ(CTrash::MoveToTrash(dir + "/take.wav", error, &trashed), CTrash::Result::Moved) << error;
    EXPECT_FALSE(fs::exists(dir + "/take.wav"));
    EXPECT_EQ(fs::path(trashed).parent_path(), fs::path(trash + "/files"));
    EXPECT_EQ(fs::file_size(trashed), 846u);
    const std::string info = trash + "/info/" + fs::path(trashed).filename().string() + ".trashinfo";
    const std::string text = ReadText(info);
    EXPECT_NE(text.find("Path=" + dir.substr(top.size() + 1) + "/take.wav\n"), std::string::npos)
        << "relative to the top folder: " << text;
    EXPECT_FALSE(fs::exists(m_home.Path() + "/data/Trash")) << "the home trash is not used";

    fs::remove(trashed);
    fs::remove(info);
    fs::remove_all(dir);
    if (!trashExisted)
        fs::remove_all(trash);
}

TEST_F(RecordingFolderTest, RenameNeverReplacesAndLeavesBothFilesOnATakenName)
{
    const std::string a = m_folder.Path() + "/a.wav", b = m_folder.Path() + "/b.wav", c = m_folder.Path() + "/c.wav";
    { std::ofstream(a) << "first"; }
    { std::ofstream(b) << "second"; }
    EXPECT_EQ(RenameNoReplace(a, b), EEXIST);
    EXPECT_EQ(ReadText(a), "first");
    EXPECT_EQ(ReadText(b), "second");
    EXPECT_EQ(RenameNoReplace(a, c), 0);
    EXPECT_FALSE(fs::exists(a));
    EXPECT_EQ(ReadText(c), "first");
    EXPECT_EQ(RenameNoReplace(a, m_folder.Path() + "/d.wav"), ENOENT);
}

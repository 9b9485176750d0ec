// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The journal of recordings in progress: where it lives, that its changes
// are atomic and private, and that start-up repairs exactly what it names.
#include "engine/CRecordingJournal.h"
#include "engine/CRecordingRepair.h"
#include "engine/CWavFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

// Points the state folder at a fresh folder for one test.
class StateHome {
public:
    StateHome()
    {
        const char* old = std::getenv("XDG_STATE_HOME");
        m_had = old != nullptr;
        if (old)
            m_old = old;
        ::setenv("XDG_STATE_HOME", m_dir.Path().c_str(), 1);
    }
    ~StateHome()
    {
        if (m_had)
            ::setenv("XDG_STATE_HOME", m_old.c_str(), 1);
        else
            ::unsetenv("XDG_STATE_HOME");
    }
    const TempDir& Dir() const { return m_dir; }

private:
    TempDir m_dir;
    bool m_had = false;
    std::string m_old;
};

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// A recording cut off by a crash: the writer's header with both sizes 0, audio after it.
std::string CutOff(const TempDir& dir, const std::string& name, uint32_t audioBytes)
{
    const std::string path = dir.File(name);
    const std::string live = path + ".live";
    WAVEFORMATEX fmt = MakePcmFormat(1, 8000, 16);
    CWavFile w;
    EXPECT_TRUE(w.Create(live, &fmt));
    std::vector<uint8_t> audio(audioBytes, 0x11);
    EXPECT_TRUE(w.Write(audio.data(), audioBytes));
    EXPECT_TRUE(w.FlushStaged());
    std::filesystem::copy_file(live, path);
    return path;
}

} // namespace

TEST(Journal, FolderFollowsXdgStateHomeAndFallsBackToHome)
{
    StateHome state;
    EXPECT_EQ(CRecordingJournal::Folder(), state.Dir().Path() + "/vellory/");
    ::setenv("XDG_STATE_HOME", "relative/ignored", 1);
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(CRecordingJournal::Folder(), std::string(home) + "/.local/state/vellory/")
        << "a relative XDG_STATE_HOME is not used";
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(CRecordingJournal::Folder(), std::string(home) + "/.local/state/vellory/");
}

TEST(Journal, AddAndRemoveKeepOrderAndAbsolutePaths)
{
    CapturingHost host;
    StateHome state;
    EXPECT_TRUE(CRecordingJournal::Entries().empty());
    ASSERT_TRUE(CRecordingJournal::Add("/rec/a.wav"));
    ASSERT_TRUE(CRecordingJournal::Add("/rec/b\nwith newline.wav"));
    ASSERT_TRUE(CRecordingJournal::Add("/rec/a.wav")) << "twice is once";
    ASSERT_TRUE(CRecordingJournal::Add("relative.wav"));
    const auto cwd = std::filesystem::current_path().string();
    EXPECT_EQ(CRecordingJournal::Entries(),
              (std::vector<std::string>{"/rec/a.wav", "/rec/b\nwith newline.wav", cwd + "/relative.wav"}));
    ASSERT_TRUE(CRecordingJournal::Remove("/rec/b\nwith newline.wav"));
    ASSERT_TRUE(CRecordingJournal::Remove("/rec/not-there.wav"));
    EXPECT_EQ(CRecordingJournal::Entries(), (std::vector<std::string>{"/rec/a.wav", cwd + "/relative.wav"}));

    // Private: the folders made for it and the journal itself.
    EXPECT_EQ(ModeOf(state.Dir().Path() + "/vellory"), 0700u);
    EXPECT_EQ(ModeOf(CRecordingJournal::FilePath()), 0600u);
    // Replaced in one step: no temporary file is left behind.
    EXPECT_FALSE(std::filesystem::exists(CRecordingJournal::FilePath() + ".new"));

    ASSERT_TRUE(CRecordingJournal::Remove("/rec/a.wav"));
    ASSERT_TRUE(CRecordingJournal::Remove("relative.wav"));
    EXPECT_TRUE(CRecordingJournal::Entries().empty());
    EXPECT_FALSE(std::filesystem::exists(CRecordingJournal::FilePath())) << "an empty journal is no file";
}

TEST(Journal, EntryCutOffWhileBeingWrittenIsIgnored)
{
    StateHome state;
    ASSERT_TRUE(CRecordingJournal::Add("/rec/a.wav"));
    // A journal whose last entry lost its end (written by something else than
    // the rename that keeps it whole).
    std::vector<uint8_t> bytes = ReadFileBytes(CRecordingJournal::FilePath());
    const std::string half = "/rec/hal";
    bytes.insert(bytes.end(), half.begin(), half.end());
    WriteFileBytes(CRecordingJournal::FilePath(), bytes);
    EXPECT_EQ(CRecordingJournal::Entries(), (std::vector<std::string>{"/rec/a.wav"}));
}

TEST(Journal, ChangesFromManyThreadsAreNotLost)
{
    StateHome state;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 10; ++i)
                CRecordingJournal::Add("/rec/" + std::to_string(t) + "-" + std::to_string(i) + ".wav");
            for (int i = 0; i < 10; i += 2)
                CRecordingJournal::Remove("/rec/" + std::to_string(t) + "-" + std::to_string(i) + ".wav");
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(CRecordingJournal::Entries().size(), 20u);
}

TEST(Journal, StartUpRepairsExactlyTheNamedFilesAndClearsThem)
{
    CapturingHost host;
    StateHome state;
    TempDir dir;
    const auto named = CutOff(dir, "named.wav", 3000);
    const auto notNamed = CutOff(dir, "07-Dec-2026_65525.wav", 3000);
    const auto notNamedBytes = ReadFileBytes(notNamed);
    const auto missing = dir.File("gone.wav");
    // A foreign file that somehow got named is still not written to.
    const auto foreign = dir.File("foreign.wav");
    std::vector<uint8_t> noise(100, 0x5A);
    WriteFileBytes(foreign, noise);
    // A recording this process is writing stays named and untouched.
    const auto live = dir.File("live.wav");
    WAVEFORMATEX fmt = MakePcmFormat(1, 8000, 16);
    CWavFile writer;
    ASSERT_TRUE(writer.Create(live, &fmt));
    std::vector<uint8_t> audio(20000, 0x22);
    ASSERT_TRUE(writer.Write(audio.data(), uint32_t(audio.size())));

    for (const auto& p : {named, missing, foreign, live})
        ASSERT_TRUE(CRecordingJournal::Add(p));
    EXPECT_EQ(CRecordingJournal::RepairListed(), 1);

    const auto repaired = ReadFileBytes(named);
    EXPECT_EQ(Le32(repaired, 42), 3000u);
    EXPECT_EQ(Le32(repaired, 4), repaired.size() - 8);
    EXPECT_EQ(ReadFileBytes(notNamed), notNamedBytes) << "start-up looks at no other file";
    EXPECT_EQ(ReadFileBytes(foreign), noise);
    EXPECT_EQ(Le32(ReadFileBytes(live), 42), 0u);
    EXPECT_EQ(CRecordingJournal::Entries(), (std::vector<std::string>{live}));

    ASSERT_TRUE(writer.Close());
    ASSERT_TRUE(CRecordingJournal::Remove(live));
    EXPECT_EQ(CRecordingJournal::RepairListed(), 0);
    EXPECT_TRUE(CRecordingJournal::Entries().empty());
}

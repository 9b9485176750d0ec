// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Recordings are personal: the folders the program makes for them are its
// user's alone, while folders that exist keep the mode their owner gave them.
#include "common/Settings.h"
#include "library/RecordingNames.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

class FolderModes : public ::testing::Test {
protected:
    void SetUp() override
    {
        QStandardPaths::setTestModeEnabled(true);
        Store().clear();
        ::setenv("HOME", m_home.Path().c_str(), 1);
        // A permissive umask: the mode must come from the program, not from luck.
        m_oldMask = ::umask(0);
    }
    void TearDown() override
    {
        ::umask(m_oldMask);
        Store().clear();
    }
    static QSettings Store()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Corvane",
                         QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    }
    TempDir m_home;
    mode_t m_oldMask = 022;
};

} // namespace

TEST_F(FolderModes, FoldersMadeForRecordingsAreTheUsersAlone)
{
    const std::string root = m_home.Path() + "/fmanager";
    EXPECT_EQ(GetCategoryFolder(2), root + "/2/");
    EXPECT_EQ(ModeOf(root), 0700u);
    EXPECT_EQ(ModeOf(root + "/2"), 0700u);
    const std::string name = MakeRecordingName(3);
    EXPECT_EQ(ModeOf(root + "/3"), 0700u);
    EXPECT_EQ(name.rfind(root + "/3/", 0), 0u) << name;
}

TEST_F(FolderModes, ExistingFoldersKeepTheirModes)
{
    const std::string root = m_home.Path() + "/shared";
    ASSERT_TRUE(std::filesystem::create_directory(root));
    ASSERT_EQ(::chmod(root.c_str(), 0755), 0);
    ASSERT_TRUE(std::filesystem::create_directory(root + "/1"));
    ASSERT_EQ(::chmod((root + "/1").c_str(), 0750), 0);
    WriteRoot(root + "/");
    EXPECT_EQ(GetCategoryFolder(1), root + "/1/");
    EXPECT_EQ(ModeOf(root), 0755u);
    EXPECT_EQ(ModeOf(root + "/1"), 0750u);
    GetCategoryFolder(2);
    EXPECT_EQ(ModeOf(root + "/2"), 0700u) << "a new category folder below a shared root is still private";
}

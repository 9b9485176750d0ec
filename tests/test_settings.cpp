// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Settings store, category folders and recording names.
#include "common/Settings.h"
#include "library/RecordingNames.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <fstream>
#include <filesystem>

namespace {


class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Corvane", Application()).clear();
        ::setenv("HOME", m_home.Path().c_str(), 1);
    }
    void TearDown() override
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Corvane", Application()).clear();
        SetRecordingNameClock({});
    }
    static QString Application() { return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(); }
    TempDir m_home;
    TempDir m_root;
};

} // namespace

TEST_F(SettingsTest, DefaultsWhenNothingStored)
{
    EXPECT_EQ(GetBufferSize(), 10000);
    EXPECT_EQ(GetStoredRoot(), m_home.Path() + "/fmanager/");
    EXPECT_EQ(GetCategoryFolder(0), m_home.Path() + "/fmanager/");
    EXPECT_EQ(GetCategoryFolder(3), m_home.Path() + "/fmanager/3/");
    EXPECT_TRUE(std::filesystem::is_directory(m_home.Path() + "/fmanager/3"));
}

TEST_F(SettingsTest, StoredValuesAreReadAfreshAtEveryCall)
{
    WriteBufferSize(4096);
    EXPECT_EQ(GetBufferSize(), 4096);
    WriteBufferSize(-5);
    EXPECT_EQ(GetBufferSize(), -5) << "the size is used unchanged";
    WriteRoot(m_root.Path() + "/");
    EXPECT_EQ(GetCategoryFolder(1), m_root.Path() + "/1/");
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Corvane", Application());
    EXPECT_EQ(s.value("Parameters/BufferSize").toInt(), -5);
    EXPECT_EQ(s.value("Parameters/FileManager").toString().toStdString(), m_root.Path() + "/");
}

TEST_F(SettingsTest, RecordingNameOfTheWorkedExample)
{
    WriteRoot(m_root.Path() + "/fmanager/");
    SetRecordingNameClock([] { return Utc(2026, 12, 7, 18, 12, 5); });
    EXPECT_EQ(MakeRecordingName(2), m_root.Path() + "/fmanager/2/07-Dec-2026_65525.wav");
    EXPECT_TRUE(std::filesystem::is_directory(m_root.Path() + "/fmanager/2"));
}

TEST_F(SettingsTest, FirstMinuteAfterMidnight)
{
    WriteRoot(m_root.Path() + "/");
    SetRecordingNameClock([] { return Utc(2027, 3, 1, 0, 0, 0); });
    EXPECT_EQ(MakeRecordingName(0), m_root.Path() + "/01-Mar-2027_0.wav");
    SetRecordingNameClock([] { return Utc(2027, 3, 1, 0, 0, 59); });
    EXPECT_EQ(MakeRecordingName(0), m_root.Path() + "/01-Mar-2027_59.wav");
    SetRecordingNameClock([] { return Utc(2027, 3, 1, 23, 59, 59); });
    EXPECT_EQ(MakeRecordingName(0), m_root.Path() + "/01-Mar-2027_86399.wav");
}

TEST_F(SettingsTest, RootWithoutSeparatorGetsOneWhenUsed)
{
    WriteRoot(m_root.Path() + "/rec");
    EXPECT_EQ(GetStoredRoot(), m_root.Path() + "/rec") << "stored as typed";
    EXPECT_EQ(GetCategoryFolder(0), m_root.Path() + "/rec/");
    EXPECT_EQ(GetCategoryFolder(1), m_root.Path() + "/rec/1/");
    SetRecordingNameClock([] { return Utc(2026, 12, 7, 18, 12, 5); });
    EXPECT_EQ(MakeRecordingName(0), m_root.Path() + "/rec/07-Dec-2026_65525.wav");
}

TEST_F(SettingsTest, MonthTable)
{
    EXPECT_STREQ(g_monthNames[0], "Zer");
    EXPECT_STREQ(g_monthNames[1], "Jan");
    EXPECT_STREQ(g_monthNames[12], "Dec");
}


TEST_F(SettingsTest, InputDeviceIsEmptyUntilStoredAndReadAfresh)
{
    EXPECT_EQ(GetInputDevice(), "");
    WriteInputDevice("alsa_input.usb-mic");
    EXPECT_EQ(GetInputDevice(), "alsa_input.usb-mic");
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Corvane", Application());
    EXPECT_EQ(s.value("Parameters/InputDevice").toString(), "alsa_input.usb-mic");
    s.setValue("Parameters/InputDevice", "vmic2"); // written by another copy of the program
    s.sync();
    EXPECT_EQ(GetInputDevice(), "vmic2");
    WriteInputDevice("");
    EXPECT_EQ(GetInputDevice(), "");
}

TEST_F(SettingsTest, LeadingTildeExpandsToTheHomeFolder)
{
    EXPECT_EQ(ExpandHome("~"), m_home.Path());
    EXPECT_EQ(ExpandHome("~/"), m_home.Path() + "/");
    EXPECT_EQ(ExpandHome("~/rec/"), m_home.Path() + "/rec/");
    EXPECT_EQ(ExpandHome("~user/rec"), "~user/rec") << "another user's home is not guessed";
    EXPECT_EQ(ExpandHome("/a/~/b"), "/a/~/b");
    EXPECT_EQ(ExpandHome("rec/~"), "rec/~");
    EXPECT_EQ(ExpandHome(""), "");
}

TEST_F(SettingsTest, FolderWithParentsIsMadeOwnerOnly)
{
    const std::string folder = m_root.Path() + "/x/y/z/";
    std::string reason;
    ASSERT_TRUE(MakeFolderWithParents(folder, reason)) << reason;
    for (const std::string part : {"/x", "/x/y", "/x/y/z"}) {
        struct stat info {};
        ASSERT_EQ(::stat((m_root.Path() + part).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << part;
    }
    // Existing folders are fine and keep their mode.
    ASSERT_EQ(::chmod(m_root.Path().c_str(), 0755), 0);
    EXPECT_TRUE(MakeFolderWithParents(folder, reason)) << reason;
    EXPECT_TRUE(MakeFolderWithParents(m_root.Path(), reason)) << reason;
    struct stat info {};
    ASSERT_EQ(::stat(m_root.Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
}

TEST_F(SettingsTest, FolderUnderAFileFailsWithTheSystemsReason)
{
    const std::string file = m_root.Path() + "/file";
    std::ofstream(file) << "x";
    std::string reason;
    EXPECT_FALSE(MakeFolderWithParents(file + "/sub/", reason));
    EXPECT_EQ(reason, "Not a directory");
    reason.clear();
    EXPECT_FALSE(MakeFolderWithParents(file, reason)) << "a file is not a folder";
    EXPECT_EQ(reason, "Not a directory");
}

TEST_F(SettingsTest, FolderWhereWritingIsRefusedFailsWithTheSystemsReason)
{
    if (RerunAsUnprivilegedUser()) // root may write anywhere
        return;
    const std::string locked = m_root.Path() + "/locked";
    ASSERT_EQ(::mkdir(locked.c_str(), 0500), 0);
    std::string reason;
    EXPECT_FALSE(MakeFolderWithParents(locked + "/a/b", reason));
    EXPECT_EQ(reason, "Permission denied");
    EXPECT_FALSE(std::filesystem::exists(locked + "/a"));
    ::chmod(locked.c_str(), 0700);
}

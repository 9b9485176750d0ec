// Settings store, category folders and recording names.
#include "app/Settings.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <ctime>
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
        SetSettingsClock({});
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
    SetSettingsClock([] { return Utc(2026, 12, 7, 18, 12, 5); });
    EXPECT_EQ(MakeRecordingName(2), m_root.Path() + "/fmanager/2/07-Dec-2026_65525.wav");
    EXPECT_TRUE(std::filesystem::is_directory(m_root.Path() + "/fmanager/2"));
}

TEST_F(SettingsTest, FirstMinuteAfterMidnight)
{
    WriteRoot(m_root.Path() + "/");
    SetSettingsClock([] { return Utc(2027, 3, 1, 0, 0, 0); });
    EXPECT_EQ(MakeRecordingName(0), m_root.Path() + "/01-Mar-2027_0.wav");
    SetSettingsClock([] { return Utc(2027, 3, 1, 0, 0, 59); });
    EXPECT_EQ(MakeRecordingName(0), m_root.Path() + "/01-Mar-2027_59.wav");
    SetSettingsClock([] { return Utc(2027, 3, 1, 23, 59, 59); });
    EXPECT_EQ(MakeRecordingName(0), m_root.Path() + "/01-Mar-2027_86399.wav");
}

TEST_F(SettingsTest, RootWithoutSeparatorGetsOneWhenUsed)
{
    WriteRoot(m_root.Path() + "/rec");
    EXPECT_EQ(GetStoredRoot(), m_root.Path() + "/rec") << "stored as typed";
    EXPECT_EQ(GetCategoryFolder(0), m_root.Path() + "/rec/");
    EXPECT_EQ(GetCategoryFolder(1), m_root.Path() + "/rec/1/");
    SetSettingsClock([] { return Utc(2026, 12, 7, 18, 12, 5); });
    EXPECT_EQ(MakeRecordingName(0), m_root.Path() + "/rec/07-Dec-2026_65525.wav");
}

TEST_F(SettingsTest, MonthTable)
{
    EXPECT_STREQ(g_monthNames[0], "Zer");
    EXPECT_STREQ(g_monthNames[1], "Jan");
    EXPECT_STREQ(g_monthNames[12], "Dec");
}


// The settings dialog and the Settings command that runs it.
#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "dialogs/CSettingsDlg.h"
#include "engine/MessageStyle.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

// The settings file's location is fixed at its first use in a process: each
// test process gets a home of its own there, so the cases that ctest runs in
// parallel never share a settings file.
const std::string& ProcessHome()
{
    static TempDir home;
    return home.Path();
}

class SettingsDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("HOME", ProcessHome().c_str(), 1);
        QStandardPaths::setTestModeEnabled(true);
        Store().clear();
        ::setenv("HOME", m_home.Path().c_str(), 1); // the default root lies under it
        SetMessageBoxHook([this](const QString& text, unsigned style) {
            m_boxes.push_back({text.toStdString(), style});
            return IDOK;
        });
    }
    void TearDown() override
    {
        SetMessageBoxHook({});
        Store().clear();
    }
    static QSettings Store()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Corvane",
                         QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    }
    static QLineEdit* PathEdit(QWidget* d) { return d->findChild<QLineEdit*>("pathEdit"); }
    static QLineEdit* SizeEdit(QWidget* d) { return d->findChild<QLineEdit*>("sizeEdit"); }
    static QPushButton* Ok(QWidget* d) { return d->findChild<QPushButton*>("okButton"); }
    static QPushButton* Cancel(QWidget* d) { return d->findChild<QPushButton*>("cancelButton"); }

    // Runs the Settings command; `drive` acts on the modal dialog while it runs.
    void RunCommand(std::function<void(CSettingsDlg*)> drive)
    {
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<CSettingsDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            driven = true;
            drive(dlg);
            if (dlg->isVisible()) // a failed check must not leave the test hanging
                dlg->done(IDCANCEL);
        });
        RunSettingsDialog();
        EXPECT_TRUE(driven);
    }

    TempDir m_home;
    TempDir m_root;
    std::vector<CapturedMessage> m_boxes;
};

} // namespace

TEST_F(SettingsDlgTest, OpensOnTheDefaultsAndCreatesTheRootEvenWhenCancelled)
{
    const std::string root = m_home.Path() + "/fmanager/";
    ASSERT_FALSE(fs::exists(root));
    RunCommand([&](CSettingsDlg* dlg) {
        EXPECT_EQ(dlg->windowTitle(), "Settings");
        EXPECT_EQ(dlg->size(), QSize(472, 154));
        QStringList labels;
        for (QLabel* label : dlg->findChildren<QLabel*>())
            labels << label->text();
        labels.sort();
        EXPECT_EQ(labels, QStringList({"File manager path", "Record buffer size"}));
        EXPECT_EQ(PathEdit(dlg)->text().toStdString(), root);
        EXPECT_EQ(SizeEdit(dlg)->text(), "10000");
        EXPECT_EQ(dlg->focusWidget(), Ok(dlg));
        Cancel(dlg)->click();
    });
    EXPECT_TRUE(fs::is_directory(root));
    EXPECT_FALSE(Store().contains("Parameters/BufferSize"));
    EXPECT_FALSE(Store().contains("Parameters/FileManager"));
}

TEST_F(SettingsDlgTest, OkWithoutChangesWritesBothValues)
{
    RunCommand([&](CSettingsDlg* dlg) { Ok(dlg)->click(); });
    EXPECT_EQ(Store().value("Parameters/BufferSize").toInt(), 10000);
    EXPECT_EQ(Store().value("Parameters/FileManager").toString().toStdString(), m_home.Path() + "/fmanager/");
}

TEST_F(SettingsDlgTest, CancelAfterEditingLeavesTheStore)
{
    WriteBufferSize(4096);
    WriteRoot(m_root.Path() + "/");
    RunCommand([&](CSettingsDlg* dlg) {
        EXPECT_EQ(SizeEdit(dlg)->text(), "4096");
        PathEdit(dlg)->setText("/somewhere/else/");
        SizeEdit(dlg)->setText("77");
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(GetBufferSize(), 4096);
    EXPECT_EQ(GetStoredRoot(), m_root.Path() + "/");
}

TEST_F(SettingsDlgTest, EditedValuesAreStoredOnOk)
{
    RunCommand([&](CSettingsDlg* dlg) {
        PathEdit(dlg)->setText(QString::fromStdString(m_root.Path() + "/rec/"));
        SizeEdit(dlg)->clear();
        QTest::keyClicks(SizeEdit(dlg), "4410");
        QTest::keyClick(SizeEdit(dlg), Qt::Key_Return); // the default button is OK
    });
    EXPECT_EQ(GetBufferSize(), 4410);
    EXPECT_EQ(GetStoredRoot(), m_root.Path() + "/rec/");
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(SettingsDlgTest, EmptySizeKeepsTheDialogOpenWithAPromptAndFocus)
{
    WriteBufferSize(2048);
    RunCommand([&](CSettingsDlg* dlg) {
        PathEdit(dlg)->setText("/not/read/");
        PathEdit(dlg)->setFocus();
        SizeEdit(dlg)->clear();
        Ok(dlg)->click();
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].text, "Please enter an integer.");
        EXPECT_EQ(m_boxes[0].style, MB_ICONEXCLAMATION);
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(dlg->focusWidget(), SizeEdit(dlg));
        EXPECT_EQ(dlg->m_path, m_home.Path() + "/fmanager/") << "the path is not read";
        // Now a value: accepted.
        QTest::keyClicks(SizeEdit(dlg), "0");
        Ok(dlg)->click();
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(dlg->result(), 1);
    });
    EXPECT_EQ(GetBufferSize(), 0) << "0 is accepted and stored";
    EXPECT_EQ(GetStoredRoot(), "/not/read/");
}

TEST_F(SettingsDlgTest, LettersCannotBeTypedIntoTheSize)
{
    CSettingsDlg dlg;
    dlg.m_bufferSize = 5;
    dlg.show();
    QLineEdit* size = SizeEdit(&dlg);
    size->clear();
    QTest::keyClicks(size, "12ab-3 x4");
    EXPECT_EQ(size->text(), "1234");
}

TEST_F(SettingsDlgTest, StoredNegativeSizeIsShownAndKept)
{
    WriteBufferSize(-5);
    RunCommand([&](CSettingsDlg* dlg) {
        EXPECT_EQ(SizeEdit(dlg)->text(), "-5");
        Ok(dlg)->click();
    });
    EXPECT_EQ(GetBufferSize(), -5);
}

TEST_F(SettingsDlgTest, PathWithoutTrailingSeparatorIsStoredAsTyped)
{
    const std::string typed = m_root.Path() + "/rec";
    RunCommand([&](CSettingsDlg* dlg) {
        PathEdit(dlg)->setText(QString::fromStdString(typed));
        Ok(dlg)->click();
    });
    EXPECT_EQ(Store().value("Parameters/FileManager").toString().toStdString(), typed);
    EXPECT_FALSE(fs::exists(typed)) << "nothing is created when stored";
    // The next folder request creates it.
    EXPECT_EQ(GetCategoryFolder(1), typed + "/1/");
    EXPECT_TRUE(fs::is_directory(typed + "/1"));
    // The next opening shows the text as stored.
    RunCommand([&](CSettingsDlg* dlg) {
        EXPECT_EQ(PathEdit(dlg)->text().toStdString(), typed);
        Cancel(dlg)->click();
    });
}

TEST_F(SettingsDlgTest, IntegerParsing)
{
    EXPECT_EQ(CSettingsDlg::ParseInteger("0"), 0);
    EXPECT_EQ(CSettingsDlg::ParseInteger(" 42 "), 42);
    EXPECT_EQ(CSettingsDlg::ParseInteger("-7"), -7);
    EXPECT_EQ(CSettingsDlg::ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(CSettingsDlg::ParseInteger("-2147483648"), int32_t(-2147483647 - 1));
    EXPECT_EQ(CSettingsDlg::ParseInteger("2147483648"), std::nullopt) << "out of range is not an integer here";
    EXPECT_EQ(CSettingsDlg::ParseInteger(""), std::nullopt);
    EXPECT_EQ(CSettingsDlg::ParseInteger("12a"), std::nullopt);
    EXPECT_EQ(CSettingsDlg::ParseInteger("1 2"), std::nullopt);
}

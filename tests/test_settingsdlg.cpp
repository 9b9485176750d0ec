// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The settings dialog and the Settings command that runs it.
#include "common/MessageBoxes.h"
#include "common/Settings.h"
#include "library/RecordingNames.h"
#include "dialogs/CSettingsDlg.h"
#include "engine/MessageStyle.h"
#include "platform/AudioBackends.h"
#include "TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

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
        // The sound server's inputs, as this test sets them (never the user's server).
        OverrideBackend(&AudioBackends::inputSources, [this](int) {
            ++m_listings;
            return m_sources;
        });
    }
    void TearDown() override
    {
        OverrideBackend(&AudioBackends::inputSources, {});
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
    static QPushButton* Browse(QWidget* d) { return d->findChild<QPushButton*>("browseButton"); }
    static QComboBox* Input(QWidget* d) { return d->findChild<QComboBox*>("inputCombo"); }
    static QSpinBox* StopAfter(QWidget* d) { return d->findChild<QSpinBox*>("stopAfterSpin"); }
    static QStringList Items(QComboBox* combo)
    {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }

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
    std::vector<InputSource> m_sources;
    int m_listings = 0;
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
        EXPECT_EQ(labels, QStringList({"&Input device", "File manager path", "Record buffer size", "Stop &after"}));
        EXPECT_EQ(PathEdit(dlg)->text().toStdString(), root);
        EXPECT_EQ(SizeEdit(dlg)->text(), "10000");
        EXPECT_EQ(StopAfter(dlg)->text(), "Off");
        EXPECT_EQ(dlg->focusWidget(), Ok(dlg));
        Cancel(dlg)->click();
    });
    EXPECT_TRUE(fs::is_directory(root));
    EXPECT_FALSE(Store().contains("Parameters/BufferSize"));
    EXPECT_FALSE(Store().contains("Parameters/FileManager"));
    EXPECT_FALSE(Store().contains("Parameters/StopAfter"));
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
        PathEdit(dlg)->setText(QString::fromStdString(m_root.Path() + "/not/read/"));
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
    EXPECT_EQ(GetStoredRoot(), m_root.Path() + "/not/read/");
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
    EXPECT_TRUE(fs::is_directory(typed)) << "the root is made at OK";
    EXPECT_FALSE(fs::exists(typed + "/1")) << "category folders wait for their first use";
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

TEST_F(SettingsDlgTest, InputsOfferedDefaultFirstThenByDescriptionWithMonitorsLast)
{
    m_sources = {{"alsa_input.usb", "Zeta USB Mic", false},
                 {"alsa_output.hdmi.monitor", "Monitor of HDMI Output", true},
                 {"alsa_input.pci", "Built-in Audio", false},
                 {"bluez_sink.monitor", "Headset", true},
                 {"noname", "", false}};
    WriteInputDevice("alsa_input.pci");
    RunCommand([&](CSettingsDlg* dlg) {
        EXPECT_EQ(Items(Input(dlg)), QStringList({"Default input", "noname", "Built-in Audio", "Zeta USB Mic",
                                                  "Monitor of Headset", "Monitor of HDMI Output"}));
        EXPECT_EQ(Input(dlg)->currentText(), "Built-in Audio") << "the stored choice is shown";
        Input(dlg)->setCurrentIndex(Input(dlg)->findText("Monitor of Headset"));
        Ok(dlg)->click();
    });
    EXPECT_EQ(Store().value("Parameters/InputDevice").toString(), "bluez_sink.monitor");
    EXPECT_EQ(GetInputDevice(), "bluez_sink.monitor");

    RunCommand([&](CSettingsDlg* dlg) {
        Input(dlg)->setCurrentIndex(0);
        Ok(dlg)->click();
    });
    EXPECT_TRUE(Store().contains("Parameters/InputDevice"));
    EXPECT_EQ(GetInputDevice(), "") << "the default input is stored as empty";
}

TEST_F(SettingsDlgTest, NoServerOffersTheDefaultInputOnlyAndCancelKeepsTheChoice)
{
    WriteInputDevice("alsa_input.usb");
    RunCommand([&](CSettingsDlg* dlg) {
        // A chosen input that is not there is kept, marked, until changed.
        EXPECT_EQ(Items(Input(dlg)), QStringList({"Default input", "alsa_input.usb (not available)"}));
        EXPECT_EQ(Input(dlg)->currentIndex(), 1);
        Input(dlg)->setCurrentIndex(0);
        Cancel(dlg)->click();
    });
    EXPECT_EQ(GetInputDevice(), "alsa_input.usb");
    RunCommand([&](CSettingsDlg* dlg) { Ok(dlg)->click(); });
    EXPECT_EQ(GetInputDevice(), "alsa_input.usb");
    EXPECT_EQ(GetInputDevice(), Store().value("Parameters/InputDevice").toString().toStdString());
}

TEST_F(SettingsDlgTest, TheInputsAreAskedForAgainAtEachOpening)
{
    m_sources = {{"a", "First Mic", false}};
    RunCommand([&](CSettingsDlg* dlg) {
        EXPECT_EQ(Items(Input(dlg)), QStringList({"Default input", "First Mic"}));
        Cancel(dlg)->click();
    });
    EXPECT_EQ(m_listings, 1);
    m_sources.push_back({"b", "Plugged In Later", false});
    RunCommand([&](CSettingsDlg* dlg) {
        EXPECT_EQ(Items(Input(dlg)), QStringList({"Default input", "First Mic", "Plugged In Later"}));
        Cancel(dlg)->click();
    });
    EXPECT_EQ(m_listings, 2);
}

TEST_F(SettingsDlgTest, KeyboardAndScreenReaders)
{
    CSettingsDlg dlg;
    dlg.show();
    // Every field has a label that names it and moves the focus to it.
    std::map<QWidget*, QString> buddies;
    for (QLabel* label : dlg.findChildren<QLabel*>())
        if (label->buddy())
            buddies[label->buddy()] = label->text();
    EXPECT_EQ(buddies[PathEdit(&dlg)], "File manager path");
    EXPECT_EQ(buddies[SizeEdit(&dlg)], "Record buffer size");
    EXPECT_EQ(buddies[Input(&dlg)], "&Input device");
    EXPECT_EQ(buddies[StopAfter(&dlg)], "Stop &after");
    for (QWidget* w : std::initializer_list<QWidget*>{PathEdit(&dlg), SizeEdit(&dlg), Input(&dlg), Browse(&dlg),
                                                      Ok(&dlg), Cancel(&dlg), StopAfter(&dlg)}) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << w->objectName().toStdString();
    }
    // Qt on Linux names a drop-down by its value and ties the label to it.
    EXPECT_EQ(Input(&dlg)->accessibleName(), "Input device");
    bool labelled = false;
    for (const auto& [other, relation] :
         QAccessible::queryAccessibleInterface(Input(&dlg))->relations(QAccessible::Label))
        labelled = labelled || other->text(QAccessible::Name) == "Input device";
    EXPECT_TRUE(labelled);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Browse(&dlg))->text(QAccessible::Name), "Browse");
    EXPECT_EQ(Browse(&dlg)->text(), QString::fromUtf8("&Browse\u2026"));
    // Tab walks OK, Cancel, path, Browse, size, input, stop after, and back to OK.
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    Ok(&dlg)->setFocus();
    std::vector<QWidget*> order{dlg.focusWidget()};
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
        order.push_back(dlg.focusWidget());
    }
    // A spin box hands the focus to its line edit; the spin box is the stop.
    for (QWidget*& w : order)
        if (w && w->parentWidget() == StopAfter(&dlg))
            w = StopAfter(&dlg);
    EXPECT_EQ(order, (std::vector<QWidget*>{Ok(&dlg), Cancel(&dlg), PathEdit(&dlg), Browse(&dlg), SizeEdit(&dlg),
                                             Input(&dlg), StopAfter(&dlg), Ok(&dlg)}));
    // Alt+I reaches the drop-down through its label, Alt+A the time limit.
    QTest::keyClick(dlg.focusWidget(), Qt::Key_I, Qt::AltModifier);
    EXPECT_EQ(dlg.focusWidget(), Input(&dlg));
    QTest::keyClick(dlg.focusWidget(), Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(dlg.focusWidget() == StopAfter(&dlg) || dlg.focusWidget()->parentWidget() == StopAfter(&dlg));
    EXPECT_EQ(StopAfter(&dlg)->accessibleName(), "Stop after");
}

TEST_F(SettingsDlgTest, BrowseChoosesTheFolderWithTheSystemsChooser)
{
    const std::string chosen = m_root.Path() + "/picked";
    fs::create_directory(chosen);
    RunCommand([&](CSettingsDlg* dlg) {
        ASSERT_NE(Browse(dlg), nullptr);
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            seen = true;
            EXPECT_EQ(chooser->fileMode(), QFileDialog::Directory);
            chooser->setDirectory(QString::fromStdString(chosen));
            chooser->selectFile(QString::fromStdString(chosen));
            QMetaObject::invokeMethod(chooser, "accept"); // QFileDialog::accept, which reads the choice
        });
        Browse(dlg)->click();
        EXPECT_TRUE(seen);
        EXPECT_EQ(PathEdit(dlg)->text().toStdString(), chosen + "/");
        Ok(dlg)->click();
    });
    EXPECT_EQ(GetStoredRoot(), chosen + "/");
}

TEST_F(SettingsDlgTest, BrowseCancelledLeavesThePath)
{
    RunCommand([&](CSettingsDlg* dlg) {
        PathEdit(dlg)->setText("/typed/before/");
        QTimer::singleShot(0, [&] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            chooser->reject();
        });
        Browse(dlg)->click();
        EXPECT_EQ(PathEdit(dlg)->text(), "/typed/before/");
        Cancel(dlg)->click();
    });
}

TEST_F(SettingsDlgTest, LeadingTildeIsTheHomeFolder)
{
    RunCommand([&](CSettingsDlg* dlg) {
        PathEdit(dlg)->setText("~/Recordings/voice/");
        Ok(dlg)->click();
    });
    EXPECT_EQ(GetStoredRoot(), m_home.Path() + "/Recordings/voice/");
    EXPECT_TRUE(fs::is_directory(m_home.Path() + "/Recordings/voice"));
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(SettingsDlgTest, RelativePathIsRefusedAtOk)
{
    WriteRoot(m_root.Path() + "/");
    for (const char* typed : {"recordings/", "./rec", "~user/rec/"}) {
        m_boxes.clear();
        RunCommand([&](CSettingsDlg* dlg) {
            PathEdit(dlg)->setText(typed);
            Ok(dlg)->click();
            EXPECT_TRUE(dlg->isVisible()) << typed;
            ASSERT_EQ(m_boxes.size(), 1u) << typed;
            EXPECT_EQ(m_boxes[0].text, "The recordings folder must be a full path, starting with / or ~.");
            EXPECT_EQ(m_boxes[0].style, MB_ICONEXCLAMATION);
            EXPECT_EQ(dlg->focusWidget(), PathEdit(dlg));
        });
        EXPECT_EQ(GetStoredRoot(), m_root.Path() + "/") << typed;
        EXPECT_FALSE(fs::exists(fs::current_path() / "recordings"));
    }
}

TEST_F(SettingsDlgTest, MissingParentsAreMadeAtOkOwnerOnly)
{
    const std::string root = m_root.Path() + "/a/b/c/";
    RunCommand([&](CSettingsDlg* dlg) {
        PathEdit(dlg)->setText(QString::fromStdString(root));
        Ok(dlg)->click();
        EXPECT_FALSE(dlg->isVisible());
    });
    EXPECT_EQ(GetStoredRoot(), root);
    for (const std::string folder : {"/a", "/a/b", "/a/b/c"}) {
        struct stat info {};
        ASSERT_EQ(::stat((m_root.Path() + folder).c_str(), &info), 0) << folder;
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(SettingsDlgTest, AFolderThatCannotBeMadeIsRefusedWithTheSystemsReason)
{
    WriteRoot(m_root.Path() + "/");
    const std::string file = m_root.Path() + "/plain-file";
    std::ofstream(file) << "x";
    const std::string root = file + "/rec/";
    RunCommand([&](CSettingsDlg* dlg) {
        PathEdit(dlg)->setText(QString::fromStdString(root));
        Ok(dlg)->click();
        EXPECT_TRUE(dlg->isVisible());
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].text, "The recordings folder " + root + " cannot be created:\nNot a directory");
        EXPECT_EQ(dlg->focusWidget(), PathEdit(dlg));
    });
    EXPECT_EQ(GetStoredRoot(), m_root.Path() + "/");
}

TEST_F(SettingsDlgTest, AFolderInAPlaceWithoutWriteAccessIsRefusedWithTheSystemsReason)
{
    if (RerunAsUnprivilegedUser()) // root may write anywhere
        return;
    const std::string locked = m_root.Path() + "/locked";
    ASSERT_EQ(::mkdir(locked.c_str(), 0500), 0);
    const std::string root = locked + "/new/rec/";
    RunCommand([&](CSettingsDlg* dlg) {
        PathEdit(dlg)->setText(QString::fromStdString(root));
        Ok(dlg)->click();
        EXPECT_TRUE(dlg->isVisible());
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].text, "The recordings folder " + root + " cannot be created:\nPermission denied");
    });
    EXPECT_FALSE(Store().contains("Parameters/FileManager"));
    ::chmod(locked.c_str(), 0700);
}

// The time limit: stored in minutes, 0 for Off; Cancel keeps the stored
// value; a stored value out of range is shown within it.
struct StopAfterCase {
    const char* name;
    QVariant stored;    // as found in the store; invalid: nothing
    const char* shown;
    const char* typed;  // over the field's text; null: nothing
    bool ok;
    int after;          // GetStopAfterMinutes() afterwards
};
class SettingsStopAfter : public SettingsDlgTest, public ::testing::WithParamInterface<StopAfterCase> {};

TEST_P(SettingsStopAfter, StoredAndShown)
{
    const StopAfterCase& c = GetParam();
    if (c.stored.isValid())
        Store().setValue("Parameters/StopAfter", c.stored);
    RunCommand([&](CSettingsDlg* dlg) {
        EXPECT_EQ(StopAfter(dlg)->text().toStdString(), c.shown);
        if (c.typed) {
            StopAfter(dlg)->setFocus();
            StopAfter(dlg)->selectAll();
            QTest::keyClicks(StopAfter(dlg), QString::fromLatin1(c.typed));
        }
        (c.ok ? Ok(dlg) : Cancel(dlg))->click();
    });
    EXPECT_EQ(GetStopAfterMinutes(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsStopAfter,
    ::testing::Values(StopAfterCase{"TypedMinutesAreStored", QVariant(), "Off", "45", true, 45},
                      StopAfterCase{"ZeroTypedIsOff", 30, "30 min", "0", true, 0},
                      StopAfterCase{"CancelKeepsTheStoredValue", 30, "30 min", "5", false, 30},
                      StopAfterCase{"TooLargeIsShownAsTheLargest", 100000, "6000 min", nullptr, true, 6000},
                      StopAfterCase{"NegativeIsOff", -7, "Off", nullptr, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// What a screen reader finds, through Qt's accessibility interfaces on the
// offscreen platform: the panel's buttons by their visible words with their
// keys as key bindings, the display as a status bar whose text and change
// events follow the session, the Tab order of the picture, the pop-up menu
// opened by key, the manager's table that Tab leaves, and the dialogs'
// named fields.
#include "PanelTestSupport.h"
#include "TestSupport.h"
#include "common/Settings.h"
#include "dialogs/CFileManagerDlg.h"
#include "dialogs/CSettingsDlg.h"
#include "library/RecordingNames.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CFormatChooseDlg.h"
#include "panel/CRecorderDlg.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace {

QString Text(QAccessibleInterface* a)
{
    return a && a->textInterface() ? a->textInterface()->text(0, -1) : QStringLiteral("<no text>");
}

class Accessibility : public VirtualAudioTest {};

// ---- Buttons: visible words, keys as key bindings and in the description --

struct ButtonCase {
    int id;
    const char* name;
    const char* key; // empty: the button has no key
};
// By name: the test's ctest entry then reads the same in every build.
void PrintTo(const ButtonCase& c, std::ostream* out) { *out << c.name; }

class ButtonNames : public Accessibility, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(ButtonNames, NameIsTheVisibleWordAndTheKeyIsAKeyBinding)
{
    const ButtonCase& c = GetParam();
    CRecorderDlg dlg;
    CBitmapButton* button = dlg.Button(c.id);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name), QString::fromLatin1(c.name));
    ASSERT_NE(a->actionInterface(), nullptr);
    const QStringList bindings = a->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction());
    const QString key = QString::fromLatin1(c.key);
    // Qt reports a button without a shortcut as one empty binding.
    EXPECT_EQ(bindings.join(QString()), key);
    EXPECT_LE(bindings.size(), 1);
    if (!key.isEmpty()) {
        EXPECT_TRUE(a->text(QAccessible::Description).endsWith(QStringLiteral("Key: ") + key))
            << a->text(QAccessible::Description).toStdString();
    }
    // The images are still found by the caption, which tools may use.
    EXPECT_EQ(button->objectName(), button->Caption());
}

INSTANTIATE_TEST_SUITE_P(Panel, ButtonNames,
                         ::testing::Values(ButtonCase{IDC_REC, "Record", "Alt+R"}, ButtonCase{IDC_STOP, "Stop", "Alt+S"},
                                           ButtonCase{IDC_PLAY, "Play", "Alt+P"},
                                           ButtonCase{IDC_MANAGER, "File Manager", "Alt+M"},
                                           ButtonCase{IDC_OPTION, "Options", "Alt+O"},
                                           ButtonCase{IDC_POWER, "Power", "Esc"},
                                           ButtonCase{IDC_MIN, "Minimise", ""}));

TEST_F(Accessibility, TheButtonsShortcutsLeaveTheKeysToThePanel)
{
    // With the shortcuts registered, Alt+R still focuses and presses REC at
    // once (a shortcut would only animate a click), and Escape still cancels
    // rather than pressing POWER.
    CRecorderDlg dlg;
    ShowActive(dlg);
    dlg.Button(IDC_MANAGER)->setFocus();
    QTest::keyClick(dlg.focusWidget(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(dlg.Session()->State().mode, SessionMode::Recording);
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), PanelCancel);
    EXPECT_TRUE(dlg.IsEnded());
}

// ---- The display ------------------------------------------------------------

TEST_F(Accessibility, DisplayIsAFocusableStatusBarWhoseTextFollowsTheSession)
{
    SetRecordingNameClock([] { return Utc(2026, 12, 9, 10, 0, 0); });
    int64_t now = 1'900'000'000;
    int64_t ms = 5'000'000;
    CRecorderDlg dlg;
    dlg.Session()->SetClock([&] { return now; });
    dlg.Session()->SetPauseClock([&] { return ms; });
    CDisplayPanel* display = dlg.Display();
    display->SetClock([&] { return ms; });
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(display);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::StatusBar);
    EXPECT_TRUE(a->state().focusable);
    ASSERT_NE(a->textInterface(), nullptr);
    EXPECT_EQ(Text(a), "Stopped, 00:00, category New");
    EXPECT_EQ(a->text(QAccessible::Name), Text(a));
    EXPECT_EQ(a->textInterface()->characterCount(), int(Text(a).size()));

    // Counted where the display sends its name- and text-changed events:
    // Qt's offscreen platform has no accessibility bridge and drops the events
    // themselves before any update handler (the AT-SPI test hears them).
    std::vector<QString> told;
    QObject::connect(display, &CDisplayPanel::AccessibleTextAnnounced, display,
                     [&](const QString& text) { told.push_back(text); });
    auto updates = [&] { return int(told.size()); };
    // A change of state is told once, after the panel has applied all of it.
    auto step = [&](const std::function<void()>& act) {
        const int before = updates();
        act();
        QTest::qWait(50);
        return updates() - before;
    };

    EXPECT_EQ(step([&] { ASSERT_TRUE(dlg.Session()->Record()); }), 1);
    const std::string path = display->GetText();
    const QString file = QString::fromStdString(path.substr(path.find_last_of('/') + 1));
    ASSERT_TRUE(file.endsWith(".wav")) << path;
    EXPECT_EQ(Text(a), "Recording, 00:00, category New, file " + file);
    EXPECT_EQ(step([&] { dlg.Session()->PauseResume(); }), 1);
    EXPECT_EQ(Text(a), "Paused, 00:00, category New, file " + file);
    EXPECT_EQ(step([&] { dlg.Session()->PauseResume(); }), 1);
    EXPECT_EQ(Text(a), "Recording, 00:00, category New, file " + file);

    // The time alone: five changes within a second are one event, a second
    // after the last one, with the latest time; the text is current at once.
    EXPECT_EQ(step([&] {
                  for (int i = 0; i < 5; ++i) {
                      ++now;
                      dlg.Session()->OnRecordingTick();
                  }
              }),
              0);
    EXPECT_EQ(Text(a), "Recording, 00:05, category New, file " + file);
    const int before = updates();
    EXPECT_TRUE(QTest::qWaitFor([&] { return updates() == before + 1; }, 1500));
    QTest::qWait(200);
    ASSERT_EQ(updates(), before + 1);
    EXPECT_EQ(told.back(), Text(a));
    // A second later by the display's clock, the next time is told at once.
    ms += CDisplayPanel::kAnnounceMs;
    EXPECT_EQ(step([&] {
                  ++now;
                  dlg.Session()->OnRecordingTick();
              }),
              1);

    EXPECT_EQ(step([&] { dlg.Session()->Stop(); }), 1);
    EXPECT_TRUE(Text(a).startsWith("Stopped, ")) << Text(a).toStdString();
    EXPECT_TRUE(Text(a).endsWith(", category New, file " + file)) << Text(a).toStdString();
    EXPECT_EQ(step([&] { ASSERT_TRUE(dlg.Session()->Play()); }), 1);
    EXPECT_TRUE(Text(a).startsWith("Playing, ")) << Text(a).toStdString();
    EXPECT_EQ(step([&] { dlg.Session()->Stop(); }), 1);
    EXPECT_TRUE(Text(a).startsWith("Stopped, ")) << Text(a).toStdString();
    EXPECT_EQ(step([&] { dlg.Session()->SetCategory(3); }), 1);
    EXPECT_TRUE(Text(a).contains(", category Personal, file ")) << Text(a).toStdString();
    // Nothing changed, nothing told.
    EXPECT_EQ(step([&] { dlg.Session()->SetCategory(3); }), 0);
}

TEST_F(Accessibility, TabFollowsThePictureTopRowDisplayBottomRow)
{
    CRecorderDlg dlg;
    ShowActive(dlg);
    dlg.Button(IDC_MANAGER)->setFocus();
    // A fresh panel: STOP and PLAY are disabled and skipped.
    const std::vector<QWidget*> forward = {dlg.Button(IDC_OPTION), dlg.Button(IDC_POWER), dlg.Display(),
                                           dlg.Button(IDC_REC),    dlg.Button(IDC_MIN),   dlg.Button(IDC_MANAGER)};
    for (QWidget* expected : forward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected)
            << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "none");
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), dlg.Button(IDC_MIN));
    // The panel's keys work from the display too.
    dlg.Display()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dlg.Display(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(dlg.Session()->State().mode, SessionMode::Recording);
    dlg.Session()->Stop();
}

TEST_F(Accessibility, PopupMenuByKeyIsNamedAndStartsOnItsFirstItem)
{
    CRecorderDlg dlg;
    ShowActive(dlg);
    QString name;
    QAction* active = nullptr;
    QAction* first = nullptr;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        poll.stop();
        name = QAccessible::queryAccessibleInterface(menu)->text(QAccessible::Name);
        active = menu->activeAction();
        first = menu->actions().value(0);
        menu->close();
    });
    poll.start();
    QTest::keyClick(dlg.focusWidget(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(name, "Panel menu");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(active, first);
}

// ---- The manager -----------------------------------------------------------

class ManagerKeys : public Accessibility {
protected:
    void SetUp() override
    {
        Accessibility::SetUp();
        WritePcmTone(GetCategoryFolder(0) + "one.wav", 1.0);
        WritePcmTone(GetCategoryFolder(0) + "two.wav", 1.0);
    }
    static QTableView* Table(CFileManagerDlg& d) { return d.findChild<QTableView*>("fileList"); }
    static QPushButton* Button(CFileManagerDlg& d, const char* name) { return d.findChild<QPushButton*>(name); }
};

TEST_F(ManagerKeys, TabEntersTheTableOnItsFirstRowAndLeavesIt)
{
    CFileManagerDlg dlg;
    ShowActive(dlg);
    QTableView* table = Table(dlg);
    ASSERT_EQ(table->model()->rowCount(), 2);
    Button(dlg, "closeButton")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), table);
    EXPECT_EQ(table->currentIndex().row(), 0);
    // Arrows move between rows; Tab and Shift+Tab leave.
    QTest::keyClick(table, Qt::Key_Down);
    EXPECT_EQ(table->currentIndex().row(), 1);
    QTest::keyClick(table, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Button(dlg, "deleteButton"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), table);
    QTest::keyClick(table, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), Button(dlg, "closeButton"));
}

TEST_F(ManagerKeys, EnterWithoutARowKeepsTheManagerOpen)
{
    CFileManagerDlg dlg;
    ShowActive(dlg);
    QTableView* table = Table(dlg);
    table->setFocus();
    table->clearSelection();
    table->setCurrentIndex(QModelIndex());
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(table, key);
    EXPECT_TRUE(dlg.isVisible());
    // With a row, Enter opens it as before.
    table->selectRow(1);
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(dlg.m_selected.path, GetCategoryFolder(0) + "two.wav");
}

TEST_F(ManagerKeys, SampleRateColumnSaysItIsTheDataRate)
{
    CFileManagerDlg dlg;
    dlg.show();
    QAbstractItemModel* model = Table(dlg)->model();
    EXPECT_EQ(model->headerData(6, Qt::Horizontal).toString(), "Sample Rate");
    EXPECT_TRUE(model->headerData(6, Qt::Horizontal, Qt::AccessibleDescriptionRole).toString().contains("data rate"));
    // As a screen reader finds it: the table's column header cell.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(Table(dlg));
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table->tableInterface(), nullptr);
    QAccessibleInterface* header = nullptr;
    for (int i = 0; i < table->childCount() && !header; ++i) {
        QAccessibleInterface* child = table->child(i);
        if (child && child->role() == QAccessible::ColumnHeader && child->text(QAccessible::Name) == "Sample Rate")
            header = child;
    }
    ASSERT_NE(header, nullptr);
    EXPECT_TRUE(header->text(QAccessible::Description).contains("data rate"));
}

// ---- Dialogs: every field has a name ---------------------------------------

class NamedFields : public Accessibility,
                    public ::testing::WithParamInterface<std::function<std::unique_ptr<QWidget>()>> {};

TEST_P(NamedFields, EveryInputFieldHasAName)
{
    std::unique_ptr<QWidget> dlg = GetParam()();
    dlg->show();
    int fields = 0;
    for (QWidget* w : dlg->findChildren<QWidget*>()) {
        if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w))
            continue;
        if (qobject_cast<QComboBox*>(w->parentWidget()))
            continue; // a combo box's own editor
        ++fields;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << w->metaObject()->className() << " "
                                                           << w->objectName().toStdString();
    }
    EXPECT_GE(fields, 2);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, NamedFields,
                         ::testing::Values([] { return std::unique_ptr<QWidget>(new CSettingsDlg); },
                                           [] { return std::unique_ptr<QWidget>(new CFormatChooseDlg); }));

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The panel from the keyboard and for screen readers, on the offscreen
// platform: Alt keys, where the focus goes, the pop-up menu by key, pausing a
// recording, the live input level, seeking while playing, accessible names
// and a second start bringing the panel to the front.
#include "PanelTestSupport.h"
#include "TestSupport.h"
#include "common/Settings.h"
#include "library/RecordingNames.h"
#include "dialogs/CFileManagerDlg.h"
#include "engine/CWaveRecorder.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CFormatChooseDlg.h"
#include "panel/CRecorderDlg.h"
#include "platform/capture/CVirtualWaveIn.h"
#include "platform/playback/MciWaveAudio.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

// Runs `act` on the next pop-up menu or modal dialog that opens while the
// watcher lives, then closes it.
class PopupWatcher {
public:
    explicit PopupWatcher(std::function<void(QWidget*)> act)
        : m_act(std::move(act))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activePopupWidget();
            if (!w)
                w = QApplication::activeModalWidget();
            if (w && w->isVisible() && (qobject_cast<QMenu*>(w) || qobject_cast<QDialog*>(w))) {
                m_timer.stop();
                ++m_seen;
                m_act(w);
                w->close();
            }
        });
        m_timer.start();
    }
    int Seen() const { return m_seen; }

private:
    std::function<void(QWidget*)> m_act;
    QTimer m_timer;
    int m_seen = 0;
};

QStringList MenuTexts(QWidget* w)
{
    QStringList texts;
    if (auto* menu = qobject_cast<QMenu*>(w))
        for (QAction* a : menu->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

size_t WavFilesIn(const std::string& folder)
{
    size_t n = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        n += e.path().extension() == ".wav";
    return n;
}

uint32_t DataBytes(const std::string& path)
{
    const auto bytes = ReadFileBytes(path);
    return bytes.size() >= 46 ? Le32(bytes, 42) : 0;
}

class PanelKeys : public VirtualAudioTest {
protected:
    // Presses a button as the user can: once it is enabled (STOP comes with
    // the recording's first tick).
    static void Press(CRecorderDlg& dlg, int id)
    {
        CBitmapButton* button = dlg.Button(id);
        EXPECT_TRUE(WaitUntil([&] { return button->isEnabled(); }, 1000)) << button->Caption().toStdString();
        button->click();
    }
    static uint32_t Position(const CRecorderDlg& dlg)
    {
        uint32_t position = 0;
        EXPECT_EQ(MciStatus(dlg.Session()->MciDeviceId(), MCI_STATUS_POSITION, position), 0u);
        return position;
    }
};

} // namespace

TEST_F(PanelKeys, AltKeysPressTheirButtonsAndFocusFollowsTheUsersChoice)
{
    Boxes boxes;
    int second = 0; // each recording gets a name of its own
    SetRecordingNameClock([&] { return Utc(2026, 12, 9, 10, 0, second++); });
    CRecorderDlg dlg;
    ShowActive(dlg);
    CBitmapButton* rec = dlg.Button(IDC_REC);
    CBitmapButton* stop = dlg.Button(IDC_STOP);
    // Every widget the focus visits on the way.
    std::vector<QWidget*> visited;
    QObject listening; // goes before `visited`
    QObject::connect(qApp, &QApplication::focusChanged, &listening,
                     [&](QWidget*, QWidget* now) { visited.push_back(now); });

    // Alt+P on a fresh panel: PLAY is disabled, nothing happens.
    QTest::keyClick(dlg.focusWidget(), Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(dlg.Session()->State().mode, SessionMode::Idle);
    EXPECT_FALSE(dlg.Session()->IsMciDeviceOpen());

    QTest::keyClick(dlg.focusWidget(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(dlg.Session()->State().mode, SessionMode::Recording);
    const std::string path = dlg.Display()->GetText();
    ASSERT_TRUE(WaitUntil([&] { return !rec->isEnabled(); }, 1000));
    EXPECT_EQ(dlg.focusWidget(), stop);
    EXPECT_TRUE(stop->hasFocus());
    QTest::qWait(300);

    QTest::keyClick(dlg.focusWidget(), Qt::Key_S, Qt::AltModifier);
    EXPECT_FALSE(dlg.Session()->RecordingRuns());
    EXPECT_EQ(dlg.focusWidget(), rec);
    EXPECT_TRUE(rec->hasFocus());
    QTest::qWait(200);
    EXPECT_EQ(dlg.focusWidget(), rec);
    for (QWidget* w : visited)
        EXPECT_TRUE(w == rec || w == stop) << (w ? w->objectName().toStdString() : "none");

    // Space on the focused button does the same; the focus again only
    // alternates between REC and STOP.
    visited.clear();
    QTest::keyClick(rec, Qt::Key_Space);
    EXPECT_TRUE(dlg.Session()->RecordingRuns());
    ASSERT_TRUE(WaitUntil([&] { return dlg.focusWidget() == stop; }, 1000));
    QTest::keyClick(stop, Qt::Key_Space);
    EXPECT_FALSE(dlg.Session()->RecordingRuns());
    EXPECT_EQ(dlg.focusWidget(), rec);
    for (QWidget* w : visited)
        EXPECT_TRUE(w == rec || w == stop) << (w ? w->objectName().toStdString() : "none");
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(WavFilesIn(m_root.Path()), 2u);
    EXPECT_GT(DataBytes(path), 0u);
}

TEST_F(PanelKeys, AltMAndAltOOpenTheirDialogs)
{
    Boxes boxes;
    CRecorderDlg dlg;
    ShowActive(dlg);
    {
        bool manager = false;
        PopupWatcher watcher([&](QWidget* w) { manager = qobject_cast<CFileManagerDlg*>(w) != nullptr; });
        QTest::keyClick(dlg.focusWidget(), Qt::Key_M, Qt::AltModifier);
        EXPECT_TRUE(manager);
        EXPECT_EQ(dlg.focusWidget(), dlg.Button(IDC_MANAGER));
    }
    {
        QString title;
        PopupWatcher watcher([&](QWidget* w) { title = w->windowTitle(); });
        QTest::keyClick(dlg.focusWidget(), Qt::Key_O, Qt::AltModifier);
        EXPECT_EQ(title, QStringLiteral("Select audio format"));
        EXPECT_EQ(dlg.focusWidget(), dlg.Button(IDC_OPTION));
    }
    EXPECT_EQ(dlg.Session()->State().mode, SessionMode::Idle);
}

TEST_F(PanelKeys, ShiftF10AndTheMenuKeyOpenThePopupMenuWithPauseOnlyWhileRecording)
{
    Boxes boxes;
    CRecorderDlg dlg;
    dlg.move(50, 50);
    ShowActive(dlg);
    const QStringList idle{"&Hide Window", "-", "&Settings", "-", "&About Program"};
    for (auto [key, mods] : {std::pair{Qt::Key_F10, Qt::ShiftModifier}, std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
        QStringList seen;
        PopupWatcher watcher([&](QWidget* w) { seen = MenuTexts(w); });
        QTest::keyClick(dlg.focusWidget(), key, mods);
        EXPECT_EQ(seen, idle);
    }

    Press(dlg, IDC_REC);
    ASSERT_TRUE(dlg.Session()->RecordingRuns());
    {
        QStringList seen;
        QPoint at;
        PopupWatcher watcher([&](QWidget* w) {
            seen = MenuTexts(w);
            at = w->pos();
        });
        QTest::keyClick(dlg.focusWidget(), Qt::Key_F10, Qt::ShiftModifier);
        EXPECT_EQ(seen, QStringList({"&Pause Recording", "-"}) + idle);
        // The menu opens at the panel.
        EXPECT_TRUE(dlg.frameGeometry().adjusted(-1, -1, 1, 1).contains(at)) << at.x() << "," << at.y();
    }
    // Chosen from the menu, the item pauses; the menu then offers Resume.
    {
        PopupWatcher watcher([&](QWidget* w) { QTest::keyClick(w, Qt::Key_P); });
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Menu);
    }
    EXPECT_TRUE(dlg.Session()->IsPaused());
    {
        QStringList seen;
        PopupWatcher watcher([&](QWidget* w) { seen = MenuTexts(w); });
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Menu);
        EXPECT_EQ(seen, QStringList({"&Resume Recording", "-"}) + idle);
    }
    {
        PopupWatcher watcher([&](QWidget* w) { QTest::keyClick(w, Qt::Key_R); });
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Menu);
    }
    EXPECT_FALSE(dlg.Session()->IsPaused());
    Press(dlg, IDC_STOP);
    // After the recording the menu is the idle one again.
    QStringList seen;
    PopupWatcher watcher([&](QWidget* w) { seen = MenuTexts(w); });
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Menu);
    EXPECT_EQ(seen, idle);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelKeys, PausedTimeStandsStillBlinksAndIsNotCounted)
{
    Boxes boxes;
    int64_t now = 1'900'000'000;
    int64_t ms = 5'000'000;
    CRecorderDlg dlg;
    dlg.Session()->SetClock([&] { return now; });
    dlg.Session()->SetPauseClock([&] { return ms; });
    Press(dlg, IDC_REC);
    ASSERT_TRUE(dlg.Session()->RecordingRuns());
    now += 2;
    ms += 2000;
    dlg.Session()->OnRecordingTick();
    EXPECT_TRUE(DisplayShows(dlg.Display(), 2));

    // Ctrl+Space on the focused STOP pauses; it does not press STOP.
    dlg.Button(IDC_STOP)->setFocus();
    QTest::keyClick(dlg.Button(IDC_STOP), Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(dlg.Session()->IsPaused());
    EXPECT_TRUE(dlg.Session()->RecordingRuns());
    EXPECT_TRUE(dlg.Display()->IsBlinking());
    now += 5;
    ms += 5000;
    dlg.Session()->OnRecordingTick();
    EXPECT_TRUE(DisplayShows(dlg.Display(), 2)) << "the time stands still while paused";
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{false, true, false}));

    QTest::keyClick(&dlg, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_FALSE(dlg.Session()->IsPaused());
    EXPECT_FALSE(dlg.Display()->IsBlinking());
    now += 1;
    ms += 1000;
    dlg.Session()->OnRecordingTick();
    EXPECT_TRUE(DisplayShows(dlg.Display(), 3)) << "the five paused seconds are not counted";

    // Many short pauses add up to the time really spent paused.
    for (int i = 0; i < 10; ++i) {
        dlg.Session()->PauseResume();
        ms += 300;
        dlg.Session()->PauseResume();
    }
    now += 3;
    dlg.Session()->OnRecordingTick();
    EXPECT_TRUE(DisplayShows(dlg.Display(), 3));
    Press(dlg, IDC_STOP);
    EXPECT_FALSE(dlg.Session()->IsPaused());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelKeys, PausedAudioStaysOutOfTheOneFileAndStopWhilePausedFinishesIt)
{
    Boxes boxes;
    CRecorderDlg dlg;
    Press(dlg, IDC_REC);
    const std::string path = dlg.Display()->GetText();
    QTest::qWait(700);
    dlg.Session()->PauseResume();
    ASSERT_TRUE(dlg.Session()->IsPaused());
    QTest::qWait(1500);
    dlg.Session()->PauseResume();
    ASSERT_FALSE(dlg.Session()->IsPaused());
    QTest::qWait(700);
    dlg.Session()->PauseResume();
    ASSERT_TRUE(dlg.Session()->IsPaused());
    QTest::qWait(300);
    // STOP while paused finishes the file as usual.
    Press(dlg, IDC_STOP);
    EXPECT_FALSE(dlg.Session()->RecordingRuns());
    EXPECT_FALSE(dlg.Session()->IsPaused());
    EXPECT_FALSE(dlg.Display()->IsBlinking());
    EXPECT_EQ(WavFilesIn(m_root.Path()), 1u);
    const auto bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 46u);
    EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(Le32(bytes, 42), bytes.size() - 46);
    // About 1.4 s recorded of 3.2 s: the 1.8 s paused are not in the file.
    const double seconds = double(bytes.size() - 46) / 44100;
    EXPECT_GT(seconds, 1.0);
    EXPECT_LT(seconds, 2.2);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelKeys, AHundredPausesASecondKeepTheFile)
{
    Boxes boxes;
    CRecorderDlg dlg;
    ShowActive(dlg);
    Press(dlg, IDC_REC);
    const std::string path = dlg.Display()->GetText();
    QTest::qWait(150);
    int paused = 0;
    for (int i = 0; i < 100; ++i) {
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Space, Qt::ControlModifier);
        paused += dlg.Session()->IsPaused();
        QTest::qWait(10);
    }
    EXPECT_GE(paused, 40) << "the presses paused and resumed in turn";
    EXPECT_FALSE(dlg.Session()->IsPaused());
    EXPECT_TRUE(dlg.Session()->RecordingRuns());
    QTest::qWait(200);
    Press(dlg, IDC_STOP);
    EXPECT_EQ(WavFilesIn(m_root.Path()), 1u);
    const auto bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 46u);
    EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(Le32(bytes, 42), bytes.size() - 46);
    EXPECT_EQ((bytes.size() - 46) % 2, 0u);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelKeys, PauseWithoutARecordingDoesNothing)
{
    Boxes boxes;
    CRecorderDlg dlg;
    QTest::keyClick(&dlg, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_FALSE(dlg.Session()->IsPaused());
    EXPECT_FALSE(dlg.Display()->IsBlinking());
    Press(dlg, IDC_REC);
    QTest::qWait(200);
    Press(dlg, IDC_STOP);
    // STOP leaves the finished recording's timer running: still nothing to pause.
    dlg.Session()->PauseResume();
    EXPECT_FALSE(dlg.Session()->IsPaused());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelKeys, TheBarShowsTheInputLevelWhileRecordingAndPositionAfter)
{
    Boxes boxes;
    m_input.level = 0.5; // -6 dBFS
    CRecorderDlg dlg;
    Press(dlg, IDC_REC);
    QTest::qWait(500);
    EXPECT_EQ(dlg.Display()->GetBarMode(), CDisplayPanel::BarMode::Level);
    EXPECT_NEAR(dlg.Display()->ShownLevel(), -6.0f, 1.5f);
    // About nine tenths of the bar are lit in the display's picture.
    auto litColumns = [&] {
        const QImage picture = dlg.Display()->Render();
        const QRect bar = CDisplayPanel::BarRect();
        int lit = 0;
        for (int x = bar.left(); x <= bar.right(); ++x)
            lit += picture.pixelColor(x, bar.center().y()) == QColor(0, 200, 0);
        return lit;
    };
    EXPECT_NEAR(litColumns(), 0.9 * CDisplayPanel::BarRect().width(), 12);
    // And on screen: what the widget paints.
    {
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        QTest::qWait(300);
        const QImage shown = dlg.Display()->grab().toImage();
        const QRect bar = CDisplayPanel::BarRect();
        int lit = 0;
        for (int x = bar.left(); x <= bar.right(); ++x)
            lit += shown.pixelColor(x, bar.center().y()) == QColor(0, 200, 0);
        EXPECT_NEAR(lit, 0.9 * bar.width(), 12);
    }
    Press(dlg, IDC_STOP);
    EXPECT_EQ(dlg.Display()->GetBarMode(), CDisplayPanel::BarMode::Position);

    m_input.signal = VirtualWaveInConfig::Signal::Silence;
    Press(dlg, IDC_REC);
    QTest::qWait(500);
    EXPECT_LE(dlg.Display()->ShownLevel(), CDisplayPanel::kLevelFloor);
    EXPECT_EQ(litColumns(), 0);
    Press(dlg, IDC_STOP);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelKeys, RecordingTicksRepaintOnlyTheBarUntilTheSecondChanges)
{
    Boxes boxes;
    int64_t now = 1'900'000'000;
    CRecorderDlg dlg;
    dlg.Session()->SetClock([&] { return now; });
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    Press(dlg, IDC_REC);
    QTest::qWait(300); // the first ticks show the new path and 0
    struct Counter : QObject {
        std::vector<QRect> rects;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                rects.push_back(static_cast<QPaintEvent*>(e)->rect());
            return false;
        }
    } counter;
    dlg.Display()->installEventFilter(&counter);
    for (int i = 0; i < 8; ++i) {
        dlg.Session()->OnRecordingTick();
        QTest::qWait(20);
    }
    const QRect bar = CDisplayPanel::BarRect();
    for (const QRect& r : counter.rects)
        EXPECT_TRUE(bar.contains(r)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
    // The next second repaints the time, not the whole display.
    counter.rects.clear();
    now += 1;
    dlg.Session()->OnRecordingTick();
    QTest::qWait(20);
    ASSERT_FALSE(counter.rects.empty());
    bool full = false;
    for (const QRect& r : counter.rects)
        full = full || r.contains(dlg.Display()->rect());
    EXPECT_FALSE(full);
    dlg.Display()->removeEventFilter(&counter);
    Press(dlg, IDC_STOP);
}

TEST_F(PanelKeys, LeftRightAndHomeSeekWhilePlayingClampedToTheFile)
{
    Boxes boxes;
    const std::string path = m_root.File("tone.wav");
    WritePcmTone(path, 20.0);
    CRecorderDlg dlg;
    ShowActive(dlg);
    dlg.Session()->OpenFile(path, -1);
    ASSERT_TRUE(dlg.Button(IDC_PLAY)->isEnabled());
    // Not playing: the arrows keep their ordinary meaning and seek nothing.
    EXPECT_FALSE(dlg.Session()->SeekBy(5000));
    QTest::keyClick(dlg.focusWidget(), Qt::Key_P, Qt::AltModifier);
    ASSERT_EQ(dlg.Session()->State().mode, SessionMode::Playing);
    ASSERT_TRUE(WaitUntil([&] { return dlg.focusWidget() == dlg.Button(IDC_STOP); }, 1000));
    QTest::qWait(200);

    // Left near the start stops at 0.
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Left);
    EXPECT_LT(Position(dlg), 1000u);
    EXPECT_TRUE(DisplayShows(dlg.Display(), 0));
    // Right twice: about 10 s in, shown at once.
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Right);
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Right);
    const uint32_t at = Position(dlg);
    EXPECT_GE(at, 10000u);
    EXPECT_LT(at, 11500u);
    EXPECT_TRUE(DisplayShows(dlg.Display(), 10) || DisplayShows(dlg.Display(), 11));
    // The focus stays where it was: the arrows did not move it.
    EXPECT_EQ(dlg.focusWidget(), dlg.Button(IDC_STOP));
    // Home goes back to the start.
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Home);
    EXPECT_LT(Position(dlg), 1000u);
    EXPECT_TRUE(DisplayShows(dlg.Display(), 0));
    QTest::qWait(300);
    EXPECT_EQ(dlg.Session()->State().mode, SessionMode::Playing);
    EXPECT_TRUE(dlg.Session()->IsMciDeviceOpen());

    // Right past the end stops at the end: the play ends and the panel idles.
    for (int i = 0; i < 5; ++i)
        dlg.Session()->SeekBy(5000);
    ASSERT_TRUE(WaitUntil([&] { return dlg.Session()->State().mode == SessionMode::Idle && !dlg.Session()->IsMciDeviceOpen(); }, 3000));
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    EXPECT_TRUE(DisplayShows(dlg.Display(), 20));
    EXPECT_FALSE(dlg.Session()->SeekToStart());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelKeys, ButtonsHaveAccessibleNamesDescriptionsAndTooltipsNamingTheirKeys)
{
    Boxes boxes;
    CRecorderDlg dlg;
    ShowActive(dlg);
    const std::pair<int, const char*> keyed[] = {
        {IDC_REC, "Alt+R"}, {IDC_STOP, "Alt+S"}, {IDC_PLAY, "Alt+P"}, {IDC_MANAGER, "Alt+M"}, {IDC_OPTION, "Alt+O"},
    };
    for (const auto& [id, key] : keyed)
        EXPECT_TRUE(dlg.Button(id)->toolTip().contains(QString::fromLatin1(key))) << key;
    std::set<QString> descriptions;
    for (int id : {IDC_REC, IDC_STOP, IDC_PLAY, IDC_MANAGER, IDC_POWER, IDC_OPTION, IDC_MIN}) {
        CBitmapButton* button = dlg.Button(id);
        QAccessibleInterface* acc = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(acc, nullptr) << id;
        EXPECT_EQ(acc->role(), QAccessible::Button) << id;
        // Named by the skin's words, not the image captions (test_accessibility has each).
        EXPECT_NE(acc->text(QAccessible::Name), button->Caption()) << id;
        EXPECT_FALSE(acc->text(QAccessible::Name).isEmpty()) << id;
        const QString description = acc->text(QAccessible::Description);
        EXPECT_GT(description.size(), 10) << id;
        descriptions.insert(description);
        EXPECT_FALSE(button->toolTip().isEmpty()) << id;
        EXPECT_EQ(acc->state().disabled, !button->isEnabled()) << id;
    }
    EXPECT_EQ(descriptions.size(), 7u) << "each button says what it does";

    // A screen reader's press action records, as the button does.
    QAccessibleInterface* rec = QAccessible::queryAccessibleInterface(dlg.Button(IDC_REC));
    ASSERT_NE(rec->actionInterface(), nullptr);
    rec->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(WaitUntil([&] { return dlg.Session()->RecordingRuns(); }, 1000)); // an animated click
    ASSERT_TRUE(WaitUntil([&] { return !dlg.Button(IDC_REC)->isEnabled(); }, 1000));
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(dlg.Button(IDC_REC))->state().disabled);
    Press(dlg, IDC_STOP);
}

TEST_F(PanelKeys, ASecondStartRaisesAndActivatesThePanel)
{
    CRecorderDlg dlg;
    ShowActive(dlg);
    QWidget other;
    other.setWindowTitle(QStringLiteral("another program"));
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(dlg.isActiveWindow());
    dlg.ShowFromOtherCopy(QStringLiteral("token-from-the-second-copy"));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));

    // A hidden panel comes back active too.
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    {
        // "&Hide Window" from the pop-up menu.
        PopupWatcher watcher([](QWidget* w) { QTest::keyClick(w, Qt::Key_H); });
        QTest::keyClick(&dlg, Qt::Key_F10, Qt::ShiftModifier);
        ASSERT_EQ(watcher.Seen(), 1);
    }
    ASSERT_FALSE(dlg.isVisible());
    dlg.ShowFromOtherCopy();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
    // The token is for Wayland only; elsewhere it is not passed on.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
    }
}

TEST_F(PanelKeys, PlaybackTicksRepaintOnlyWhenThePositionMovesAPixelOrTheSecondChanges)
{
    Boxes boxes;
    // Two minutes over the bar's 312 pixels: a pixel every 0.38 s, so most
    // 100 ms ticks change nothing on screen.
    const std::string path = m_root.File("long.wav");
    WritePcmTone(path, 120.0);
    CRecorderDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.Session()->OpenFile(path, -1);
    Press(dlg, IDC_PLAY);
    QTest::qWait(400);
    ASSERT_EQ(ButtonsOf(dlg), (Buttons{false, true, false}));
    struct Counter : QObject {
        std::vector<QRegion> regions;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                regions.push_back(static_cast<QPaintEvent*>(e)->region());
            return false;
        }
    } counter;
    dlg.Display()->installEventFilter(&counter);
    QTest::qWait(1500); // 15 ticks
    dlg.Display()->removeEventFilter(&counter);
    const QRegion allowed = QRegion(CDisplayPanel::BarRect()) + dlg.Display()->TimeRect();
    for (const QRegion& r : counter.regions)
        EXPECT_TRUE((r - allowed).isEmpty()) << r.boundingRect().x() << "," << r.boundingRect().y() << " "
                                             << r.boundingRect().width() << "x" << r.boundingRect().height();
    // About four pixel steps and one or two new seconds in 1.5 s.
    EXPECT_LE(counter.regions.size(), 8u);
    EXPECT_GE(counter.regions.size(), 1u) << "the display still follows the playback";
    Press(dlg, IDC_STOP);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelKeys, ARampPausedAndResumedFromTheKeyboardHasNoGapAndNoRepeat)
{
    Boxes boxes;
    m_input.signal = VirtualWaveInConfig::Signal::Ramp; // sample k holds k
    CRecorderDlg dlg;
    ShowActive(dlg);
    QTest::keyClick(dlg.focusWidget(), Qt::Key_R, Qt::AltModifier);
    const std::string path = dlg.Display()->GetText();
    ASSERT_TRUE(dlg.Session()->RecordingRuns());
    for (int i = 0; i < 6; ++i) {
        QTest::qWait(i % 2 ? 250 : 400);
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Space, Qt::ControlModifier);
        EXPECT_EQ(dlg.Session()->IsPaused(), i % 2 == 0) << i;
    }
    QTest::qWait(300);
    QTest::keyClick(dlg.focusWidget(), Qt::Key_S, Qt::AltModifier);
    ASSERT_FALSE(dlg.Session()->RecordingRuns());
    const auto bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 46u);
    const size_t samples = (bytes.size() - 46) / 2;
    EXPECT_GT(samples, 22050u * 1.2);
    size_t wrong = 0, first = samples;
    for (size_t k = 0; k < samples; ++k) {
        const auto s = static_cast<uint16_t>(bytes[46 + 2 * k] | (bytes[47 + 2 * k] << 8));
        if (s != static_cast<uint16_t>(k)) {
            ++wrong;
            first = std::min(first, k);
        }
    }
    EXPECT_EQ(wrong, 0u) << "first wrong sample " << first << " of " << samples;
    EXPECT_TRUE(boxes.boxes.empty());
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The panel's window: geometry, picture buttons, skin, menus, about box,
// hiding, minimising and dragging, on the offscreen platform.
#include "panel/CAboutDlg.h"
#include "panel/CBitmapButton.h"
#include "panel/CRecorderDlg.h"
#include "TestSupport.h"
#include "common/MessageBoxes.h"
#include "dialogs/CSettingsDlg.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct Box {
    QString text;
    unsigned style;
};

class BoxCatcher {
public:
    BoxCatcher()
    {
        SetMessageBoxHook([this](const QString& text, unsigned style) {
            boxes.push_back({text, style});
            return IDOK;
        });
    }
    ~BoxCatcher() { SetMessageBoxHook({}); }
    std::vector<Box> boxes;
};

// Runs `inspect` on the next popup menu or about box that opens while the
// watcher lives, then closes it.
class PopupWatcher {
public:
    enum Kind { Any, DialogsOnly };
    explicit PopupWatcher(std::function<void(QWidget*)> inspect, Kind kind = Any)
        : m_inspect(std::move(inspect))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, kind] {
            QWidget* w = QApplication::activePopupWidget();
            if (!w)
                w = QApplication::activeModalWidget();
            const bool menu = qobject_cast<QMenu*>(w) && kind == Any;
            if (w && w->isVisible() && (menu || qobject_cast<QDialog*>(w))) {
                m_timer.stop();
                ++m_seen;
                m_inspect(w);
                w->close();
            }
        });
        m_timer.start();
    }
    int Seen() const { return m_seen; }

private:
    std::function<void(QWidget*)> m_inspect;
    QTimer m_timer;
    int m_seen = 0;
};

QStringList MenuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

} // namespace

TEST(RecorderWindow, GeometryFollowsTheTemplateInsideTheBorder)
{
    CRecorderDlg dlg;
    EXPECT_TRUE(dlg.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(dlg.windowFlags() & Qt::Window);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Vellory"));
    // 229 x 92 dialog units at 6 x 13 base units, plus a 3-pixel border.
    EXPECT_EQ(dlg.size(), QSize(344 + 6, 150 + 6));
    struct Expect {
        int id;
        const char* caption;
        const char* name; // what a screen reader says: the skin's words
        QPoint topLeft;
    };
    // x px = x * 6 / 4, y px = y * 13 / 8 (rounded), + 3.
    const Expect expected[] = {
        {IDC_REC, "REC", "Record", {3 + 8, 3 + 89}},
        {IDC_STOP, "STOP", "Stop", {3 + 87, 3 + 89}},
        {IDC_PLAY, "PLAY", "Play", {3 + 167, 3 + 89}},
        {IDC_MANAGER, "MANAGER", "File Manager", {3 + 8, 3 + 7}},
        {IDC_POWER, "POWER", "Power", {3 + 258, 3 + 7}},
        {IDC_OPTION, "OPTION", "Options", {3 + 174, 3 + 7}},
        {IDC_MIN, "MIN", "Minimise", {3 + 308, 3 + 119}},
    };
    for (const Expect& e : expected) {
        CBitmapButton* b = dlg.Button(e.id);
        ASSERT_NE(b, nullptr) << e.caption;
        EXPECT_EQ(b->Caption(), QString::fromLatin1(e.caption));
        EXPECT_EQ(b->accessibleName(), QString::fromLatin1(e.name));
        EXPECT_EQ(b->pos(), e.topLeft) << e.caption;
        EXPECT_EQ(b->focusPolicy(), Qt::StrongFocus) << e.caption;
        // Every button lies inside the border.
        EXPECT_TRUE(QRect(3, 3, 344, 150).contains(b->geometry())) << e.caption;
    }
}

TEST(RecorderWindow, FreshPanelButtonsAndNoTimers)
{
    CRecorderDlg dlg;
    EXPECT_EQ(dlg.Session()->State().mode, SessionMode::Idle);
    EXPECT_TRUE(dlg.Button(IDC_REC)->isEnabled());
    EXPECT_FALSE(dlg.Button(IDC_STOP)->isEnabled());
    EXPECT_FALSE(dlg.Button(IDC_PLAY)->isEnabled());
    for (int id : {IDC_MANAGER, IDC_POWER, IDC_OPTION, IDC_MIN})
        EXPECT_TRUE(dlg.Button(id)->isEnabled()) << id;
    EXPECT_FALSE(dlg.Session()->IsRecordingTimerActive());
    EXPECT_FALSE(dlg.Session()->IsPlaybackTimerActive());
}

// The session's messages reach the user as the panel's boxes.
TEST(RecorderWindow, UnknownTimerShowsItsBoxOnly)
{
    BoxCatcher catcher;
    CRecorderDlg dlg;
    dlg.Session()->OnTimer(7);
    dlg.Session()->OnTimer(102);
    ASSERT_EQ(catcher.boxes.size(), 2u);
    EXPECT_EQ(catcher.boxes[0].text, QStringLiteral("Unknown timer reached!"));
    EXPECT_EQ(catcher.boxes[0].style, MB_OK);
    EXPECT_EQ(dlg.Session()->State().mode, SessionMode::Idle);
    EXPECT_TRUE(dlg.Button(IDC_REC)->isEnabled());
}

TEST(RecorderWindow, FacePaintedInItsGreyAndBorderFromTheSkin)
{
    CRecorderDlg dlg;
    const QImage image = dlg.grab().toImage();
    ASSERT_EQ(image.size(), dlg.size());
    // A point of the face away from every child (between PLAY and MIN).
    EXPECT_EQ(QColor(image.pixel(280, 100)), QColor(75, 75, 75));
    EXPECT_EQ(QColor(image.pixel(3, 3)), QColor(75, 75, 75));
    if (dlg.Skin().isNull())
        GTEST_SKIP() << "no skin image in this build";
    const QImage skin = dlg.Skin().toImage();
    const int w = image.width(), h = image.height();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(image.pixel(100, i), skin.pixel(100, i)) << "top row " << i;
        EXPECT_EQ(image.pixel(100, h - 3 + i), skin.pixel(100, skin.height() - 3 + i)) << "bottom row " << i;
        EXPECT_EQ(image.pixel(i, 60), skin.pixel(i, 60)) << "left column " << i;
        EXPECT_EQ(image.pixel(w - 3 + i, 60), skin.pixel(skin.width() - 3 + i, 60)) << "right column " << i;
    }
    // The bevel is light at the top and dark at the bottom.
    EXPECT_GT(qGray(image.pixel(100, 0)), qGray(image.pixel(100, h - 1)));
}

TEST(RecorderWindow, RightPressOnFaceOpensTheMenuButNotOnAButton)
{
    CRecorderDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    // On the face, and on the display, which lets the press through.
    for (QPoint at : {QPoint(280, 100), QPoint(200, 75)}) {
        ASSERT_FALSE(dlg.childAt(at) && dlg.childAt(at)->inherits("CBitmapButton"));
        QStringList seen;
        PopupWatcher watcher([&](QWidget* w) { seen = MenuTexts(qobject_cast<QMenu*>(w)); });
        QWidget* target = dlg.childAt(at) ? dlg.childAt(at) : &dlg;
        QTest::mousePress(target, Qt::RightButton, Qt::NoModifier, target->mapFrom(&dlg, at));
        EXPECT_EQ(seen, (QStringList{"&Hide Window", "-", "&Settings", "-", "&About Program"})) << at.x();
    }
    PopupWatcher watcher([](QWidget*) {});
    QTest::mousePress(dlg.Button(IDC_REC), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QTest::qWait(200);
    EXPECT_EQ(watcher.Seen(), 0);
}

TEST(RecorderWindow, AboutBoxFromTheSystemMenuAndF1)
{
    CRecorderDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    // The window menu's entry (Alt+Space, then its key) and F1 both open it.
    const std::vector<std::function<void()>> ways = {
        [&] {
            PopupWatcher menu([](QWidget* w) { QTest::keyClick(w, Qt::Key_A); });
            QTest::keyClick(&dlg, Qt::Key_Space, Qt::AltModifier);
        },
        [&] { QTest::keyClick(&dlg, Qt::Key_F1); },
    };
    for (size_t way = 0; way < ways.size(); ++way) {
        QString title, version, ok;
        PopupWatcher watcher(
            [&](QWidget* w) {
                title = w->windowTitle();
                auto* about = qobject_cast<CAboutDlg*>(w);
                ASSERT_NE(about, nullptr);
                for (QLabel* l : about->findChildren<QLabel*>())
                    if (l->text().startsWith("Vellory"))
                        version = l->text();
                ok = about->OkButton()->text();
            },
            PopupWatcher::DialogsOnly);
        ways[way]();
        EXPECT_EQ(watcher.Seen(), 1) << way;
        EXPECT_EQ(title, QStringLiteral("About...")) << way;
        EXPECT_EQ(version, QStringLiteral("Vellory Version 1.0.2")) << way;
        EXPECT_EQ(ok, QStringLiteral("OK")) << way;
    }
    // Other keys open nothing.
    PopupWatcher watcher([](QWidget*) {});
    QTest::keyClick(&dlg, Qt::Key_F2);
    QTest::qWait(100);
    EXPECT_EQ(watcher.Seen(), 0);
}

TEST(RecorderWindow, SystemMenuOffersTheAboutEntry)
{
    CRecorderDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    {
        QStringList seen;
        PopupWatcher watcher([&](QWidget* w) { seen = MenuTexts(qobject_cast<QMenu*>(w)); });
        QTest::keyClick(&dlg, Qt::Key_Space, Qt::AltModifier);
        EXPECT_EQ(seen, QStringList{"&About Vellory..."});
    }
    QString title;
    PopupWatcher watcher([&](QWidget* w) { title = w->windowTitle(); });
    QTest::keyClick(&dlg, Qt::Key_F1);
    EXPECT_EQ(title, QStringLiteral("About..."));
}

TEST(RecorderWindow, HideKeepsTheModalRunAndAnotherStartShowsIt)
{
    CRecorderDlg dlg;
    bool hiddenWhileRunning = false, shownAgain = false;
    // "&Hide Window" from the pop-up menu opened by Shift+F10.
    QTimer::singleShot(50, &dlg, [&] {
        PopupWatcher menu([](QWidget* w) { QTest::keyClick(w, Qt::Key_H); });
        QTest::keyClick(&dlg, Qt::Key_F10, Qt::ShiftModifier);
    });
    QTimer::singleShot(250, &dlg, [&] {
        hiddenWhileRunning = !dlg.isVisible();
        dlg.ShowFromOtherCopy();
    });
    QTimer::singleShot(400, &dlg, [&] {
        shownAgain = dlg.isVisible();
        dlg.Button(IDC_POWER)->click();
    });
    const int result = dlg.exec();
    EXPECT_TRUE(hiddenWhileRunning);
    EXPECT_TRUE(shownAgain);
    EXPECT_EQ(result, PanelOk);
    EXPECT_TRUE(dlg.IsEnded());
}

TEST(RecorderWindow, EscapeEndsWithTwo)
{
    CRecorderDlg dlg;
    QTimer::singleShot(50, &dlg, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); });
    EXPECT_EQ(dlg.exec(), PanelCancel);
}

TEST(RecorderWindow, LeftDragStartingOnTheDisplayMovesTheWindow)
{
    CRecorderDlg dlg;
    dlg.move(50, 50);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QPoint before = dlg.pos();
    QTest::mousePress(&dlg, Qt::LeftButton, Qt::NoModifier, QPoint(200, 75));
    QMouseEvent move(QEvent::MouseMove, QPointF(230, 95), dlg.mapToGlobal(QPointF(230, 95)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &move);
    QTest::mouseRelease(&dlg, Qt::LeftButton, Qt::NoModifier, QPoint(230, 95));
    EXPECT_EQ(dlg.pos(), before + QPoint(30, 20));
}

TEST(BitmapButton, StatesAndKeyboard)
{
    QWidget parent;
    auto* a = new CBitmapButton("REC", &parent);
    auto* b = new CBitmapButton("STOP", &parent);
    a->setGeometry(0, 0, 40, 20);
    b->setGeometry(50, 0, 40, 20);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    int clicks = 0;
    QObject::connect(a, &QAbstractButton::clicked, [&] { ++clicks; });
    b->setFocus();
    EXPECT_EQ(a->CurrentState(), 'U');
    a->setFocus();
    EXPECT_EQ(a->CurrentState(), 'F');
    a->setDown(true);
    EXPECT_EQ(a->CurrentState(), 'D');
    a->setDown(false);
    QTest::keyClick(a, Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(a, Qt::Key_Return);
    QTest::qWait(300); // animated click
    EXPECT_EQ(clicks, 2);
    a->setEnabled(false);
    EXPECT_EQ(a->CurrentState(), 'X');
    QTest::keyClick(a, Qt::Key_Return);
    QTest::mouseClick(a, Qt::LeftButton);
    QTest::qWait(300);
    EXPECT_EQ(clicks, 2);
    a->setEnabled(true);
    QTest::mouseClick(a, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(clicks, 3);
    QTest::mouseClick(a, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(clicks, 3);
}

TEST(RecorderWindow, CloseCommandEndsWithTwo)
{
    CRecorderDlg dlg;
    QTimer::singleShot(50, &dlg, [&] { dlg.close(); });
    EXPECT_EQ(dlg.exec(), PanelCancel);
    EXPECT_TRUE(dlg.IsEnded());
}

TEST(BitmapButton, ImagesByCaptionWithFallbackToNormal)
{
    CRecorderDlg dlg; // links and initialises the images
    CBitmapButton rec("REC");
    ASSERT_TRUE(rec.AutoLoad());
    EXPECT_EQ(rec.size(), QSize(77, 31));
    const QImage normal = rec.CurrentImage().toImage();
    rec.setEnabled(false);
    EXPECT_NE(rec.CurrentImage().toImage(), normal) << "REC has its own disabled image";
    // What is painted is the chosen image.
    EXPECT_EQ(rec.grab().toImage().convertToFormat(QImage::Format_RGB32),
              rec.CurrentImage().toImage().convertToFormat(QImage::Format_RGB32));

    CBitmapButton power("POWER");
    ASSERT_TRUE(power.AutoLoad());
    const QImage powerNormal = power.CurrentImage().toImage();
    power.setEnabled(false);
    EXPECT_EQ(power.CurrentState(), 'X');
    EXPECT_EQ(power.CurrentImage().toImage(), powerNormal) << "no X image: the normal one";

    CBitmapButton min("MIN");
    ASSERT_TRUE(min.AutoLoad());
    EXPECT_EQ(min.size(), QSize(35, 31));
    CBitmapButton manager("MANAGER");
    ASSERT_TRUE(manager.AutoLoad());
    EXPECT_EQ(manager.size(), QSize(97, 31));

    CBitmapButton none("NOSUCH");
    none.resize(20, 10);
    EXPECT_FALSE(none.AutoLoad());
    EXPECT_EQ(none.size(), QSize(20, 10));
}

TEST(RecorderWindow, MenuItemsReachTheirCommands)
{
    TempDir home; // the settings dialog creates the root folder
    ::setenv("HOME", home.Path().c_str(), 1);
    QStandardPaths::setTestModeEnabled(true);
    CRecorderDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QPoint face(280, 100);
    // "&About Program" opens the about box.
    {
        QString title;
        PopupWatcher aboutWatcher([&](QWidget* w) {
            if (qobject_cast<QMenu*>(w)) {
                QTest::keyClick(w, Qt::Key_A);
                return;
            }
        });
        // The menu goes first; the about box is caught by a second watcher.
        PopupWatcher boxWatcher([&](QWidget* w) { title = w->windowTitle(); }, PopupWatcher::DialogsOnly);
        QTest::mousePress(&dlg, Qt::RightButton, Qt::NoModifier, face);
        EXPECT_EQ(title, QStringLiteral("About..."));
    }
    // "&Settings" runs the settings dialog.
    {
        bool settings = false;
        PopupWatcher menuWatcher([&](QWidget* w) {
            if (qobject_cast<QMenu*>(w))
                QTest::keyClick(w, Qt::Key_S);
        });
        PopupWatcher dialogWatcher([&](QWidget* w) { settings = qobject_cast<CSettingsDlg*>(w) != nullptr; },
                                   PopupWatcher::DialogsOnly);
        QTest::mousePress(&dlg, Qt::RightButton, Qt::NoModifier, face);
        EXPECT_TRUE(settings);
    }
    // "&Hide Window" hides the panel.
    {
        PopupWatcher menuWatcher([&](QWidget* w) { QTest::keyClick(w, Qt::Key_H); });
        QTest::mousePress(&dlg, Qt::RightButton, Qt::NoModifier, face);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_FALSE(dlg.IsEnded());
    }
}

TEST(RecorderWindow, MinMinimisesAndAnotherStartLeavesItMinimised)
{
    CRecorderDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QTest::mouseClick(dlg.Button(IDC_MIN), Qt::LeftButton);
    QTest::qWait(50);
    EXPECT_TRUE(dlg.isMinimized());
    dlg.ShowFromOtherCopy();
    EXPECT_TRUE(dlg.isMinimized());
    EXPECT_FALSE(dlg.IsEnded());
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The panel's recording wiring on the offscreen platform: REC, STOP, POWER,
// Escape and the pop-up menu drive its session, the display and the buttons
// show the session's state, and the session's messages and end reach the
// user as the panel's boxes and result. What the session itself does is
// tested in test_recordersession.cpp.
#include "PanelTestSupport.h"
#include "TestSupport.h"
#include "common/Settings.h"
#include "engine/CWaveRecorder.h"
#include "engine/MessageStyle.h"
#include "library/RecordingNames.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CRecorderDlg.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class PanelRecording : public VirtualAudioTest {};

} // namespace

TEST_F(PanelRecording, FreshPanelShowsItsFreshSession)
{
    CRecorderDlg dlg;
    ASSERT_NE(dlg.Session(), nullptr);
    EXPECT_EQ(dlg.Session()->parent(), &dlg);
    EXPECT_EQ(dlg.Session()->State().mode, SessionMode::Idle);
    EXPECT_EQ(dlg.Display()->GetCategory(), 0);
    EXPECT_EQ(dlg.Display()->GetText(), "");
    EXPECT_EQ(dlg.Display()->GetBarMode(), CDisplayPanel::BarMode::Position);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, false}));
    EXPECT_TRUE(DisplayShows(dlg.Display(), 0));
}

TEST_F(PanelRecording, ClickingRecAndStopDrivesTheSessionAndTheDisplayFollows)
{
    Boxes boxes;
    SetRecordingNameClock([] { return Utc(2026, 12, 7, 18, 12, 5); });
    CRecorderDlg dlg;
    CRecorderSession* session = dlg.Session();
    session->SetCategory(2);
    EXPECT_EQ(dlg.Display()->GetCategory(), 2);

    dlg.Button(IDC_REC)->click();
    const std::string expected = m_root.Path() + "/2/07-Dec-2026_65525.wav";
    EXPECT_EQ(session->State().mode, SessionMode::Recording);
    ASSERT_NE(session->Recorder(), nullptr);
    EXPECT_EQ(session->Recorder()->GetPath(), expected);
    // The display holds exactly the file the recorder records into.
    EXPECT_EQ(dlg.Display()->GetText(), expected);
    EXPECT_EQ(dlg.Display()->GetBarMode(), CDisplayPanel::BarMode::Level);
    // The buttons wait for the first tick, as the session's row does.
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, false}));

    WaitMs(1300);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{false, true, false}));
    EXPECT_TRUE(DisplayShows(dlg.Display(), 1) || DisplayShows(dlg.Display(), 2));
    EXPECT_TRUE(DisplayShows(dlg.Display(), session->State().seconds));
    QTest::mouseClick(dlg.Button(IDC_STOP), Qt::LeftButton);
    EXPECT_EQ(session->State().mode, SessionMode::Idle);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    EXPECT_EQ(dlg.Display()->GetBarMode(), CDisplayPanel::BarMode::Position);
    WaitMs(250);
    EXPECT_FALSE(session->IsRecordingTimerActive());
    ExpectFinishedPcm(expected, 44100);
    // About 1.3 s of audio at 44100 bytes per second, within the buffering.
    EXPECT_LT(std::filesystem::file_size(expected) - 46, 44100u * 2);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelRecording, PowerStopsTheRecordingAndFinishesTheFile)
{
    Boxes boxes;
    CRecorderDlg dlg;
    std::string path;
    QTimer::singleShot(20, &dlg, [&] {
        dlg.Button(IDC_REC)->click();
        path = dlg.Display()->GetText();
    });
    QTimer::singleShot(700, &dlg, [&] { QTest::mouseClick(dlg.Button(IDC_POWER), Qt::LeftButton); });
    EXPECT_EQ(dlg.exec(), PanelOk);
    EXPECT_TRUE(dlg.IsEnded());
    EXPECT_TRUE(dlg.Session()->IsEnded());
    EXPECT_EQ(dlg.Session()->Recorder(), nullptr);
    EXPECT_EQ(dlg.Session()->RecordFormat(), nullptr);
    EXPECT_FALSE(dlg.Session()->IsRecordingTimerActive());
    ExpectFinishedPcm(path, 44100 / 2);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelRecording, EscapeWhileRecordingFinishesTheFile)
{
    Boxes boxes;
    CRecorderDlg dlg;
    std::string path;
    QTimer::singleShot(20, &dlg, [&] {
        dlg.Button(IDC_REC)->click();
        path = dlg.Display()->GetText();
    });
    QTimer::singleShot(500, &dlg, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); });
    EXPECT_EQ(dlg.exec(), PanelCancel);
    EXPECT_TRUE(dlg.Session()->IsEnded());
    ExpectFinishedPcm(path, 44100 / 4);
}

TEST_F(PanelRecording, HiddenPanelKeepsRecordingAndComesBack)
{
    Boxes boxes;
    CRecorderDlg dlg;
    std::string path;
    uintmax_t sizeWhileHidden = 0;
    bool runningWhenShown = false;
    int menus = 0;
    dlg.show();
    QTimer::singleShot(20, &dlg, [&] {
        dlg.Button(IDC_REC)->click();
        path = dlg.Display()->GetText();
        // "&Hide Window" from the pop-up menu.
        MenuPicker hide(Qt::Key_H);
        QTest::keyClick(&dlg, Qt::Key_F10, Qt::ShiftModifier);
        menus = hide.Seen();
    });
    // The recording's progress while hidden shows in the ticks and the
    // display's seconds: whole calendar seconds since REC, so 1.28 s after it
    // the display reads 1 or 2 depending on where in a second REC fell.
    QTimer::singleShot(1300, &dlg, [&] {
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_TRUE(dlg.Session()->IsRecordingTimerActive());
        EXPECT_TRUE(DisplayShows(dlg.Display(), 1) || DisplayShows(dlg.Display(), 2));
        sizeWhileHidden = std::filesystem::file_size(path);
        dlg.ShowFromOtherCopy();
        runningWhenShown = dlg.isVisible() && dlg.Session()->RecordingRuns();
        dlg.Button(IDC_STOP)->click();
        dlg.Button(IDC_POWER)->click();
    });
    EXPECT_EQ(dlg.exec(), PanelOk);
    EXPECT_EQ(menus, 1);
    EXPECT_TRUE(runningWhenShown);
    EXPECT_GE(sizeWhileHidden, 46u);
    ExpectFinishedPcm(path, 44100);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelRecording, EngineAndSessionMessagesBecomeThePanelsBoxesInOrder)
{
    Boxes boxes;
    // The recorder's own message (through the engine host), then the
    // session's (through the panel's message boxes).
    m_input.faults = {{WaveInCall::Open, WAVEIN_NODRIVER, 0}};
    CRecorderDlg dlg;
    dlg.Button(IDC_REC)->click();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "No device driver is present.");
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, false}));

    dlg.Session()->OpenFile("/" + std::string(5000, 'a') + ".wav", -1);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    dlg.Button(IDC_PLAY)->click();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_NE(boxes.boxes[1].text.find("too long"), std::string::npos) << boxes.boxes[1].text;
    EXPECT_EQ(boxes.boxes[1].style, MB_ICONEXCLAMATION);
    EXPECT_FALSE(dlg.IsEnded());
}

TEST_F(PanelRecording, LostInputIsToldInOneBoxWhileTheButtonsReturnToIdle)
{
    Boxes boxes;
    m_input.vanishAfterMs = 300;
    CRecorderDlg dlg;
    Buttons whileShown{};
    boxes.onBox = [&] { whileShown = ButtonsOf(dlg); };
    dlg.Button(IDC_REC)->click();
    const std::string path = dlg.Display()->GetText();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.boxes.empty(); }, 5000));
    WaitMs(300);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find("sound input went away"), std::string::npos);
    EXPECT_EQ(boxes.boxes[0].style, MB_ICONSTOP);
    // The box comes after the panel shows the recording as over.
    EXPECT_EQ(whileShown, (Buttons{true, false, true}));
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    ExpectFinishedPcm(path, 1);
}

TEST_F(PanelRecording, EndRequestedEndsThePanelWithCancelOnce)
{
    Boxes boxes;
    const std::string path = m_root.File("not-audio.wav");
    WriteFileBytes(path, std::vector<uint8_t>(1000, 'x'));
    CRecorderDlg dlg;
    int finished = 0;
    QObject::connect(&dlg, &QDialog::finished, [&] { ++finished; });
    dlg.Session()->OpenFile(path, -1);
    QTimer::singleShot(20, &dlg, [&] { dlg.Button(IDC_PLAY)->click(); });
    EXPECT_EQ(dlg.exec(), PanelCancel);
    ASSERT_GE(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.rfind("MCI_OPEN:\n", 0), 0u) << boxes.boxes[0].text;
    EXPECT_EQ(boxes.boxes[0].style, MB_OK);
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(dlg.IsEnded());
    EXPECT_FALSE(dlg.Session()->IsPlaybackTimerActive());
}

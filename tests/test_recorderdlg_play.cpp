// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The panel's PLAY, OPTION, MANAGER and Settings on the offscreen platform,
// with the virtual input and output devices: the buttons and the menu drive
// the session and the dialogs. What playback itself does is tested in
// test_recordersession_play.cpp.
#include "PanelTestSupport.h"
#include "TestSupport.h"
#include "common/MessageBoxes.h"
#include "common/Settings.h"
#include "library/RecordingNames.h"
#include "dialogs/CFileManagerDlg.h"
#include "dialogs/CSettingsDlg.h"
#include "engine/MessageStyle.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CFormatChooseDlg.h"
#include "panel/CRecorderDlg.h"
#include "platform/playback/MciWaveAudio.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Runs `act` on the next modal dialog of type T while the watcher lives.
template <class T>
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(T*)> act)
        : m_act(std::move(act))
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
                if (!d->isVisible())
                    return;
                m_timer.stop();
                ++m_seen;
                m_act(d);
            }
        });
        m_timer.start();
    }
    int Seen() const { return m_seen; }

private:
    std::function<void(T*)> m_act;
    QTimer m_timer;
    int m_seen = 0;
};

class PanelPlayback : public VirtualAudioTest {};

} // namespace

TEST_F(PanelPlayback, ClickingPlayAndStopDrivesThePlaybackAndTheDisplayFollows)
{
    Boxes boxes;
    const std::string path = m_root.File("tone.wav");
    WritePcmTone(path, 3.0);
    CRecorderDlg dlg;
    CRecorderSession* session = dlg.Session();
    session->OpenFile(path, -1);
    EXPECT_EQ(dlg.Display()->GetText(), path);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    QTest::mouseClick(dlg.Button(IDC_PLAY), Qt::LeftButton);
    EXPECT_EQ(session->State().mode, SessionMode::Playing);
    EXPECT_TRUE(session->IsMciDeviceOpen());
    ASSERT_TRUE(WaitUntil([&] { return DisplayShows(dlg.Display(), 1); }, 2000));
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{false, true, false}));
    EXPECT_TRUE(DisplayShows(dlg.Display(), session->State().seconds));
    const uint32_t id = session->MciDeviceId();
    QTest::mouseClick(dlg.Button(IDC_STOP), Qt::LeftButton);
    EXPECT_EQ(session->State().mode, SessionMode::Idle);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    Settle();
    EXPECT_FALSE(session->IsMciDeviceOpen());
    uint32_t mode = 0;
    EXPECT_NE(MciStatus(id, MCI_STATUS_MODE, mode), 0u);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelPlayback, OptionChoiceIsUsedByTheNextRecordingAndCancelKeepsIt)
{
    Boxes boxes;
    CRecorderDlg dlg;
    // Cancel: nothing changes, nothing is shown.
    {
        QString opened;
        ModalWatcher<CFormatChooseDlg> watcher([&](CFormatChooseDlg* d) {
            opened = d->AttributeText(d->CurrentAttribute());
            d->reject();
        });
        dlg.Button(IDC_OPTION)->click();
        EXPECT_EQ(watcher.Seen(), 1);
        EXPECT_TRUE(opened.startsWith("22,050 Hz, 16 Bit, Mono")) << opened.toStdString();
    }
    EXPECT_EQ(dlg.Session()->RecordFormat()->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_TRUE(boxes.boxes.empty());

    // Choose IMA ADPCM: a format with extra bytes.
    FormatBlock chosen;
    {
        ModalWatcher<CFormatChooseDlg> watcher([&](CFormatChooseDlg* d) {
            for (int i = 0; i < d->TagCount(); ++i)
                if (d->TagText(i).contains("IMA"))
                    d->SelectTag(i);
            chosen = d->SelectedFormat();
            d->accept();
        });
        dlg.Button(IDC_OPTION)->click();
        ASSERT_EQ(watcher.Seen(), 1);
    }
    ASSERT_GT(chosen.size(), 18u);
    const WAVEFORMATEX* f = dlg.Session()->RecordFormat();
    ASSERT_EQ(f->wFormatTag, WAVE_FORMAT_IMA_ADPCM);
    ASSERT_EQ(18u + f->cbSize, chosen.size());
    EXPECT_EQ(FormatBlock(reinterpret_cast<const uint8_t*>(f), reinterpret_cast<const uint8_t*>(f) + chosen.size()),
              chosen);

    // Reopening shows the choice.
    {
        FormatBlock shown;
        ModalWatcher<CFormatChooseDlg> watcher([&](CFormatChooseDlg* d) {
            shown = d->SelectedFormat();
            d->reject();
        });
        dlg.Button(IDC_OPTION)->click();
        EXPECT_EQ(shown, chosen);
    }

    // The next recording is made in it.
    dlg.Button(IDC_REC)->click();
    ASSERT_EQ(dlg.Session()->State().mode, SessionMode::Recording);
    QTest::qWait(700);
    dlg.Button(IDC_STOP)->click();
    const auto bytes = ReadFileBytes(dlg.Display()->GetText());
    ASSERT_GE(bytes.size(), 20u + chosen.size());
    EXPECT_EQ(Le16(bytes, 20), WAVE_FORMAT_IMA_ADPCM);
    EXPECT_EQ(Le32(bytes, 16), chosen.size());
    EXPECT_TRUE(std::equal(chosen.begin(), chosen.end(), bytes.begin() + 20));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelPlayback, ManagerOpenPutsTheFileOnTheDisplayAndTakesTheCategory)
{
    Boxes boxes;
    const std::string folder = GetCategoryFolder(3);
    WritePcmTone(folder + "07-Dec-2026_100.wav", 2.0);
    CRecorderDlg dlg;
    dlg.Session()->SetCategory(3);
    {
        ModalWatcher<CFileManagerDlg> watcher([&](CFileManagerDlg* d) {
            auto* files = d->findChild<QTableView*>("fileList");
            ASSERT_EQ(files->model()->rowCount(), 1);
            files->selectRow(0);
            d->findChild<QPushButton*>("openButton")->click();
        });
        dlg.Button(IDC_MANAGER)->click();
        ASSERT_EQ(watcher.Seen(), 1);
    }
    EXPECT_EQ(dlg.Display()->GetText(), folder + "07-Dec-2026_100.wav");
    EXPECT_TRUE(dlg.Button(IDC_PLAY)->isEnabled());
    EXPECT_EQ(dlg.Display()->GetCategory(), 3);
    // 88246 bytes at 44100 bytes per second: two seconds.
    EXPECT_TRUE(DisplayShows(dlg.Display(), 2));
    EXPECT_FALSE(DisplayShows(dlg.Display(), 0));

    // "Close" after browsing another category keeps text and category.
    {
        ModalWatcher<CFileManagerDlg> watcher([&](CFileManagerDlg* d) {
            auto* list = d->findChild<QListWidget*>("categoryList");
            list->setCurrentRow(1);
            d->findChild<QPushButton*>("closeButton")->click();
        });
        dlg.Button(IDC_MANAGER)->click();
        ASSERT_EQ(watcher.Seen(), 1);
    }
    EXPECT_EQ(dlg.Display()->GetCategory(), 3);
    EXPECT_EQ(dlg.Display()->GetText(), folder + "07-Dec-2026_100.wav");

    // "Open" with only a category row: cancelled, but the category applies.
    {
        ModalWatcher<CFileManagerDlg> watcher([&](CFileManagerDlg* d) {
            auto* list = d->findChild<QListWidget*>("categoryList");
            list->setCurrentRow(2);
            d->findChild<QPushButton*>("openButton")->click();
        });
        dlg.Button(IDC_MANAGER)->click();
    }
    EXPECT_EQ(dlg.Display()->GetCategory(), 2);
    EXPECT_EQ(dlg.Display()->GetText(), folder + "07-Dec-2026_100.wav");

    // The opened file plays.
    dlg.Button(IDC_PLAY)->click();
    EXPECT_TRUE(dlg.Session()->IsMciDeviceOpen());
    dlg.Button(IDC_STOP)->click();
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelPlayback, SettingsOkWritesBothAndCancelNothing)
{
    Boxes boxes;
    CRecorderDlg dlg;
    const std::string newRoot = m_root.Path() + "/other/";
    {
        ModalWatcher<CSettingsDlg> watcher([&](CSettingsDlg* d) {
            EXPECT_EQ(d->findChild<QLineEdit*>("pathEdit")->text().toStdString(), m_root.Path() + "/");
            d->findChild<QLineEdit*>("pathEdit")->setText(QString::fromStdString(newRoot));
            d->findChild<QLineEdit*>("sizeEdit")->setText("4096");
            d->findChild<QPushButton*>("okButton")->click();
        });
        MenuPicker settings(Qt::Key_S);
        QTest::keyClick(&dlg, Qt::Key_F10, Qt::ShiftModifier);
        ASSERT_EQ(settings.Seen(), 1);
        ASSERT_EQ(watcher.Seen(), 1);
    }
    EXPECT_EQ(GetStoredRoot(), newRoot);
    EXPECT_EQ(GetBufferSize(), 4096);
    {
        ModalWatcher<CSettingsDlg> watcher([&](CSettingsDlg* d) {
            d->findChild<QLineEdit*>("sizeEdit")->setText("9999");
            d->findChild<QPushButton*>("cancelButton")->click();
        });
        MenuPicker settings(Qt::Key_S);
        QTest::keyClick(&dlg, Qt::Key_F10, Qt::ShiftModifier);
        ASSERT_EQ(settings.Seen(), 1);
        ASSERT_EQ(watcher.Seen(), 1);
    }
    EXPECT_EQ(GetBufferSize(), 4096);
    WriteBufferSize(10000);
}

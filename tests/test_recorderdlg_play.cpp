// The panel's PLAY, OPTION, MANAGER and Settings on the offscreen platform,
// with the virtual input and output devices.
#include "PanelTestSupport.h"
#include "TestSupport.h"
#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "dialogs/CFileManagerDlg.h"
#include "dialogs/CSettingsDlg.h"
#include "engine/MessageStyle.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CFormatChooseDlg.h"
#include "panel/CRecorderDlg.h"
#include "platform/playback/CVirtualOutput.h"
#include "platform/capture/CVirtualWaveIn.h"
#include "platform/playback/IAudioOutput.h"
#include "platform/playback/MciWaveAudio.h"
#include "platform/AudioBackends.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <cstdlib>
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

// A PCM file of `seconds` of a 440 Hz tone, 22050 Hz mono 16-bit.
void WriteTone(const std::string& path, double seconds)
{
    const uint32_t rate = 22050;
    const auto samples = SineSamples(440, 0.5, rate, size_t(seconds * rate));
    const uint32_t data = uint32_t(samples.size() * 2);
    std::vector<uint8_t> b(46 + data);
    size_t at = 0;
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b[at++] = uint8_t(v >> (8 * i)); };
    auto u16 = [&](uint16_t v) { b[at++] = uint8_t(v); b[at++] = uint8_t(v >> 8); };
    auto tag = [&](const char* t) { for (int i = 0; i < 4; ++i) b[at++] = uint8_t(t[i]); };
    tag("RIFF"); u32(46 - 8 + data); tag("WAVE");
    tag("fmt "); u32(18); u16(1); u16(1); u32(rate); u32(rate * 2); u16(2); u16(16); u16(0);
    tag("data"); u32(data);
    std::memcpy(b.data() + at, samples.data(), data);
    WriteFileBytes(path, b);
}

class PanelPlayback : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Settings of our own: tests of this binary may run side by side
        // (ctest -j), each process with its first HOME.
        ::setenv("HOME", m_home.Path().c_str(), 1);
        QStandardPaths::setTestModeEnabled(true);
        WriteRoot(m_root.Path() + "/");
        OverrideBackend(&AudioBackends::audioOutput, [] { return std::make_shared<CVirtualOutput>(1.0); });
        m_input.frequency = 1000;
        OverrideBackend(&AudioBackends::waveIn, [this](std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                                void* instance) { return CVirtualWaveIn::Open(device, format, proc, instance, m_input); });
    }
    void TearDown() override
    {
        OverrideBackend(&AudioBackends::audioOutput, {});
        OverrideBackend(&AudioBackends::waveIn, {});
        WriteRoot("");
    }
    static void Settle()
    {
        MciWaitForNotifications();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    template <class F>
    static bool WaitFor(F done, int ms)
    {
        for (int waited = 0; waited < ms; waited += 20) {
            if (done())
                return true;
            QTest::qWait(20);
        }
        return done();
    }
    TempDir m_home;
    TempDir m_root;
    VirtualWaveInConfig m_input;
};

} // namespace

TEST_F(PanelPlayback, PlaysToTheEndThenIdle)
{
    Boxes boxes;
    const std::string path = m_root.File("tone.wav");
    WriteTone(path, 3.0);
    CRecorderDlg dlg;
    dlg.Display()->SetText(path);
    dlg.OnPlay();
    EXPECT_EQ(dlg.Mode(), Playing);
    EXPECT_TRUE(dlg.IsMciDeviceOpen());
    EXPECT_NE(dlg.MciDeviceId(), 0u);
    EXPECT_TRUE(dlg.IsTimerActive(IDT_PLAYBACK));
    // PLAY switches no button itself; the first tick does.
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, false}));
    QTest::qWait(150);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{false, true, false}));
    ASSERT_TRUE(WaitFor([&] { return DisplayShows(dlg.Display(), 1); }, 2000));
    uint32_t position = 0;
    EXPECT_EQ(MciStatus(dlg.MciDeviceId(), MCI_STATUS_POSITION, position), 0u);
    EXPECT_GE(position, 1000u);
    EXPECT_LT(position, 2500u);
    // The successful notification after about 3 s closes the device.
    const uint32_t id = dlg.MciDeviceId();
    ASSERT_TRUE(WaitFor([&] { return !dlg.IsTimerActive(IDT_PLAYBACK); }, 4000));
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_FALSE(dlg.IsMciDeviceOpen());
    uint32_t mode = 0;
    EXPECT_NE(MciStatus(id, MCI_STATUS_MODE, mode), 0u) << "the device is closed";
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    EXPECT_TRUE(DisplayShows(dlg.Display(), 2) || DisplayShows(dlg.Display(), 3));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelPlayback, StopMidwayReturnsToIdleAtOnceAndClosesTheDevice)
{
    Boxes boxes;
    const std::string path = m_root.File("tone.wav");
    WriteTone(path, 3.0);
    CRecorderDlg dlg;
    dlg.Display()->SetText(path);
    dlg.OnPlay();
    QTest::qWait(500);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{false, true, false}));
    const uint32_t id = dlg.MciDeviceId();
    QTest::mouseClick(dlg.Button(IDC_STOP), Qt::LeftButton);
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    Settle();
    // Aborted (refresh only), then the stop's successful notification: closed.
    EXPECT_FALSE(dlg.IsMciDeviceOpen());
    EXPECT_FALSE(dlg.IsTimerActive(IDT_PLAYBACK));
    uint32_t mode = 0;
    EXPECT_NE(MciStatus(id, MCI_STATUS_MODE, mode), 0u);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelPlayback, EmptyDisplayTextDoesNothing)
{
    Boxes boxes;
    CRecorderDlg dlg;
    dlg.OnPlay();
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_FALSE(dlg.IsMciDeviceOpen());
    EXPECT_EQ(dlg.MciDeviceId(), 0u);
    EXPECT_FALSE(dlg.IsTimerActive(IDT_PLAYBACK));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelPlayback, UnplayableFileReportsOpenFirstThenEndsWithTwo)
{
    Boxes boxes;
    const std::string path = m_root.File("not-audio.wav");
    WriteFileBytes(path, std::vector<uint8_t>(1000, 'x'));
    CRecorderDlg dlg;
    int finished = 0;
    QObject::connect(&dlg, &QDialog::finished, [&] { ++finished; });
    dlg.Display()->SetText(path);
    QTimer::singleShot(20, &dlg, [&] { dlg.OnPlay(); });
    EXPECT_EQ(dlg.exec(), 2);
    ASSERT_GE(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.rfind("MCI_OPEN:\n", 0), 0u) << boxes.boxes[0].text;
    EXPECT_GT(boxes.boxes[0].text.size(), std::string("MCI_OPEN:\n").size());
    EXPECT_EQ(boxes.boxes[0].style, MB_OK);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(dlg.IsTimerActive(IDT_PLAYBACK));
}

TEST_F(PanelPlayback, FailingTickShowsOneBoxAndEndsOnce)
{
    Boxes boxes;
    const std::string path = m_root.File("tone.wav");
    WriteTone(path, 3.0);
    CRecorderDlg dlg;
    int finished = 0;
    QObject::connect(&dlg, &QDialog::finished, [&] { ++finished; });
    dlg.Display()->SetText(path);
    // Ticks keep coming while the box is open.
    boxes.onBox = [&] {
        for (int i = 0; i < 3; ++i)
            dlg.OnTimer(IDT_PLAYBACK);
    };
    QTimer::singleShot(20, &dlg, [&] {
        dlg.OnPlay();
        // The device goes away behind the panel: every status query fails.
        MciClose(dlg.MciDeviceId());
    });
    EXPECT_EQ(dlg.exec(), 2);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.rfind("MCI_STATUS:\n", 0), 0u) << boxes.boxes[0].text;
    EXPECT_EQ(finished, 1);
}

TEST_F(PanelPlayback, SecondPlayClosesTheFirstDevice)
{
    Boxes boxes;
    const std::string path = m_root.File("tone.wav");
    WriteTone(path, 2.0);
    CRecorderDlg dlg;
    dlg.Display()->SetText(path);
    dlg.OnPlay();
    const uint32_t first = dlg.MciDeviceId();
    QTest::qWait(200);
    dlg.OnPlay();
    const uint32_t second = dlg.MciDeviceId();
    EXPECT_NE(first, second);
    uint32_t mode = 0;
    EXPECT_NE(MciStatus(first, MCI_STATUS_MODE, mode), 0u) << "the first device is closed";
    Settle();
    // The first play's aborted notification must not close the second device.
    EXPECT_TRUE(dlg.IsMciDeviceOpen());
    EXPECT_EQ(MciStatus(second, MCI_STATUS_MODE, mode), 0u);
    EXPECT_EQ(mode, MCI_MODE_PLAY);
    ASSERT_TRUE(WaitFor([&] { return !dlg.IsTimerActive(IDT_PLAYBACK); }, 4000));
    EXPECT_FALSE(dlg.IsMciDeviceOpen());
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelPlayback, OverlongPathIsRefusedWithAMessage)
{
    Boxes boxes;
    CRecorderDlg dlg;
    dlg.Display()->SetText("/" + std::string(5000, 'a') + ".wav");
    dlg.OnPlay();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find("too long"), std::string::npos);
    EXPECT_FALSE(dlg.IsMciDeviceOpen());
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_FALSE(dlg.IsTimerActive(IDT_PLAYBACK));
    EXPECT_FALSE(dlg.IsEnded());
}

TEST_F(PanelPlayback, PlayRightAfterARecordingPlaysThatFile)
{
    Boxes boxes;
    CRecorderDlg dlg;
    dlg.OnRec();
    QTest::qWait(1200);
    dlg.OnStop();
    QTest::qWait(150);
    EXPECT_FALSE(dlg.IsTimerActive(IDT_RECORDING));
    const std::string path = dlg.Display()->GetText();
    const auto bytes = std::filesystem::file_size(path) - 46;
    dlg.OnPlay();
    EXPECT_EQ(dlg.Mode(), Playing);
    uint32_t length = 0;
    ASSERT_EQ(MciStatus(dlg.MciDeviceId(), MCI_STATUS_LENGTH, length), 0u);
    EXPECT_EQ(length, uint32_t(bytes * 1000 / 44100));
    ASSERT_TRUE(WaitFor([&] { return dlg.Mode() == Idle; }, 4000));
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
        dlg.OnOption();
        EXPECT_EQ(watcher.Seen(), 1);
        EXPECT_TRUE(opened.startsWith("22,050 Hz, 16 Bit, Mono")) << opened.toStdString();
    }
    EXPECT_EQ(dlg.RecordFormat()->wFormatTag, WAVE_FORMAT_PCM);
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
        dlg.OnOption();
        ASSERT_EQ(watcher.Seen(), 1);
    }
    ASSERT_GT(chosen.size(), 18u);
    const WAVEFORMATEX* f = dlg.RecordFormat();
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
        dlg.OnOption();
        EXPECT_EQ(shown, chosen);
    }

    // The next recording is made in it.
    dlg.OnRec();
    ASSERT_EQ(dlg.Mode(), Recording);
    QTest::qWait(700);
    dlg.OnStop();
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
    WriteTone(folder + "07-Dec-2026_100.wav", 2.0);
    CRecorderDlg dlg;
    dlg.Display()->SetCategory(3);
    {
        ModalWatcher<CFileManagerDlg> watcher([&](CFileManagerDlg* d) {
            auto* files = d->findChild<QTableView*>("fileList");
            ASSERT_EQ(files->model()->rowCount(), 1);
            files->selectRow(0);
            d->findChild<QPushButton*>("openButton")->click();
        });
        dlg.OnManager();
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
        dlg.OnManager();
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
        dlg.OnManager();
    }
    EXPECT_EQ(dlg.Display()->GetCategory(), 2);
    EXPECT_EQ(dlg.Display()->GetText(), folder + "07-Dec-2026_100.wav");

    // The opened file plays.
    dlg.OnPlay();
    EXPECT_TRUE(dlg.IsMciDeviceOpen());
    dlg.OnStop();
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
        dlg.OnSettings();
        ASSERT_EQ(watcher.Seen(), 1);
    }
    EXPECT_EQ(GetStoredRoot(), newRoot);
    EXPECT_EQ(GetBufferSize(), 4096);
    {
        ModalWatcher<CSettingsDlg> watcher([&](CSettingsDlg* d) {
            d->findChild<QLineEdit*>("sizeEdit")->setText("9999");
            d->findChild<QPushButton*>("cancelButton")->click();
        });
        dlg.OnSettings();
        ASSERT_EQ(watcher.Seen(), 1);
    }
    EXPECT_EQ(GetBufferSize(), 4096);
    WriteBufferSize(10000);
}

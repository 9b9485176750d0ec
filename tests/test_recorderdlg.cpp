// Recording control of the panel on the offscreen platform: REC, STOP, POWER
// and the recording tick against the virtual input device, the button table
// row by row, and the faults the panel must survive.
#include "PanelTestSupport.h"
#include "TestSupport.h"
#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "engine/CWaveRecorder.h"
#include "engine/MessageStyle.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CRecorderDlg.h"
#include "platform/capture/CVirtualWaveIn.h"
#include "platform/codecs/IConversionStream.h"
#include "platform/AudioBackends.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {



class PanelRecording : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Settings of our own: tests of this binary may run side by side
        // (ctest -j), each process with its first HOME.
        ::setenv("HOME", m_home.Path().c_str(), 1);
        QStandardPaths::setTestModeEnabled(true);
        WriteRoot(m_root.Path() + "/");
        m_config.signal = VirtualWaveInConfig::Signal::Sine;
        m_config.frequency = 1000;
        m_config.speed = 1.0;
        OverrideBackend(&AudioBackends::waveIn, [this](std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                                void* instance) {
            return CVirtualWaveIn::Open(device, format, proc, instance, m_config);
        });
    }
    void TearDown() override
    {
        OverrideBackend(&AudioBackends::waveIn, {});
        OverrideBackend(&AudioBackends::conversion, {});
        SetSettingsClock({});
        WriteRoot("");
    }

    // Header checks of a finished PCM file: sizes patched, 46-byte header.
    static void ExpectFinishedPcm(const std::string& path, uint32_t minData)
    {
        const auto bytes = ReadFileBytes(path);
        ASSERT_GE(bytes.size(), 46u) << path;
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
        EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8);
        EXPECT_EQ(std::string(bytes.begin() + 38, bytes.begin() + 42), "data");
        EXPECT_EQ(Le32(bytes, 42), bytes.size() - 46);
        EXPECT_GE(bytes.size() - 46, minData);
    }
    static void WaitMs(int ms) { QTest::qWait(ms); }

    TempDir m_home;
    TempDir m_root;
    VirtualWaveInConfig m_config;
};

} // namespace

TEST_F(PanelRecording, FreshPanel)
{
    CRecorderDlg dlg;
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_EQ(dlg.Display()->GetCategory(), 0);
    EXPECT_EQ(dlg.Display()->GetText(), "");
    EXPECT_EQ(dlg.Recorder(), nullptr);
    const WAVEFORMATEX* f = dlg.RecordFormat();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->wFormatTag, 1);
    EXPECT_EQ(f->nChannels, 1);
    EXPECT_EQ(f->nSamplesPerSec, 22050u);
    EXPECT_EQ(f->nAvgBytesPerSec, 44100u);
    EXPECT_EQ(f->nBlockAlign, 2);
    EXPECT_EQ(f->wBitsPerSample, 16);
    EXPECT_EQ(f->cbSize, 0);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, false}));
}

TEST_F(PanelRecording, ButtonTableThroughARecording)
{
    Boxes boxes;
    SetSettingsClock([] { return Utc(2026, 12, 7, 18, 12, 5); });
    CRecorderDlg dlg;
    int64_t now = 1'800'000'000;
    dlg.SetClock([&] { return now; });
    dlg.Display()->SetCategory(2);

    dlg.OnRec();
    // Named after the display's category, and the recorder records into
    // exactly the text the display holds.
    const std::string expected = m_root.Path() + "/2/07-Dec-2026_65525.wav";
    EXPECT_EQ(dlg.Display()->GetText(), expected);
    ASSERT_NE(dlg.Recorder(), nullptr);
    EXPECT_EQ(dlg.Recorder()->GetPath(), expected);
    EXPECT_TRUE(std::filesystem::exists(expected));
    // REC, Start returned 0: the mode changes, the buttons wait for the tick.
    EXPECT_EQ(dlg.Mode(), Recording);
    EXPECT_TRUE(dlg.IsTimerActive(IDT_RECORDING));
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, false}));

    // Tick, event not signalled.
    now += 3;
    dlg.OnTimer(IDT_RECORDING);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{false, true, false}));
    EXPECT_TRUE(DisplayShows(dlg.Display(), 3));
    EXPECT_FALSE(DisplayShows(dlg.Display(), 4));
    // RefreshPlaybackState in Recording changes nothing.
    dlg.RefreshPlaybackState();
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{false, true, false}));
    // Wall-clock seconds since the start, also when the clock jumps.
    now += 60;
    dlg.OnTimer(IDT_RECORDING);
    EXPECT_TRUE(DisplayShows(dlg.Display(), 63));

    WaitMs(600);
    // STOP while recording: idle buttons at once, the timer runs on.
    dlg.OnStop();
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    EXPECT_TRUE(dlg.IsTimerActive(IDT_RECORDING));
    EXPECT_TRUE(dlg.Recorder()->m_hFinished->IsSet());
    ExpectFinishedPcm(expected, 44100 / 2);
    // The next tick finds the event signalled and ends the timer, silently.
    dlg.OnTimer(IDT_RECORDING);
    EXPECT_FALSE(dlg.IsTimerActive(IDT_RECORDING));
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    EXPECT_TRUE(boxes.boxes.empty());
    // The recorder outlives its recording until the next REC.
    EXPECT_NE(dlg.Recorder(), nullptr);
}

TEST_F(PanelRecording, RealTimersDriveTheButtonsAndStopFinishesTheFile)
{
    Boxes boxes;
    CRecorderDlg dlg;
    dlg.OnRec();
    const std::string path = dlg.Display()->GetText();
    WaitMs(1300);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{false, true, false}));
    EXPECT_TRUE(DisplayShows(dlg.Display(), 1) || DisplayShows(dlg.Display(), 2));
    QTest::mouseClick(dlg.Button(IDC_STOP), Qt::LeftButton);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    WaitMs(250);
    EXPECT_FALSE(dlg.IsTimerActive(IDT_RECORDING));
    ExpectFinishedPcm(path, 44100);
    // About 1.3 s of audio at 44100 bytes per second, within the buffering.
    const auto size = std::filesystem::file_size(path) - 46;
    EXPECT_LT(size, 44100u * 2);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelRecording, FailedStartChangesNothing)
{
    Boxes boxes;
    m_config.faults = {{WaveInCall::Open, WAVEIN_BADFORMAT}};
    CRecorderDlg dlg;
    dlg.OnRec();
    const std::string path = dlg.Display()->GetText();
    // The recorder's own message, none of the panel's.
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Attempted to open with an unsupported waveform-audio format.");
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_FALSE(dlg.IsTimerActive(IDT_RECORDING));
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, false}));
    EXPECT_FALSE(path.empty()); // the display keeps the new name
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_NE(dlg.Recorder(), nullptr);
    EXPECT_FALSE(dlg.RecordingRuns());

    // A start that fails after the device opened leaves no device running, and
    // the next REC works.
    m_config.faults = {{WaveInCall::Start, WAVEIN_NODRIVER}};
    dlg.OnRec();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "No device driver is present.");
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_FALSE(dlg.RecordingRuns());
    m_config.faults.clear();
    dlg.OnRec();
    EXPECT_EQ(dlg.Mode(), Recording);
    EXPECT_TRUE(dlg.RecordingRuns());
    dlg.OnStop();
}

TEST_F(PanelRecording, RecWhileRecordingDoesNothing)
{
    Boxes boxes;
    int second = 100;
    SetSettingsClock([&] { return Utc(2026, 3, 1, 0, 0, second); });
    CRecorderDlg dlg;
    dlg.OnRec();
    CWaveRecorder* first = dlg.Recorder();
    const std::string path = dlg.Display()->GetText();
    second = 200; // a second REC would name another file
    WaitMs(300);
    dlg.OnRec(); // within the 100 ms before the buttons switch, or by keyboard
    EXPECT_EQ(dlg.Recorder(), first);
    EXPECT_EQ(dlg.Display()->GetText(), path);
    EXPECT_EQ(std::filesystem::directory_iterator(m_root.Path()) != std::filesystem::directory_iterator(), true);
    int wavs = 0;
    for (auto& e : std::filesystem::directory_iterator(m_root.Path()))
        wavs += e.path().extension() == ".wav";
    EXPECT_EQ(wavs, 1);
    EXPECT_TRUE(dlg.RecordingRuns());
    dlg.OnStop();
    EXPECT_FALSE(dlg.RecordingRuns());
    ExpectFinishedPcm(path, 1000);
}

TEST_F(PanelRecording, PlayWhileRecordingDoesNothingAndStopStillStops)
{
    Boxes boxes;
    CRecorderDlg dlg;
    dlg.OnRec();
    const std::string path = dlg.Display()->GetText();
    dlg.OnPlay();
    EXPECT_EQ(dlg.Mode(), Recording);
    EXPECT_FALSE(dlg.IsMciDeviceOpen());
    EXPECT_FALSE(dlg.IsTimerActive(IDT_PLAYBACK));
    WaitMs(300);
    dlg.OnStop();
    EXPECT_FALSE(dlg.RecordingRuns());
    EXPECT_TRUE(dlg.Recorder()->m_hFinished->IsSet());
    ExpectFinishedPcm(path, 1000);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelRecording, PowerStopsTheRecordingAndFinishesTheFile)
{
    Boxes boxes;
    CRecorderDlg dlg;
    std::string path;
    QTimer::singleShot(20, &dlg, [&] {
        dlg.OnRec();
        path = dlg.Display()->GetText();
    });
    QTimer::singleShot(700, &dlg, [&] { QTest::mouseClick(dlg.Button(IDC_POWER), Qt::LeftButton); });
    EXPECT_EQ(dlg.exec(), 1);
    EXPECT_EQ(dlg.Recorder(), nullptr);
    EXPECT_EQ(dlg.RecordFormat(), nullptr);
    EXPECT_FALSE(dlg.IsTimerActive(IDT_RECORDING));
    ExpectFinishedPcm(path, 44100 / 2);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelRecording, EscapeWhileRecordingFinishesTheFile)
{
    Boxes boxes;
    CRecorderDlg dlg;
    std::string path;
    QTimer::singleShot(20, &dlg, [&] {
        dlg.OnRec();
        path = dlg.Display()->GetText();
    });
    QTimer::singleShot(500, &dlg, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); });
    EXPECT_EQ(dlg.exec(), 2);
    ExpectFinishedPcm(path, 44100 / 4);
}

namespace {
// A codec that takes longer for a block than the writer waits for it.
class SlowStream : public IConversionStream {
public:
    bool OutputSize(uint32_t src, uint32_t& dst) override
    {
        dst = src;
        return true;
    }
    bool Convert(const uint8_t* src, uint32_t n, std::vector<uint8_t>& out) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(3600));
        out.insert(out.end(), src, src + n);
        return true;
    }
    bool Finish(std::vector<uint8_t>&) override { return true; }
};
} // namespace

TEST_F(PanelRecording, TooSlowConversionShowsItsBoxExactlyOnce)
{
    Boxes boxes;
    OverrideBackend(&AudioBackends::conversion, [](const WAVEFORMATEX&, const FormatBlock&, std::unique_ptr<IConversionStream>& s) {
        s = std::make_unique<SlowStream>();
        return 0u;
    });
    m_config.speed = 100; // a second block is ready long before the first is converted
    CRecorderDlg dlg;
    WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
    f.wFormatTag = WAVE_FORMAT_MULAW;
    f.wBitsPerSample = 8;
    f.nBlockAlign = 1;
    f.nAvgBytesPerSec = 22050;
    dlg.SetRecordFormat(reinterpret_cast<const uint8_t*>(&f), sizeof f);
    dlg.OnRec();
    ASSERT_EQ(dlg.Mode(), Recording);
    // Ticks while the box is open find the flag clear and only end the timer.
    boxes.onBox = [&] {
        for (int i = 0; i < 3; ++i)
            dlg.OnTimer(IDT_RECORDING);
    };
    for (int i = 0; i < 100 && dlg.IsTimerActive(IDT_RECORDING); ++i)
        WaitMs(100);
    EXPECT_FALSE(dlg.IsTimerActive(IDT_RECORDING));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Sorry, your system too slow to recording in selected format.");
    EXPECT_EQ(boxes.boxes[0].style, MB_ICONSTOP);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    // The mode stays Recording; the recording itself is over and the device closed.
    EXPECT_EQ(dlg.Mode(), Recording);
    EXPECT_FALSE(dlg.RecordingRuns());
    EXPECT_EQ(dlg.Recorder()->m_bRecording.load(), 0u);
    // STOP now finds nothing to stop: no device error, just idle.
    dlg.OnStop();
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(PanelRecording, DiskWriteFailureNamesTheSystemReason)
{
    Boxes boxes;
    m_config.speed = 100;
    // The file may not grow past 300,000 bytes: the first block write fails.
    struct rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 300000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    CRecorderDlg dlg;
    dlg.OnRec();
    const std::string path = dlg.Display()->GetText();
    for (int i = 0; i < 100 && dlg.IsTimerActive(IDT_RECORDING); ++i)
        WaitMs(100);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              std::string("The recording was stopped because the file could not be written:\n") + std::strerror(EFBIG));
    EXPECT_EQ(boxes.boxes[0].style, MB_ICONSTOP);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    EXPECT_FALSE(dlg.RecordingRuns());
    // What reached the file is a valid WAV file.
    ExpectFinishedPcm(path, 1);
    EXPECT_LE(std::filesystem::file_size(path), 300000u);
}

TEST_F(PanelRecording, LostInputEndsTheRecordingWithOneMessage)
{
    Boxes boxes;
    m_config.vanishAfterMs = 400;
    CRecorderDlg dlg;
    dlg.OnRec();
    const std::string path = dlg.Display()->GetText();
    boxes.onBox = [&] { dlg.OnTimer(IDT_RECORDING); };
    for (int i = 0; i < 50 && dlg.IsTimerActive(IDT_RECORDING); ++i)
        WaitMs(100);
    EXPECT_FALSE(dlg.IsTimerActive(IDT_RECORDING));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find("sound input went away"), std::string::npos);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    ExpectFinishedPcm(path, 44100 / 4);
}

TEST_F(PanelRecording, HiddenPanelKeepsRecordingAndComesBack)
{
    Boxes boxes;
    CRecorderDlg dlg;
    std::string path;
    uintmax_t sizeWhileHidden = 0;
    bool runningWhenShown = false;
    dlg.show();
    QTimer::singleShot(20, &dlg, [&] {
        dlg.OnRec();
        path = dlg.Display()->GetText();
        dlg.OnHideWindow();
    });
    // The recording's progress while hidden shows in the ticks and the
    // display's seconds: whole calendar seconds since REC, so 1.28 s after it
    // the display reads 1 or 2 depending on where in a second REC fell.
    QTimer::singleShot(1300, &dlg, [&] {
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_TRUE(dlg.IsTimerActive(IDT_RECORDING));
        EXPECT_TRUE(DisplayShows(dlg.Display(), 1) || DisplayShows(dlg.Display(), 2));
        sizeWhileHidden = std::filesystem::file_size(path);
        dlg.ShowFromOtherCopy();
        runningWhenShown = dlg.isVisible() && dlg.RecordingRuns();
        dlg.OnStop();
        dlg.OnPower();
    });
    EXPECT_EQ(dlg.exec(), 1);
    EXPECT_TRUE(runningWhenShown);
    EXPECT_GE(sizeWhileHidden, 46u);
    ExpectFinishedPcm(path, 44100);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelRecording, BadRootsGiveAClearErrorAtRec)
{
    Boxes boxes;
    // A root below a file can never be created.
    WriteFileBytes(m_root.File("plain-file"), {1, 2, 3});
    WriteRoot(m_root.File("plain-file") + "/recordings/");
    CRecorderDlg dlg;
    dlg.OnRec();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.rfind("Unable to create file\n\n" + m_root.File("plain-file") + "/recordings/", 0), 0u)
        << boxes.boxes[0].text;
    EXPECT_NE(boxes.boxes[0].text.find("Not a directory"), std::string::npos) << boxes.boxes[0].text;
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_FALSE(dlg.IsTimerActive(IDT_RECORDING));
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, false}));

    // A root on a file system nobody may write to (sysfs refuses even root).
    WriteRoot("/sys/vellory-recordings/");
    dlg.OnRec();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text.rfind("Unable to create file\n\n/sys/vellory-recordings/", 0), 0u)
        << boxes.boxes[1].text;
    EXPECT_FALSE(dlg.RecordingRuns());
    EXPECT_FALSE(std::filesystem::exists("/sys/vellory-recordings"));
}

TEST_F(PanelRecording, EmptyRootRecordsIntoTheWorkingFolder)
{
    Boxes boxes;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(m_root.Path());
    WriteRoot("");
    CRecorderDlg dlg;
    dlg.OnRec();
    const std::string path = dlg.Display()->GetText();
    EXPECT_EQ(path.find('/'), std::string::npos) << "a name relative to the working folder: " << path;
    EXPECT_TRUE(dlg.RecordingRuns());
    WaitMs(300);
    dlg.OnStop();
    ExpectFinishedPcm(m_root.File(path), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    std::filesystem::current_path(previous);
}

TEST_F(PanelRecording, NegativeAndHugeBufferSizesStillRecord)
{
    Boxes boxes;
    int second = 0;
    SetSettingsClock([&] { return Utc(2026, 12, 8, 10, 0, second); });
    for (int size : {-5, 0, 2000000000}) {
        boxes.SetBufferSize(size);
        ++second;
        CRecorderDlg dlg;
        dlg.OnRec();
        ASSERT_TRUE(dlg.RecordingRuns()) << "buffer size " << size;
        WaitMs(400);
        dlg.OnStop();
        ExpectFinishedPcm(dlg.Display()->GetText(), 1);
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PanelRecording, AfterTheInputWentAwayTheNextRecReportsTheDeviceError)
{
    Boxes boxes;
    int second = 0;
    SetSettingsClock([&] { return Utc(2026, 12, 8, 11, 0, second); });
    m_config.vanishAfterMs = 300;
    CRecorderDlg dlg;
    dlg.OnRec();
    const std::string first = dlg.Display()->GetText();
    boxes.onBox = [&] { dlg.OnTimer(IDT_RECORDING); };
    for (int i = 0; i < 50 && dlg.IsTimerActive(IDT_RECORDING); ++i)
        WaitMs(100);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find("sound input went away"), std::string::npos);
    ExpectFinishedPcm(first, 1);

    // The input is gone for good: the next REC says so from the device table.
    m_config.vanishAfterMs = -1;
    m_config.faults = {{WaveInCall::Open, WAVEIN_NODRIVER, 0}};
    second = 5;
    dlg.OnRec();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "No device driver is present.");
    EXPECT_FALSE(dlg.RecordingRuns());
    EXPECT_FALSE(std::filesystem::exists(dlg.Display()->GetText())) << "no file is left for a recording that never ran";
    ExpectFinishedPcm(first, 1);
}

TEST_F(PanelRecording, RecRightAfterStopWhoseStartFailsLeavesAnIdlePanel)
{
    Boxes boxes;
    int second = 0;
    SetSettingsClock([&] { return Utc(2026, 12, 9, 9, 0, second); });
    CRecorderDlg dlg;
    dlg.OnRec();
    const std::string first = dlg.Display()->GetText();
    WaitMs(300);
    dlg.OnStop();
    // STOP leaves timer 100 to its next tick; REC comes before that tick.
    ASSERT_TRUE(dlg.IsTimerActive(IDT_RECORDING));
    m_config.faults = {{WaveInCall::Open, WAVEIN_NODRIVER, 0}};
    second = 1;
    dlg.OnRec();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "No device driver is present.");
    EXPECT_FALSE(dlg.IsTimerActive(IDT_RECORDING));
    EXPECT_EQ(dlg.Mode(), Idle);
    EXPECT_FALSE(dlg.RecordingRuns());
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    // No tick comes to show a recording that does not exist.
    WaitMs(350);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{true, false, true}));
    EXPECT_EQ(boxes.boxes.size(), 1u);
    ExpectFinishedPcm(first, 1000);

    // And the next REC records as usual.
    m_config.faults.clear();
    second = 2;
    dlg.OnRec();
    EXPECT_TRUE(dlg.RecordingRuns());
    WaitMs(250);
    EXPECT_EQ(ButtonsOf(dlg), (Buttons{false, true, false}));
    dlg.OnStop();
}

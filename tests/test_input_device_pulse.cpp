// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Choosing the input through a private PulseAudio server: the server's sources
// as listed and offered, a recording taken from a second virtual source, a
// missing source falling back to the default with one message from the panel,
// and a chosen source that vanishes while recording.
#include "PulseTestSupport.h"
#include "TestSupport.h"
#include "common/MessageBoxes.h"
#include "common/Settings.h"
#include "dialogs/CSettingsDlg.h"
#include "engine/CWaveRecorder.h"
#include "engine/MessageStyle.h"
#include "panel/CBitmapButton.h"
#include "panel/CRecorderDlg.h"
#include "platform/AudioBackends.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using namespace std::chrono_literals;

double Number(const std::string& text, const std::string& label)
{
    const size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::atof(text.c_str() + at + label.size());
}

// RMS amplitude (0 to 1) and rough frequency of a file, past its first 0.3 s.
struct Level {
    double rms = -1;
    double frequency = -1;
};
// Every measured file must hold audio: an empty one would read as silence.
Level Measure(const std::string& path)
{
    const auto stat = RunCommand("sox '" + path + "' -n trim 0.3 stat 2>&1");
    EXPECT_EQ(0, stat.first) << stat.second;
    EXPECT_GT(Number(stat.second, "Samples read:"), 11025) << path << "\n" << stat.second;
    return {Number(stat.second, "RMS     amplitude:"), Number(stat.second, "Rough   frequency:")};
}

// Loads a module into the current server; its index, or -1.
int LoadModule(const std::string& arguments)
{
    const auto [status, out] = RunCommand("pactl load-module " + arguments + " 2>&1");
    EXPECT_EQ(0, status) << out;
    return status == 0 ? std::atoi(out.c_str()) : -1;
}

bool UnloadModule(int index)
{
    return RunCommand("pactl unload-module " + std::to_string(index) + " 2>&1").first == 0;
}

// A tone played into one sink in the background, until destroyed; volume 0
// plays silence (a null sink's monitor delivers nothing while nothing plays).
class SinkTone {
public:
    SinkTone(const std::string& sink, double seconds, double volume = 0.5)
    {
        m_pidFile = m_dir.File("paplay.pid");
        std::system(("(sox -q -n -r 44100 -c 2 -t wav - synth " + std::to_string(seconds) +
                     " sine 1000 vol " + std::to_string(volume) + " | paplay --device=" + sink + " --latency-msec=20) >/dev/null 2>&1 & echo $! > " +
                     m_pidFile)
                        .c_str());
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < until && !m_playing) {
            // One line per stream; the sink's index is in the second column.
            const std::string index = SinkIndex(sink);
            const std::string inputs = RunCommand("pactl list short sink-inputs 2>/dev/null").second;
            m_playing = !index.empty() && inputs.find("\t" + index + "\t") != std::string::npos;
            std::this_thread::sleep_for(50ms);
        }
        std::this_thread::sleep_for(300ms);
    }
    ~SinkTone()
    {
        std::system(("pkill -P $(cat " + m_pidFile + ") 2>/dev/null; kill $(cat " + m_pidFile + ") 2>/dev/null").c_str());
    }
    bool Playing() const { return m_playing; }

private:
    static std::string SinkIndex(const std::string& sink)
    {
        const std::string sinks = RunCommand("pactl list short sinks 2>/dev/null").second;
        const size_t at = sinks.find("\t" + sink + "\t");
        if (at == std::string::npos)
            return {};
        const size_t line = sinks.rfind('\n', at);
        return sinks.substr(line == std::string::npos ? 0 : line + 1, at - (line == std::string::npos ? 0 : line + 1));
    }

    TempDir m_dir;
    std::string m_pidFile;
    bool m_playing = false;
};

// Records `ms` milliseconds from `source` (empty: the default) into `path`.
uint32_t Record(const std::string& path, const std::string& source, std::chrono::milliseconds ms,
                bool* fellBack = nullptr)
{
    CWaveRecorder rec(path);
    rec.SetInputDevice(source);
    const WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
    const uint32_t rc = rec.Start(&f);
    if (fellBack)
        *fellBack = rec.InputFellBack();
    if (rc == WAVEREC_OK) {
        std::this_thread::sleep_for(ms);
        rec.Stop();
    }
    return rc;
}

// A fresh remapped source delivers nothing for about its first second.
void WarmUp(const std::string& folder, const std::string& source)
{
    Record(folder + "/warm-up.wav", source, 1500ms);
}

const std::string& ProcessHome()
{
    static TempDir home;
    return home.Path();
}

class InputDevicePulse : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_server.Server().empty()) << "private PulseAudio server did not start";
        ::setenv("HOME", ProcessHome().c_str(), 1);
        QStandardPaths::setTestModeEnabled(true);
        WriteRoot(m_root.Path() + "/");
        WriteInputDevice("");
    }
    void TearDown() override
    {
        SetMessageBoxHook({});
        WriteInputDevice("");
    }
    // A second sink and a source on its monitor, as a second microphone.
    void AddSecondMicrophone()
    {
        m_sinkModule = LoadModule("module-null-sink sink_name=vsink2 rate=44100 channels=2 "
                                  "sink_properties=device.description=VelloryTestSink2");
        m_micModule = LoadModule("module-remap-source source_name=vmic2 master=vsink2.monitor "
                                 "source_properties=device.description=VelloryTestMic2");
        ASSERT_GE(m_sinkModule, 0);
        ASSERT_GE(m_micModule, 0);
    }

    PrivateServer m_server;
    ServerScope m_scope{m_server.Server()};
    CapturingHost m_host;
    TempDir m_root;
    int m_sinkModule = -1;
    int m_micModule = -1;
};

const InputSource* Find(const std::vector<InputSource>& sources, const std::string& name)
{
    for (const InputSource& s : sources)
        if (s.name == name)
            return &s;
    return nullptr;
}

QStringList ComboTexts(QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

} // namespace

TEST_F(InputDevicePulse, ListsTheServersSourcesWithMonitorsMarked)
{
    const std::vector<InputSource> sources = ListInputSources(3000);
    const InputSource* mic = Find(sources, "vmic");
    ASSERT_NE(mic, nullptr);
    EXPECT_EQ(mic->description, "VelloryTestMic");
    EXPECT_FALSE(mic->isMonitor);
    const InputSource* monitor = Find(sources, "vsink.monitor");
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->isMonitor);
    EXPECT_EQ(Find(sources, "vmic2"), nullptr);
}

TEST_F(InputDevicePulse, TheDialogOffersTheSourcesAndRefreshesThemAtEachOpening)
{
    auto open = [](const std::function<void(CSettingsDlg*)>& drive) {
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<CSettingsDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            drive(dlg);
            if (dlg->isVisible())
                dlg->done(IDCANCEL);
        });
        RunSettingsDialog();
    };
    QStringList first;
    open([&](CSettingsDlg* dlg) { first = ComboTexts(dlg->findChild<QComboBox*>("inputCombo")); });
    EXPECT_EQ(first, QStringList({"Default input", "VelloryTestMic", "Monitor of VelloryTestSink"}));

    AddSecondMicrophone();
    QStringList second;
    open([&](CSettingsDlg* dlg) {
        QComboBox* combo = dlg->findChild<QComboBox*>("inputCombo");
        second = ComboTexts(combo);
        combo->setCurrentIndex(combo->findText("VelloryTestMic2"));
        dlg->accept();
    });
    EXPECT_EQ(second, QStringList({"Default input", "VelloryTestMic", "VelloryTestMic2", "Monitor of VelloryTestSink",
                                   "Monitor of VelloryTestSink2"}));
    EXPECT_EQ(GetInputDevice(), "vmic2");
}

TEST_F(InputDevicePulse, RecordsFromTheChosenSourceOnly)
{
    AddSecondMicrophone();
    SinkTone tone("vsink2", 20);
    SinkTone silence("vsink", 20, 0); // behind the default input
    ASSERT_TRUE(tone.Playing());
    ASSERT_TRUE(silence.Playing());
    WarmUp(m_root.Path(), "vmic2");
    WarmUp(m_root.Path(), "");

    bool fellBack = true;
    const std::string chosen = m_root.Path() + "/chosen.wav";
    ASSERT_EQ(WAVEREC_OK, Record(chosen, "vmic2", 2000ms, &fellBack));
    EXPECT_FALSE(fellBack);
    const std::string standard = m_root.Path() + "/default.wav";
    ASSERT_EQ(WAVEREC_OK, Record(standard, "", 2000ms, &fellBack));
    EXPECT_FALSE(fellBack);

    const Level fromChosen = Measure(chosen);
    const Level fromDefault = Measure(standard);
    EXPECT_GT(fromChosen.rms, 0.1);
    EXPECT_NEAR(fromChosen.frequency, 1000, 20);
    EXPECT_GE(fromDefault.rms, 0);
    EXPECT_LT(fromDefault.rms, 0.01);
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(InputDevicePulse, AMissingSourceRecordsFromTheDefault)
{
    Tone tone(20); // into the default sink, heard by the default input
    ASSERT_TRUE(tone.Playing());
    WarmUp(m_root.Path(), "");
    bool fellBack = false;
    const std::string path = m_root.Path() + "/fallback.wav";
    ASSERT_EQ(WAVEREC_OK, Record(path, "no-such-source", 2000ms, &fellBack));
    EXPECT_TRUE(fellBack);
    EXPECT_GT(Measure(path).rms, 0.1);
    EXPECT_TRUE(m_host.Messages().empty()) << "the engine says nothing; the panel does";
}

TEST_F(InputDevicePulse, ThePanelSaysOnceAfterTheRecordingStartedThatItFellBack)
{
    WriteInputDevice("no-such-source");
    std::vector<std::string> boxes;
    bool recordingWhenShown = false;
    CRecorderDlg panel;
    SetMessageBoxHook([&](const QString& text, unsigned style) {
        boxes.push_back(text.toStdString());
        EXPECT_EQ(style, MB_ICONEXCLAMATION);
        recordingWhenShown = panel.Session()->State().mode == SessionMode::Recording && panel.Session()->Recorder() &&
                             panel.Session()->Recorder()->IsRecording();
        return IDOK;
    });
    panel.show();
    panel.Button(IDC_REC)->click();
    ASSERT_EQ(panel.Session()->State().mode, SessionMode::Recording);
    EXPECT_TRUE(boxes.empty()) << "REC does not wait on the message";
    QTest::qWait(1500);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "The chosen input device is not available. Recording from the default input.");
    EXPECT_TRUE(recordingWhenShown);
    ASSERT_TRUE(panel.Button(IDC_STOP)->isEnabled());
    panel.Button(IDC_STOP)->click();
    QTest::qWait(300);
    EXPECT_EQ(boxes.size(), 1u);

    // A source that is there records without a word.
    WriteInputDevice("vmic");
    ASSERT_TRUE(panel.Button(IDC_REC)->isEnabled());
    panel.Button(IDC_REC)->click();
    ASSERT_EQ(panel.Session()->State().mode, SessionMode::Recording);
    QTest::qWait(500);
    ASSERT_TRUE(panel.Button(IDC_STOP)->isEnabled());
    panel.Button(IDC_STOP)->click();
    EXPECT_FALSE(panel.Session()->RecordingRuns());
    QTest::qWait(200);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(InputDevicePulse, AChosenSourceThatVanishesEndsTheRecordingWithAFinishedFile)
{
    AddSecondMicrophone();
    SinkTone tone("vsink2", 20);
    ASSERT_TRUE(tone.Playing());
    WarmUp(m_root.Path(), "vmic2");
    const std::string path = m_root.Path() + "/vanish.wav";
    CWaveRecorder rec(path);
    rec.SetInputDevice("vmic2");
    const WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    EXPECT_FALSE(rec.InputFellBack());
    std::this_thread::sleep_for(1000ms);
    ASSERT_TRUE(UnloadModule(m_micModule));
    ASSERT_TRUE(rec.WaitFinished(5000));
    EXPECT_TRUE(rec.DeviceLost());
    EXPECT_FALSE(rec.GetWavFile().IsOpen());
    EXPECT_GT(Measure(path).rms, 0.1);
    EXPECT_TRUE(rec.Stop()); // releasing a lost device is quiet
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST(InputDeviceListing, NoServerGivesAnEmptyListAtOnce)
{
    TempDir dir;
    ServerScope scope("unix:" + dir.File("no-such-socket"));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(ListInputSources(1500).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1000ms);
}

TEST(InputDeviceListing, AServerThatNeverAnswersCostsNoMoreThanTheTimeLimit)
{
    // A socket that accepts connections into its backlog and never speaks.
    TempDir dir;
    const std::string path = dir.File("silent");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(0, ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, ::listen(fd, 4));
    ServerScope scope("unix:" + path);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(ListInputSources(700).empty());
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, 600ms);
    EXPECT_LT(took, 2000ms);
    ::close(fd);
}

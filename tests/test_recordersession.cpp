// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The recording side of the session, without any widget: REC, STOP, the
// recording tick and its clock, pause, the button table row by row, the
// format, and the faults a recording must survive, against the virtual input.
#include "SessionTestSupport.h"
#include "TestSupport.h"
#include "common/Settings.h"
#include "engine/CWaveRecorder.h"
#include "engine/MessageStyle.h"
#include "library/RecordingNames.h"
#include "platform/AudioBackends.h"
#include "platform/capture/CVirtualWaveIn.h"
#include "platform/codecs/IConversionStream.h"
#include "session/CRecorderSession.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <thread>

namespace {

// The last state the session published.
SessionState LastPublished(const QSignalSpy& spy)
{
    return spy.isEmpty() ? SessionState{} : spy.last().at(0).value<SessionState>();
}

class SessionRecording : public VirtualAudioTest {};

} // namespace

TEST(SessionApplication, RunsOnACoreApplicationWithoutAWindowSystem)
{
    // The session tests prove the session needs no widget and no platform
    // plugin: a GUI application here would hide such a dependency.
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    EXPECT_FALSE(QCoreApplication::instance()->inherits("QGuiApplication"));
}

TEST_F(SessionRecording, FreshSession)
{
    CRecorderSession session;
    const SessionState& s = session.State();
    EXPECT_EQ(s.mode, SessionMode::Idle);
    EXPECT_EQ(s.category, 0);
    EXPECT_EQ(s.file, "");
    EXPECT_EQ(s.seconds, 0u);
    EXPECT_FALSE(s.paused);
    EXPECT_FALSE(s.showLevel);
    EXPECT_EQ(session.Recorder(), nullptr);
    EXPECT_FALSE(session.IsRecordingTimerActive());
    EXPECT_FALSE(session.IsPlaybackTimerActive());
    const WAVEFORMATEX* f = session.RecordFormat();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->wFormatTag, 1);
    EXPECT_EQ(f->nChannels, 1);
    EXPECT_EQ(f->nSamplesPerSec, 22050u);
    EXPECT_EQ(f->nAvgBytesPerSec, 44100u);
    EXPECT_EQ(f->nBlockAlign, 2);
    EXPECT_EQ(f->wBitsPerSample, 16);
    EXPECT_EQ(f->cbSize, 0);
    EXPECT_EQ(ButtonsOf(s), (EnabledButtons{true, false, false}));
}

TEST_F(SessionRecording, ButtonTableThroughARecording)
{
    SessionMessages messages;
    SetRecordingNameClock([] { return Utc(2026, 12, 7, 18, 12, 5); });
    CRecorderSession session;
    messages.Watch(session);
    QSignalSpy published(&session, &CRecorderSession::StateChanged);
    int64_t now = 1'800'000'000;
    session.SetClock([&] { return now; });
    session.SetCategory(2);
    EXPECT_EQ(LastPublished(published).category, 2);

    ASSERT_TRUE(session.Record());
    // Named after the session's category, and the recorder records into
    // exactly the file the state names.
    const std::string expected = m_root.Path() + "/2/07-Dec-2026_65525.wav";
    EXPECT_EQ(session.State().file, expected);
    EXPECT_EQ(LastPublished(published).file, expected);
    ASSERT_NE(session.Recorder(), nullptr);
    EXPECT_EQ(session.Recorder()->GetPath(), expected);
    EXPECT_TRUE(std::filesystem::exists(expected));
    // REC, Start returned 0: the mode changes, the buttons wait for the tick.
    EXPECT_EQ(session.State().mode, SessionMode::Recording);
    EXPECT_EQ(LastPublished(published).mode, SessionMode::Recording);
    EXPECT_TRUE(LastPublished(published).showLevel);
    EXPECT_TRUE(session.IsRecordingTimerActive());
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, false}));

    // Tick, event not signalled: the recording row and the seconds, published.
    now += 3;
    const uint64_t serial = session.State().levelSerial;
    session.OnRecordingTick();
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{false, true, false}));
    EXPECT_EQ(session.State().seconds, 3u);
    EXPECT_EQ(session.State().levelSerial, serial + 1) << "each tick is one level reading";
    EXPECT_EQ(ButtonsOf(LastPublished(published)), (EnabledButtons{false, true, false}));
    EXPECT_EQ(LastPublished(published).seconds, 3u);
    // RefreshPlaybackState in Recording changes nothing.
    session.RefreshPlaybackState();
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{false, true, false}));
    // Wall-clock seconds since the start, also when the clock jumps.
    now += 60;
    session.OnRecordingTick();
    EXPECT_EQ(session.State().seconds, 63u);

    WaitMs(600);
    // STOP while recording: idle buttons at once, the timer runs on.
    session.Stop();
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    EXPECT_EQ(ButtonsOf(LastPublished(published)), (EnabledButtons{true, false, true}));
    EXPECT_FALSE(session.State().showLevel);
    EXPECT_TRUE(session.IsRecordingTimerActive());
    EXPECT_TRUE(session.Recorder()->Finished());
    ExpectFinishedPcm(expected, 44100 / 2);
    // The next tick finds the event signalled and ends the timer, silently.
    session.OnRecordingTick();
    EXPECT_FALSE(session.IsRecordingTimerActive());
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    EXPECT_EQ(messages.Count(), 0u);
    // The recorder outlives its recording until the next REC.
    EXPECT_NE(session.Recorder(), nullptr);
}

TEST_F(SessionRecording, RealTimersDriveTheButtonsAndStopFinishesTheFile)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    QSignalSpy published(&session, &CRecorderSession::StateChanged);
    ASSERT_TRUE(session.Record());
    const std::string path = session.State().file;
    WaitMs(1300);
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{false, true, false}));
    EXPECT_TRUE(session.State().seconds == 1 || session.State().seconds == 2) << session.State().seconds;
    // Each tick reads the peak since the last one (none when no buffer came
    // between them); a 1000 Hz sine at half scale peaks at about -6 dB.
    EXPECT_TRUE(session.State().showLevel);
    float loudest = -std::numeric_limits<float>::infinity();
    for (const QList<QVariant>& args : published)
        loudest = std::max(loudest, args.at(0).value<SessionState>().levelDb);
    EXPECT_NEAR(loudest, 20 * std::log10(0.5), 1.0);
    session.Stop();
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    WaitMs(250);
    EXPECT_FALSE(session.IsRecordingTimerActive());
    ExpectFinishedPcm(path, 44100);
    // About 1.3 s of audio at 44100 bytes per second, within the buffering.
    const auto size = std::filesystem::file_size(path) - 46;
    EXPECT_LT(size, 44100u * 2);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionRecording, FailedStartChangesNothing)
{
    SessionMessages messages;
    m_input.faults = {{WaveInCall::Open, WAVEIN_BADFORMAT}};
    CRecorderSession session;
    messages.Watch(session);
    QSignalSpy published(&session, &CRecorderSession::StateChanged);
    EXPECT_FALSE(session.Record());
    const std::string path = session.State().file;
    // The recorder's own message, none of the session's.
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.All()[0].text, "Attempted to open with an unsupported waveform-audio format.");
    EXPECT_TRUE(messages.All()[0].fromEngine);
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_FALSE(session.IsRecordingTimerActive());
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, false}));
    EXPECT_FALSE(path.empty()); // the state keeps the new name, and says so
    EXPECT_EQ(LastPublished(published).file, path);
    EXPECT_EQ(LastPublished(published).mode, SessionMode::Idle);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_NE(session.Recorder(), nullptr);
    EXPECT_FALSE(session.RecordingRuns());

    // A start that fails after the device opened leaves no device running, and
    // the next REC works.
    m_input.faults = {{WaveInCall::Start, WAVEIN_NODRIVER}};
    EXPECT_FALSE(session.Record());
    ASSERT_EQ(messages.Count(), 2u);
    EXPECT_EQ(messages.All()[1].text, "No device driver is present.");
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_FALSE(session.RecordingRuns());
    m_input.faults.clear();
    EXPECT_TRUE(session.Record());
    EXPECT_EQ(session.State().mode, SessionMode::Recording);
    EXPECT_TRUE(session.RecordingRuns());
    session.Stop();
}

TEST_F(SessionRecording, RecWhileRecordingDoesNothing)
{
    SessionMessages messages;
    int second = 100;
    SetRecordingNameClock([&] { return Utc(2026, 3, 1, 0, 0, second); });
    CRecorderSession session;
    messages.Watch(session);
    ASSERT_TRUE(session.Record());
    CWaveRecorder* first = session.Recorder();
    const std::string path = session.State().file;
    second = 200; // a second REC would name another file
    WaitMs(300);
    EXPECT_FALSE(session.Record()); // within the 100 ms before the buttons switch, or by keyboard
    EXPECT_EQ(session.Recorder(), first);
    EXPECT_EQ(session.State().file, path);
    int wavs = 0;
    for (auto& e : std::filesystem::directory_iterator(m_root.Path()))
        wavs += e.path().extension() == ".wav";
    EXPECT_EQ(wavs, 1);
    EXPECT_TRUE(session.RecordingRuns());
    session.Stop();
    EXPECT_FALSE(session.RecordingRuns());
    ExpectFinishedPcm(path, 1000);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionRecording, PlayWhileRecordingDoesNothingAndStopStillStops)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    ASSERT_TRUE(session.Record());
    const std::string path = session.State().file;
    EXPECT_FALSE(session.Play());
    EXPECT_EQ(session.State().mode, SessionMode::Recording);
    EXPECT_FALSE(session.IsMciDeviceOpen());
    EXPECT_FALSE(session.IsPlaybackTimerActive());
    WaitMs(300);
    session.Stop();
    EXPECT_FALSE(session.RecordingRuns());
    EXPECT_TRUE(session.Recorder()->Finished());
    ExpectFinishedPcm(path, 1000);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionRecording, ShutdownStopsTheRecordingFinishesTheFileAndEndsTheSession)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    ASSERT_TRUE(session.Record());
    const std::string path = session.State().file;
    WaitMs(700);
    session.Shutdown();
    EXPECT_TRUE(session.IsEnded());
    EXPECT_EQ(session.Recorder(), nullptr);
    EXPECT_EQ(session.RecordFormat(), nullptr);
    EXPECT_FALSE(session.IsRecordingTimerActive());
    ExpectFinishedPcm(path, 44100 / 2);
    // An ended session takes no more commands.
    EXPECT_FALSE(session.Record());
    EXPECT_EQ(session.Recorder(), nullptr);
    EXPECT_FALSE(session.Play());
    EXPECT_FALSE(session.IsMciDeviceOpen());
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionRecording, DestroyingARecordingSessionFinishesTheFile)
{
    std::string path;
    {
        CRecorderSession session;
        ASSERT_TRUE(session.Record());
        path = session.State().file;
        WaitMs(500);
    }
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

TEST_F(SessionRecording, TooSlowConversionSaysSoExactlyOnce)
{
    SessionMessages messages;
    OverrideBackend(&AudioBackends::conversion,
                    [](const WAVEFORMATEX&, const FormatBlock&, std::unique_ptr<IConversionStream>& s) {
                        s = std::make_unique<SlowStream>();
                        return 0u;
                    });
    m_input.speed = 100; // a second block is ready long before the first is converted
    CRecorderSession session;
    messages.Watch(session);
    WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
    f.wFormatTag = WAVE_FORMAT_MULAW;
    f.wBitsPerSample = 8;
    f.nBlockAlign = 1;
    f.nAvgBytesPerSec = 22050;
    session.SetRecordFormat(reinterpret_cast<const uint8_t*>(&f), sizeof f);
    ASSERT_TRUE(session.Record());
    ASSERT_EQ(session.State().mode, SessionMode::Recording);
    // Ticks while the message is shown find the flag clear and only end the timer.
    messages.onMessage = [&] {
        for (int i = 0; i < 3; ++i)
            session.OnRecordingTick();
    };
    for (int i = 0; i < 100 && session.IsRecordingTimerActive(); ++i)
        WaitMs(100);
    EXPECT_FALSE(session.IsRecordingTimerActive());
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.All()[0].text, "Sorry, your system too slow to recording in selected format.");
    EXPECT_EQ(messages.All()[0].style, MB_ICONSTOP);
    EXPECT_FALSE(messages.All()[0].fromEngine);
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    // The mode stays Recording; the recording itself is over and the device closed.
    EXPECT_EQ(session.State().mode, SessionMode::Recording);
    EXPECT_FALSE(session.RecordingRuns());
    EXPECT_FALSE(session.Recorder()->IsRecording());
    // STOP now finds nothing to stop: no device error, just idle.
    session.Stop();
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_EQ(messages.Count(), 1u);
}

TEST_F(SessionRecording, DiskWriteFailureNamesTheSystemReason)
{
    SessionMessages messages;
    m_input.speed = 100;
    // The file may not grow past 300,000 bytes: the first block write fails.
    struct rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 300000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    CRecorderSession session;
    messages.Watch(session);
    session.Record();
    const std::string path = session.State().file;
    for (int i = 0; i < 100 && session.IsRecordingTimerActive(); ++i)
        WaitMs(100);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.All()[0].text,
              std::string("The recording was stopped because the file could not be written:\n") + std::strerror(EFBIG));
    EXPECT_EQ(messages.All()[0].style, MB_ICONSTOP);
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    EXPECT_FALSE(session.RecordingRuns());
    // What reached the file is a valid WAV file.
    ExpectFinishedPcm(path, 1);
    EXPECT_LE(std::filesystem::file_size(path), 300000u);
}

TEST_F(SessionRecording, LostInputEndsTheRecordingWithOneMessage)
{
    SessionMessages messages;
    m_input.vanishAfterMs = 400;
    CRecorderSession session;
    messages.Watch(session);
    ASSERT_TRUE(session.Record());
    const std::string path = session.State().file;
    messages.onMessage = [&] { session.OnRecordingTick(); };
    for (int i = 0; i < 50 && session.IsRecordingTimerActive(); ++i)
        WaitMs(100);
    EXPECT_FALSE(session.IsRecordingTimerActive());
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_NE(messages.All()[0].text.find("sound input went away"), std::string::npos);
    EXPECT_EQ(messages.All()[0].style, MB_ICONSTOP);
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    ExpectFinishedPcm(path, 44100 / 4);
}

TEST_F(SessionRecording, BadRootsGiveAClearErrorAtRec)
{
    SessionMessages messages;
    // A root below a file can never be created.
    WriteFileBytes(m_root.File("plain-file"), {1, 2, 3});
    WriteRoot(m_root.File("plain-file") + "/recordings/");
    CRecorderSession session;
    messages.Watch(session);
    EXPECT_FALSE(session.Record());
    ASSERT_EQ(messages.Count(), 1u);
    const std::string first = messages.All()[0].text;
    EXPECT_EQ(first.rfind("Unable to create file\n\n" + m_root.File("plain-file") + "/recordings/", 0), 0u) << first;
    EXPECT_NE(first.find("Not a directory"), std::string::npos) << first;
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_FALSE(session.IsRecordingTimerActive());
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, false}));

    // A root on a file system nobody may write to (sysfs refuses even root).
    WriteRoot("/sys/vellory-recordings/");
    EXPECT_FALSE(session.Record());
    ASSERT_EQ(messages.Count(), 2u);
    const std::string second = messages.All()[1].text;
    EXPECT_EQ(second.rfind("Unable to create file\n\n/sys/vellory-recordings/", 0), 0u) << second;
    EXPECT_FALSE(session.RecordingRuns());
    EXPECT_FALSE(std::filesystem::exists("/sys/vellory-recordings"));
}

TEST_F(SessionRecording, EmptyRootRecordsIntoTheWorkingFolder)
{
    SessionMessages messages;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(m_root.Path());
    WriteRoot("");
    CRecorderSession session;
    messages.Watch(session);
    session.Record();
    const std::string path = session.State().file;
    EXPECT_EQ(path.find('/'), std::string::npos) << "a name relative to the working folder: " << path;
    EXPECT_TRUE(session.RecordingRuns());
    WaitMs(300);
    session.Stop();
    ExpectFinishedPcm(m_root.File(path), 1);
    EXPECT_EQ(messages.Count(), 0u);
    std::filesystem::current_path(previous);
}

TEST_F(SessionRecording, NegativeAndHugeBufferSizesStillRecord)
{
    SessionMessages messages;
    int second = 0;
    SetRecordingNameClock([&] { return Utc(2026, 12, 8, 10, 0, second); });
    for (int size : {-5, 0, 2000000000}) {
        messages.SetBufferSize(size);
        ++second;
        CRecorderSession session;
        messages.Watch(session);
        session.Record();
        ASSERT_TRUE(session.RecordingRuns()) << "buffer size " << size;
        WaitMs(400);
        session.Stop();
        ExpectFinishedPcm(session.State().file, 1);
    }
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionRecording, AfterTheInputWentAwayTheNextRecReportsTheDeviceError)
{
    SessionMessages messages;
    int second = 0;
    SetRecordingNameClock([&] { return Utc(2026, 12, 8, 11, 0, second); });
    m_input.vanishAfterMs = 300;
    CRecorderSession session;
    messages.Watch(session);
    ASSERT_TRUE(session.Record());
    const std::string first = session.State().file;
    messages.onMessage = [&] { session.OnRecordingTick(); };
    for (int i = 0; i < 50 && session.IsRecordingTimerActive(); ++i)
        WaitMs(100);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_NE(messages.All()[0].text.find("sound input went away"), std::string::npos);
    ExpectFinishedPcm(first, 1);

    // The input is gone for good: the next REC says so from the device table.
    m_input.vanishAfterMs = -1;
    m_input.faults = {{WaveInCall::Open, WAVEIN_NODRIVER, 0}};
    second = 5;
    EXPECT_FALSE(session.Record());
    ASSERT_EQ(messages.Count(), 2u);
    EXPECT_EQ(messages.All()[1].text, "No device driver is present.");
    EXPECT_TRUE(messages.All()[1].fromEngine);
    EXPECT_FALSE(session.RecordingRuns());
    EXPECT_FALSE(std::filesystem::exists(session.State().file)) << "no file is left for a recording that never ran";
    ExpectFinishedPcm(first, 1);
}

TEST_F(SessionRecording, RecRightAfterStopWhoseStartFailsLeavesAnIdleSession)
{
    SessionMessages messages;
    int second = 0;
    SetRecordingNameClock([&] { return Utc(2026, 12, 9, 9, 0, second); });
    CRecorderSession session;
    messages.Watch(session);
    ASSERT_TRUE(session.Record());
    const std::string first = session.State().file;
    WaitMs(300);
    session.Stop();
    // STOP leaves the recording timer to its next tick; REC comes before that tick.
    ASSERT_TRUE(session.IsRecordingTimerActive());
    m_input.faults = {{WaveInCall::Open, WAVEIN_NODRIVER, 0}};
    second = 1;
    EXPECT_FALSE(session.Record());
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.All()[0].text, "No device driver is present.");
    EXPECT_FALSE(session.IsRecordingTimerActive());
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_FALSE(session.RecordingRuns());
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    // No tick comes to show a recording that does not exist.
    WaitMs(350);
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    EXPECT_EQ(messages.Count(), 1u);
    ExpectFinishedPcm(first, 1000);

    // And the next REC records as usual.
    m_input.faults.clear();
    second = 2;
    EXPECT_TRUE(session.Record());
    EXPECT_TRUE(session.RecordingRuns());
    WaitMs(250);
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{false, true, false}));
    session.Stop();
}

TEST_F(SessionRecording, PausedTimeStandsStillAndIsTakenOffToTheNearestSecond)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    QSignalSpy published(&session, &CRecorderSession::StateChanged);
    int64_t now = 1'000'000;
    int64_t ms = 5'000'000;
    session.SetClock([&] { return now; });
    session.SetPauseClock([&] { return ms; });

    // Nothing to pause without a recording.
    session.PauseResume();
    EXPECT_FALSE(session.IsPaused());
    EXPECT_FALSE(session.State().paused);

    ASSERT_TRUE(session.Record());
    now += 2;
    ms += 2000;
    session.OnRecordingTick();
    EXPECT_EQ(session.State().seconds, 2u);

    session.PauseResume();
    ASSERT_TRUE(session.IsPaused());
    EXPECT_TRUE(session.State().paused);
    EXPECT_TRUE(LastPublished(published).paused) << "the view must learn of the pause to blink";
    // Paused: the time stands still however long the pause lasts.
    now += 3;
    ms += 3400;
    session.OnRecordingTick();
    EXPECT_EQ(session.State().seconds, 2u);
    session.PauseResume();
    EXPECT_FALSE(session.IsPaused());
    EXPECT_FALSE(LastPublished(published).paused);
    // 6 s of calendar time, 3.4 s of it paused: 3.
    now += 1;
    ms += 1000;
    session.OnRecordingTick();
    EXPECT_EQ(session.State().seconds, 3u);
    // A short second pause brings the sum to 3.6 s, which is taken off as 4.
    session.PauseResume();
    ms += 200;
    session.PauseResume();
    now += 1;
    ms += 1000;
    session.OnRecordingTick();
    EXPECT_EQ(session.State().seconds, 3u); // 7 s less 4
    now += 1;
    ms += 1000;
    session.OnRecordingTick();
    EXPECT_EQ(session.State().seconds, 4u);
    session.Stop();
    EXPECT_FALSE(session.IsPaused());
    // A stopped recording cannot be paused.
    session.PauseResume();
    EXPECT_FALSE(session.IsPaused());
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionRecording, StopWhilePausedEndsThePauseAndFinishesTheFile)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    ASSERT_TRUE(session.Record());
    const std::string path = session.State().file;
    WaitMs(400);
    session.PauseResume();
    ASSERT_TRUE(session.IsPaused());
    ASSERT_TRUE(session.CanPause());
    WaitMs(300);
    session.Stop();
    EXPECT_FALSE(session.IsPaused());
    EXPECT_FALSE(session.State().paused);
    EXPECT_FALSE(session.CanPause());
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    ExpectFinishedPcm(path, 44100 / 10);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionRecording, ReplacedFormatIsUsedByTheNextRecordingBytesAndAll)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    // A block with extra bytes is kept whole.
    std::vector<uint8_t> block(18 + 4, 0);
    const WAVEFORMATEX stereo = MakePcmFormat(2, 44100, 16);
    std::memcpy(block.data(), &stereo, 18);
    block[16] = 4; // cbSize
    block[18] = 0xA1, block[19] = 0xB2, block[20] = 0xC3, block[21] = 0xD4;
    session.SetRecordFormat(block.data(), block.size());
    const auto* kept = reinterpret_cast<const uint8_t*>(session.RecordFormat());
    EXPECT_EQ(std::vector<uint8_t>(kept, kept + block.size()), block);

    // The next recording is made in the replaced format.
    session.SetRecordFormat(reinterpret_cast<const uint8_t*>(&stereo), sizeof stereo);
    ASSERT_TRUE(session.Record());
    WaitMs(500);
    session.Stop();
    const auto bytes = ReadFileBytes(session.State().file);
    ASSERT_GE(bytes.size(), 46u);
    EXPECT_EQ(Le16(bytes, 20), WAVE_FORMAT_PCM);
    EXPECT_EQ(Le16(bytes, 22), 2u);
    EXPECT_EQ(Le32(bytes, 24), 44100u);
    EXPECT_GE(bytes.size() - 46, 176400u / 4);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionRecording, CategoryNamesTheNextRecordingAndOutOfRangeIsIgnored)
{
    SessionMessages messages;
    SetRecordingNameClock([] { return Utc(2026, 12, 7, 0, 0, 10); });
    CRecorderSession session;
    messages.Watch(session);
    QSignalSpy published(&session, &CRecorderSession::StateChanged);
    session.SetCategory(3);
    session.SetCategory(4);
    session.SetCategory(-1);
    EXPECT_EQ(session.State().category, 3);
    EXPECT_EQ(published.count(), 1) << "ignored categories publish nothing";
    ASSERT_TRUE(session.Record());
    EXPECT_EQ(session.State().file, m_root.Path() + "/3/07-Dec-2026_10.wav");
    session.Stop();
}

// ---- Watchful recording: no input, disk space, time limit ----------------

namespace {

// Both clocks pinned; Step moves them by `ms` and runs a tick.
struct PinnedSession {
    CRecorderSession session;
    int64_t ms = 0;
    PinnedSession()
    {
        session.SetClock([this] { return ms / 1000; });
        session.SetPauseClock([this] { return ms; });
    }
    void Step(int64_t by)
    {
        ms += by;
        session.OnRecordingTick();
    }
};

struct QuietCase {
    const char* name;
    VirtualWaveInConfig::Signal signal;
    double level;    // 0.0005 peaks at -66 dBFS, 0.002 at -54 dBFS
    bool warned;
};
class SessionNoInput : public VirtualAudioTest, public ::testing::WithParamInterface<QuietCase> {};

} // namespace

TEST_P(SessionNoInput, WarnedAfterThreeSecondsOfQuietWhileTheRecordingGoesOn)
{
    m_input.signal = GetParam().signal;
    m_input.level = GetParam().level;
    PinnedSession p;
    ASSERT_TRUE(p.session.Record(0));
    for (int step = 1; step <= 35; ++step) {
        WaitMs(100); // real time, so that readings come between the ticks
        p.Step(100);
        ASSERT_EQ(p.session.State().noInput, step >= 30 && GetParam().warned) << step * 100 << " ms";
    }
    EXPECT_TRUE(p.session.RecordingRuns());
    p.session.Stop();
    EXPECT_FALSE(p.session.State().noInput);
    ExpectFinishedPcm(p.session.State().file, 44100 * 3);
}

INSTANTIATE_TEST_SUITE_P(Inputs, SessionNoInput,
                         ::testing::Values(QuietCase{"Zeros", VirtualWaveInConfig::Signal::Silence, 0, true},
                                           QuietCase{"Minus66dB", VirtualWaveInConfig::Signal::Sine, 0.0005, true},
                                           QuietCase{"Minus54dB", VirtualWaveInConfig::Signal::Sine, 0.002, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SessionNoInput, GoesWhenSoundReturnsAndWaitsForLongBuffers)
{
    // Two seconds of zeros, then a second of tone, looped by the virtual input.
    std::vector<int16_t> samples(2 * 22050, 0);
    const auto tone = SineSamples(440, 0.5, 22050, 22050);
    samples.insert(samples.end(), tone.begin(), tone.end());
    const uint32_t data = uint32_t(samples.size() * 2);
    std::vector<uint8_t> wav{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'd', 'a', 't', 'a', 0, 0, 0, 0};
    wav.resize(20 + data);
    std::memcpy(wav.data() + 16, &data, 4);
    std::memcpy(wav.data() + 20, samples.data(), data);
    WriteFileBytes(m_home.File("quiet-then-tone.wav"), wav);
    m_input.signal = VirtualWaveInConfig::Signal::WavFile;
    m_input.wavPath = m_home.File("quiet-then-tone.wav");
    SessionMessages host;
    PinnedSession p;
    ASSERT_TRUE(p.session.Record(0));
    p.Step(3000); // long before the real input reaches its tone
    ASSERT_TRUE(p.session.State().noInput);
    EXPECT_TRUE(WaitUntil([&] { return p.Step(100), !p.session.State().noInput; }, 5000));
    EXPECT_TRUE(p.session.RecordingRuns());
    p.session.Stop();

    // One reading a buffer: 1,000,000 bytes are 22.7 s, so quiet takes two of them.
    host.SetBufferSize(1000000);
    m_input.signal = VirtualWaveInConfig::Signal::Silence;
    ASSERT_TRUE(p.session.Record(0));
    p.Step(2 * (1000000LL * 1000 / 44100) - 1);
    EXPECT_FALSE(p.session.State().noInput);
    p.Step(1);
    EXPECT_TRUE(p.session.State().noInput);
    p.session.Stop();
}

namespace {

struct SpaceCase {
    const char* name;
    uint32_t rate;      // bytes a second; 44100 is the default PCM
    int64_t freeBytes;
    bool answer;
    const char* asked;  // the minutes part of the question, empty for none
};
class SessionSpace : public VirtualAudioTest, public ::testing::WithParamInterface<SpaceCase> {};

} // namespace

TEST_P(SessionSpace, AskedAtRecWhenLessThanHalfAnHourFits)
{
    const SpaceCase& c = GetParam();
    CRecorderSession session;
    if (c.rate != 44100) { // mu-law, at its own rate
        WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
        f.wFormatTag = WAVE_FORMAT_MULAW, f.wBitsPerSample = 8, f.nBlockAlign = 1, f.nAvgBytesPerSec = c.rate;
        session.SetRecordFormat(reinterpret_cast<const uint8_t*>(&f), sizeof f);
    }
    session.SetCategory(2);
    int64_t free = c.freeBytes;
    std::string folder;
    session.SetFreeSpaceFunction([&](const std::string& f) { return folder = f, free; });
    std::vector<std::string> asked;
    session.SetAsker([&](const QString& q) { return asked.push_back(q.toStdString()), c.answer; });
    const bool recorded = session.Record(0);
    EXPECT_EQ(folder, m_root.Path() + "/2/");
    if (*c.asked)
        EXPECT_EQ(asked, std::vector<std::string>{"There is room on the disk for " + std::string(c.asked)
                                                  + " of recording in this format.\n\nRecord anyway?"});
    else
        EXPECT_TRUE(asked.empty());
    if (!c.answer) { // no recording, no file, the state as it was
        EXPECT_FALSE(recorded);
        EXPECT_EQ(session.Recorder(), nullptr);
        EXPECT_EQ(session.State().file, "");
        EXPECT_TRUE(std::filesystem::is_empty(m_root.Path() + "/2/"));
        return;
    }
    ASSERT_TRUE(recorded);
    // The bar shows the share of the space used when it was short.
    EXPECT_EQ(session.State().showSpace, !asked.empty());
    free = c.freeBytes * 6 / 10;
    session.OnRecordingTick();
    EXPECT_NEAR(session.State().spaceUsed, asked.empty() ? 0.0 : 0.4, 1e-6);
    WaitMs(200);
    session.Stop();
    EXPECT_FALSE(session.State().showSpace);
    ExpectFinishedPcm(session.State().file, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SessionSpace,
    ::testing::Values(SpaceCase{"HalfAnHourFits", 44100, 30 * 60 * 44100, true, ""},
                      SpaceCase{"UnknownSpace", 44100, -1, true, ""},
                      SpaceCase{"JustShortYes", 44100, 30 * 60 * 44100 - 1, true, "only about 29 min"},
                      SpaceCase{"FiveMinutesNo", 44100, 5 * 60 * 44100 + 99, false, "only about 5 min"},
                      SpaceCase{"CompressedRateNo", 22050, 60 * 22050 - 1, false, "less than a minute"}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

struct LimitCase {
    const char* name;
    int argument;    // Record's
    int setting;     // "Stop after", minutes
    int64_t stopsAt; // recorded seconds; 0 for never
};
class SessionTimeLimit : public VirtualAudioTest, public ::testing::WithParamInterface<LimitCase> {};

} // namespace

TEST_P(SessionTimeLimit, EndsAsStopDoesCountingDownTheLastMinuteNotThePauses)
{
    const LimitCase& c = GetParam();
    WriteStopAfterMinutes(c.setting);
    SessionMessages messages;
    PinnedSession p;
    messages.Watch(p.session);
    ASSERT_TRUE(p.session.Record(c.argument));
    for (int64_t second = 1; second < (c.stopsAt ? c.stopsAt : 200); ++second) {
        if (second == 20) { // ten paused minutes do not count
            p.session.PauseResume();
            p.Step(600'000);
            p.session.PauseResume();
        }
        p.Step(1000);
        ASSERT_TRUE(p.session.RecordingRuns()) << second;
        const int64_t left = c.stopsAt - second;
        ASSERT_EQ(p.session.State().secondsLeft, c.stopsAt && left <= 60 ? left : -1) << second;
    }
    p.Step(1000);
    EXPECT_EQ(p.session.RecordingRuns(), !c.stopsAt);
    if (c.stopsAt) { // idle, the file finished, no message, the length shown
        EXPECT_EQ(p.session.State().mode, SessionMode::Idle);
        EXPECT_EQ(ButtonsOf(p.session.State()), (EnabledButtons{true, false, true}));
        EXPECT_EQ(p.session.State().secondsLeft, -1);
        EXPECT_EQ(p.session.State().seconds, uint32_t(c.stopsAt));
        ExpectFinishedPcm(p.session.State().file, 1);
        EXPECT_EQ(messages.Count(), 0u);
    }
    p.session.Stop();
}

INSTANTIATE_TEST_SUITE_P(Cases, SessionTimeLimit,
                         ::testing::Values(LimitCase{"SettingInMinutes", -1, 2, 120},
                                           LimitCase{"ArgumentBeatsTheSetting", 45, 5, 45},
                                           LimitCase{"ZeroIsNoLimit", 0, 1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The playback side of the session, without any widget: PLAY, STOP, the
// playback tick and notifications, seeking, opened files, and the failures
// that end the session, with the virtual input and output devices.
#include "SessionTestSupport.h"
#include "TestSupport.h"
#include "engine/MessageStyle.h"
#include "platform/playback/MciWaveAudio.h"
#include "session/CRecorderSession.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class SessionPlayback : public VirtualAudioTest {
protected:
    // Writes `seconds` of tone to the recording folder and opens it in
    // `session`, its length unknown as for a file that comes from outside.
    void OpenTone(CRecorderSession& session, double seconds)
    {
        const std::string path = m_root.File("tone.wav");
        WritePcmTone(path, seconds);
        session.OpenFile(path, -1);
    }
};

} // namespace

TEST_F(SessionPlayback, PlaysToTheEndThenIdle)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    OpenTone(session, 3.0);
    const EnabledButtons before = ButtonsOf(session.State());
    EXPECT_EQ(before, (EnabledButtons{true, false, true}));
    ASSERT_TRUE(session.Play());
    EXPECT_EQ(session.State().mode, SessionMode::Playing);
    EXPECT_TRUE(session.IsMciDeviceOpen());
    EXPECT_NE(session.MciDeviceId(), 0u);
    EXPECT_TRUE(session.IsPlaybackTimerActive());
    // PLAY switches no button itself; the first tick does.
    EXPECT_EQ(ButtonsOf(session.State()), before);
    QTest::qWait(150);
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{false, true, false}));
    ASSERT_TRUE(WaitUntil([&] { return session.State().seconds == 1; }, 2000));
    uint32_t position = 0;
    EXPECT_EQ(MciStatus(session.MciDeviceId(), MCI_STATUS_POSITION, position), 0u);
    EXPECT_GE(position, 1000u);
    EXPECT_LT(position, 2500u);
    // The bar follows the device: the file's length is its range.
    EXPECT_EQ(session.State().rangeLow, 0);
    EXPECT_EQ(session.State().rangeHigh, 3000);
    EXPECT_GE(session.State().position, 900);
    // The successful notification after about 3 s closes the device.
    const uint32_t id = session.MciDeviceId();
    ASSERT_TRUE(WaitUntil([&] { return !session.IsPlaybackTimerActive(); }, 4000));
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_FALSE(session.IsMciDeviceOpen());
    uint32_t mode = 0;
    EXPECT_NE(MciStatus(id, MCI_STATUS_MODE, mode), 0u) << "the device is closed";
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    EXPECT_TRUE(session.State().seconds == 2 || session.State().seconds == 3) << session.State().seconds;
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionPlayback, StopMidwayReturnsToIdleAtOnceAndClosesTheDevice)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    QSignalSpy published(&session, &CRecorderSession::StateChanged);
    OpenTone(session, 3.0);
    ASSERT_TRUE(session.Play());
    QTest::qWait(500);
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{false, true, false}));
    const uint32_t id = session.MciDeviceId();
    published.clear();
    session.Stop();
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    ASSERT_FALSE(published.isEmpty());
    EXPECT_EQ(ButtonsOf(published.last().at(0).value<SessionState>()), (EnabledButtons{true, false, true}));
    Settle();
    // Aborted (refresh only), then the stop's successful notification: closed.
    EXPECT_FALSE(session.IsMciDeviceOpen());
    EXPECT_FALSE(session.IsPlaybackTimerActive());
    uint32_t mode = 0;
    EXPECT_NE(MciStatus(id, MCI_STATUS_MODE, mode), 0u);
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionPlayback, NoCurrentFileDoesNothing)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    EXPECT_FALSE(session.Play());
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_FALSE(session.IsMciDeviceOpen());
    EXPECT_EQ(session.MciDeviceId(), 0u);
    EXPECT_FALSE(session.IsPlaybackTimerActive());
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionPlayback, UnplayableFileReportsOpenFirstThenRequestsTheEndOnce)
{
    SessionMessages messages;
    const std::string path = m_root.File("not-audio.wav");
    WriteFileBytes(path, std::vector<uint8_t>(1000, 'x'));
    CRecorderSession session;
    messages.Watch(session);
    QSignalSpy ends(&session, &CRecorderSession::EndRequested);
    session.OpenFile(path, -1);
    EXPECT_FALSE(session.Play());
    ASSERT_GE(messages.Count(), 1u);
    const UserMessage first = messages.All()[0];
    EXPECT_EQ(first.text.rfind("MCI_OPEN:\n", 0), 0u) << first.text;
    EXPECT_GT(first.text.size(), std::string("MCI_OPEN:\n").size());
    EXPECT_EQ(first.style, MB_OK);
    EXPECT_FALSE(first.fromEngine);
    ASSERT_EQ(ends.count(), 1);
    EXPECT_EQ(ends.at(0).at(0).value<SessionEnd>(), SessionEnd::Failed);
    EXPECT_EQ(messages.endsAfter, std::vector<size_t>{1}) << "the message comes before the end";
    EXPECT_TRUE(session.IsEnded());
    EXPECT_FALSE(session.IsPlaybackTimerActive());
    EXPECT_FALSE(session.IsMciDeviceOpen());
    QTest::qWait(200);
    EXPECT_EQ(ends.count(), 1);
}

TEST_F(SessionPlayback, FailingTickSaysSoOnceAndRequestsTheEndOnce)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    QSignalSpy ends(&session, &CRecorderSession::EndRequested);
    OpenTone(session, 3.0);
    // Ticks keep coming while the message is shown.
    messages.onMessage = [&] {
        for (int i = 0; i < 3; ++i)
            session.RefreshPlaybackState();
    };
    ASSERT_TRUE(session.Play());
    // The device goes away behind the session: every status query fails.
    MciClose(session.MciDeviceId());
    ASSERT_TRUE(WaitUntil([&] { return ends.count() > 0; }, 2000));
    QTest::qWait(300);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.All()[0].text.rfind("MCI_STATUS:\n", 0), 0u) << messages.All()[0].text;
    EXPECT_EQ(ends.count(), 1);
    EXPECT_TRUE(session.IsEnded());
    EXPECT_FALSE(session.IsPlaybackTimerActive());
}

TEST_F(SessionPlayback, SecondPlayClosesTheFirstDevice)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    OpenTone(session, 2.0);
    ASSERT_TRUE(session.Play());
    const uint32_t first = session.MciDeviceId();
    QTest::qWait(200);
    // PLAY is not enabled while playing; the command still must not leak a device.
    ASSERT_TRUE(session.Play());
    const uint32_t second = session.MciDeviceId();
    EXPECT_NE(first, second);
    uint32_t mode = 0;
    EXPECT_NE(MciStatus(first, MCI_STATUS_MODE, mode), 0u) << "the first device is closed";
    Settle();
    // The first play's aborted notification must not close the second device.
    EXPECT_TRUE(session.IsMciDeviceOpen());
    EXPECT_EQ(MciStatus(second, MCI_STATUS_MODE, mode), 0u);
    EXPECT_EQ(mode, MCI_MODE_PLAY);
    ASSERT_TRUE(WaitUntil([&] { return !session.IsPlaybackTimerActive(); }, 4000));
    EXPECT_FALSE(session.IsMciDeviceOpen());
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionPlayback, OverlongPathIsRefusedWithAMessage)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    QSignalSpy ends(&session, &CRecorderSession::EndRequested);
    session.OpenFile("/" + std::string(5000, 'a') + ".wav", -1);
    EXPECT_FALSE(session.Play());
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_NE(messages.All()[0].text.find("too long"), std::string::npos);
    EXPECT_EQ(messages.All()[0].style, MB_ICONEXCLAMATION);
    EXPECT_FALSE(session.IsMciDeviceOpen());
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_FALSE(session.IsPlaybackTimerActive());
    EXPECT_FALSE(session.IsEnded());
    EXPECT_EQ(ends.count(), 0);
}

TEST_F(SessionPlayback, PlayRightAfterARecordingPlaysThatFile)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    ASSERT_TRUE(session.Record());
    QTest::qWait(1200);
    session.Stop();
    QTest::qWait(150);
    EXPECT_FALSE(session.IsRecordingTimerActive());
    const std::string path = session.State().file;
    const auto bytes = std::filesystem::file_size(path) - 46;
    ASSERT_TRUE(session.Play());
    EXPECT_EQ(session.State().mode, SessionMode::Playing);
    uint32_t length = 0;
    ASSERT_EQ(MciStatus(session.MciDeviceId(), MCI_STATUS_LENGTH, length), 0u);
    EXPECT_EQ(length, uint32_t(bytes * 1000 / 44100));
    ASSERT_TRUE(WaitUntil([&] { return session.State().mode == SessionMode::Idle; }, 4000));
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionPlayback, OpenedFileBecomesCurrentWithItsLengthAndPlays)
{
    SessionMessages messages;
    const std::string path = m_root.File("opened.wav");
    WritePcmTone(path, 2.0);
    CRecorderSession session;
    messages.Watch(session);
    QSignalSpy published(&session, &CRecorderSession::StateChanged);
    session.OpenFile(path, 2);
    EXPECT_EQ(session.State().file, path);
    EXPECT_EQ(session.State().seconds, 2u);
    // PLAY is enabled; REC and STOP stay as they were.
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    ASSERT_EQ(published.count(), 1);
    EXPECT_EQ(published.last().at(0).value<SessionState>().file, path);
    // An unknown length leaves the time as it is.
    session.OpenFile(path, -1);
    EXPECT_EQ(session.State().seconds, 2u);
    ASSERT_TRUE(session.Play());
    EXPECT_TRUE(session.IsMciDeviceOpen());
    session.Stop();
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionPlayback, SeekingMovesThePlaybackClampedToTheFileAndOnlyWhilePlaying)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    OpenTone(session, 4.0);
    // Nothing plays: the keys keep their usual meaning.
    EXPECT_FALSE(session.SeekBy(5000));
    EXPECT_FALSE(session.SeekToStart());
    ASSERT_TRUE(session.Play());
    QTest::qWait(300);
    // Forward past the end: clamped to the file's length, shown at once.
    ASSERT_TRUE(session.SeekBy(5000));
    EXPECT_EQ(session.State().position, 4000);
    EXPECT_EQ(session.State().rangeHigh, 4000);
    EXPECT_EQ(session.State().seconds, 4u);
    Settle();
    // Playing from the end finishes at once: nothing more to seek.
    ASSERT_TRUE(WaitUntil([&] { return session.State().mode == SessionMode::Idle; }, 2000));
    EXPECT_FALSE(session.SeekBy(-5000));

    ASSERT_TRUE(session.Play());
    QTest::qWait(1200);
    // Back before the start: clamped to 0.
    ASSERT_TRUE(session.SeekBy(-5000));
    EXPECT_EQ(session.State().position, 0);
    EXPECT_EQ(session.State().seconds, 0u);
    uint32_t position = 0;
    ASSERT_EQ(MciStatus(session.MciDeviceId(), MCI_STATUS_POSITION, position), 0u);
    EXPECT_LT(position, 500u);
    QTest::qWait(1200);
    ASSERT_TRUE(session.SeekToStart());
    EXPECT_EQ(session.State().position, 0);
    session.Stop();
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(SessionPlayback, NotificationOfAnotherDeviceOnlyRefreshes)
{
    SessionMessages messages;
    CRecorderSession session;
    messages.Watch(session);
    OpenTone(session, 2.0);
    ASSERT_TRUE(session.Play());
    QTest::qWait(200);
    session.OnMciNotify(MCI_NOTIFY_SUCCESSFUL, session.MciDeviceId() + 1000);
    EXPECT_TRUE(session.IsMciDeviceOpen());
    EXPECT_EQ(session.State().mode, SessionMode::Playing);
    EXPECT_TRUE(session.IsPlaybackTimerActive());
    // The device's own success ends the playback.
    session.OnMciNotify(MCI_NOTIFY_SUCCESSFUL, session.MciDeviceId());
    EXPECT_FALSE(session.IsMciDeviceOpen());
    EXPECT_EQ(session.State().mode, SessionMode::Idle);
    EXPECT_FALSE(session.IsPlaybackTimerActive());
    EXPECT_EQ(ButtonsOf(session.State()), (EnabledButtons{true, false, true}));
    Settle();
    EXPECT_EQ(messages.Count(), 0u);
}

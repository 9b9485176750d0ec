// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The remote control's edges: which request lines the panel takes (strictly:
// another version, a stray blank or argument is refused), answers that cannot
// be split by a line break, the private folder of the socket (a folder others
// may enter, or a link, is never used), and a command whose action raises a
// message box answers the sender with the box's text before the box waits.
#include "SessionTestSupport.h"
#include "app/CQtEngineHost.h"
#include "app/CRemoteCommand.h"
#include "app/CRemoteControl.h"
#include "app/CRuntimeFolder.h"
#include "engine/IEngineHost.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Verb = CRemoteCommand::Verb;

struct LineCase {
    const char* line;
    bool accepted;
    Verb verb = Verb::Show;
    int seconds = -1;
    const char* token = "";
};

class RemoteRequestLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(RemoteRequestLine, IsTakenOnlyInItsExactForm)
{
    const LineCase& c = GetParam();
    const std::optional<CRemoteCommand> command = CRemoteCommand::Parse(c.line);
    ASSERT_EQ(command.has_value(), c.accepted) << '"' << c.line << '"';
    if (!command)
        return;
    EXPECT_EQ(command->verb, c.verb);
    EXPECT_EQ(command->stopAfterSeconds, c.seconds);
    EXPECT_EQ(command->token, c.token);
    // What is taken is what the sender would have sent.
    EXPECT_EQ(command->Encode(), std::string(c.line) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RemoteRequestLine,
    ::testing::Values(LineCase{"VELLORY/1 status", true, Verb::Status}, LineCase{"VELLORY/1 record", true, Verb::Record},
                      LineCase{"VELLORY/1 record 60", true, Verb::Record, 60},
                      LineCase{"VELLORY/1 toggle 0", true, Verb::Toggle, 0},
                      LineCase{"VELLORY/1 record 604800", true, Verb::Record, 604800},
                      LineCase{"VELLORY/1 show", true, Verb::Show},
                      LineCase{"VELLORY/1 show kwin-1234_TOKEN", true, Verb::Show, -1, "kwin-1234_TOKEN"},
                      LineCase{"VELLORY/1 stop", true, Verb::Stop}, LineCase{"VELLORY/1 pause", true, Verb::Pause},
                      LineCase{"VELLORY/1 resume", true, Verb::Resume}, LineCase{"VELLORY/1 play", true, Verb::Play},
                      // Refused: another version, case, blanks, arguments where none belong.
                      LineCase{"", false}, LineCase{"VELLORY/1", false}, LineCase{"VELLORY/2 status", false},
                      LineCase{"vellory/1 status", false}, LineCase{"VELLORY/1 Status", false},
                      LineCase{"VELLORY/1  status", false}, LineCase{"VELLORY/1 status ", false},
                      LineCase{" VELLORY/1 status", false}, LineCase{"VELLORY/1 status\r", false},
                      LineCase{"VELLORY/1 stop 5", false}, LineCase{"VELLORY/1 status now", false},
                      LineCase{"VELLORY/1 record -5", false}, LineCase{"VELLORY/1 record +5", false},
                      LineCase{"VELLORY/1 record 05", false}, LineCase{"VELLORY/1 record 604801", false},
                      LineCase{"VELLORY/1 record 99999999999", false}, LineCase{"VELLORY/1 record 1 2", false},
                      LineCase{"VELLORY/1 record 1.5", false}, LineCase{"VELLORY/1 show a\tb", false},
                      LineCase{"VELLORY/1 show a b", false}, LineCase{"show", false},
                      LineCase{"VELLORY/1 frobnicate", false}));

TEST(RemoteRequestLine, LongLinesAndTokensCannotSplitARequest)
{
    EXPECT_FALSE(CRemoteCommand::Parse("VELLORY/1 show " + std::string(CRemoteCommand::kMaxLine, 'a')));
    CRemoteCommand show;
    show.token = "a b\nc\x7f\td";
    EXPECT_EQ(show.Encode(), "VELLORY/1 show abcd\n");
    // Seconds travel only with the verbs that take them.
    CRemoteCommand stop;
    stop.verb = Verb::Stop;
    stop.stopAfterSeconds = 30;
    EXPECT_EQ(stop.Encode(), "VELLORY/1 stop\n");
}

TEST(RemoteAnswerLine, KeepsToOneLineAndParsesBack)
{
    bool ok = true;
    std::string text;
    const std::string refused = CRemoteCommand::EncodeAnswer(false, "first\nsecond\r");
    EXPECT_EQ(refused, "refused first second \n");
    ASSERT_TRUE(CRemoteCommand::ParseAnswer(refused.substr(0, refused.size() - 1), ok, text));
    EXPECT_FALSE(ok);
    EXPECT_EQ(text, "first second ");
    EXPECT_EQ(CRemoteCommand::EncodeAnswer(true, ""), "ok\n");
    ASSERT_TRUE(CRemoteCommand::ParseAnswer("ok Idle", ok, text));
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, "Idle");
    EXPECT_FALSE(CRemoteCommand::ParseAnswer("okay", ok, text));
    EXPECT_FALSE(CRemoteCommand::ParseAnswer("", ok, text));
    EXPECT_LE(CRemoteCommand::EncodeAnswer(false, std::string(10000, 'x')).size(), CRemoteCommand::kMaxLine);
}

// The environment's XDG_RUNTIME_DIR and TMPDIR for one test.
class RuntimeFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"})
            if (const char* value = std::getenv(name))
                m_saved.emplace_back(name, value);
        ::setenv("TMPDIR", m_tmp.Path().c_str(), 1);
        m_fallback = m_tmp.Path() + "/vellory-" + std::to_string(::getuid());
    }
    void TearDown() override
    {
        ::unsetenv("XDG_RUNTIME_DIR");
        ::unsetenv("TMPDIR");
        for (const auto& [name, value] : m_saved)
            ::setenv(name.c_str(), value.c_str(), 1);
    }
    std::string MakeFolder(const std::string& name, mode_t mode)
    {
        const std::string path = m_tmp.Path() + "/" + name;
        std::filesystem::create_directory(path);
        ::chmod(path.c_str(), mode);
        return path;
    }

    TempDir m_tmp;
    std::string m_fallback;
    std::vector<std::pair<std::string, std::string>> m_saved;
};

TEST_F(RuntimeFolderTest, OnlyAPrivateFolderOfThisUserHoldsTheSocket)
{
    const std::string own = MakeFolder("run", 0700);
    ::setenv("XDG_RUNTIME_DIR", (own + "/").c_str(), 1);
    EXPECT_EQ(CRuntimeFolder::Path(), own);

    // Open to the group, or reached through a link: the private fallback.
    for (const std::string& unsafe : {MakeFolder("open", 0750), MakeFolder("open2", 0701)}) {
        ::setenv("XDG_RUNTIME_DIR", unsafe.c_str(), 1);
        EXPECT_EQ(CRuntimeFolder::Path(), m_fallback) << unsafe;
    }
    const std::string link = m_tmp.Path() + "/link";
    std::filesystem::create_directory_symlink(own, link);
    ::setenv("XDG_RUNTIME_DIR", link.c_str(), 1);
    EXPECT_EQ(CRuntimeFolder::Path(), m_fallback);
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(CRuntimeFolder::Path(), m_fallback);
    struct stat st {};
    ASSERT_EQ(::lstat(m_fallback.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A fallback that someone left open is not taken over: no folder at all.
    ::chmod(m_fallback.c_str(), 0777);
    std::string why;
    EXPECT_EQ(CRuntimeFolder::Path(&why), "");
    EXPECT_NE(why.find("not a private folder"), std::string::npos) << why;
}

TEST(RemoteStatusLine, CountsMinutesPastAnHour)
{
    SessionState state;
    EXPECT_EQ(CRemoteControl::StatusLine(state, false), "Idle");
    state.mode = SessionMode::Recording;
    state.seconds = 62 * 60 + 5;
    state.file = "/r/a b.wav";
    EXPECT_EQ(CRemoteControl::StatusLine(state, false), "Recording 62:05 /r/a b.wav");
    EXPECT_EQ(CRemoteControl::StatusLine(state, true), "Paused 62:05 /r/a b.wav");
    state.mode = SessionMode::Playing;
    state.seconds = 9;
    EXPECT_EQ(CRemoteControl::StatusLine(state, false), "Playing 00:09 /r/a b.wav");
}

class RemoteControlSession : public VirtualAudioTest {};

TEST_F(RemoteControlSession, AFailedRecordAnswersWithTheBoxsTextBeforeTheBoxCloses)
{
    CQtEngineHost host; // the program's host: the engine's messages become boxes
    SetEngineHost(&host);
    CRecorderSession session;
    QWidget panel;
    CRemoteControl remote(&session, [&session](int seconds) { return session.Record(seconds); },
                          [](const QString&) {}, &panel);
    m_input.faults = {{WaveInCall::Open, WAVEIN_NODRIVER, 0}};

    std::vector<std::pair<bool, QString>> replies;
    size_t repliesWhenBoxOpen = 0;
    QString boxText;
    // The user closes the box some time after it came up.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            repliesWhenBoxOpen = replies.size();
            boxText = box->property("text").toString();
            box->close();
        }
    });
    closer.start(100);
    CRemoteCommand record;
    record.verb = Verb::Record;
    remote.Execute(record, [&](bool ok, const QString& text) { replies.emplace_back(ok, text); });
    closer.stop();
    SetEngineHost(nullptr);

    ASSERT_EQ(replies.size(), 1u) << "exactly one answer";
    EXPECT_FALSE(replies[0].first);
    EXPECT_EQ(repliesWhenBoxOpen, 1u) << "the sender was answered while the box still waited";
    EXPECT_FALSE(replies[0].second.isEmpty());
    EXPECT_EQ(replies[0].second, boxText) << "the sender reads what the box says";
    EXPECT_EQ(session.State().mode, SessionMode::Idle);

    // The box's hook is gone: the next refusal is the plain one.
    replies.clear();
    CRemoteCommand stop;
    stop.verb = Verb::Stop;
    remote.Execute(stop, [&](bool ok, const QString& text) { replies.emplace_back(ok, text); });
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_FALSE(replies[0].first);
    EXPECT_EQ(replies[0].second, QStringLiteral("Nothing is being recorded or played."));
}

TEST_F(RemoteControlSession, RecordForSecondsStopsByItselfAndToggleStopsWhatRuns)
{
    CapturingHost host;
    CRecorderSession session;
    CRemoteControl remote(&session, [&session](int seconds) { return session.Record(seconds); },
                          [](const QString&) {});
    std::vector<std::pair<bool, QString>> replies;
    const auto reply = [&](bool ok, const QString& text) { replies.emplace_back(ok, text); };
    CRemoteCommand toggle;
    toggle.verb = Verb::Toggle;
    toggle.stopAfterSeconds = 2;
    remote.Execute(toggle, reply); // starts, with a limit
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_TRUE(replies[0].first) << replies[0].second.toStdString();
    EXPECT_TRUE(session.RecordingRuns());
    for (int i = 0; i < 60 && session.RecordingRuns(); ++i)
        WaitMs(100);
    EXPECT_FALSE(session.RecordingRuns()) << "the 2 s limit did not end the recording";
    EXPECT_EQ(CRemoteControl::StatusLine(session.State(), session.IsPaused()), "Idle");

    toggle.stopAfterSeconds = 0; // no limit
    remote.Execute(toggle, reply);
    WaitMs(300);
    CRemoteCommand pause;
    pause.verb = Verb::Pause;
    remote.Execute(pause, reply);
    EXPECT_TRUE(session.IsPaused());
    remote.Execute(toggle, reply); // stops the paused recording
    EXPECT_FALSE(session.RecordingRuns());
    ASSERT_EQ(replies.size(), 4u);
    for (const auto& [ok, text] : replies)
        EXPECT_TRUE(ok) << text.toStdString();
}

} // namespace

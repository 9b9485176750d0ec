// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The global shortcut and the sleep inhibitor against fake desktop services:
// a portal (GlobalShortcuts, Inhibit and their Request objects) on a private
// session bus and logind on a second private bus standing in for the system
// bus, each bus a dbus-daemon of the test's own. The session records from the
// virtual input, so no sound server is needed.
#include "FakeDesktopServices.h"
#include "SessionTestSupport.h"
#include "TestSupport.h"
#include "app/CGlobalShortcuts.h"
#include "app/CSleepInhibitor.h"
#include "session/CRecorderSession.h"

#include <QDBusConnection>
#include <QDBusMetaType>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <vector>

namespace {

const QString& kPortalPath = FakePortal::kPath;
const QString& kShortcuts = FakePortal::kShortcuts;
const QString& kInhibit = FakePortal::kInhibit;

// A dbus-daemon of the test's own, without any service it could start.
class PrivateBus {
public:
    explicit PrivateBus(const char* name) : m_name(QString::fromLatin1(name)) {}
    ~PrivateBus()
    {
        for (const QString& connection : m_connections)
            QDBusConnection::disconnectFromBus(connection);
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
    bool Start()
    {
        const std::string config = m_dir.File("bus.conf");
        std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
                                 " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                 "<busconfig><type>session</type><listen>unix:path="
                              << m_dir.File("bus")
                              << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                 "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                 "<allow own=\"*\"/></policy></busconfig>\n";
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + QString::fromStdString(config), QStringLiteral("--nofork"),
                        QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(5000))
            return false;
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        return !m_address.isEmpty();
    }
    // A new connection of its own to this bus.
    QDBusConnection Connect()
    {
        static int serial = 0;
        const QString name = m_name + QString::number(++serial);
        m_connections.push_back(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QString m_name;
    TempDir m_dir;
    QProcess m_daemon;
    QString m_address;
    std::vector<QString> m_connections;
};

// Both buses, the client's connections to them and the session, over the
// virtual input.
class PortalServices : public VirtualAudioTest {
protected:
    void SetUp() override
    {
        VirtualAudioTest::SetUp();
        ASSERT_TRUE(m_sessionBus.Start()) << "dbus-daemon did not start (package dbus-daemon)";
        ASSERT_TRUE(m_systemBus.Start()) << "dbus-daemon did not start (package dbus-daemon)";
        m_clientSession = m_sessionBus.Connect();
        m_clientSystem = m_systemBus.Connect();
        ASSERT_TRUE(m_clientSession.isConnected());
        ASSERT_TRUE(m_clientSystem.isConnected());
        m_sessionObject = std::make_unique<CRecorderSession>();
        m_messages.Watch(Session());
    }
    void TearDown() override
    {
        if (m_sessionObject)
            m_sessionObject->Shutdown();
        VirtualAudioTest::TearDown();
    }
    FakePortal& Portal(FakePortal::Options options = {})
    {
        m_portal = std::make_unique<FakePortal>(m_sessionBus.Connect(), options);
        return *m_portal;
    }
    FakeLogind& Logind()
    {
        m_logind = std::make_unique<FakeLogind>(m_systemBus.Connect());
        return *m_logind;
    }
    std::unique_ptr<CSleepInhibitor> Inhibitor()
    {
        auto inhibitor = std::make_unique<CSleepInhibitor>(&Session());
        inhibitor->SetBuses([this] { return m_clientSession; }, [this] { return m_clientSystem; });
        inhibitor->SetReplyTimeout(2000);
        return inhibitor;
    }
    bool Recording() { return Session().State().mode == SessionMode::Recording; }

    SessionMessages m_messages; // before the session: the program's host outlives its panel
    PrivateBus m_sessionBus{"portal-test-session"};
    PrivateBus m_systemBus{"portal-test-system"};
    QDBusConnection m_clientSession{QString()};
    QDBusConnection m_clientSystem{QString()};
    std::unique_ptr<FakePortal> m_portal;
    std::unique_ptr<FakeLogind> m_logind;
    std::unique_ptr<CRecorderSession> m_sessionObject;
    CRecorderSession& Session() { return *m_sessionObject; }
};

// ---- The global shortcut ------------------------------------------------

TEST_F(PortalServices, ShortcutIsBoundAndTogglesRecordAndStop)
{
    FakePortal& portal = Portal();
    CGlobalShortcuts shortcuts(&Session());
    QSignalSpy bound(&shortcuts, &CGlobalShortcuts::Bound);
    shortcuts.Start(m_clientSession);
    ASSERT_TRUE(WaitUntil([&] { return !bound.isEmpty(); }, 5000));

    // One session, and the shortcut bound to that very session.
    ASSERT_EQ(portal.CallsTo(kShortcuts, "CreateSession").size(), 1u);
    EXPECT_FALSE(portal.sessionHandle.isEmpty());
    EXPECT_EQ(portal.boundSession, portal.sessionHandle);
    ASSERT_EQ(portal.bound.size(), 1u);
    ASSERT_EQ(portal.bound.count("record-stop"), 1u);
    EXPECT_EQ(portal.bound["record-stop"].value("description").toString(), "Record/Stop");

    // Someone else's shortcut, or another session's, changes nothing.
    portal.Activate(portal.sessionHandle, "other");
    portal.Activate(kPortalPath + "/session/other/s1", "record-stop");
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(Session().State().mode, SessionMode::Idle);

    portal.Activate(portal.sessionHandle, "record-stop");
    ASSERT_TRUE(WaitUntil([&] { return Recording(); }, 3000));
    const std::string file = Session().State().file;
    WaitMs(2000);
    portal.Activate(portal.sessionHandle, "record-stop");
    ASSERT_TRUE(WaitUntil([&] { return Session().State().mode == SessionMode::Idle; }, 3000));
    ExpectFinishedPcm(file, 1);

    // While playing, the shortcut stops the playback.
    ASSERT_TRUE(Session().Play());
    ASSERT_EQ(Session().State().mode, SessionMode::Playing);
    portal.Activate(portal.sessionHandle, "record-stop");
    // Well before the two seconds of the file have played.
    EXPECT_TRUE(WaitUntil([&] { return Session().State().mode == SessionMode::Idle; }, 1000));
    EXPECT_EQ(m_messages.Count(), 0u);
}

enum class ShortcutFault { NoPortal, NoInterface, Cancelled, NoAnswer };
std::string ShortcutFaultName(ShortcutFault fault)
{
    static const char* const names[] = {"NoPortal", "NoInterface", "Cancelled", "NoAnswer"};
    return names[int(fault)];
}
void PrintTo(ShortcutFault fault, std::ostream* out) { *out << ShortcutFaultName(fault); }

class ShortcutUnavailable : public PortalServices, public ::testing::WithParamInterface<ShortcutFault> {};

TEST_P(ShortcutUnavailable, SaysNothingAndRecordingStillWorks)
{
    const ShortcutFault fault = GetParam();
    if (fault == ShortcutFault::NoInterface)
        Portal({.shortcuts = false});
    else if (fault == ShortcutFault::Cancelled)
        Portal({.answer = FakePortal::Answer::Cancel});
    else if (fault == ShortcutFault::NoAnswer)
        Portal({.answer = FakePortal::Answer::Never});
    CGlobalShortcuts shortcuts(&Session());
    shortcuts.SetReplyTimeout(500);
    QSignalSpy bound(&shortcuts, &CGlobalShortcuts::Bound);
    QSignalSpy unavailable(&shortcuts, &CGlobalShortcuts::Unavailable);
    shortcuts.Start(m_clientSession);
    ASSERT_TRUE(WaitUntil([&] { return !unavailable.isEmpty(); }, 5000));
    EXPECT_TRUE(bound.isEmpty());
    EXPECT_FALSE(shortcuts.IsBound());
    if (m_portal && fault != ShortcutFault::NoInterface) {
        EXPECT_EQ(m_portal->CallsTo(kShortcuts, "CreateSession").size(), 1u);
        EXPECT_EQ(m_portal->CallsTo(kShortcuts, "BindShortcuts").size(), 0u);
    }
    EXPECT_TRUE(Session().Record());
    EXPECT_EQ(m_messages.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Portal, ShortcutUnavailable,
                         ::testing::Values(ShortcutFault::NoPortal, ShortcutFault::NoInterface,
                                           ShortcutFault::Cancelled, ShortcutFault::NoAnswer),
                         [](const auto& info) { return ShortcutFaultName(info.param); });

// ---- The sleep inhibitor ------------------------------------------------

enum class Desktop { Portal, NoPortal, PortalWithoutInhibit };
std::string DesktopName(Desktop desktop)
{
    static const char* const names[] = {"Portal", "NoPortal", "PortalWithoutInhibit"};
    return names[int(desktop)];
}
void PrintTo(Desktop desktop, std::ostream* out) { *out << DesktopName(desktop); }

class SleepInhibitor : public PortalServices, public ::testing::WithParamInterface<Desktop> {
protected:
    void SetUp() override
    {
        PortalServices::SetUp();
        if (GetParam() == Desktop::Portal)
            Portal();
        else if (GetParam() == Desktop::PortalWithoutInhibit)
            Portal({.inhibit = false});
        Logind();
    }
    CSleepInhibitor::Holder Expected() const
    {
        return GetParam() == Desktop::Portal ? CSleepInhibitor::Holder::Portal : CSleepInhibitor::Holder::Logind;
    }
    // Inhibitors the fake service in use still sees held.
    int HeldOnService() const
    {
        return GetParam() == Desktop::Portal ? int(m_portal->held.size()) : m_logind->Held();
    }
    // The service holds back its answers to Inhibit until SendDeferred.
    void Defer() { (GetParam() == Desktop::Portal ? m_portal->defer : m_logind->defer) = true; }
    void SendDeferred() { GetParam() == Desktop::Portal ? m_portal->SendDeferred() : m_logind->SendDeferred(); }
    size_t Taken() const
    {
        return GetParam() == Desktop::Portal ? m_portal->CallsTo(kInhibit, "Inhibit").size() : m_logind->calls.size();
    }
};

TEST_P(SleepInhibitor, HeldFromRecToStopWithTheRightRequest)
{
    auto inhibitor = Inhibitor();
    ASSERT_TRUE(Session().Record());
    ASSERT_TRUE(WaitUntil([&] { return HeldOnService() == 1 && inhibitor->Held() == Expected(); }, 3000));
    if (GetParam() == Desktop::Portal) {
        const QVariantList args = m_portal->CallsTo(kInhibit, "Inhibit").at(0);
        EXPECT_EQ(args.value(0).toString(), "");
        EXPECT_EQ(args.value(1).toUInt(), 4u | 8u); // suspend and idle
        EXPECT_EQ(qdbus_cast<QVariantMap>(args.value(2)).value("reason").toString(), "Recording audio");
        EXPECT_TRUE(m_logind->calls.empty());
    } else {
        ASSERT_EQ(m_logind->calls.size(), 1u);
        EXPECT_EQ(m_logind->calls[0], (QVariantList{"sleep:idle", "Vellory", "Recording audio", "block"}));
    }
    Session().Stop();
    EXPECT_TRUE(WaitUntil([&] { return HeldOnService() == 0; }, 3000));
    EXPECT_EQ(inhibitor->Held(), CSleepInhibitor::Holder::None);
    EXPECT_EQ(Taken(), 1u);
    EXPECT_EQ(m_messages.Count(), 0u);
}

TEST_P(SleepInhibitor, ReleasedAfterALongPauseAndTakenAgainAtResume)
{
    auto inhibitor = Inhibitor();
    inhibitor->SetPauseLimit(400);
    ASSERT_TRUE(Session().Record());
    ASSERT_TRUE(WaitUntil([&] { return HeldOnService() == 1; }, 3000));
    // A short pause keeps it.
    Session().PauseResume();
    ASSERT_TRUE(Session().IsPaused());
    WaitMs(150);
    Session().PauseResume();
    WaitMs(500);
    EXPECT_EQ(HeldOnService(), 1);
    EXPECT_EQ(Taken(), 1u);
    // A long one lets it go, and the resume takes it again.
    Session().PauseResume();
    ASSERT_TRUE(WaitUntil([&] { return HeldOnService() == 0; }, 3000));
    EXPECT_EQ(inhibitor->Held(), CSleepInhibitor::Holder::None);
    EXPECT_TRUE(Recording());
    Session().PauseResume();
    ASSERT_TRUE(WaitUntil([&] { return HeldOnService() == 1; }, 3000));
    EXPECT_EQ(Taken(), 2u);
    Session().Stop();
    EXPECT_TRUE(WaitUntil([&] { return HeldOnService() == 0; }, 3000));
}

TEST_P(SleepInhibitor, ReleasedWhenTheRecordingEndsByErrorOrTheProgramEnds)
{
    auto inhibitor = Inhibitor();
    m_input.vanishAfterMs = 400;
    ASSERT_TRUE(Session().Record());
    ASSERT_TRUE(WaitUntil([&] { return HeldOnService() == 1; }, 3000));
    ASSERT_TRUE(WaitUntil([&] { return m_messages.Count() == 1; }, 5000)); // the session's own, about the lost input
    EXPECT_FALSE(Session().RecordingRuns());
    EXPECT_TRUE(WaitUntil([&] { return HeldOnService() == 0; }, 3000));

    m_input.vanishAfterMs = -1;
    ASSERT_TRUE(Session().Record());
    ASSERT_TRUE(WaitUntil([&] { return HeldOnService() == 1 && inhibitor->Held() == Expected(); }, 3000));
    inhibitor.reset();
    EXPECT_TRUE(WaitUntil([&] { return HeldOnService() == 0; }, 3000));

    // Ended while its request is still on its way.
    Session().Stop();
    inhibitor = Inhibitor();
    Defer();
    ASSERT_TRUE(Session().Record());
    ASSERT_TRUE(WaitUntil([&] { return Taken() == 3; }, 3000));
    inhibitor.reset();
    SendDeferred();
    WaitMs(300);
    EXPECT_EQ(HeldOnService(), 0);
}

INSTANTIATE_TEST_SUITE_P(Desktops, SleepInhibitor,
                         ::testing::Values(Desktop::Portal, Desktop::NoPortal, Desktop::PortalWithoutInhibit),
                         [](const auto& info) { return DesktopName(info.param); });

// No portal's Inhibit, and logind missing or refusing: each is asked once.
class NoInhibitor : public PortalServices, public ::testing::WithParamInterface<bool> {};

TEST_P(NoInhibitor, NothingIsSaidAndRecordingWorks)
{
    const bool logindRefuses = GetParam();
    Portal({.inhibit = false});
    if (logindRefuses)
        Logind().refuse = true;
    auto inhibitor = Inhibitor();
    QSignalSpy changed(inhibitor.get(), &CSleepInhibitor::HeldChanged);
    ASSERT_TRUE(Session().Record());
    const std::string file = Session().State().file;
    WaitMs(600); // several ticks, each publishing the state
    EXPECT_TRUE(Recording());
    EXPECT_EQ(inhibitor->Held(), CSleepInhibitor::Holder::None);
    EXPECT_TRUE(changed.isEmpty());
    EXPECT_EQ(m_portal->CallsTo(kInhibit, "Inhibit").size(), 1u);
    if (logindRefuses) {
        EXPECT_EQ(m_logind->calls.size(), 1u);
    }
    Session().Stop();
    ExpectFinishedPcm(file, 44100 / 4);
    EXPECT_EQ(m_messages.Count(), 0u);
    // The next recording asks again.
    if (logindRefuses) {
        ASSERT_TRUE(Session().Record());
        EXPECT_TRUE(WaitUntil([&] { return m_logind->calls.size() == 2; }, 3000));
    }
}

INSTANTIATE_TEST_SUITE_P(Desktops, NoInhibitor, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "LogindRefuses" : "NoLogind"); });

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CRecorderApp.h"

#include "app/CBackgroundPreload.h"
#include "app/CDisplayLossGuard.h"
#include "app/CGlobalShortcuts.h"
#include "app/CQtEngineHost.h"
#include "app/CRemoteControl.h"
#include "app/CSignalWatcher.h"
#include "app/CSingleInstance.h"
#include "app/CSleepInhibitor.h"
#include "common/MessageBoxes.h"
#include "engine/MessageStyle.h"
#include "library/RecordingNames.h"
#include "panel/CRecorderDlg.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {
// Prints start-up events for the process tests.
void Trace(const char* what)
{
    if (std::getenv("VELLORY_TRACE")) {
        std::fprintf(stderr, "vellory: %s\n", what);
        std::fflush(stderr);
    }
}
// Ends the panel once it has painted for the first time: the start-up
// benchmark times the whole process up to that moment.
class QuitAfterFirstPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_bDone) {
            m_bDone = true;
            Trace("first paint");
            QTimer::singleShot(0, watched, [watched] { static_cast<QDialog*>(watched)->done(0); });
        }
        return false;
    }

private:
    bool m_bDone = false;
};

// While the program ends for the system or the session, nobody may be there
// to answer a message box: what it would say goes to the error output, and a
// question gets the answer that changes nothing.
int PrintInsteadOfBox(const QString& text, unsigned style)
{
    std::fprintf(stderr, "vellory: message box: %s\n", qPrintable(QString(text).replace('\n', ' ')));
    std::fflush(stderr);
    return style == MB_YESNO_QUESTION ? IDNO : IDOK;
}

// Set once the run is ending.
bool g_ending = false;

// Ends the run from the event loop. The panel may be inside a nested event
// loop (a dialog, a message box, a menu), perhaps in the middle of one of the
// session's commands; ending every loop lets that code finish first, and the
// panel is ended once its own exec has returned (see InitInstance).
void EndRun(const char* why)
{
    if (g_ending)
        return;
    g_ending = true;
    Trace(why);
    SetMessageBoxHook(&PrintInsteadOfBox);
    QCoreApplication::exit(0);
}

// The session manager's "die" (and any other quit request) arrives as a Quit
// event to the application; the run ends the same way as for a signal.
class QuitWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance())
            EndRun("quit requested");
        return false;
    }
};
} // namespace

bool CRecorderApp::InitInstance()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));

    CSingleInstance instance(QString::fromLatin1(kPanelInstanceKey));
    const bool showOnly = m_request.verb == CRemoteCommand::Verb::Show;
    if (!(showOnly ? instance.Acquire() : instance.Acquire(m_request))) {
        Trace("handed over to the running panel");
        if (!showOnly)
            m_exitStatus = instance.Answer().Report();
        return false;
    }

    static CQtEngineHost host;
    SetEngineHost(&host);

    PrepareRecordings();

    // Termination signals from here on; one that came before the panel runs
    // waits in the watcher's pipe and ends the run as soon as it starts.
    CSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &CSignalWatcher::terminationRequested, [](int signalNumber) {
        std::fprintf(stderr, "vellory: signal %d received, ending\n", signalNumber);
        std::fflush(stderr);
        EndRun("termination signal");
    });
    QuitWatcher quitWatcher;
    QCoreApplication::instance()->installEventFilter(&quitWatcher);
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &quitWatcher,
                     [] { EndRun("quit requested"); });

    CRecorderDlg panel;
    // The desktop-wide Record/Stop shortcut, asked for once the panel shows,
    // and no sleep while a recording runs.
    CGlobalShortcuts globalShortcuts(panel.Session());
    if (!std::getenv("VELLORY_QUIT_AFTER_FIRST_PAINT"))
        globalShortcuts.StartAfterFirstPaint(&panel);
    CSleepInhibitor sleepInhibitor(panel.Session());
    // The session manager asks the program to save its work (at logout, or
    // for a checkpoint of the session): the recording is finished as STOP
    // finishes it. Qt asks not to quit here; the quit, if it comes, follows.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &panel, [&panel](QSessionManager&) {
        Trace("session manager: commit data");
        panel.Session()->Stop();
    });
    // A lost display ends the process from inside Qt; the hook finishes the
    // recording first. It runs where the panel may be in the middle of
    // anything, but nothing up the stack runs again afterwards.
    CDisplayLossGuard::SetHook([&panel] {
        SetMessageBoxHook(&PrintInsteadOfBox);
        panel.Session()->Shutdown();
    });
    if (std::getenv("VELLORY_QUIT_AFTER_FIRST_PAINT"))
        panel.installEventFilter(new QuitAfterFirstPaint(&panel));
    // Libraries and the sound server's connection, after the first paint (not
    // in a run that ends there, nor where VELLORY_NO_PRELOAD asks not to).
    CBackgroundPreload preload;
    if (!std::getenv("VELLORY_QUIT_AFTER_FIRST_PAINT") && !std::getenv("VELLORY_NO_PRELOAD"))
        panel.installEventFilter(&preload);
    QObject::connect(&instance, &CSingleInstance::showRequested, &panel, [&panel](const QString& token) {
        Trace("show requested");
        panel.ShowFromOtherCopy(token);
    });
    // Remote commands (vellory --record, ...) act on the session as the
    // panel's buttons do.
    CRemoteControl remote(
        panel.Session(), [&panel](int stopAfterSeconds) { return panel.Session()->Record(stopAfterSeconds); },
        [&panel](const QString& token) { panel.ShowFromOtherCopy(token); }, &panel);
    instance.SetCommandHandler([&remote](const CRemoteCommand& command, const CSingleInstance::Reply& reply) {
        if (std::getenv("VELLORY_TRACE"))
            std::fprintf(stderr, "vellory: remote command %s\n", CRemoteCommand::Name(command.verb));
        // Once the run is ending, message boxes print instead of waiting for
        // a user; a command would take that away.
        if (g_ending)
            remote.SetClosing();
        remote.Execute(command, reply);
    });
    // A command given to this start, which found no panel running, is
    // carried out as soon as its own panel runs.
    if (!showOnly)
        QTimer::singleShot(0, &panel, [&remote, request = m_request] {
            remote.Execute(request, [](bool ok, const QString& text) {
                if (!ok) {
                    std::fprintf(stderr, "vellory: %s\n", qPrintable(text));
                    std::fflush(stderr);
                }
            });
        });
    Trace("panel running");
    panel.exec();
    // POWER, Enter and close ended the panel themselves; a signal or a quit
    // ended only its event loops, and ends the panel (with its recording) here.
    if (!panel.IsEnded())
        panel.done(PanelOk);
    instance.SetCommandHandler({});
    CDisplayLossGuard::SetHook({});
    QCoreApplication::instance()->removeEventFilter(&quitWatcher);
    SetEngineHost(nullptr);
    return false;
}

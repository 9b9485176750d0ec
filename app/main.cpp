// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "app/CDisplayLossGuard.h"
#include "app/CRecorderApp.h"
#include "app/CRemoteClient.h"
#include "app/CRemoteCommand.h"
#include "app/CSingleInstance.h"
#include "app/CTranslations.h"
#include "res/Version.h"

#include <QApplication>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {
void PrintUsage(FILE* to)
{
    std::fprintf(to,
                 "Usage: vellory [-h|--help] [--version] [COMMAND] [Qt options]\n"
                 "Opens the Vellory voice recorder panel; a second start brings the running\n"
                 "panel back into view. Arguments that are not options are ignored.\n"
                 "\n"
                 "  -h, --help  print this help and exit\n"
                 "  --version   print the version and exit\n"
                 "\n"
                 "Commands for the running panel (one at a time; where no panel runs, this\n"
                 "start opens one and carries the command out there):\n"
                 "  --record        start a recording\n"
                 "  --for MINUTES   with --record or --toggle: stop by itself after so many\n"
                 "                  minutes (decimals allowed; 0: no limit)\n"
                 "  --stop          stop the recording or the playback\n"
                 "  --pause         pause the recording\n"
                 "  --resume        resume the paused recording\n"
                 "  --toggle        stop what runs, otherwise start a recording\n"
                 "  --play          play the panel's current file\n"
                 "  --show          bring the panel into view\n"
                 "  --status        print one line: Idle, Recording mm:ss FILE,\n"
                 "                  Paused mm:ss FILE or Playing mm:ss FILE; where no panel\n"
                 "                  runs, print \"Not running\" and exit with status 3\n"
                 "A command exits with status 0 once the panel has carried it out, or with\n"
                 "status 1 and the panel's reason when it was refused or not answered within\n"
                 "10 seconds.\n"
                 "\n"
                 "Qt's own options (-platform, -display, -session, -style and the others of\n"
                 "every Qt program) are passed on to Qt. An unknown option is an error (exit\n"
                 "status 2). SIGTERM, SIGINT and SIGHUP finish a running recording and end\n"
                 "the program with status 0.\n"
                 "\n"
                 "Home page: %s\n",
                 kVelloryHomepage);
}

// Qt's options, which QApplication takes out of the arguments itself; with or
// without a second leading dash, as Qt accepts them. A session manager starts
// the program again with -session, so these must not be refused.
bool IsQtOptionWithValue(std::string_view name)
{
    for (std::string_view known : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                   "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "session", "display",
                                   "name", "style", "stylesheet"})
        if (name == known)
            return true;
    return false;
}
bool IsQtFlag(std::string_view name)
{
    for (std::string_view known : {"reverse", "testability", "widgetcount", "nograb", "dograb", "qdevel"})
        if (name == known)
            return true;
    return false;
}

constexpr int kRunPanel = -1;

int UsageError(const char* text, std::string_view what)
{
    std::fprintf(stderr, "vellory: %s '%.*s'\n", text, static_cast<int>(what.size()), what.data());
    PrintUsage(stderr);
    return 2;
}

// --for's minutes as seconds: a plain decimal number, 0 (no limit) or more.
int MinutesToSeconds(std::string_view text)
{
    const std::string value(text);
    if (value.empty() || value.find_first_not_of("0123456789.") != std::string::npos)
        return -1;
    char* end = nullptr;
    const double minutes = std::strtod(value.c_str(), &end);
    if (*end != '\0' || !std::isfinite(minutes) || minutes * 60 > CRemoteCommand::kMaxStopAfterSeconds)
        return -1;
    const long seconds = std::lround(minutes * 60);
    return minutes > 0 && seconds == 0 ? 1 : int(seconds);
}

// Answers the command line before Qt starts, so that help, the version and a
// wrong option need no display. Returns the exit status, or kRunPanel; a
// command for the panel is put into request.
int AnswerCommandLine(int argc, char** argv, CRemoteCommand& request, bool& remote)
{
    std::string_view forOption;
    int forSeconds = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            break; // what follows is not an option, and is ignored
        if (arg.size() < 2 || arg[0] != '-')
            continue; // not an option: ignored
        if (arg == "--version") {
            std::printf("Vellory %s\n", kVelloryVersion);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
        if (arg == "-h" || arg == "--help") {
            PrintUsage(stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
        if (arg == "--for" || arg.substr(0, 6) == "--for=") {
            std::string_view value;
            if (arg.size() > 5)
                value = arg.substr(6);
            else if (i + 1 < argc)
                value = argv[++i];
            else
                return UsageError("missing value for option", arg);
            forOption = arg;
            forSeconds = MinutesToSeconds(value);
            if (forSeconds < 0)
                return UsageError("not a number of minutes:", value);
            continue;
        }
        if (arg.substr(0, 2) == "--") {
            if (const std::optional<CRemoteCommand::Verb> verb = CRemoteCommand::FromName(arg.substr(2))) {
                if (remote)
                    return UsageError("only one command may be given; also got", arg);
                remote = true;
                request.verb = *verb;
                continue;
            }
        }
        std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
        const size_t equals = name.find('=');
        const bool hasValue = equals != std::string_view::npos;
        if (hasValue)
            name = name.substr(0, equals);
        if (IsQtOptionWithValue(name) && (hasValue || i + 1 < argc)) {
            if (!hasValue)
                ++i;
            continue;
        }
        if ((IsQtFlag(name) && !hasValue) || (name == "qmljsdebugger" && hasValue))
            continue;
        std::fprintf(stderr, "vellory: %s option '%.*s'\n", IsQtOptionWithValue(name) ? "missing value for" : "unknown",
                     static_cast<int>(arg.size()), arg.data());
        PrintUsage(stderr);
        return 2;
    }
    if (!forOption.empty()) {
        if (!remote || (request.verb != CRemoteCommand::Verb::Record && request.verb != CRemoteCommand::Verb::Toggle))
            return UsageError("only --record and --toggle take the option", forOption);
        request.stopAfterSeconds = forSeconds;
    }
    if (request.verb == CRemoteCommand::Verb::Show)
        if (const char* token = std::getenv("XDG_ACTIVATION_TOKEN"))
            request.token = CRemoteCommand::CleanToken(token);
    return kRunPanel;
}

// A command goes to the running panel before Qt starts: it needs no display
// and is quick from a desktop shortcut. Returns the exit status, or kRunPanel
// where no panel runs (and this start is to open one).
int SendToRunningPanel(const CRemoteCommand& request)
{
    CRemoteClient client;
    if (client.Ask(CSingleInstance::SocketPath(kPanelInstanceKey), request, CRemoteClient::kAnswerTimeoutMs) !=
        CRemoteClient::Result::NotRunning) {
        if (std::getenv("VELLORY_TRACE"))
            std::fprintf(stderr, "vellory: handed over to the running panel\n");
        return client.Report();
    }
    if (request.verb == CRemoteCommand::Verb::Status) {
        std::printf("Not running\n");
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 3 : 1;
    }
    return kRunPanel;
}
} // namespace

int main(int argc, char** argv)
{
    CRemoteCommand request;
    bool remote = false;
    if (const int status = AnswerCommandLine(argc, argv, request, remote); status != kRunPanel)
        return status;
    if (remote)
        if (const int status = SendToRunningPanel(request); status != kRunPanel)
            return status;
    // A full disk or a file-size limit must fail the write (and end the
    // recording with a message), not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // Before Qt connects to the display: a lost connection finishes the
    // recording instead of ending the process in the middle of it.
    CDisplayLossGuard::Install();
    // The panel's pixel art is scaled by nearest neighbour at any factor, so
    // a 125% or 150% desktop gets the size it asks for, not 100% or 200%.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication application(argc, argv);
    // Docks and Wayland compositors match the window to its desktop entry by this.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kVelloryAppId));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVelloryVersion));
    // The user's language, or English when there is no translation for it.
    CTranslations translations;
    translations.Load(CTranslations::LanguagesFromEnvironment());
    translations.Install();
    CRecorderApp app;
    app.SetRequest(request);
    app.InitInstance();
    return app.ExitStatus();
}

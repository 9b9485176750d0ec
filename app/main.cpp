// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "app/CDisplayLossGuard.h"
#include "app/CRecorderApp.h"
#include "app/CTranslations.h"
#include "res/Version.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {
void PrintUsage(FILE* to)
{
    std::fprintf(to,
                 "Usage: vellory [-h|--help] [--version] [Qt options]\n"
                 "Opens the Vellory voice recorder panel; a second start brings the running\n"
                 "panel back into view. Arguments that are not options are ignored.\n"
                 "\n"
                 "  -h, --help  print this help and exit\n"
                 "  --version   print the version and exit\n"
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

// Answers the command line before Qt starts, so that help, the version and a
// wrong option need no display. Returns the exit status, or kRunPanel.
int AnswerCommandLine(int argc, char** argv)
{
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
    return kRunPanel;
}
} // namespace

int main(int argc, char** argv)
{
    if (const int status = AnswerCommandLine(argc, argv); status != kRunPanel)
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
    app.InitInstance();
    return 0;
}

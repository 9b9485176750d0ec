#include "app/CRecorderApp.h"
#include "res/Version.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {
// --help and --version are answered before Qt starts, so they need no
// display; any other argument is ignored.
bool AnswerCommandLine(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Vellory %s\n", kVelloryVersion);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("Usage: vellory [--help] [--version]\n"
                        "Opens the Vellory voice recorder panel; a second start brings the running\n"
                        "panel back into view. Other arguments are ignored.\n"
                        "\n"
                        "  --help     print this help and exit\n"
                        "  --version  print the version and exit\n"
                        "\n"
                        "Home page: %s\n",
                        kVelloryHomepage);
            return true;
        }
    }
    return false;
}
} // namespace

int main(int argc, char** argv)
{
    if (AnswerCommandLine(argc, argv))
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    // A full disk or a file-size limit must fail the write (and end the
    // recording with a message), not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // The panel's pixel art is scaled by nearest neighbour at any factor, so
    // a 125% or 150% desktop gets the size it asks for, not 100% or 200%.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication application(argc, argv);
    // Docks and Wayland compositors match the window to its desktop entry by this.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kVelloryAppId));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVelloryVersion));
    CRecorderApp app;
    app.InitInstance();
    return 0;
}

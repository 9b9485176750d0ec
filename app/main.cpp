#include "app/CRecorderApp.h"

#include <QApplication>

#include <csignal>

int main(int argc, char** argv)
{
    // A full disk or a file-size limit must fail the write (and end the
    // recording with a message), not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // The panel is pixel art: scale it by whole multiples only.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    QApplication application(argc, argv);
    CRecorderApp app;
    app.InitInstance();
    return 0;
}

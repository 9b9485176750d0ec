#include "app/CRecorderApp.h"

#include <QApplication>

#include <csignal>

int main(int argc, char** argv)
{
    // A full disk or a file-size limit must fail the write (and end the
    // recording with a message), not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // The panel's pixel art is scaled by nearest neighbour at any factor, so
    // a 125% or 150% desktop gets the size it asks for, not 100% or 200%.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication application(argc, argv);
    CRecorderApp app;
    app.InitInstance();
    return 0;
}

#include "app/CRecorderApp.h"

#include <QApplication>

#include <csignal>

int main(int argc, char** argv)
{
    // A full disk or a file-size limit must fail the write (and end the
    // recording with a message), not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication application(argc, argv);
    CRecorderApp app;
    app.InitInstance();
    return 0;
}

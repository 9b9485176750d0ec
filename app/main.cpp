#include "app/CRecorderApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    CRecorderApp app;
    app.InitInstance();
    return 0;
}

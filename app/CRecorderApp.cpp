#include "CRecorderApp.h"

#include "app/CQtEngineHost.h"
#include "app/CSingleInstance.h"
#include "panel/CRecorderDlg.h"

#include <QCoreApplication>

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
} // namespace

bool CRecorderApp::InitInstance()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));

    CSingleInstance instance(QStringLiteral("vellory-panel"));
    if (!instance.Acquire()) {
        Trace("handed over to the running panel");
        return false;
    }

    static CQtEngineHost host;
    SetEngineHost(&host);

    CRecorderDlg panel;
    QObject::connect(&instance, &CSingleInstance::showRequested, &panel, [&panel] {
        Trace("show requested");
        panel.ShowFromOtherCopy();
    });
    Trace("panel running");
    panel.exec();
    SetEngineHost(nullptr);
    return false;
}

#include "CRecorderApp.h"

#include "app/CQtEngineHost.h"
#include "app/CSingleInstance.h"
#include "app/Settings.h"
#include "engine/CRecordingJournal.h"
#include "panel/CRecorderDlg.h"

#include <QCoreApplication>
#include <QEvent>
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

    // Recordings cut off by a crash or a power loss get their sizes back
    // before anything lists or plays them: exactly those the journal of
    // recordings in progress still names, however many recordings exist.
    CRecordingJournal::RepairListed();
    for (int category = 0; category <= 3; ++category)
        GetCategoryFolder(category); // made now, as before, so that the manager finds them

    CRecorderDlg panel;
    if (std::getenv("VELLORY_QUIT_AFTER_FIRST_PAINT"))
        panel.installEventFilter(new QuitAfterFirstPaint(&panel));
    QObject::connect(&instance, &CSingleInstance::showRequested, &panel, [&panel](const QString& token) {
        Trace("show requested");
        panel.ShowFromOtherCopy(token);
    });
    Trace("panel running");
    panel.exec();
    SetEngineHost(nullptr);
    return false;
}

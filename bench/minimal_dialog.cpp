// The start-up peer: the smallest Qt dialog program, ended after its first
// paint exactly like the recorder's benchmark run.
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {
class QuitAfterFirstPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_bDone) {
            m_bDone = true;
            QTimer::singleShot(0, watched, [watched] { static_cast<QDialog*>(watched)->done(0); });
        }
        return false;
    }

private:
    bool m_bDone = false;
};
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Minimal"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Hello"), &dialog));
    dialog.installEventFilter(new QuitAfterFirstPaint(&dialog));
    return dialog.exec();
}

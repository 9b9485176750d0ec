// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The start-up and memory peer: the smallest Qt dialog program. With
// VELLORY_QUIT_AFTER_FIRST_PAINT set it ends after its first paint, exactly
// like the recorder's start-up run; otherwise it stays open (memory).
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>

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
    if (std::getenv("VELLORY_QUIT_AFTER_FIRST_PAINT"))
        dialog.installEventFilter(new QuitAfterFirstPaint(&dialog));
    return dialog.exec();
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "MessageBoxes.h"

#include "engine/MessageStyle.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {
std::mutex g_hookMutex;
TitledMessageBoxHook g_hook;

int ShowOnThisThread(const QString& text, unsigned style, QWidget* parent)
{
    TitledMessageBoxHook hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_hook;
    }
    const QString title = MessageBoxTitle();
    if (hook)
        return hook(title, text, style);
    // The process tests read what the user is told.
    if (std::getenv("VELLORY_TRACE")) {
        std::fprintf(stderr, "vellory: message box: %s\n", qPrintable(QString(text).replace('\n', ' ')));
        std::fflush(stderr);
    }

    if (!parent)
        parent = QApplication::activeWindow();
    // A box raised during a long operation (a listing under the wait cursor)
    // is answered with the ordinary pointer.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    struct RestoreCursor {
        bool active;
        ~RestoreCursor()
        {
            if (active)
                QApplication::restoreOverrideCursor();
        }
    } restore{busy};
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (style) {
    case MB_ICONSTOP: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_YESNO_QUESTION: box.setIcon(QMessageBox::Question); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    if (style == MB_YESNO_QUESTION) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return IDOK;
}
} // namespace

QString MessageBoxTitle() { return QString::fromLatin1(kProgramName); }

int ShowMessageBox(const QString& text, unsigned style, QWidget* parent)
{
    auto* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return ShowOnThisThread(text, style, parent);
    int result = IDOK;
    QMetaObject::invokeMethod(
        app, [&] { result = ShowOnThisThread(text, style, nullptr); }, Qt::BlockingQueuedConnection);
    return result;
}

void SetMessageBoxHook(MessageBoxHook hook)
{
    if (!hook) {
        SetTitledMessageBoxHook({});
        return;
    }
    SetTitledMessageBoxHook(
        [hook = std::move(hook)](const QString&, const QString& text, unsigned style) { return hook(text, style); });
}

void SetTitledMessageBoxHook(TitledMessageBoxHook hook)
{
    std::lock_guard lock(g_hookMutex);
    g_hook = std::move(hook);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CDisplayLossGuard.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {
QtMessageHandler g_previous = nullptr;
bool g_installed = false;
std::mutex g_hookMutex;
std::function<void()> g_hook;
std::atomic<bool> g_ending{false};    // the interface thread runs the hook
std::atomic<bool> g_requested{false}; // another thread asked it to

void PassOn(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_previous)
        g_previous(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

void EndProcess(int status)
{
    std::fflush(stdout);
    std::fflush(stderr);
    // Not exit(): static destructors and atexit handlers would run while Qt's
    // objects (and their dead display connection) are still in use up the stack.
    _exit(status);
}

// Runs on the interface thread: finishes what the hook finishes, then ends
// the process. Never returns.
void EndOnInterfaceThread()
{
    if (g_ending.exchange(true)) {
        // The hook itself ran into the lost display again. It cannot be
        // resumed; the journal lets the next start repair an unfinished file.
        std::fprintf(stderr, "vellory: the display connection was lost while finishing; exiting\n");
        EndProcess(1);
    }
    std::function<void()> hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_hook;
    }
    if (hook)
        hook();
    std::fprintf(stderr, "vellory: the display connection was lost; the recording was finished\n");
    EndProcess(0);
}

bool Armed()
{
    std::lock_guard lock(g_hookMutex);
    return static_cast<bool>(g_hook);
}

void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    PassOn(type, context, message);
    if (type == QtDebugMsg || type == QtInfoMsg || !CDisplayLossGuard::IsConnectionLoss(message) || !Armed())
        return;
    auto* app = QCoreApplication::instance();
    if (!app)
        return;
    if (QThread::currentThread() == app->thread())
        EndOnInterfaceThread();
    // Another thread saw the loss; the recording belongs to the interface
    // thread, which is asked to finish it. Qt ends the process as soon as this
    // handler returns, so this thread waits meanwhile; if the interface thread
    // does not get to it in time (it may be waiting on this one), Qt's own
    // exit follows and the journal covers the file.
    if (!g_requested.exchange(true))
        QMetaObject::invokeMethod(app, [] { EndOnInterfaceThread(); }, Qt::QueuedConnection);
    for (int i = 0; i < 100; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
}
} // namespace

void CDisplayLossGuard::Install()
{
    if (g_installed)
        return;
    g_installed = true;
    g_previous = qInstallMessageHandler(&OnMessage);
}

void CDisplayLossGuard::SetHook(std::function<void()> hook)
{
    std::lock_guard lock(g_hookMutex);
    g_hook = std::move(hook);
}

bool CDisplayLossGuard::IsConnectionLoss(const QString& message)
{
    return message.startsWith(QLatin1String("The X11 connection broke")) ||
           message.startsWith(QLatin1String("The Wayland connection broke")) ||
           message.startsWith(QLatin1String("The Wayland connection experienced a fatal error"));
}

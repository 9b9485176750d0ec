// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// A display server that goes away must not take a recording with it. Qt's
// platform plugins notice a broken connection, log a warning and end the
// process at once: xcb calls exit(1) ("The X11 connection broke (error N).
// Did the X11 server die?" from its event processing, or "The X11 connection
// broke: ..." from Xlib's I/O error handler, which then exits), wayland calls
// _exit ("The Wayland connection broke. Did the Wayland compositor die?" or
// "The Wayland connection experienced a fatal error: ..."). Nothing of the
// program runs after that warning, so the guard is a message handler: it
// recognises the warning, runs the application's hook (which finishes the
// recording) and ends the process with status 0 before Qt can end it.
// The warning may come from a thread of the plugin's own (wayland reads its
// events on one): the hook still runs on the interface thread, while that
// thread waits. Logging rules that silence the default category's warnings
// (QT_LOGGING_RULES="default.warning=false") also silence the guard.
#include <QString>

#include <functional>

class CDisplayLossGuard {
public:
    // Installs the message handler in front of the one in force; other
    // messages pass through unchanged. Call once, before QApplication.
    static void Install();

    // What to do when the display is lost; runs on the interface thread and
    // must not need the display. An empty function disarms the guard: Qt then
    // ends the process as it would without it.
    static void SetHook(std::function<void()> hook);

    // True for the warnings with which Qt announces a lost display connection.
    static bool IsConnectionLoss(const QString& message);
};

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CSignalWatcher.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The pipe lives for the rest of the process once made: a handler already
// running on another thread when a watcher goes must never write into a
// closed (or reused) descriptor, nor into a pipe without a reader (SIGPIPE).
int g_pipe[2] = {-1, -1};
std::atomic<int> g_writeEnd{-1};

bool MakePipe()
{
    if (g_pipe[0] >= 0)
        return true;
    // Both ends non-blocking: a full pipe already holds a pending request, and
    // the reader drains it without waiting.
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return false;
    }
    g_writeEnd.store(g_pipe[1]);
    return true;
}
} // namespace

CSignalWatcher::CSignalWatcher(QObject* parent)
    : QObject(parent)
{
    if (!MakePipe()) {
        std::fprintf(stderr, "vellory: cannot watch for termination signals: %s\n", std::strerror(errno));
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CSignalWatcher::OnReadable);

    struct sigaction action = {};
    action.sa_handler = &CSignalWatcher::OnSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls elsewhere (the sound server's, file writes)
    // carry on instead of failing with EINTR.
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        struct sigaction current = {};
        if (sigaction(kSignals[i], nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        m_installed[i] = sigaction(kSignals[i], &action, &m_previous[i]) == 0;
    }
}

CSignalWatcher::~CSignalWatcher()
{
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        if (m_installed[i])
            sigaction(kSignals[i], &m_previous[i], nullptr);
    }
}

void CSignalWatcher::OnSignal(int signalNumber)
{
    // Only async-signal-safe calls here: one byte into the pipe.
    const int savedErrno = errno;
    const int fd = g_writeEnd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = savedErrno;
}

void CSignalWatcher::OnReadable()
{
    unsigned char bytes[64];
    for (;;) {
        const ssize_t n = read(g_pipe[0], bytes, sizeof bytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i)
            emit terminationRequested(bytes[i]);
    }
}

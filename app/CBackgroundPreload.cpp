// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CBackgroundPreload.h"

#include "platform/LoadOnDemand.h"
#include "platform/pulse/CPulseConnection.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int kServerTimeoutMs = 5000;
// After the first press: long enough for that press's own REC to have its
// stream (the library loader's lock is held while FFmpeg loads), far shorter
// than the way to a first PLAY.
constexpr int kCodecDelayMs = 300;

void Trace(const char* what, bool ok)
{
    if (std::getenv("VELLORY_TRACE")) {
        std::fprintf(stderr, "vellory: preloaded %s%s\n", what, ok ? "" : " (failed)");
        std::fflush(stderr);
    }
}
} // namespace

CBackgroundPreload::CBackgroundPreload(QObject* parent)
    : QObject(parent)
{
}

CBackgroundPreload::~CBackgroundPreload()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
    if (m_connection.joinable())
        m_connection.join();
    if (m_codecs.joinable())
        m_codecs.join();
}

bool CBackgroundPreload::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Paint && !m_bConnectionStarted && watched != QCoreApplication::instance()) {
        m_bConnectionStarted = true;
        watched->removeEventFilter(this);
        // After this paint has reached the screen: the next turn of the loop.
        QTimer::singleShot(0, this, [this] { StartConnection(); });
        // Presses go to the panel's buttons and dialogs: watch them all.
        if (QCoreApplication* app = QCoreApplication::instance())
            app->installEventFilter(this);
    } else if ((type == QEvent::MouseButtonPress || type == QEvent::KeyPress) && !m_bCodecsAsked) {
        m_bCodecsAsked = true;
        QTimer::singleShot(kCodecDelayMs, this, [this] { StartCodecs(); });
        QCoreApplication::instance()->removeEventFilter(this);
    }
    return false;
}

void CBackgroundPreload::StartConnection()
{
    if (m_connection.joinable())
        return;
    m_connection = std::thread([this] {
        // The virtual devices need no server.
        const char* audio = std::getenv("VELLORY_AUDIO");
        if (!audio || !*audio || std::strcmp(audio, "pulse") == 0)
            Trace("sound server connection", CPulseConnection::Preload(kServerTimeoutMs) == PulseError::None);
        m_bConnectionDone = true;
    });
}

void CBackgroundPreload::StartCodecs()
{
    if (m_codecs.joinable())
        return;
    m_codecs = std::thread([this] {
        Trace("codecs", LoadFfmpegOnDemand());
        m_bCodecsDone = true;
    });
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Loads in the background what the first REC or PLAY would otherwise load
// after the click, so that they start as quickly as later ones:
// - once the panel has painted for the first time: libpulse, and a
//   connection to the sound server (a context without any stream, so no
//   microphone indicator lights);
// - at the user's first press of a mouse button or key in the program:
//   FFmpeg, which only PLAY and the compressed formats need. Loaded at start-up
//   it would keep some 19 MB of its libraries resident in a panel that is
//   never used; PLAY cannot be the first press (a fresh panel offers only
//   REC), so FFmpeg is in place before it.
// Installed as an event filter on the panel; nothing here delays the first
// paint, and what fails is only tried again by the REC or PLAY that needs it,
// which then reports it.
#include <QObject>

#include <atomic>
#include <thread>

class CBackgroundPreload : public QObject {
public:
    explicit CBackgroundPreload(QObject* parent = nullptr);
    // Waits for the workers (at most one connect time-out, at exit).
    ~CBackgroundPreload() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    // Start the two stages now; each runs once.
    void StartConnection();
    void StartCodecs();
    bool ConnectionDone() const { return m_bConnectionDone.load(); }
    bool CodecsDone() const { return m_bCodecsDone.load(); }

private:
    std::thread m_connection;
    std::thread m_codecs;
    bool m_bConnectionStarted = false;
    bool m_bCodecsAsked = false;
    std::atomic<bool> m_bConnectionDone{false};
    std::atomic<bool> m_bCodecsDone{false};
};

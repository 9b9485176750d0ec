// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The one connected context that capture and playback share for the life of
// the process. Connecting costs a round trip or more to the server (several on
// PipeWire), which the first REC or PLAY would otherwise pay after the click;
// kept connected, a stream is all that is left to make. A context alone opens
// no stream, so no microphone indicator lights while the program is idle.
//
// A context that failed (the server restarted or went away) is dropped
// quietly and a new one connected at the next Acquire; streams still holding
// the old one keep it alive until they close.
#include "platform/pulse/CPulseContext.h"

#include <functional>
#include <memory>

class CPulseConnection {
public:
    // The shared context, connected now unless a ready one is kept. Waits at
    // most `timeoutMs` (negative: no limit) for the server, and gives up as
    // soon as `cancelled` returns true. Another thread already connecting is
    // waited for and its context shared. Any thread but a loop's own.
    static PulseError Acquire(std::shared_ptr<CPulseContext>& context, int timeoutMs,
                              const std::function<bool()>& cancelled = {});
    // Loads libpulse and connects in advance, for a worker thread after start-up;
    // failures are only remembered by what the next Acquire does.
    static PulseError Preload(int timeoutMs);
    // The kept context, without connecting (null when none is kept).
    static std::shared_ptr<CPulseContext> Kept();
    // Drops the kept context (disconnected once no stream holds it).
    static void Drop();
    // libpulse's error number of the last connect that failed (PA_OK if none).
    static int LastConnectErrno();
    // How many contexts have been connected so far.
    static unsigned Connections();
};

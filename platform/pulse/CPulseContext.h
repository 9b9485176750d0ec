// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// PulseAudio (and PipeWire's PulseAudio service): the connection to the sound
// server that the capture and playback backends share. This folder holds only
// that connection: a threaded main loop with its context, the connect with a
// time-out, the waits for an operation's end under the loop's lock, and the
// translation of libpulse's error numbers into a neutral set that each backend
// maps to its own codes. The streams themselves stay with their backends
// (platform/capture/CPulseWaveIn, platform/playback/CPulseOutput).
#include <pulse/pulseaudio.h>

#include <functional>
#include <string>

// What went wrong, independent of the caller's error codes.
enum class PulseError {
    None,
    NoServer,     // no server, connection refused or lost, a time-out, no such device
    BadFormat,    // the server cannot handle the sample format
    Busy,         // busy, access denied, already there
    InvalidParam, // a bad argument or state
    NoMemory,     // the loop or context could not be made
    Cancelled,    // the caller gave up while waiting
    LibraryMissing, // libpulse cannot be loaded: LastMissingLibraryText() says why
    Other,
};

class CPulseContext {
public:
    CPulseContext() = default;
    ~CPulseContext() { Disconnect(); }
    CPulseContext(const CPulseContext&) = delete;
    CPulseContext& operator=(const CPulseContext&) = delete;

    // LibraryMissing unless libpulse is loaded (or loads now). Every backend
    // calls this before its first libpulse function; Create does too.
    static PulseError LoadClientLibrary();
    // Makes the main loop and the context (nothing runs yet). Other threads may
    // lock the loop from here on.
    PulseError Create(const char* clientName = "Vellory");
    // Connects the context (never spawning a server) and starts the loop; waits
    // until the context is ready, failed, `timeoutMs` ran out (negative: no
    // limit) or `cancelled` returned true. The loop is unlocked on return.
    PulseError Connect(int timeoutMs, const std::function<bool()>& cancelled = {});
    // Create and Connect in one.
    PulseError Open(int timeoutMs, const char* clientName = "Vellory");
    // Stops the loop and frees the context and the loop. The owner has released
    // its streams first. Not from the loop's own thread.
    void Disconnect();

    // Called on the loop's thread, loop locked, at every change of the
    // context's state (after which waiters are woken).
    void SetStateHandler(std::function<void(pa_context_state_t)> handler);

    pa_threaded_mainloop* Loop() const { return m_loop; }
    pa_context* Context() const { return m_context; }
    bool Exists() const { return m_loop != nullptr; }
    // Loop locked.
    bool IsReady() const;

    // BasicLockable over the loop's lock, for std::lock_guard and std::unique_lock.
    void lock() { pa_threaded_mainloop_lock(m_loop); }
    void unlock() { pa_threaded_mainloop_unlock(m_loop); }
    // Wakes the waiters; from the loop's thread or with the loop locked.
    void Signal() { pa_threaded_mainloop_signal(m_loop, 0); }
    // Loop locked: one wait for a signal.
    void Wait() { pa_threaded_mainloop_wait(m_loop); }
    // Loop locked: waits until `done` holds or `milliseconds` ran out
    // (negative: no limit); returns done().
    bool WaitFor(const std::function<bool()>& done, int milliseconds);

    // Loop locked: starts a stream operation through `start`, which gets the
    // completion callback and its data to pass on, and waits for its end. True
    // only when it ended in time and reported success.
    bool Complete(const std::function<pa_operation*(pa_stream_success_cb_t, void*)>& start, int milliseconds);
    // Loop locked: waits for an operation that reports through callbacks of its
    // own to leave the running state; unrefs it. False on a null operation or
    // a time-out (then it is cancelled).
    bool Finish(pa_operation* op, int milliseconds);

    // The context's last error, loop locked.
    int LastErrno() const;
    static PulseError Classify(int paError);
    static std::string ErrorText(int paError);

private:
    static void ContextState(pa_context* context, void* self);

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    std::function<void(pa_context_state_t)> m_stateHandler;
};

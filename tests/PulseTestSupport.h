#pragma once
// The real audio path in tests: a private PulseAudio server of the test's
// own (a null sink and a microphone on its monitor), pointing libpulse at it,
// and a tone played into its sink.
#include <string>

#include "TestSupport.h"

// A private server of our own, so that other tests playing into a shared
// sink at the same time cannot mix into what this test records.
class PrivateServer {
public:
    PrivateServer();
    ~PrivateServer() { Stop(); }
    void Stop();
    const std::string& Server() const { return m_server; }

private:
    TempDir m_dir;
    std::string m_server;
};

// Points libpulse (ours and the tools') at a server for the scope, and the
// program's capture at the real device.
class ServerScope {
public:
    explicit ServerScope(const std::string& server);
    ~ServerScope();

private:
    std::string m_old;
    bool m_had = false;
};

// Plays a 1000 Hz tone into the server's sink in the background and returns
// once the sink is rendering it (the null sink's monitor is silent, not just
// quiet, while nothing plays). Stopped by the destructor.
class Tone {
public:
    explicit Tone(double seconds);
    ~Tone();
    bool Playing() const { return m_playing; }

private:
    TempDir m_dir;
    std::string m_pidFile;
    bool m_playing = false;
};

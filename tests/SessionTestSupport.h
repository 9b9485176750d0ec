// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Helpers of the session tests, and of the panel tests over them: a fixture
// with private settings and virtual devices, the user's messages in the order
// they came (the engine's through its host, the session's through its Message
// signal), the button row of a state, and finished-file checks. Nothing here
// needs a widget: the session tests run on a core application.
#include "TestSupport.h"
#include "platform/capture/CVirtualWaveIn.h"
#include "session/CRecorderSession.h"

#include <QObject>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

// A HOME and a recording folder of the test's own, the virtual input (a
// 1 kHz sine at real speed, as m_input says) and the virtual output in place
// of the sound server's; every override is undone after the test.
class VirtualAudioTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    static void WaitMs(int ms);

    TempDir m_home;
    TempDir m_root;
    VirtualWaveInConfig m_input;
};

struct UserMessage {
    std::string text;
    unsigned style;
    bool fromEngine; // through the engine host, not the session's signal
};

// Installs itself as the engine host for its lifetime; Watch adds a session's
// messages and end requests. Create it before the session, as the program's
// host outlives its panel.
class SessionMessages : public CapturingHost {
public:
    void Watch(CRecorderSession& session);
    int MessageBox(const std::string& text, unsigned style) override;
    std::vector<UserMessage> All() const;
    size_t Count() const;
    // Runs while a session message is being delivered, as a box would be open.
    std::function<void()> onMessage;
    // How many messages had come when each EndRequested came.
    std::vector<size_t> endsAfter;

private:
    mutable std::mutex m_lock;
    std::vector<UserMessage> m_all;
    QObject m_context; // ends the connections with this object
};

// Enabled states of REC, STOP and PLAY.
struct EnabledButtons {
    bool rec, stop, play;
    bool operator==(const EnabledButtons&) const = default;
};
EnabledButtons ButtonsOf(const SessionState& state);
std::ostream& operator<<(std::ostream& out, const EnabledButtons& b);

// Header checks of a finished PCM file: sizes patched, 46-byte header, at
// least `minData` bytes of audio.
void ExpectFinishedPcm(const std::string& path, uint32_t minData);

// A PCM file of `seconds` of a 440 Hz tone at half scale, 22050 Hz mono 16-bit.
void WritePcmTone(const std::string& path, double seconds);

// Lets the event loop run until `done` or `ms` passed; the last answer of `done`.
bool WaitUntil(const std::function<bool()>& done, int ms);

// Delivers the playback notifications on their way, and what they queued.
void Settle();

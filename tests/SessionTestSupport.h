#pragma once
// Helpers of the session tests: the user's messages in the order they came
// (the engine's through its host, the session's through its Message signal),
// the button row of a state, and finished-file checks.
#include "TestSupport.h"
#include "session/CRecorderSession.h"

#include <QObject>

#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

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

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// One recording session of the panel, without any widget: the recorder and
// its format, pause and resume with their clock, the playback device with its
// position and seek, the polling timers, and the current file and category.
// Commands change it; every change is published as one SessionState through
// StateChanged, and what the user must be told comes out of Message, in order.
#include "engine/MessageStyle.h"
#include "platform/WaveFormat.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>

class CWaveRecorder;

enum class SessionMode : uint32_t {
    Recording = 1,
    Idle = 2,
    Playing = 3,
};

// The rows of the button table: which of REC, STOP and PLAY are enabled in
// each state the session can be in.
enum class ButtonRow {
    Created,    // a fresh session: only REC
    Idle,       // nothing runs: REC and PLAY
    Recording,  // a recording runs: only STOP
    Playing,    // the device plays: only STOP
    NotReady,   // the device is not ready: none
    FileOpened, // a file was opened: PLAY, the others unchanged
};

struct SessionState {
    SessionMode mode = SessionMode::Idle;
    // Enabled states of REC, STOP and PLAY.
    bool rec = true;
    bool stop = false;
    bool play = false;
    // The time the display shows: of the recording, or of the playback.
    uint32_t seconds = 0;
    // The playback bar: position within [rangeLow, rangeHigh], in ms.
    int32_t rangeLow = 0;
    int32_t rangeHigh = 100;
    int32_t position = 0;
    // While recording the bar shows the input's level instead.
    bool showLevel = false;
    float levelDb = -std::numeric_limits<float>::infinity();
    uint64_t levelSerial = 0; // counts the level readings, so a view applies each once
    bool paused = false;      // the time stands still and blinks
    std::string file;         // full path of the current recording or opened file
    int category = 0;         // 0 "New" to 3 "Personal"
    // The input has stayed below kNoInputDb (or sent only zeros) for
    // kNoInputMs of unpaused recording: the recording goes on, the user is warned.
    bool noInput = false;
    // Space was short at REC: while recording, the bar shows how much of the
    // space free at REC is used (0 to 1) instead of the level.
    bool showSpace = false;
    float spaceUsed = 0.0f;
    // In the last kCountdownSeconds of a recording with a time limit, the
    // seconds left (1 to 60); -1 otherwise. `seconds` stays the time recorded.
    int32_t secondsLeft = -1;
};

// How the session's user must end (a playback command failed).
enum class SessionEnd { Failed };

constexpr int kRecordingTickMs = 100;
// Quieter than this for kNoInputMs means nothing comes from the input (for
// capture buffers longer than half of that, two buffers' time).
constexpr float kNoInputDb = -60.0f;
constexpr int64_t kNoInputMs = 3000;
// REC asks first when the disk holds less than this much of the format.
constexpr int64_t kLowSpaceSeconds = 30 * 60;
// A recording with a time limit counts down its last minute.
constexpr int64_t kCountdownSeconds = 60;
constexpr int kPlaybackTickMs = 100;
// The session's two timers, as OnTimer knows them.
constexpr int IDT_RECORDING = 100;
constexpr int IDT_PLAYBACK = 101;

class CRecorderSession : public QObject {
    Q_OBJECT
public:
    explicit CRecorderSession(QObject* parent = nullptr);
    ~CRecorderSession() override;

    const SessionState& State() const { return m_state; }

    // ---- Commands. Each does nothing where the buttons would not allow it.
    // Starts a new recording in the current category. False when a recording
    // already runs or the recorder did not start (the engine said why).
    // stopAfterSeconds: -1 takes the "Stop after" setting, 0 records without
    // a limit, more ends the recording as STOP does once that much has been
    // recorded (time spent paused does not count).
    bool Record(int stopAfterSeconds = -1);
    // Stops the recording or the playback; with neither, only refreshes.
    void Stop();
    // Plays the current file from its start.
    bool Play();
    // Pauses a running recording, or resumes a paused one.
    void PauseResume();
    // While playing: moves the playback by deltaMs (clamped to the file), or
    // to its start. False when nothing plays.
    bool SeekBy(int64_t deltaMs);
    bool SeekToStart();
    // A file chosen elsewhere (the manager) becomes the current file; its
    // length in seconds is shown when known (negative: unknown).
    void OpenFile(const std::string& path, int64_t seconds);
    // Categories outside 0 to 3 are ignored.
    void SetCategory(int category);
    // Replaces the recording format (18 + cbSize bytes) for the next recording.
    void SetRecordFormat(const uint8_t* block, size_t size);
    const WAVEFORMATEX* RecordFormat() const;
    // Stops and releases everything; later commands do nothing. Runs once.
    void Shutdown();

    // ---- Queries.
    bool IsPaused() const { return m_bPaused; }
    // True while a recorder's device delivers audio (also when the writer has
    // refused audio and the next tick has not yet ended the recording).
    bool RecordingRuns() const;
    // A running recording that can still be paused (not refused by the writer).
    bool CanPause() const;
    bool IsEnded() const { return m_bEnded; }
    CWaveRecorder* Recorder() const { return m_pRecorder.get(); }
    uint32_t MciDeviceId() const { return m_mciDeviceId; }
    bool IsMciDeviceOpen() const { return m_bMciDeviceOpen; }
    bool IsRecordingTimerActive() const { return m_timerRecording.isActive(); }
    bool IsPlaybackTimerActive() const { return m_timerPlayback.isActive(); }

    // ---- Ticks, run by the timers; tests call them to step time.
    // Dispatches a timer by its id; an id that is neither says so.
    void OnTimer(int id);
    void OnRecordingTick();
    void RefreshPlaybackState();
    // A playback notification, delivered on the session's thread.
    void OnMciNotify(uint32_t code, uint32_t deviceId);

    // Bytes that a recording may still write in a folder; negative when not
    // known (then REC does not ask). Tests replace it; empty restores statvfs.
    using FreeSpaceFn = std::function<int64_t(const std::string& folder)>;
    void SetFreeSpaceFunction(FreeSpaceFn freeSpace);
    static int64_t FolderFreeBytes(const std::string& folder);
    // Asks the user a yes/no question before REC goes on (a full disk ahead);
    // true for yes. It may run a nested event loop. Without one, the answer is yes.
    using Asker = std::function<bool(const QString& question)>;
    void SetAsker(Asker asker) { m_asker = std::move(asker); }
    // Bytes a second of recording takes in the file; 0 when the format does not say.
    static uint32_t DataRate(const WAVEFORMATEX& format);

    // Calendar time in seconds for the recording clock; tests pin it.
    void SetClock(std::function<int64_t()> clock) { m_clock = std::move(clock); }
    // Monotonic milliseconds, for the time spent paused and the time without
    // input; tests pin it.
    void SetPauseClock(std::function<int64_t()> clock) { m_pauseClock = std::move(clock); }

signals:
    void StateChanged(const SessionState& state);
    // Something the user must see, with its message box style.
    void Message(const QString& text, unsigned style);
    // A failure after which the session's user must end (its message came first).
    void EndRequested(SessionEnd why);

private:
    void SetButtons(ButtonRow row);
    void Publish();
    int64_t RecordingSeconds() const;
    void EndPause();
    // Before a recording starts: true to go on. Asks when the category's
    // folder holds less than kLowSpaceSeconds of the format; freeAtStart
    // gets the free bytes when it asked, -1 otherwise.
    bool EnoughRoomOrGoAhead(int64_t& freeAtStart);
    // The tick's watch of a running, unpaused recording: silence, disk
    // space and the time limit. False when the time limit ended it.
    bool WatchRecording(float levelDb);
    void ClearWatch();
    // The tick's and STOP's answer to a recording the writer broke off.
    void EndRefusedRecording();
    QString RefusalText() const;
    void ReportMciError(uint32_t error, const char* name);
    bool SeekTo(int64_t targetMs, bool relative);
    void OnPlaybackNotify(uint32_t code, uint32_t deviceId);
    void ShowPlaybackStatus(uint32_t mode);
    void CloseDevice();

    SessionState m_state;
    std::unique_ptr<uint8_t[]> m_pRecordFormat;
    std::unique_ptr<CWaveRecorder> m_pRecorder;
    int64_t m_recordStart = 0;
    int64_t m_stopAfterSeconds = 0; // 0: the running recording has no limit
    int64_t m_lastSoundMs = 0;      // pause clock of the last reading at or above kNoInputDb
    int64_t m_noInputMs = kNoInputMs; // quiet this long is no input (longer with long buffers)
    int64_t m_freeAtStart = -1;     // bytes free at REC when space was short, else -1
    std::string m_spaceFolder;      // the folder whose space REC looked at
    bool m_bAsking = false;         // REC's question is open
    FreeSpaceFn m_freeSpace;
    Asker m_asker;
    uint32_t m_mciDeviceId = 0;
    bool m_bRecorderStarted = false; // the last recorder's Start returned 0
    bool m_bMciDeviceOpen = false;   // m_mciDeviceId names an open device
    bool m_bReportingError = false;  // a playback error is being reported
    bool m_bLossReported = false;    // the last recording's lost input was reported
    bool m_bEnded = false;
    std::function<int64_t()> m_clock;
    std::function<int64_t()> m_pauseClock;
    bool m_bPaused = false;     // the running recording is paused
    int64_t m_pausedMs = 0;     // time spent paused in this recording, pauses ended
    int64_t m_pauseStartMs = 0; // when the current pause began
    QTimer m_timerRecording;
    QTimer m_timerPlayback;
};

Q_DECLARE_METATYPE(SessionState)

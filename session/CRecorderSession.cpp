// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "session/CRecorderSession.h"

#include "common/EngineTexts.h"
#include "common/Settings.h"
#include "engine/CWaveRecorder.h"
#include "library/RecordingNames.h"
#include "platform/AudioBackends.h"
#include "platform/playback/MciWaveAudio.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <sys/statvfs.h>

CRecorderSession::CRecorderSession(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<SessionState>();
    m_clock = [] { return static_cast<int64_t>(std::time(nullptr)); };
    m_pauseClock = [] {
        return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
    };
    m_freeSpace = &CRecorderSession::FolderFreeBytes;
    m_timerRecording.setInterval(kRecordingTickMs);
    m_timerPlayback.setInterval(kPlaybackTickMs);
    connect(&m_timerRecording, &QTimer::timeout, this, [this] { OnTimer(IDT_RECORDING); });
    connect(&m_timerPlayback, &QTimer::timeout, this, [this] { OnTimer(IDT_PLAYBACK); });

    // The default format: PCM mono 22050 Hz 16-bit.
    const WAVEFORMATEX pcm = MakePcmFormat(1, 22050, 16);
    SetRecordFormat(reinterpret_cast<const uint8_t*>(&pcm), sizeof pcm);
    SetButtons(ButtonRow::Created);
}

CRecorderSession::~CRecorderSession()
{
    Shutdown();
}

void CRecorderSession::OnTimer(int id)
{
    switch (id) {
    case IDT_RECORDING: OnRecordingTick(); break;
    case IDT_PLAYBACK: RefreshPlaybackState(); break;
    default: emit Message(tr("Unknown timer reached!"), MB_OK); break;
    }
}

void CRecorderSession::Publish()
{
    emit StateChanged(m_state);
}

void CRecorderSession::SetButtons(ButtonRow row)
{
    // REC, STOP and PLAY are the only buttons that ever change. Keep leaves
    // that button as it is.
    enum Set : int8_t { Off, On, Keep };
    struct Row {
        Set rec, stop, play;
    };
    static constexpr Row kTable[] = {
        /* Created    */ {On, Off, Off},
        /* Idle       */ {On, Off, On},
        /* Recording  */ {Off, On, Off},
        /* Playing    */ {Off, On, Off},
        /* NotReady   */ {Off, Off, Off},
        /* FileOpened */ {Keep, Keep, On},
    };
    const Row& r = kTable[static_cast<int>(row)];
    auto apply = [](bool& enabled, Set set) {
        if (set != Keep)
            enabled = set == On;
    };
    apply(m_state.rec, r.rec);
    apply(m_state.stop, r.stop);
    apply(m_state.play, r.play);
}

const WAVEFORMATEX* CRecorderSession::RecordFormat() const
{
    return reinterpret_cast<const WAVEFORMATEX*>(m_pRecordFormat.get());
}

void CRecorderSession::SetRecordFormat(const uint8_t* block, size_t size)
{
    // Never shorter than the fixed part, so the recorder can always read it.
    auto copy = std::make_unique<uint8_t[]>(std::max(size, sizeof(WAVEFORMATEX)));
    std::memset(copy.get(), 0, std::max(size, sizeof(WAVEFORMATEX)));
    std::memcpy(copy.get(), block, size);
    m_pRecordFormat = std::move(copy);
}

void CRecorderSession::SetCategory(int category)
{
    if (category < 0 || category > 3 || m_bEnded)
        return;
    m_state.category = category;
    Publish();
}

void CRecorderSession::OpenFile(const std::string& path, int64_t seconds)
{
    if (m_bEnded)
        return;
    m_state.file = path;
    if (seconds >= 0)
        m_state.seconds = static_cast<uint32_t>(std::min<int64_t>(seconds, UINT32_MAX));
    SetButtons(ButtonRow::FileOpened);
    Publish();
}

void CRecorderSession::Shutdown()
{
    if (m_bEnded)
        return;
    m_bEnded = true;
    m_timerRecording.stop();
    m_timerPlayback.stop();
    // A running recording is stopped first, so its file is finished and no
    // device delivers audio into a released recorder.
    if (RecordingRuns()) {
        if (m_pRecorder->Finished())
            m_pRecorder->AbortAfterRefusal();
        else
            m_pRecorder->Stop();
    }
    m_pRecorder.reset();
    m_bRecorderStarted = false;
    CloseDevice();
    // Notifications already on their way are delivered before the session goes.
    MciWaitForNotifications();
    m_pRecordFormat.reset();
}

void CRecorderSession::CloseDevice()
{
    if (m_bMciDeviceOpen) {
        MciClose(m_mciDeviceId);
        m_bMciDeviceOpen = false;
    }
}

// ---- Recording ---------------------------------------------------------

bool CRecorderSession::RecordingRuns() const
{
    if (!m_pRecorder || !m_bRecorderStarted || !m_pRecorder->Started())
        return false;
    // The flag stays set after the writer refused audio, until the device is
    // closed: that recorder still holds an open device.
    if (m_pRecorder->IsRecording())
        return true;
    return !m_pRecorder->Finished();
}

bool CRecorderSession::CanPause() const
{
    return RecordingRuns() && !m_pRecorder->Finished();
}

int64_t CRecorderSession::FolderFreeBytes(const std::string& folder)
{
    struct statvfs info {};
    if (::statvfs(folder.empty() ? "." : folder.c_str(), &info) != 0)
        return -1;
    // What an unprivileged writer may use: the blocks kept for root do not count.
    return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

void CRecorderSession::SetFreeSpaceFunction(FreeSpaceFn freeSpace)
{
    m_freeSpace = freeSpace ? std::move(freeSpace) : FreeSpaceFn(&CRecorderSession::FolderFreeBytes);
}

uint32_t CRecorderSession::DataRate(const WAVEFORMATEX& format)
{
    // PCM's data rate follows from its frames; a compressed format states its own.
    if (format.wFormatTag == WAVE_FORMAT_PCM)
        return format.nSamplesPerSec * format.nBlockAlign;
    return format.nAvgBytesPerSec;
}

bool CRecorderSession::EnoughRoomOrGoAhead(int64_t& freeAtStart)
{
    freeAtStart = -1;
    const uint32_t rate = DataRate(*RecordFormat());
    if (rate == 0)
        return true;
    m_spaceFolder = GetCategoryFolder(m_state.category);
    const int64_t free = m_freeSpace(m_spaceFolder);
    if (free < 0 || free >= int64_t(rate) * kLowSpaceSeconds)
        return true;
    freeAtStart = free;
    const int64_t minutes = free / rate / 60;
    const QString question =
        minutes > 0 ? tr("There is room on the disk for only about %1 min of recording in this format.\n\n"
                         "Record anyway?")
                          .arg(minutes)
                    : tr("There is room on the disk for less than a minute of recording in this format.\n\n"
                         "Record anyway?");
    if (!m_asker)
        return true;
    // The question may run an event loop: a second REC meanwhile is refused.
    m_bAsking = true;
    const bool yes = m_asker(question);
    m_bAsking = false;
    return yes;
}

bool CRecorderSession::Record(int stopAfterSeconds)
{
    // A running recorder is never replaced: it would be cut off from STOP.
    if (m_bEnded || RecordingRuns() || m_bAsking)
        return false;
    // Asked before anything changes, so that "No" leaves the session as it was.
    int64_t freeAtStart = -1;
    if (!EnoughRoomOrGoAhead(freeAtStart) || m_bEnded || RecordingRuns())
        return false;
    // The timer of the last recording may still run (STOP leaves it to its
    // next tick): that tick is done now, and the timer must not poll the new
    // recorder, above all one whose Start fails and whose finish event is
    // never signalled.
    if (m_timerRecording.isActive() && m_bRecorderStarted)
        OnRecordingTick();
    m_timerRecording.stop();
    EndPause();
    m_pausedMs = 0;
    m_state.showLevel = false;
    m_pRecorder.reset();
    m_bRecorderStarted = false;
    m_bLossReported = false;
    ClearWatch();

    m_state.file = MakeRecordingName(m_state.category, RecordingExtension(RecordFormat()->wFormatTag));
    Publish();
    m_pRecorder = std::make_unique<CWaveRecorder>(m_state.file);
    m_pRecorder->SetInputDevice(GetInputDevice());
    if (m_pRecorder->Start(RecordFormat()) != WAVEREC_OK)
        return false; // the recorder has said why; the session stays as it was
    m_bRecorderStarted = true;
    m_timerRecording.start();
    m_state.mode = SessionMode::Recording;
    m_recordStart = m_clock();
    m_stopAfterSeconds = stopAfterSeconds < 0 ? int64_t(GetStopAfterMinutes()) * 60 : stopAfterSeconds;
    m_lastSoundMs = m_pauseClock();
    // Levels come with the capture buffers: a buffer longer than the quiet
    // time would itself look like silence, so the wait is at least two of them.
    const WAVEFORMATEX device = CWaveRecorder::DeviceFormat(*RecordFormat());
    const int64_t bufferMs =
        device.nAvgBytesPerSec ? int64_t(m_pRecorder->BufferSize()) * 1000 / device.nAvgBytesPerSec : 0;
    m_noInputMs = std::max(kNoInputMs, 2 * bufferMs);
    m_freeAtStart = freeAtStart;
    m_state.showSpace = freeAtStart >= 0;
    m_state.spaceUsed = freeAtStart == 0 ? 1.0f : 0.0f;
    m_state.showLevel = true;
    m_state.levelDb = -std::numeric_limits<float>::infinity();
    Publish();
    if (m_pRecorder->InputFellBack()) {
        // Said once the recording runs, so that no audio waits on the box.
        QTimer::singleShot(0, this, [this] {
            emit Message(tr("The chosen input device is not available. "
                            "Recording from the default input."),
                         MB_ICONEXCLAMATION);
        });
    }
    return true;
}

void CRecorderSession::Stop()
{
    if (m_bEnded)
        return;
    if (RecordingRuns()) {
        // STOP reaches a running recording whatever the mode says.
        if (m_pRecorder->Finished()) {
            EndRefusedRecording();
        } else {
            m_pRecorder->Stop();
            // The last write, the sync or the close itself can still fail
            // (a full disk, a network file system): the file is not safe.
            const CWavFile& file = m_pRecorder->GetWavFile();
            if (file.LastWriteError() == WavWriteError::DiskWrite)
                emit Message(tr("The recording could not be finished because the file could not be written:\n%1")
                                 .arg(QString::fromLocal8Bit(std::strerror(file.LastErrno()))),
                             MB_ICONSTOP);
        }
    } else if (m_state.mode != SessionMode::Recording && m_bMciDeviceOpen) {
        // Stopping the playback; with no device open there is nothing to stop.
        const uint32_t err = MciStop(m_mciDeviceId, [this](uint32_t code, uint32_t id) { OnPlaybackNotify(code, id); });
        ReportMciError(err, "MCI_STOP");
    }
    // In Recording mode with the recording already over, nothing is left to stop.
    EndPause();
    m_state.showLevel = false;
    ClearWatch();
    m_state.mode = SessionMode::Idle;
    RefreshPlaybackState();
    Publish();
}

QString CRecorderSession::RefusalText() const
{
    const CWavFile& file = m_pRecorder->GetWavFile();
    switch (file.LastWriteError()) {
    case WavWriteError::DiskWrite:
        return tr("The recording was stopped because the file could not be written:\n%1")
            .arg(QString::fromLocal8Bit(std::strerror(file.LastErrno())));
    case WavWriteError::OutOfMemory:
        return tr("The recording was stopped because there was not enough memory.");
    case WavWriteError::SizeLimit:
        return tr("The recording was stopped because the file reached the largest size a WAV file can hold.");
    case WavWriteError::ConversionBehind:
    case WavWriteError::None:
    default:
        return tr("Sorry, your system too slow to recording in selected format.");
    }
}

void CRecorderSession::EndRefusedRecording()
{
    // The reason is read before the device closes the file.
    const QString text = RefusalText();
    // Clears the flag before anything else, so ticks during the box only end the timer.
    m_pRecorder->AbortAfterRefusal();
    emit Message(text, MB_ICONSTOP);
}

void CRecorderSession::OnRecordingTick()
{
    if (!m_pRecorder || !m_pRecorder->Started()) {
        m_timerRecording.stop();
        return;
    }
    if (!m_pRecorder->WaitFinished(1)) {
        SetButtons(ButtonRow::Recording);
        // A paused time stands still (and blinks).
        const float peak = m_pRecorder->TakePeak();
        m_state.levelDb = peak > 0.0f ? 20.0f * std::log10(std::min(peak, 1.0f))
                                      : -std::numeric_limits<float>::infinity();
        ++m_state.levelSerial;
        if (!m_bPaused) {
            m_state.seconds = static_cast<uint32_t>(std::max<int64_t>(RecordingSeconds(), 0));
            if (!WatchRecording(m_state.levelDb))
                return;
        }
        Publish();
        return;
    }
    if (m_pRecorder->IsRecording())
        EndRefusedRecording(); // the writer refused audio: ended without STOP
    m_timerRecording.stop();
    EndPause();
    m_state.showLevel = false;
    ClearWatch();
    SetButtons(ButtonRow::Idle);
    Publish();
    // A recording whose input went away ended on its own; the user is told once.
    if (m_pRecorder && m_pRecorder->DeviceLost() && !m_bLossReported) {
        m_bLossReported = true;
        emit Message(tr("The recording was stopped because the sound input went away.\n"
                        "What was recorded until then is saved."),
                     MB_ICONSTOP);
    }
}

bool CRecorderSession::WatchRecording(float levelDb)
{
    // Silence: a tick without a buffer reads nothing, so only the time since
    // the last sound counts, not the quiet readings.
    const int64_t nowMs = m_pauseClock();
    if (levelDb >= kNoInputDb)
        m_lastSoundMs = nowMs;
    m_state.noInput = nowMs - m_lastSoundMs >= m_noInputMs;

    // Space: how much of what was free at REC is gone, whoever took it.
    if (m_freeAtStart > 0) {
        const int64_t freeNow = m_freeSpace(m_spaceFolder);
        if (freeNow >= 0)
            m_state.spaceUsed =
                static_cast<float>(std::clamp(1.0 - double(freeNow) / double(m_freeAtStart), 0.0, 1.0));
    }

    // The time limit counts recorded time only.
    if (m_stopAfterSeconds <= 0)
        return true;
    const int64_t left = m_stopAfterSeconds - RecordingSeconds();
    if (left <= 0) {
        // The time is up: the same end as STOP, not an error.
        Stop();
        return false;
    }
    m_state.secondsLeft = left <= kCountdownSeconds ? static_cast<int32_t>(left) : -1;
    return true;
}

void CRecorderSession::ClearWatch()
{
    m_state.noInput = false;
    m_state.showSpace = false;
    m_state.spaceUsed = 0.0f;
    m_state.secondsLeft = -1;
    m_stopAfterSeconds = 0;
    m_freeAtStart = -1;
}

int64_t CRecorderSession::RecordingSeconds() const
{
    int64_t pausedMs = m_pausedMs;
    if (m_bPaused)
        pausedMs += m_pauseClock() - m_pauseStartMs;
    // The wall clock counts whole seconds; the pauses are summed in
    // milliseconds and taken off to the nearest second, so that many short
    // pauses neither add nor lose time.
    return m_clock() - m_recordStart - (pausedMs + 500) / 1000;
}

void CRecorderSession::PauseResume()
{
    if (m_bEnded || !CanPause())
        return;
    if (!m_bPaused) {
        if (!m_pRecorder->Pause())
            return;
        m_bPaused = true;
        m_pauseStartMs = m_pauseClock();
        m_state.paused = true;
        // Nothing is expected from the input while paused.
        m_state.noInput = false;
    } else {
        if (!m_pRecorder->Resume())
            return;
        EndPause();
        m_lastSoundMs = m_pauseClock();
    }
    Publish();
}

void CRecorderSession::EndPause()
{
    if (!m_bPaused)
        return;
    m_bPaused = false;
    m_pausedMs += m_pauseClock() - m_pauseStartMs;
    m_state.paused = false;
}

// ---- Playback ----------------------------------------------------------

bool CRecorderSession::SeekBy(int64_t deltaMs)
{
    return SeekTo(deltaMs, true);
}

bool CRecorderSession::SeekToStart()
{
    return SeekTo(0, false);
}

bool CRecorderSession::SeekTo(int64_t targetMs, bool relative)
{
    if (m_state.mode != SessionMode::Playing || !m_bMciDeviceOpen || m_bEnded)
        return false;
    uint32_t mode = 0;
    if (MciStatus(m_mciDeviceId, MCI_STATUS_MODE, mode) != 0 || mode != MCI_MODE_PLAY)
        return false;
    uint32_t length = 0, position = 0;
    ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_LENGTH, length), "MCI_STATUS");
    ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_POSITION, position), "MCI_STATUS");
    if (m_bEnded)
        return true;
    const int64_t wanted = relative ? int64_t(position) + targetMs : targetMs;
    const auto from = static_cast<uint32_t>(std::clamp<int64_t>(wanted, 0, length));
    // Playing again from the new place supersedes the running play; its
    // notification only refreshes.
    ReportMciError(MciPlay(m_mciDeviceId, from, [this](uint32_t code, uint32_t id) { OnPlaybackNotify(code, id); }),
                   "MCI_PLAY");
    if (m_bEnded)
        return true;
    // The display follows at once, not at the next tick.
    m_state.rangeLow = 0;
    m_state.rangeHigh = static_cast<int32_t>(std::min<uint32_t>(length, INT32_MAX));
    m_state.position = static_cast<int32_t>(std::min<uint32_t>(from, INT32_MAX));
    m_state.seconds = from / 1000;
    Publish();
    return true;
}

void CRecorderSession::RefreshPlaybackState()
{
    if (m_state.mode == SessionMode::Recording || m_bEnded)
        return;
    if (m_state.mode == SessionMode::Idle) {
        SetButtons(ButtonRow::Idle);
        Publish();
        return;
    }
    // Playing: the device's mode decides.
    uint32_t mode = 0;
    ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_MODE, mode), "MCI_STATUS");
    if (m_bEnded)
        return;
    switch (mode) {
    case MCI_MODE_NOT_READY: SetButtons(ButtonRow::NotReady); break;
    case MCI_MODE_STOP: SetButtons(ButtonRow::Idle); break;
    case MCI_MODE_PLAY:
    case MCI_MODE_RECORD: SetButtons(ButtonRow::Playing); break;
    default: break;
    }
    ShowPlaybackStatus(mode);
    if (!m_bEnded)
        Publish();
}

void CRecorderSession::ShowPlaybackStatus(uint32_t mode)
{
    uint32_t length = 0, position = 0;
    if (mode == MCI_MODE_STOP) {
        ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_LENGTH, length), "MCI_STATUS");
        m_state.rangeLow = 0;
        m_state.rangeHigh = static_cast<int32_t>(std::min<uint32_t>(length, INT32_MAX));
        m_state.seconds = length / 1000;
    } else if (mode == MCI_MODE_PLAY || mode == MCI_MODE_RECORD) {
        ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_LENGTH, length), "MCI_STATUS");
        ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_POSITION, position), "MCI_STATUS");
        m_state.rangeLow = 0;
        m_state.rangeHigh = static_cast<int32_t>(std::min<uint32_t>(length, INT32_MAX));
        m_state.position = static_cast<int32_t>(std::min<uint32_t>(position, INT32_MAX));
        m_state.seconds = position / 1000;
    }
}

void CRecorderSession::OnPlaybackNotify(uint32_t code, uint32_t deviceId)
{
    // Called on a thread of the playback layer: handled on the session's.
    QMetaObject::invokeMethod(this, [this, code, deviceId] { OnMciNotify(code, deviceId); }, Qt::QueuedConnection);
}

void CRecorderSession::ReportMciError(uint32_t error, const char* name)
{
    if (error == 0 || m_bEnded)
        return;
    // A tick that fails while an earlier failure is being shown adds no second
    // report; the first ends the session once its message was seen.
    if (m_bReportingError)
        return;
    m_bReportingError = true;
    emit Message(QStringLiteral("%1:\n%2").arg(QString::fromLatin1(name), TranslateEngineText(MciGetErrorString(error))),
                 MB_OK);
    m_bReportingError = false;
    Shutdown();
    emit EndRequested(SessionEnd::Failed);
}

bool CRecorderSession::Play()
{
    // PLAY during a recording would cut the recording off from STOP.
    if (m_bEnded || RecordingRuns())
        return false;
    const std::string& path = m_state.file;
    if (path.empty())
        return false;
    if (path.size() >= PATH_MAX || path.find('\0') != std::string::npos) {
        emit Message(tr("The path of this file is too long to be played:\n%1").arg(QString::fromStdString(path)),
                     MB_ICONEXCLAMATION);
        return false;
    }
    // The device of an earlier PLAY is closed first, never leaked.
    CloseDevice();
    uint32_t id = 0;
    const uint32_t openError = MciOpenWaveAudio(path, id);
    if (openError == MCIERR_LIBRARY_MISSING) {
        // Nothing was opened: the panel stays, and PLAY works once the library is installed.
        emit Message(TranslateEngineText(MciGetErrorString(openError)), MB_ICONEXCLAMATION);
        return false;
    }
    ReportMciError(openError, "MCI_OPEN");
    if (m_bEnded)
        return false;
    m_mciDeviceId = id;
    m_bMciDeviceOpen = true;
    ReportMciError(MciSetTimeFormatMilliseconds(m_mciDeviceId), "MCI_SET");
    if (m_bEnded)
        return false;
    m_state.mode = SessionMode::Playing;
    ReportMciError(MciPlay(m_mciDeviceId, 0, [this](uint32_t code, uint32_t id) { OnPlaybackNotify(code, id); }),
                   "MCI_PLAY");
    if (m_bEnded)
        return false;
    m_timerPlayback.start();
    Publish();
    return true;
}

void CRecorderSession::OnMciNotify(uint32_t code, uint32_t deviceId)
{
    if (m_bEnded)
        return;
    // Notifications of a device that a later PLAY already closed change nothing:
    // they must not close the device now playing.
    if (deviceId == m_mciDeviceId && code == MCI_NOTIFY_SUCCESSFUL) {
        m_state.mode = SessionMode::Idle;
        CloseDevice();
        m_timerPlayback.stop();
    }
    RefreshPlaybackState();
}

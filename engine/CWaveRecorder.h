// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Records one WAV file from the default input: four capture buffers cycle
// through the wave-input device, each returned buffer's bytes go to the
// embedded CWavFile, and the finish event is signalled when the recording has
// ended.
#include "engine/CEvent.h"
#include "engine/CWavFile.h"
#include "platform/capture/IWaveIn.h"

class CWaveInDevice;
#include "platform/WaveFormat.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Start results.
constexpr uint32_t WAVEREC_OK = 0;
constexpr uint32_t WAVEREC_CREATE_FAILED = 0x1000;  // the writer's Create failed (it showed its message)
constexpr uint32_t WAVEREC_EVENT_FAILED = 0x1001;   // no finish event (no message)
constexpr uint32_t WAVEREC_OPEN_FAILED = 0x1002;    // the device did not open; the new file is deleted
constexpr uint32_t WAVEREC_BUFFER_FAILED = 0x1003;  // a capture buffer could not be made or queued
constexpr uint32_t WAVEREC_START_FAILED = 0x1004;   // capture did not start

constexpr int WAVEREC_DEFAULT_BUFFER = 10000;
constexpr uint32_t WAVEREC_MAX_BUFFER = 1000000; // one staging step of the writer
constexpr int WAVEREC_BUFFER_COUNT = 4;

class CWaveRecorder {
public:
    explicit CWaveRecorder(const std::string& path);
    // Stops and closes a device that still runs, so that no audio is ever
    // delivered into a released recorder; the writer then finishes its file.
    virtual ~CWaveRecorder();
    CWaveRecorder(const CWaveRecorder&) = delete;
    CWaveRecorder& operator=(const CWaveRecorder&) = delete;

    // The sound server's input to record from (its name; empty for the
    // default). Set before Start.
    void SetInputDevice(const std::string& name) { m_inputDevice = name; }
    // After a successful Start: true when the chosen input was not there and
    // the recording comes from the default input.
    bool InputFellBack() const { return m_bInputFellBack; }

    // Once, on the user-interface thread. 0 or one of the codes above.
    uint32_t Start(const WAVEFORMATEX* format);
    // True when resetting and closing the device both succeeded. Signals
    // the finish event in any case, after the file was finished.
    bool Stop();
    // The end of a recording that the writer broke off (Finished while
    // IsRecording is still true): clears the flag, resets and closes the
    // device; the remaining buffers are written and the file finished.
    void AbortAfterRefusal();

    // Pauses a running recording: the device stops taking audio (the partly
    // filled buffer comes back, the others stay queued) and everything
    // captured so far is written out, so a crash while paused loses nothing.
    // The recording stays one file; Stop while paused finishes it as usual.
    // false when not recording, already paused, or the device refused.
    bool Pause();
    // Resumes a paused recording where it stopped: no gap, no repeat.
    bool Resume();
    bool IsPaused() const { return m_bPaused.load(); }
    // The peak absolute sample, as a fraction of full scale (0 to 1), of the
    // PCM captured since the previous call; measured before any compression.
    // Any thread.
    float TakePeak();
    // True when the recording ended because the capture layer had to drop
    // audio (the writer kept it waiting longer than its backlog lasts).
    bool CaptureOverrun() const { return m_bOverrun.load(); }
    // The peak of a block of PCM in `format`, as TakePeak reports it.
    static float PeakOf(const uint8_t* data, uint32_t length, const WAVEFORMATEX& format);

    // True for 0; otherwise shows the code's message and returns false.
    static bool CheckWaveInResult(uint32_t code);
    // The capture buffer size used for a setting with the device format: 0 or
    // less gives the default 10000, more than 1,000,000 gives 1,000,000; then
    // rounded down to whole blocks, and at least 10 ms of audio so that four
    // buffers outlast the scheduling of the delivery thread.
    static uint32_t CaptureBufferSize(int setting, const WAVEFORMATEX& deviceFormat);
    // The format the device is opened with for a chosen format: a PCM format
    // as chosen; FLAC as PCM of its own bits (16 or 24); otherwise 16-bit PCM
    // of the chosen channels and rate, which is what the converter (or the
    // Opus encoder) takes.
    static WAVEFORMATEX DeviceFormat(const WAVEFORMATEX& chosen);

    const CWavFile& GetWavFile() const { return m_wavFile; }
    const std::string& GetPath() const { return m_szPath; }
    // True when the recording ended because the input device went away.
    bool DeviceLost() const { return m_bDeviceLost.load(); }
    uint32_t BufferSize() const { return m_cbBuffer; }

    // The finish event, from any thread once Start has returned.
    // True once Start created the finish event (whatever Start returned).
    bool Started() const;
    // True when the finish event exists and is signalled; false before Start.
    bool Finished() const;
    // Waits up to `ms` for the finish event: true when it is signalled, false
    // on time-out or before Start.
    bool WaitFinished(uint32_t ms);
    // True while buffers are recycled; still true after the writer broke the
    // recording off, until AbortAfterRefusal or Stop.
    bool IsRecording() const { return m_bRecording.load() != 0; }
    // The opened device; null when none was opened.
    const IWaveIn* WaveIn() const { return m_hWaveIn.get(); }
    // The chosen format's first 18 bytes (as given to Start, not the PCM the
    // device delivers).
    const WAVEFORMATEX& ChosenFormat() const { return m_wfx; }

protected:
    bool AddBuffer(uint32_t size);
    // Allocates a capture buffer's data block; null when out of memory.
    virtual uint8_t* AllocateBlock(uint32_t size);
    static void WaveInProc(IWaveIn* device, uint32_t message, void* instance, WAVEHDR* header);
    void OnData(IWaveIn* device, WAVEHDR* header);
    void FreeBuffer(IWaveIn* device, WAVEHDR* header);
    // Flag clear, stop, reset, close; no messages. Used after a failed start
    // and by the destructor.
    void ReleaseDevice();
    // Finishes the file and, once it is closed, takes it off the journal of
    // recordings in progress.
    void FinishFile();

    struct CaptureBuffer {
        WAVEHDR header{};
        std::unique_ptr<uint8_t[]> data;
    };

    std::string m_szPath;
    std::vector<std::unique_ptr<CaptureBuffer>> m_buffers; // freed at destruction
    uint32_t m_cbBuffer = 0;
    std::atomic<bool> m_bDeviceLost{false};
    std::atomic<bool> m_bPaused{false};
    std::atomic<bool> m_bOverrun{false};
    std::atomic<uint32_t> m_peakBits{0}; // a non-negative float's bits: ordered like the floats
    WAVEFORMATEX m_deviceFormat{};       // the PCM the device delivers
    CWaveInDevice* m_pDevice = nullptr;  // m_hWaveIn when it is one of ours (for its backlog)
    // The writer is used by the delivery thread and, to pause, by the caller.
    std::mutex m_writerMutex;
    bool m_bJournaled = false; // under m_writerMutex
    std::string m_inputDevice;     // UI thread only
    bool m_bInputFellBack = false; // UI thread only
    CWavFile m_wavFile;

private:
    std::unique_ptr<CEvent> m_hFinished;   // created by Start
    std::atomic<uint32_t> m_bRecording{0}; // nonzero while buffers are recycled
    std::unique_ptr<IWaveIn> m_hWaveIn;    // null when no device was opened
    WAVEFORMATEX m_wfx{};                  // the chosen format's first 18 bytes
};

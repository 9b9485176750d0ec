// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// One opened playback device: a decoder on its file, at most one play at a
// time on a worker thread of its own, and the mode, length and position the
// status query reports. Commands are serialised; none waits longer than it
// takes a worker to notice an abort (or, for a play, to open the output).
// Each play asks the factory it was given for a fresh output: the choice of
// backend belongs to the caller, so this layer never looks above itself.
#include "platform/playback/CAudioDecoder.h"
#include "platform/playback/IAudioOutput.h"
#include "platform/playback/MciWaveAudio.h"

#include <future>
#include <memory>
#include <mutex>
#include <thread>

class CPlaybackDevice {
public:
    // An empty factory, or one that returns null, fails every play with
    // MCIERR_WAVE_OUTPUTSINUSE.
    CPlaybackDevice(uint32_t id, std::unique_ptr<CAudioDecoder> decoder, AudioOutputFactory createOutput);
    ~CPlaybackDevice();
    CPlaybackDevice(const CPlaybackDevice&) = delete;
    CPlaybackDevice& operator=(const CPlaybackDevice&) = delete;

    uint32_t Id() const { return m_id; }
    uint32_t SetTimeFormatMilliseconds();
    uint32_t Play(uint32_t fromMs, MciNotifyCallback notify);
    uint32_t Stop(MciNotifyCallback notify);
    uint32_t Status(uint32_t item, uint32_t& value);
    void Close();

private:
    struct PlayRun {
        uint32_t startMs = 0;
        std::shared_ptr<IAudioOutput> output;
        MciNotifyCallback notify;
        bool aborted = false; // m_stateMutex
    };

    void PlayThread(std::shared_ptr<PlayRun> play, std::shared_ptr<std::promise<uint32_t>> started);
    // Ends the running play, if any, and notifies it with code.
    void EndPlay(uint32_t code);
    // Heard position of a running play; m_stateMutex held.
    uint32_t PositionOf(const PlayRun& play);
    void Notify(const MciNotifyCallback& notify, uint32_t code);

    const uint32_t m_id;
    std::unique_ptr<CAudioDecoder> m_decoder; // used by the worker only while it runs
    const AudioOutputFactory m_createOutput;  // called by Play, under m_commandMutex
    const uint32_t m_rate;
    std::mutex m_commandMutex; // one command at a time
    std::thread m_worker;      // m_commandMutex
    bool m_closed = false;     // m_commandMutex

    std::mutex m_stateMutex;
    std::shared_ptr<PlayRun> m_play; // the running play, or null when stopped
    uint32_t m_lengthMs = 0;
    uint32_t m_positionMs = 0; // where the last play stopped
};

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// A deterministic input device for tests and for running without sound
// hardware: produces a known signal at real time (or faster), and can fail a
// chosen call with a chosen code or vanish in the middle of a recording.
#include "platform/capture/CWaveInDevice.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class WaveInCall { Open, Prepare, Add, Start, Stop, Reset, Close };

struct VirtualWaveInFault {
    WaveInCall call;
    uint32_t code;
    int occurrence = 1; // fail the n-th call (1 = first); 0 = every call
};

struct VirtualWaveInConfig {
    enum class Signal { Sine, Ramp, WavFile, Silence };
    Signal signal = Signal::Sine;
    double frequency = 440.0;
    double level = 0.5;      // of full scale
    std::string wavPath;     // Signal::WavFile: its data bytes, looped
    double speed = 1.0;      // times real time; 0 = as fast as buffers are queued
    std::vector<VirtualWaveInFault> faults;
    int64_t vanishAfterMs = -1; // audio time after which the device is lost; -1 never
};

// Parses the VELLORY_VIRTUAL_* values (any may be null). false with a reason
// in `error` when a value cannot be understood.
bool ParseVirtualWaveInConfig(const char* input, const char* speed, const char* fail, const char* vanish,
                              VirtualWaveInConfig& config, std::string& error);

class CVirtualWaveIn final : public CWaveInDevice {
public:
    static uint32_t Open(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                         void* instance, const VirtualWaveInConfig& config);
    ~CVirtualWaveIn() override;

    uint32_t PrepareHeader(WAVEHDR* header) override;
    uint32_t AddBuffer(WAVEHDR* header) override;
    uint32_t Start() override;
    uint32_t Stop() override;
    uint32_t Reset() override;
    uint32_t Close() override;

    // Frames produced so far (the signal's position).
    uint64_t FramesProduced() const { return m_frames.load(); }
    // Makes the device vanish now, as if unplugged.
    void Vanish();

    // The value of frame `index` of channel 0, as stored (little-endian bytes
    // of the sample width). Tests compare recorded audio with it.
    static void RenderFrames(const VirtualWaveInConfig& config, const WAVEFORMATEX& format,
                             const std::vector<uint8_t>& wavData, uint64_t firstFrame, size_t frames,
                             std::vector<uint8_t>& out);

private:
    CVirtualWaveIn(const WAVEFORMATEX& format, WaveInProcFn proc, void* instance, const VirtualWaveInConfig& config);
    uint32_t OnStart() override;
    void OnStop() override;
    void OnClose() override;
    uint32_t Fault(WaveInCall call);
    void Produce();      // catch up with the clock; generator lock held
    void GeneratorThread();

    const VirtualWaveInConfig m_config;
    std::vector<uint8_t> m_wavData;
    std::mutex m_faultMutex;
    int m_calls[7] = {};

    std::mutex m_genMutex;
    std::condition_variable m_genCv;
    std::thread m_generator;
    bool m_bRunning = false;   // producing
    bool m_bQuit = false;
    bool m_bVanished = false;
    double m_startSeconds = 0; // steady clock at the last start
    uint64_t m_startFrame = 0; // frames produced at the last start
    std::atomic<uint64_t> m_frames{0};
    std::vector<uint8_t> m_scratch;
};

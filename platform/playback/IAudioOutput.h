// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// A sound output for playback: 16-bit interleaved samples in, heard out.
// One play uses one output from a single thread; PlayedFrames and Abort may
// be called from any other thread at the same time.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class IAudioOutput {
public:
    virtual ~IAudioOutput() = default;
    // Opens the output for the format; on failure error says why.
    virtual bool Open(uint32_t rate, uint16_t channels, std::string& error) = 0;
    // Queues the samples, waiting while the output is full. False when
    // aborted or when the output failed.
    virtual bool Write(const int16_t* samples, size_t frames) = 0;
    // Waits until everything written has been heard. False when aborted or failed.
    virtual bool Drain() = 0;
    // Frames heard so far: written minus what the output still holds.
    virtual uint64_t PlayedFrames() = 0;
    // Makes Write and Drain return at once; what is queued is dropped.
    virtual void Abort() = 0;
    virtual void Close() = 0;
};

using AudioOutputFactory = std::function<std::shared_ptr<IAudioOutput>()>;

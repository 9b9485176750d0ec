// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Wave input: records PCM from the default input, or from one named by the
// sound server, into buffers that the caller queues. Filled buffers come back through a callback, in the order they were
// filled, on a delivery thread of the layer (never the caller's thread, never
// an audio library's internal thread), so the callback may do file work.
//
// Notifications, in order: WAVEIN_OPEN once the device is open; WAVEIN_DATA for
// every queued buffer as it is handed back (full, or partly filled by Stop,
// Reset or the loss of the device; dwBytesRecorded says how much); WAVEIN_CLOSE
// after the last WAVEIN_DATA, once the device is closed.
//
// Results: 0 or one of the codes below.
#include "platform/WaveFormat.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

constexpr uint32_t WAVEIN_NOERROR = 0;
constexpr uint32_t WAVEIN_ERROR = 1;          // unspecified failure
constexpr uint32_t WAVEIN_BADDEVICEID = 2;
constexpr uint32_t WAVEIN_ALLOCATED = 4;      // the device is busy
constexpr uint32_t WAVEIN_INVALHANDLE = 5;    // the device was closed
constexpr uint32_t WAVEIN_NODRIVER = 6;       // no audio server or no input
constexpr uint32_t WAVEIN_NOMEM = 7;
constexpr uint32_t WAVEIN_INVALPARAM = 11;
constexpr uint32_t WAVEIN_BADFORMAT = 32;     // a format the device cannot record
constexpr uint32_t WAVEIN_STILLPLAYING = 33;  // buffers still queued
constexpr uint32_t WAVEIN_UNPREPARED = 34;
constexpr uint32_t WAVEIN_NOLIBRARY = 36;     // the audio library cannot be loaded (LastMissingLibraryText)

// Notification messages.
constexpr uint32_t WIM_OPEN = 0x3BE;
constexpr uint32_t WIM_CLOSE = 0x3BF;
constexpr uint32_t WIM_DATA = 0x3C0;

// Header flags.
constexpr uint32_t WHDR_DONE = 0x01;
constexpr uint32_t WHDR_PREPARED = 0x02;
constexpr uint32_t WHDR_INQUEUE = 0x10;

// One capture buffer, owned by the caller; the device fills lpData.
struct WAVEHDR {
    uint8_t* lpData;
    uint32_t dwBufferLength;
    uint32_t dwBytesRecorded;
    uintptr_t dwUser;
    uint32_t dwFlags;
};

class IWaveIn;
// Callback: device, message, the instance value given to the open, and for
// WIM_DATA the returned header (null otherwise).
using WaveInProcFn = void (*)(IWaveIn* device, uint32_t message, void* instance, WAVEHDR* header);

class IWaveIn {
public:
    // Closes a device that is still open (reset, then close, with their
    // notifications); owners close first while what the callback uses is alive.
    virtual ~IWaveIn() = default;

    virtual uint32_t PrepareHeader(WAVEHDR* header) = 0;
    virtual uint32_t UnprepareHeader(WAVEHDR* header) = 0;
    virtual uint32_t AddBuffer(WAVEHDR* header) = 0;
    virtual uint32_t Start() = 0;
    // Stops capture; a partly filled buffer is handed back, the others stay queued.
    virtual uint32_t Stop() = 0;
    // Stops capture and hands back every queued buffer. Returns once they have
    // all been delivered (at once when called from the callback itself).
    virtual uint32_t Reset() = 0;
    // WAVEIN_STILLPLAYING while buffers are queued. Returns once WIM_CLOSE has
    // been delivered (at once when called from the callback itself). A device
    // that was lost is already closed: its Reset and Close return 0.
    virtual uint32_t Close() = 0;

    // True once the device closed itself because the input went away.
    virtual bool IsLost() const = 0;
    // True between a successful open and the owner's Close.
    virtual bool IsOpen() const = 0;
    // True when a named input was asked for, was not there, and the device
    // records from the default input instead.
    virtual bool FellBackToDefault() const { return false; }
};

// One input of the sound server, as offered to the user.
struct InputSource {
    std::string name;        // what the server knows it by; stored as the choice
    std::string description; // what the user reads
    bool isMonitor = false;  // records what an output plays
};

// Opens the default input. On success `device` holds the new device and
// WIM_OPEN has already been delivered; on failure it stays empty.
using WaveInFactory = std::function<uint32_t(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format,
                                             WaveInProcFn proc, void* instance)>;

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The "waveaudio" playback device: open a WAV file, play it from a position
// with a completion notification, query mode, length and position in
// milliseconds, stop and close. Every call returns quickly; decoding and
// output run on threads of this layer, which also deliver the notifications.
#include "platform/playback/IAudioOutput.h"

#include <cstdint>
#include <functional>
#include <string>

constexpr uint32_t MCI_STATUS_LENGTH = 1, MCI_STATUS_POSITION = 2, MCI_STATUS_MODE = 4;
constexpr uint32_t MCI_MODE_NOT_READY = 524, MCI_MODE_STOP = 525, MCI_MODE_PLAY = 526, MCI_MODE_RECORD = 527;
constexpr uint32_t MCI_NOTIFY_SUCCESSFUL = 1, MCI_NOTIFY_SUPERSEDED = 2, MCI_NOTIFY_ABORTED = 4,
                   MCI_NOTIFY_FAILURE = 8;

// Error codes of the device commands (0 is success).
constexpr uint32_t MCIERR_INVALID_DEVICE_ID = 257;
constexpr uint32_t MCIERR_UNRECOGNIZED_KEYWORD = 259;
constexpr uint32_t MCIERR_OUT_OF_MEMORY = 264;
constexpr uint32_t MCIERR_MISSING_PARAMETER = 273;
constexpr uint32_t MCIERR_FILE_NOT_FOUND = 275;
constexpr uint32_t MCIERR_INTERNAL = 277;
constexpr uint32_t MCIERR_OUTOFRANGE = 282;
constexpr uint32_t MCIERR_INVALID_FILE = 296;
constexpr uint32_t MCIERR_WAVE_OUTPUTSINUSE = 320;
constexpr uint32_t MCIERR_FILE_READ = 348;
// The first driver-specific code: a library the device needs cannot be loaded.
// Nothing was opened; the caller may try again once it is installed.
constexpr uint32_t MCIERR_LIBRARY_MISSING = 512;

// Called on a thread of this layer, in the order the events happened.
using MciNotifyCallback = std::function<void(uint32_t notifyCode, uint32_t deviceId)>;

// Opens the file; 0 and a fresh id (never 0), or an error code and id 0.
// Every play of the device takes a new output from `createOutput`, called
// at the time of the play: which backend that is, is the caller's choice.
uint32_t MciOpenWaveAudio(const std::string& path, uint32_t& deviceId, AudioOutputFactory createOutput);
uint32_t MciSetTimeFormatMilliseconds(uint32_t deviceId);
// Starts playing from fromMs to the end. A play still running is superseded.
// The notification comes when this play ends: SUCCESSFUL at the end of the
// file, ABORTED by stop or close, SUPERSEDED by a later play, FAILURE when
// decoding or output fails. No notification when the call itself fails.
uint32_t MciPlay(uint32_t deviceId, uint32_t fromMs, MciNotifyCallback notify);
// value is left as it was when the call fails.
uint32_t MciStatus(uint32_t deviceId, uint32_t item, uint32_t& value);
// Stops a running play (its notification ABORTED); this call's own
// notification is SUCCESSFUL.
uint32_t MciStop(uint32_t deviceId, MciNotifyCallback notify);
// Closing a playing device aborts the play (notification ABORTED).
uint32_t MciClose(uint32_t deviceId);
std::string MciGetErrorString(uint32_t error);

// Waits until every notification queued so far has been delivered (tests).
void MciWaitForNotifications();

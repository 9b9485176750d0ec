// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "MciWaveAudio.h"

#include "platform/LoadOnDemand.h"
#include "platform/playback/CAudioDecoder.h"
#include "platform/playback/CNotifyDispatcher.h"
#include "platform/playback/CPlaybackDevice.h"

#include <map>
#include <memory>
#include <mutex>

namespace {
struct DeviceTable {
    std::mutex mutex;
    std::map<uint32_t, std::shared_ptr<CPlaybackDevice>> devices;
    uint32_t nextId = 1;
};

DeviceTable& Table()
{
    // Never destroyed: devices still open at exit must not notify into torn-down statics.
    static DeviceTable* table = new DeviceTable;
    return *table;
}

std::shared_ptr<CPlaybackDevice> Find(uint32_t id)
{
    DeviceTable& t = Table();
    std::lock_guard lock(t.mutex);
    const auto it = t.devices.find(id);
    return it == t.devices.end() ? nullptr : it->second;
}
} // namespace

uint32_t MciOpenWaveAudio(const std::string& path, uint32_t& deviceId, AudioOutputFactory createOutput)
{
    deviceId = 0;
    auto decoder = std::make_unique<CAudioDecoder>();
    if (const uint32_t code = decoder->Open(path))
        return code;
    DeviceTable& t = Table();
    std::lock_guard lock(t.mutex);
    uint32_t id = t.nextId;
    while (id == 0 || t.devices.count(id))
        ++id;
    t.nextId = id + 1;
    t.devices.emplace(id, std::make_shared<CPlaybackDevice>(id, std::move(decoder), std::move(createOutput)));
    deviceId = id;
    return 0;
}

uint32_t MciSetTimeFormatMilliseconds(uint32_t deviceId)
{
    const auto device = Find(deviceId);
    return device ? device->SetTimeFormatMilliseconds() : MCIERR_INVALID_DEVICE_ID;
}

uint32_t MciPlay(uint32_t deviceId, uint32_t fromMs, MciNotifyCallback notify)
{
    const auto device = Find(deviceId);
    return device ? device->Play(fromMs, std::move(notify)) : MCIERR_INVALID_DEVICE_ID;
}

uint32_t MciStatus(uint32_t deviceId, uint32_t item, uint32_t& value)
{
    const auto device = Find(deviceId);
    return device ? device->Status(item, value) : MCIERR_INVALID_DEVICE_ID;
}

uint32_t MciStop(uint32_t deviceId, MciNotifyCallback notify)
{
    const auto device = Find(deviceId);
    return device ? device->Stop(std::move(notify)) : MCIERR_INVALID_DEVICE_ID;
}

uint32_t MciClose(uint32_t deviceId)
{
    std::shared_ptr<CPlaybackDevice> device;
    {
        DeviceTable& t = Table();
        std::lock_guard lock(t.mutex);
        const auto it = t.devices.find(deviceId);
        if (it == t.devices.end())
            return MCIERR_INVALID_DEVICE_ID;
        device = it->second;
        t.devices.erase(it);
    }
    device->Close();
    return 0;
}

std::string MciGetErrorString(uint32_t error)
{
    switch (error) {
    case 0: return "The specified command was carried out.";
    case MCIERR_INVALID_DEVICE_ID:
        return "Invalid device ID. Use the ID given to the device when the device was opened.";
    case MCIERR_UNRECOGNIZED_KEYWORD: return "The device does not recognize the requested status item.";
    case MCIERR_OUT_OF_MEMORY:
        return "There is not enough memory available for this task. Quit one or more applications to increase "
               "available memory, and then try again.";
    case MCIERR_MISSING_PARAMETER: return "The specified command requires a parameter. Please supply one.";
    case MCIERR_FILE_NOT_FOUND: return "The specified file was not found. Make sure the path and filename are correct.";
    case MCIERR_INTERNAL: return "An internal error occurred in the playback device.";
    case MCIERR_OUTOFRANGE: return "The specified position is beyond the end of the file.";
    case MCIERR_INVALID_FILE:
        return "The file cannot be played on the specified device. The file may be damaged, or not in a format "
               "the device can play.";
    case MCIERR_WAVE_OUTPUTSINUSE:
        return "No sound output is available to play the file. Make sure the sound server is running, and then "
               "try again.";
    case MCIERR_FILE_READ: return "The specified file cannot be read. Make sure you are allowed to read it.";
    case MCIERR_LIBRARY_MISSING: {
        const std::string text = LastMissingLibraryText();
        return text.empty() ? "A library the playback device needs cannot be loaded." : text;
    }
    default: return "Unknown playback error " + std::to_string(error) + ".";
    }
}

void MciWaitForNotifications() { CNotifyDispatcher::Instance().WaitIdle(); }

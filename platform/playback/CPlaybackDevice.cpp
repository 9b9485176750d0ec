// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CPlaybackDevice.h"

#include "platform/playback/CNotifyDispatcher.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <vector>

namespace {
// Opening the output is the only part of a play the caller waits for.
constexpr auto kOutputOpenTimeout = std::chrono::seconds(5);
constexpr size_t kChunkFrames = 4096;
} // namespace

CPlaybackDevice::CPlaybackDevice(uint32_t id, std::unique_ptr<CAudioDecoder> decoder, AudioOutputFactory createOutput)
    : m_id(id)
    , m_decoder(std::move(decoder))
    , m_createOutput(std::move(createOutput))
    , m_rate(m_decoder->Rate())
    , m_lengthMs(m_decoder->LengthMs())
{
}

CPlaybackDevice::~CPlaybackDevice() { Close(); }

uint32_t CPlaybackDevice::SetTimeFormatMilliseconds()
{
    std::lock_guard command(m_commandMutex);
    return m_closed ? MCIERR_INVALID_DEVICE_ID : 0;
}

void CPlaybackDevice::Notify(const MciNotifyCallback& notify, uint32_t code)
{
    if (!notify)
        return;
    const uint32_t id = m_id;
    CNotifyDispatcher::Instance().Post([notify, code, id] { notify(code, id); });
}

uint32_t CPlaybackDevice::PositionOf(const PlayRun& play)
{
    const uint64_t heard = play.output ? play.output->PlayedFrames() : 0;
    const uint64_t ms = play.startMs + heard * 1000 / m_rate;
    return uint32_t(std::min<uint64_t>(ms, m_lengthMs));
}

uint32_t CPlaybackDevice::Play(uint32_t fromMs, MciNotifyCallback notify)
{
    std::lock_guard command(m_commandMutex);
    if (m_closed)
        return MCIERR_INVALID_DEVICE_ID;
    {
        std::lock_guard state(m_stateMutex);
        if (fromMs > m_lengthMs)
            return MCIERR_OUTOFRANGE;
    }
    EndPlay(MCI_NOTIFY_SUPERSEDED);

    auto play = std::make_shared<PlayRun>();
    play->startMs = fromMs;
    play->notify = std::move(notify);
    play->output = m_createOutput ? m_createOutput() : nullptr;
    if (!play->output)
        return MCIERR_WAVE_OUTPUTSINUSE;
    auto started = std::make_shared<std::promise<uint32_t>>();
    std::future<uint32_t> result = started->get_future();
    uint32_t previousPositionMs = 0;
    {
        std::lock_guard state(m_stateMutex);
        m_play = play;
        previousPositionMs = m_positionMs;
        m_positionMs = fromMs;
    }
    m_worker = std::thread(&CPlaybackDevice::PlayThread, this, play, started);

    uint32_t code = MCIERR_WAVE_OUTPUTSINUSE;
    if (result.wait_for(kOutputOpenTimeout) == std::future_status::ready)
        code = result.get();
    if (code != 0) {
        // A play that never started ends without a notification.
        {
            std::lock_guard state(m_stateMutex);
            play->aborted = true;
            play->notify = nullptr;
            if (m_play == play)
                m_play.reset();
            m_positionMs = previousPositionMs;
        }
        play->output->Abort();
        m_worker.join();
    }
    return code;
}

void CPlaybackDevice::PlayThread(std::shared_ptr<PlayRun> play, std::shared_ptr<std::promise<uint32_t>> started)
{
    std::string error;
    if (!m_decoder->Start(play->startMs)) {
        started->set_value(MCIERR_FILE_READ);
        return;
    }
    if (!play->output->Open(m_decoder->Rate(), m_decoder->Channels(), error)) {
        play->output->Close();
        started->set_value(MCIERR_WAVE_OUTPUTSINUSE);
        return;
    }
    started->set_value(0);

    const uint16_t channels = m_decoder->Channels();
    std::vector<int16_t> chunk(kChunkFrames * channels);
    uint64_t decoded = 0;
    uint32_t code = MCI_NOTIFY_SUCCESSFUL;
    for (;;) {
        {
            std::lock_guard state(m_stateMutex);
            if (play->aborted)
                break;
        }
        const long n = m_decoder->Read(chunk.data(), kChunkFrames);
        if (n < 0) {
            code = MCI_NOTIFY_FAILURE;
            break;
        }
        if (n == 0) {
            if (!play->output->Drain())
                code = MCI_NOTIFY_FAILURE;
            break;
        }
        decoded += uint64_t(n);
        if (!play->output->Write(chunk.data(), size_t(n))) {
            code = MCI_NOTIFY_FAILURE;
            break;
        }
    }

    MciNotifyCallback notify;
    {
        std::lock_guard state(m_stateMutex);
        if (!play->aborted) {
            // Ended by itself: at the end of the file, or failed where it was heard last.
            if (code == MCI_NOTIFY_SUCCESSFUL) {
                const uint64_t endMs = play->startMs + decoded * 1000 / m_rate;
                // The header's length of a compressed file is an estimate; a
                // whole decode gives the true one.
                if (!m_decoder->IsPcm() && play->startMs == 0)
                    m_lengthMs = uint32_t(std::min<uint64_t>(endMs, UINT32_MAX));
                m_positionMs = uint32_t(std::min<uint64_t>(endMs, m_lengthMs));
            } else {
                m_positionMs = PositionOf(*play);
            }
            notify = std::move(play->notify);
            if (m_play == play)
                m_play.reset();
        }
    }
    play->output->Close();
    Notify(notify, code);
}

void CPlaybackDevice::EndPlay(uint32_t code)
{
    std::shared_ptr<PlayRun> play;
    MciNotifyCallback notify;
    {
        std::lock_guard state(m_stateMutex);
        if (m_play && !m_play->aborted) {
            play = m_play;
            m_positionMs = PositionOf(*play);
            play->aborted = true;
            notify = std::move(play->notify);
            m_play.reset();
        }
    }
    if (play)
        play->output->Abort();
    if (m_worker.joinable())
        m_worker.join();
    Notify(notify, code);
}

uint32_t CPlaybackDevice::Stop(MciNotifyCallback notify)
{
    std::lock_guard command(m_commandMutex);
    if (m_closed)
        return MCIERR_INVALID_DEVICE_ID;
    EndPlay(MCI_NOTIFY_ABORTED);
    Notify(notify, MCI_NOTIFY_SUCCESSFUL);
    return 0;
}

uint32_t CPlaybackDevice::Status(uint32_t item, uint32_t& value)
{
    std::lock_guard command(m_commandMutex);
    if (m_closed)
        return MCIERR_INVALID_DEVICE_ID;
    std::lock_guard state(m_stateMutex);
    switch (item) {
    case MCI_STATUS_MODE: value = m_play ? MCI_MODE_PLAY : MCI_MODE_STOP; return 0;
    case MCI_STATUS_LENGTH: value = m_lengthMs; return 0;
    case MCI_STATUS_POSITION: value = m_play ? PositionOf(*m_play) : m_positionMs; return 0;
    default: return MCIERR_UNRECOGNIZED_KEYWORD;
    }
}

void CPlaybackDevice::Close()
{
    std::lock_guard command(m_commandMutex);
    if (m_closed)
        return;
    m_closed = true;
    EndPlay(MCI_NOTIFY_ABORTED);
}

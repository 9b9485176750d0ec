// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CWaveRecorder.h"

#include "engine/CRecordingJournal.h"
#include "engine/IEngineHost.h"
#include "engine/MessageStyle.h"
#include "platform/AudioBackends.h"
#include "platform/LoadOnDemand.h"
#include "platform/capture/CWaveInDevice.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <new>

// The capture layer must outlast the longest wait the writer imposes.
static_assert(CWaveInDevice::BACKLOG_SECONDS * 1000 > WAVFILE_CONVERSION_GRACE_MS + 3000);

CWaveRecorder::CWaveRecorder(const std::string& path)
    : m_szPath(path)
{
}

CWaveRecorder::~CWaveRecorder()
{
    if (m_hWaveIn && m_hWaveIn->IsOpen())
        ReleaseDevice();
    // The device goes before the buffers it may still point at.
    m_hWaveIn.reset();
    FinishFile();
}

bool CWaveRecorder::Started() const
{
    return m_hFinished != nullptr;
}

bool CWaveRecorder::Finished() const
{
    return m_hFinished && m_hFinished->IsSet();
}

bool CWaveRecorder::WaitFinished(uint32_t ms)
{
    return m_hFinished && m_hFinished->Wait(ms) == WAIT_OBJECT_0;
}

void CWaveRecorder::FinishFile()
{
    std::lock_guard lock(m_writerMutex);
    m_wavFile.Close();
    // A file closed without its end (a full disk) stays noted, so that the
    // next start finishes it.
    if (m_bJournaled && !m_wavFile.IsOpen() && !m_wavFile.LeftUnfinished()) {
        CRecordingJournal::Remove(m_szPath);
        m_bJournaled = false;
    }
}

bool CWaveRecorder::CheckWaveInResult(uint32_t code)
{
    const char* text = nullptr;
    switch (code) {
    case 0: return true;
    case 2: text = "Specified device identifier is out of range."; break;
    case 4: text = "Specified resource is already allocated."; break;
    case 5: text = "Specified device handle is invalid."; break;
    case 6: text = "No device driver is present."; break;
    case 7: text = "Unable to allocate or lock memory."; break;
    case 11: text = "invalid parameter passed"; break;
    case 32: text = "Attempted to open with an unsupported waveform-audio format."; break;
    case 33: text = "There are still buffers in the queue."; break;
    case WAVEIN_NOLIBRARY: {
        // Names the library and the package that brings it back.
        const std::string missing = LastMissingLibraryText();
        EngineMessageBox(missing.empty() ? "The audio library could not be loaded." : missing, MB_ICONEXCLAMATION);
        return false;
    }
    case 265:
        text = "The end of the file (or the end of the parent chunk, if given) was reached before the desired chunk "
               "was found.";
        break;
    default: {
        char buf[80];
        std::snprintf(buf, sizeof buf, "An error open WAVE_MAPPER device, code=%d", int(code));
        EngineMessageBox(buf, MB_OK);
        return false;
    }
    }
    EngineMessageBox(text, MB_OK);
    return false;
}

uint32_t CWaveRecorder::CaptureBufferSize(int setting, const WAVEFORMATEX& deviceFormat)
{
    uint32_t size = setting <= 0 ? uint32_t(WAVEREC_DEFAULT_BUFFER) : uint32_t(setting);
    if (size > WAVEREC_MAX_BUFFER)
        size = WAVEREC_MAX_BUFFER;
    const uint32_t align = deviceFormat.nBlockAlign ? deviceFormat.nBlockAlign : 1;
    size -= size % align;
    const uint32_t tenMs = (deviceFormat.nAvgBytesPerSec / 100 + align - 1) / align * align;
    return std::max({size, tenMs, align});
}

WAVEFORMATEX CWaveRecorder::DeviceFormat(const WAVEFORMATEX& chosen)
{
    WAVEFORMATEX f = chosen;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.cbSize = 0;
    if (chosen.wFormatTag == WAVE_FORMAT_PCM && chosen.wBitsPerSample != 0)
        return f;
    // Opus takes 16-bit PCM at 48 kHz; FLAC keeps the chosen 16 or 24 bits.
    if (IsContainerFormatTag(chosen.wFormatTag))
        return CFfmpegContainerWriter::SourceFormat(chosen);
    // A compressed format's own bits, block align and byte rate describe its
    // coded form, not PCM; the converter takes 16-bit PCM of its channels and rate.
    f.wBitsPerSample = 16;
    f.nBlockAlign = uint16_t(f.nChannels * 2);
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    return f;
}

uint32_t CWaveRecorder::Start(const WAVEFORMATEX* format)
{
    const int setting = EngineBufferSize();
    try {
        m_hFinished = std::make_unique<CEvent>();
    } catch (const std::bad_alloc&) {
        return WAVEREC_EVENT_FAILED;
    }
    if (!format) {
        CheckWaveInResult(WAVEIN_INVALPARAM);
        return WAVEREC_CREATE_FAILED;
    }
    // Noted before the file exists: a crash from here on leaves a file the
    // next start repairs.
    {
        std::lock_guard lock(m_writerMutex);
        m_bJournaled = CRecordingJournal::Add(m_szPath);
    }
    if (!m_wavFile.Create(m_szPath, format)) {
        // A header without audio is no recording: the file goes (when it is a
        // plain file of ours) and so does its journal entry, or the next start
        // would "repair" an empty file.
        const bool created = m_wavFile.IsOpen();
        FinishFile();
        struct stat st {};
        if (created && ::lstat(m_szPath.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            std::remove(m_szPath.c_str());
        return WAVEREC_CREATE_FAILED;
    }

    std::memcpy(&m_wfx, format, sizeof m_wfx);
    const WAVEFORMATEX chosen = m_wfx;
    m_wfx = DeviceFormat(chosen);
    const WAVEFORMATEX opened = m_wfx;
    m_deviceFormat = opened;
    const uint32_t rc = OpenWaveIn(m_hWaveIn, m_wfx, &CWaveRecorder::WaveInProc, this, m_inputDevice);
    m_bInputFellBack = rc == WAVEIN_NOERROR && m_hWaveIn && m_hWaveIn->FellBackToDefault();
    m_wfx = chosen;
    if (!CheckWaveInResult(rc)) {
        m_hWaveIn.reset();
        FinishFile();
        std::remove(m_szPath.c_str());
        return WAVEREC_OPEN_FAILED;
    }
    m_pDevice = dynamic_cast<CWaveInDevice*>(m_hWaveIn.get());

    m_cbBuffer = CaptureBufferSize(setting, opened);
    m_buffers.reserve(WAVEREC_BUFFER_COUNT);
    for (int i = 0; i < WAVEREC_BUFFER_COUNT; ++i) {
        if (!AddBuffer(m_cbBuffer)) {
            ReleaseDevice();
            return WAVEREC_BUFFER_FAILED;
        }
    }
    if (!CheckWaveInResult(m_hWaveIn->Start())) {
        ReleaseDevice();
        return WAVEREC_START_FAILED;
    }
    return WAVEREC_OK;
}

uint8_t* CWaveRecorder::AllocateBlock(uint32_t size) { return new (std::nothrow) uint8_t[size]; }

bool CWaveRecorder::AddBuffer(uint32_t size)
{
    std::unique_ptr<CaptureBuffer> buffer(new (std::nothrow) CaptureBuffer);
    uint8_t* block = buffer ? AllocateBlock(size) : nullptr;
    if (!block) {
        EngineMessageBox("Out of memory.", MB_ICONEXCLAMATION);
        return false;
    }
    buffer->data.reset(block);
    buffer->header = WAVEHDR{};
    buffer->header.lpData = block;
    buffer->header.dwBufferLength = size;
    buffer->header.dwFlags = 0;
    buffer->header.dwUser = reinterpret_cast<uintptr_t>(buffer.get());
    WAVEHDR* header = &buffer->header;
    m_buffers.push_back(std::move(buffer));
    if (!CheckWaveInResult(m_hWaveIn->PrepareHeader(header)))
        return false;
    return CheckWaveInResult(m_hWaveIn->AddBuffer(header));
}

void CWaveRecorder::WaveInProc(IWaveIn* device, uint32_t message, void* instance, WAVEHDR* header)
{
    auto* self = static_cast<CWaveRecorder*>(instance);
    switch (message) {
    case WIM_OPEN:
        self->m_hFinished->Reset();
        self->m_bRecording = 1;
        break;
    case WIM_DATA:
        self->OnData(device, header);
        break;
    case WIM_CLOSE:
        self->FinishFile();
        if (self->m_bRecording.load()) {
            // Closed without Stop: the input went away. The file is finished;
            // end the recording as a normal one, and say why.
            self->m_bDeviceLost = true;
            self->m_bRecording = 0;
            self->m_hFinished->Set();
        }
        break;
    default:
        break;
    }
}

void CWaveRecorder::OnData(IWaveIn* device, WAVEHDR* header)
{
    const bool recording = m_bRecording.load() != 0;
    const float peak = PeakOf(header->lpData, header->dwBytesRecorded, m_deviceFormat);
    uint32_t bits;
    std::memcpy(&bits, &peak, sizeof bits);
    for (uint32_t seen = m_peakBits.load(); bits > seen && !m_peakBits.compare_exchange_weak(seen, bits);) {
    }

    bool written;
    {
        std::lock_guard lock(m_writerMutex);
        written = m_wavFile.Write(header->lpData, header->dwBytesRecorded);
        // Paused: nothing stays in memory only.
        if (written && m_bPaused.load())
            written = m_wavFile.FlushStaged();
    }
    if (!recording) {
        FreeBuffer(device, header);
        return;
    }
    // Audio the device had to drop is a recording with a hole: end it, and
    // say why. A device that went away says so itself.
    if (written && m_pDevice && m_pDevice->BytesDropped() > 0 && !m_pDevice->IsLost()) {
        m_bOverrun = true;
        written = false;
    }
    if (written) {
        device->PrepareHeader(header);
        // A device that cannot take the buffer back (it went away) leaves
        // it with us: free it now rather than hold it until destruction.
        if (device->AddBuffer(header) != WAVEIN_NOERROR)
            FreeBuffer(device, header);
    } else {
        m_hFinished->Set();
    }
}

float CWaveRecorder::PeakOf(const uint8_t* data, uint32_t length, const WAVEFORMATEX& format)
{
    const uint32_t bytes = format.wBitsPerSample / 8;
    if (!data || bytes == 0 || bytes > 4)
        return 0.0f;
    uint32_t peak = 0; // magnitude in the sample's own scale
    for (uint32_t i = 0; i + bytes <= length; i += bytes) {
        uint32_t magnitude;
        switch (bytes) {
        case 1:
            magnitude = uint32_t(std::abs(int(data[i]) - 128));
            break;
        case 2: {
            const auto v = int16_t(uint16_t(data[i] | data[i + 1] << 8));
            magnitude = uint32_t(std::abs(int32_t(v)));
            break;
        }
        case 3: {
            int32_t v = int32_t(uint32_t(data[i]) | uint32_t(data[i + 1]) << 8 | uint32_t(data[i + 2]) << 16);
            if (v & 0x800000)
                v -= 0x1000000;
            magnitude = uint32_t(std::abs(v));
            break;
        }
        default: {
            const auto v = int32_t(uint32_t(data[i]) | uint32_t(data[i + 1]) << 8 | uint32_t(data[i + 2]) << 16 |
                                   uint32_t(data[i + 3]) << 24);
            magnitude = v == INT32_MIN ? 0x80000000u : uint32_t(std::abs(v));
            break;
        }
        }
        peak = std::max(peak, magnitude);
    }
    const double full = double(uint64_t(1) << (8 * bytes - 1));
    return float(std::min(1.0, double(peak) / full));
}

float CWaveRecorder::TakePeak()
{
    const uint32_t bits = m_peakBits.exchange(0);
    float peak;
    std::memcpy(&peak, &bits, sizeof peak);
    return peak;
}

bool CWaveRecorder::Pause()
{
    if (!m_hWaveIn || !m_bRecording.load() || m_bPaused.load() || (m_hFinished && m_hFinished->IsSet()))
        return false;
    m_bPaused = true;
    if (m_hWaveIn->Stop() != WAVEIN_NOERROR) {
        m_bPaused = false;
        return false;
    }
    bool flushed;
    {
        std::lock_guard lock(m_writerMutex);
        flushed = !m_wavFile.IsOpen() || m_wavFile.FlushStaged();
    }
    // A write that failed ends the recording as one refused while running.
    if (!flushed && m_bRecording.load())
        m_hFinished->Set();
    return true;
}

bool CWaveRecorder::Resume()
{
    if (!m_hWaveIn || !m_bRecording.load() || !m_bPaused.load() || (m_hFinished && m_hFinished->IsSet()))
        return false;
    if (m_hWaveIn->Start() != WAVEIN_NOERROR)
        return false;
    m_bPaused = false;
    return true;
}

void CWaveRecorder::FreeBuffer(IWaveIn* device, WAVEHDR* header)
{
    device->UnprepareHeader(header);
    auto* buffer = reinterpret_cast<CaptureBuffer*>(header->dwUser);
    buffer->data.reset();
    header->lpData = nullptr;
    header->dwBufferLength = 0;
}

bool CWaveRecorder::Stop()
{
    if (!m_hWaveIn) {
        if (m_hFinished)
            m_hFinished->Set();
        return false;
    }
    // Capture stops first, with the buffers still recycled: what the device
    // holds for the writer reaches the file before the flag clears.
    m_hWaveIn->Stop();
    if (m_pDevice && !m_hFinished->IsSet())
        m_pDevice->WaitBacklogDrained(std::chrono::seconds(10));
    m_bRecording = 0;
    m_bPaused = false;
    const bool reset = CheckWaveInResult(m_hWaveIn->Reset());
    const bool closed = CheckWaveInResult(m_hWaveIn->Close());
    m_hFinished->Set();
    return reset && closed;
}

void CWaveRecorder::AbortAfterRefusal()
{
    m_bRecording = 0;
    if (m_hWaveIn) {
        m_hWaveIn->Reset();
        m_hWaveIn->Close();
    }
}

void CWaveRecorder::ReleaseDevice()
{
    m_bRecording = 0;
    if (m_hWaveIn) {
        m_hWaveIn->Stop();
        // A second round covers a reset or close that failed the first time.
        for (int i = 0; i < 2 && m_hWaveIn->IsOpen(); ++i) {
            m_hWaveIn->Reset();
            m_hWaveIn->Close();
        }
    }
    if (m_hFinished)
        m_hFinished->Set();
}

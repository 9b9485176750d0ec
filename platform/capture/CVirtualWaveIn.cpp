// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CVirtualWaveIn.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool ParseDouble(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && std::isfinite(value);
}

bool ParseInt(const std::string& text, long long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 0);
    return end && *end == '\0';
}

std::vector<std::string> Split(const std::string& text, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t pos = text.find(sep, start);
        parts.push_back(text.substr(start, pos == std::string::npos ? std::string::npos : pos - start));
        if (pos == std::string::npos)
            return parts;
        start = pos + 1;
    }
}

bool CallByName(const std::string& name, WaveInCall& call)
{
    static const char* const names[] = {"open", "prepare", "add", "start", "stop", "reset", "close"};
    for (int i = 0; i < 7; ++i)
        if (name == names[i]) {
            call = WaveInCall(i);
            return true;
        }
    return false;
}

// The bytes of a WAV file's "data" chunk; empty when there is none.
std::vector<uint8_t> LoadWavData(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WAVE", 4) != 0)
        return {};
    size_t pos = 12;
    while (pos + 8 <= file.size()) {
        uint32_t size;
        std::memcpy(&size, file.data() + pos + 4, 4);
        if (std::memcmp(file.data() + pos, "data", 4) == 0) {
            const size_t n = std::min<size_t>(size, file.size() - pos - 8);
            return std::vector<uint8_t>(file.begin() + long(pos) + 8, file.begin() + long(pos + 8 + n));
        }
        pos += 8 + size + (size & 1);
    }
    return {};
}

void StoreSample(uint8_t* p, int64_t value, uint16_t bytes)
{
    for (uint16_t b = 0; b < bytes; ++b)
        p[b] = uint8_t(uint64_t(value) >> (8 * b));
}

} // namespace

bool ParseVirtualWaveInConfig(const char* input, const char* speed, const char* fail, const char* vanish,
                              VirtualWaveInConfig& config, std::string& error)
{
    if (input && *input) {
        const std::string text = input;
        const auto parts = Split(text, ':');
        if (parts[0] == "sine") {
            config.signal = VirtualWaveInConfig::Signal::Sine;
            if (parts.size() > 1 && !ParseDouble(parts[1], config.frequency)) {
                error = "bad sine frequency: " + text;
                return false;
            }
            if (parts.size() > 2 && !ParseDouble(parts[2], config.level)) {
                error = "bad sine level: " + text;
                return false;
            }
            if (parts.size() > 3 || config.frequency < 0 || config.level < 0 || config.level > 1) {
                error = "sine:FREQUENCY:LEVEL with 0 <= LEVEL <= 1 expected: " + text;
                return false;
            }
        } else if (parts[0] == "ramp" && parts.size() == 1) {
            config.signal = VirtualWaveInConfig::Signal::Ramp;
        } else if (parts[0] == "silence" && parts.size() == 1) {
            config.signal = VirtualWaveInConfig::Signal::Silence;
        } else if (parts[0] == "wav" && parts.size() > 1) {
            config.signal = VirtualWaveInConfig::Signal::WavFile;
            config.wavPath = text.substr(4);
        } else {
            error = "unknown input (sine:F:L, ramp, silence, wav:PATH): " + text;
            return false;
        }
    }
    if (speed && *speed) {
        if (!ParseDouble(speed, config.speed) || config.speed < 0 || config.speed > 10000) {
            error = std::string("bad speed (0 to 10000): ") + speed;
            return false;
        }
    }
    if (fail && *fail) {
        for (const std::string& item : Split(fail, ',')) {
            const auto parts = Split(item, ':');
            VirtualWaveInFault fault{};
            long long code = 0, nth = 1;
            if (parts.size() < 2 || parts.size() > 3 || !CallByName(parts[0], fault.call) ||
                !ParseInt(parts[1], code) || code <= 0 || code > 0xFFFF ||
                (parts.size() == 3 && (!ParseInt(parts[2], nth) || nth < 0 || nth > 1000000))) {
                error = "bad fault (CALL:CODE[:NTH]): " + item;
                return false;
            }
            fault.code = uint32_t(code);
            fault.occurrence = int(nth);
            config.faults.push_back(fault);
        }
    }
    if (vanish && *vanish) {
        long long ms = 0;
        if (!ParseInt(vanish, ms) || ms < 0) {
            error = std::string("bad vanish time in ms: ") + vanish;
            return false;
        }
        config.vanishAfterMs = ms;
    }
    return true;
}

uint32_t CVirtualWaveIn::Open(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                              void* instance, const VirtualWaveInConfig& config)
{
    for (const auto& f : config.faults)
        if (f.call == WaveInCall::Open && f.occurrence <= 1)
            return f.code;
    if (!proc)
        return WAVEIN_INVALPARAM;
    if (const uint32_t rc = CheckFormat(format))
        return rc;
    std::unique_ptr<CVirtualWaveIn> dev(new CVirtualWaveIn(format, proc, instance, config));
    if (config.signal == VirtualWaveInConfig::Signal::WavFile) {
        dev->m_wavData = LoadWavData(config.wavPath);
        if (dev->m_wavData.size() < format.nBlockAlign)
            return WAVEIN_NODRIVER;
    }
    dev->m_calls[int(WaveInCall::Open)] = 1;
    dev->m_generator = std::thread(&CVirtualWaveIn::GeneratorThread, dev.get());
    dev->Opened();
    device = std::move(dev);
    return WAVEIN_NOERROR;
}

CVirtualWaveIn::CVirtualWaveIn(const WAVEFORMATEX& format, WaveInProcFn proc, void* instance,
                               const VirtualWaveInConfig& config)
    : CWaveInDevice(format, proc, instance)
    , m_config(config)
{
}

CVirtualWaveIn::~CVirtualWaveIn()
{
    Shutdown();
    {
        std::lock_guard lock(m_genMutex);
        m_bQuit = true;
    }
    m_genCv.notify_all();
    if (m_generator.joinable())
        m_generator.join();
}

uint32_t CVirtualWaveIn::Fault(WaveInCall call)
{
    std::lock_guard lock(m_faultMutex);
    const int n = ++m_calls[int(call)];
    for (const auto& f : m_config.faults)
        if (f.call == call && (f.occurrence == 0 || f.occurrence == n))
            return f.code;
    return WAVEIN_NOERROR;
}

uint32_t CVirtualWaveIn::PrepareHeader(WAVEHDR* header)
{
    if (const uint32_t rc = Fault(WaveInCall::Prepare))
        return rc;
    return CWaveInDevice::PrepareHeader(header);
}

uint32_t CVirtualWaveIn::AddBuffer(WAVEHDR* header)
{
    if (const uint32_t rc = Fault(WaveInCall::Add))
        return rc;
    const uint32_t rc = CWaveInDevice::AddBuffer(header);
    if (rc == WAVEIN_NOERROR && m_config.speed == 0)
        m_genCv.notify_all();
    return rc;
}

uint32_t CVirtualWaveIn::Start()
{
    if (const uint32_t rc = Fault(WaveInCall::Start))
        return rc;
    return CWaveInDevice::Start();
}

uint32_t CVirtualWaveIn::Stop()
{
    if (const uint32_t rc = Fault(WaveInCall::Stop))
        return rc;
    return CWaveInDevice::Stop();
}

uint32_t CVirtualWaveIn::Reset()
{
    if (const uint32_t rc = Fault(WaveInCall::Reset))
        return rc;
    return CWaveInDevice::Reset();
}

uint32_t CVirtualWaveIn::Close()
{
    if (const uint32_t rc = Fault(WaveInCall::Close))
        return rc;
    return CWaveInDevice::Close();
}

void CVirtualWaveIn::Vanish()
{
    std::lock_guard lock(m_genMutex);
    m_bVanished = true;
    m_bRunning = false;
    Lose();
}

uint32_t CVirtualWaveIn::OnStart()
{
    std::lock_guard lock(m_genMutex);
    if (m_bVanished)
        return WAVEIN_NODRIVER;
    m_startSeconds = Now();
    m_startFrame = m_frames.load();
    m_bRunning = true;
    m_genCv.notify_all();
    return WAVEIN_NOERROR;
}

void CVirtualWaveIn::OnStop()
{
    std::lock_guard lock(m_genMutex);
    if (m_bRunning)
        Produce(); // everything up to this moment was captured
    m_bRunning = false;
}

void CVirtualWaveIn::OnClose()
{
    {
        std::lock_guard lock(m_genMutex);
        m_bQuit = true;
        m_bRunning = false;
    }
    m_genCv.notify_all();
    if (m_generator.joinable() && m_generator.get_id() != std::this_thread::get_id())
        m_generator.join();
}

void CVirtualWaveIn::RenderFrames(const VirtualWaveInConfig& config, const WAVEFORMATEX& format,
                                  const std::vector<uint8_t>& wavData, uint64_t firstFrame, size_t frames,
                                  std::vector<uint8_t>& out)
{
    const uint16_t align = format.nBlockAlign;
    const uint16_t bytes = format.wBitsPerSample / 8;
    out.resize(frames * align);
    uint8_t* p = out.data();
    for (size_t k = 0; k < frames; ++k, p += align) {
        const uint64_t i = firstFrame + k;
        if (config.signal == VirtualWaveInConfig::Signal::WavFile) {
            const size_t n = wavData.size();
            for (uint16_t b = 0; b < align; ++b)
                p[b] = wavData[(i * align + b) % n];
            continue;
        }
        int64_t value = 0;
        if (config.signal == VirtualWaveInConfig::Signal::Ramp) {
            value = int64_t(i);
        } else {
            double v = 0;
            if (config.signal == VirtualWaveInConfig::Signal::Sine)
                v = config.level * std::sin(2.0 * M_PI * config.frequency * double(i) / format.nSamplesPerSec);
            const double full = bytes == 1 ? 127.0 : double((int64_t(1) << (8 * bytes - 1)) - 1);
            value = std::llround(v * full);
            if (bytes == 1)
                value += 128; // 8-bit PCM is unsigned
        }
        for (uint16_t c = 0; c < format.nChannels; ++c)
            StoreSample(p + c * bytes, value, bytes);
    }
}

void CVirtualWaveIn::Produce()
{
    const WAVEFORMATEX& f = Format();
    const uint64_t done = m_frames.load();
    uint64_t target;
    if (m_config.speed == 0)
        target = done + QueuedSpace() / f.nBlockAlign;
    else
        target = m_startFrame + uint64_t((Now() - m_startSeconds) * f.nSamplesPerSec * m_config.speed);
    bool vanish = false;
    if (m_config.vanishAfterMs >= 0) {
        const uint64_t at = uint64_t(m_config.vanishAfterMs) * f.nSamplesPerSec / 1000;
        if (target >= at) {
            target = std::max(at, done);
            vanish = true;
        }
    }
    const uint64_t step = std::max<uint64_t>(f.nSamplesPerSec / 10, 1);
    for (uint64_t pos = done; pos < target;) {
        const size_t n = size_t(std::min(step, target - pos));
        RenderFrames(m_config, f, m_wavData, pos, n, m_scratch);
        Fill(m_scratch.data(), m_scratch.size());
        pos += n;
        m_frames.store(pos);
    }
    if (vanish) {
        m_bVanished = true;
        m_bRunning = false;
        Lose();
    }
}

void CVirtualWaveIn::GeneratorThread()
{
    std::unique_lock lock(m_genMutex);
    while (!m_bQuit) {
        if (!m_bRunning) {
            m_genCv.wait(lock, [this] { return m_bQuit || m_bRunning; });
            continue;
        }
        Produce();
        m_genCv.wait_for(lock, std::chrono::milliseconds(2));
    }
}

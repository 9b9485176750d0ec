// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// CWaveRecorder and the wave-input layer on the virtual device: every Start
// result with its message and what it leaves behind, the device format rules,
// the buffer size rule, notification order, stopping with buffers in flight,
// a device that vanishes, a writer that refuses audio, and destruction while
// the device runs.
#include "engine/CRecordingJournal.h"
#include "engine/CWaveRecorder.h"
#include "engine/MessageStyle.h"
#include "platform/capture/CVirtualWaveIn.h"
#include "platform/capture/CWaveInDevice.h"
#include "platform/codecs/IConversionStream.h"
#include "platform/AudioBackends.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Installs the virtual device with `config` for the test's lifetime and
// remembers the last device opened and the format it was opened with.
class VirtualInput {
public:
    explicit VirtualInput(VirtualWaveInConfig config = {})
        : m_config(std::move(config))
    {
        OverrideBackend(&AudioBackends::waveIn, [this](std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                                void* instance) {
            m_opened = format;
            ++m_opens;
            const uint32_t rc = CVirtualWaveIn::Open(device, format, proc, instance, m_config);
            m_device = static_cast<CVirtualWaveIn*>(device.get());
            return rc;
        });
    }
    ~VirtualInput() { OverrideBackend(&AudioBackends::waveIn, {}); }
    VirtualWaveInConfig m_config;
    WAVEFORMATEX m_opened{};
    int m_opens = 0;
    CVirtualWaveIn* m_device = nullptr;
};

VirtualWaveInConfig RampAt(double speed)
{
    VirtualWaveInConfig c;
    c.signal = VirtualWaveInConfig::Signal::Ramp;
    c.speed = speed;
    return c;
}

WAVEFORMATEX Pcm16Mono() { return MakePcmFormat(1, 22050, 16); }

std::vector<uint8_t> AudioOf(const std::vector<uint8_t>& file)
{
    return std::vector<uint8_t>(file.begin() + 46, file.begin() + 46 + Le32(file, 42));
}

// The file is a finished PCM WAV: both sizes written and consistent.
void ExpectFinishedPcm(const std::string& path)
{
    const auto bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 46u) << path;
    EXPECT_EQ(0, std::memcmp(bytes.data(), "RIFF", 4));
    EXPECT_EQ(0, std::memcmp(bytes.data() + 38, "data", 4));
    const uint32_t n = Le32(bytes, 42);
    EXPECT_EQ(bytes.size(), 46u + n + ((n & 1) ? 1u + 12u : 0u)) << "an odd chunk: pad byte and a JUNK chunk";
    EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8);
}

// The recorded bytes must be exactly the ramp from frame 0, nothing missing,
// nothing repeated, in order.
void ExpectRamp(const std::vector<uint8_t>& audio, const WAVEFORMATEX& f, uint64_t frames)
{
    ASSERT_EQ(audio.size(), frames * f.nBlockAlign);
    std::vector<uint8_t> expected;
    CVirtualWaveIn::RenderFrames(RampAt(1), f, {}, 0, size_t(frames), expected);
    const auto mismatch = std::mismatch(audio.begin(), audio.end(), expected.begin());
    EXPECT_TRUE(mismatch.first == audio.end())
        << "first difference at byte " << (mismatch.first - audio.begin()) << " of " << audio.size();
}

} // namespace

TEST(WaveRecorderStart, RecordsAndStopsCleanly)
{
    CapturingHost host;
    TempDir dir;
    VirtualInput input(RampAt(1));
    const std::string path = dir.File("rec.wav");
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = Pcm16Mono();
    const auto beforeStart = std::chrono::steady_clock::now();
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    const auto afterStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(rec.Started());
    EXPECT_TRUE(rec.IsRecording());
    EXPECT_FALSE(rec.Finished());
    ASSERT_TRUE(rec.WaveIn());
    EXPECT_TRUE(rec.WaveIn()->IsOpen());
    std::this_thread::sleep_for(300ms);
    const auto beforeStop = std::chrono::steady_clock::now();
    EXPECT_TRUE(rec.Stop());
    const auto afterStop = std::chrono::steady_clock::now();
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_TRUE(rec.Finished());
    EXPECT_FALSE(rec.WaveIn()->IsOpen());
    // The file is finished when Stop returns, not only at destruction.
    EXPECT_FALSE(rec.GetWavFile().IsOpen());
    ExpectFinishedPcm(path);
    ExpectRamp(AudioOf(ReadFileBytes(path)), f, input.m_device->FramesProduced());
    // The audio covers the time between start and stop, up to the last
    // moment: the device's clock, not whole buffers.
    const double seconds = double(input.m_device->FramesProduced()) / 22050.0;
    EXPECT_GE(seconds, std::chrono::duration<double>(beforeStop - afterStart).count() - 0.001);
    EXPECT_LE(seconds, std::chrono::duration<double>(afterStop - beforeStart).count() + 0.001);
    EXPECT_TRUE(host.Messages().empty());
}

TEST(WaveRecorderStart, BeforeStartNothingIsStartedOrFinished)
{
    TempDir dir;
    CWaveRecorder rec(dir.File("rec.wav"));
    EXPECT_FALSE(rec.Started());
    EXPECT_FALSE(rec.Finished());
    // No event to wait on: answers at once instead of blocking or crashing.
    EXPECT_FALSE(rec.WaitFinished(INFINITE));
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_FALSE(rec.WaveIn());
}

TEST(WaveRecorderStart, CreateFailureLeavesEventAndNoDevice)
{
    CapturingHost host;
    TempDir dir;
    VirtualInput input;
    const std::string path = dir.File("missing-folder/rec.wav");
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = Pcm16Mono();
    EXPECT_EQ(WAVEREC_CREATE_FAILED, rec.Start(&f));
    EXPECT_TRUE(rec.Started());
    EXPECT_FALSE(rec.WaveIn());
    EXPECT_EQ(0, input.m_opens);
    EXPECT_FALSE(rec.IsRecording());
    ASSERT_EQ(1u, host.Messages().size());
    EXPECT_EQ(0u, host.Messages()[0].text.rfind("Unable to create file", 0)) << host.Messages()[0].text;
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(WaveRecorderStart, OpenFailureShowsTheCodeAndDeletesTheFile)
{
    const struct {
        uint32_t code;
        const char* text;
    } cases[] = {
        {32, "Attempted to open with an unsupported waveform-audio format."},
        {6, "No device driver is present."},
        {4, "Specified resource is already allocated."},
        {99, "An error open WAVE_MAPPER device, code=99"},
    };
    for (const auto& c : cases) {
        CapturingHost host;
        TempDir dir;
        VirtualWaveInConfig config;
        config.faults.push_back({WaveInCall::Open, c.code, 1});
        VirtualInput input(config);
        const std::string path = dir.File("rec.wav");
        CWaveRecorder rec(path);
        const WAVEFORMATEX f = Pcm16Mono();
        EXPECT_EQ(WAVEREC_OPEN_FAILED, rec.Start(&f)) << c.code;
        EXPECT_FALSE(rec.WaveIn());
        EXPECT_FALSE(std::filesystem::exists(path)) << c.code;
        EXPECT_FALSE(rec.GetWavFile().IsOpen());
        ASSERT_EQ(1u, host.Messages().size());
        EXPECT_EQ(c.text, host.Messages()[0].text);
        EXPECT_EQ(MB_OK, host.Messages()[0].style);
    }
}

TEST(WaveRecorderStart, BufferFailuresReleaseTheDeviceAndFinishTheFile)
{
    const struct {
        WaveInCall call;
        uint32_t code;
        int nth;
        uint32_t result;
        const char* text;
    } cases[] = {
        {WaveInCall::Add, 7, 3, WAVEREC_BUFFER_FAILED, "Unable to allocate or lock memory."},
        {WaveInCall::Prepare, 5, 1, WAVEREC_BUFFER_FAILED, "Specified device handle is invalid."},
        {WaveInCall::Add, 11, 4, WAVEREC_BUFFER_FAILED, "invalid parameter passed"},
        {WaveInCall::Start, 4, 1, WAVEREC_START_FAILED, "Specified resource is already allocated."},
        {WaveInCall::Start, 1234, 1, WAVEREC_START_FAILED, "An error open WAVE_MAPPER device, code=1234"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CapturingHost host;
        TempDir dir;
        VirtualWaveInConfig config = RampAt(1);
        config.faults.push_back({c.call, c.code, c.nth});
        VirtualInput input(config);
        const std::string path = dir.File("rec.wav");
        CWaveRecorder rec(path);
        const WAVEFORMATEX f = Pcm16Mono();
        EXPECT_EQ(c.result, rec.Start(&f));
        ASSERT_EQ(1u, host.Messages().size());
        EXPECT_EQ(c.text, host.Messages()[0].text);
        // Mended: no device stays open, the flag is clear, the event says
        // "ended" and the file is a finished, empty WAV.
        ASSERT_TRUE(rec.WaveIn());
        EXPECT_FALSE(rec.WaveIn()->IsOpen());
        EXPECT_FALSE(rec.IsRecording());
        EXPECT_TRUE(rec.Finished());
        EXPECT_FALSE(rec.GetWavFile().IsOpen());
        ExpectFinishedPcm(path);
        EXPECT_EQ(46u, ReadFileBytes(path).size());
    }
}

namespace {
class StarvedRecorder : public CWaveRecorder {
public:
    using CWaveRecorder::CWaveRecorder;
    int m_allowed = 2; // blocks that can still be allocated
protected:
    uint8_t* AllocateBlock(uint32_t size) override
    {
        return m_allowed-- > 0 ? CWaveRecorder::AllocateBlock(size) : nullptr;
    }
};
} // namespace

TEST(WaveRecorderStart, UnallocatableBufferShowsOutOfMemory)
{
    CapturingHost host;
    TempDir dir;
    VirtualInput input(RampAt(1));
    StarvedRecorder rec(dir.File("rec.wav"));
    const WAVEFORMATEX f = Pcm16Mono();
    EXPECT_EQ(WAVEREC_BUFFER_FAILED, rec.Start(&f));
    ASSERT_EQ(1u, host.Messages().size());
    EXPECT_EQ("Out of memory.", host.Messages()[0].text);
    EXPECT_EQ(MB_ICONEXCLAMATION, host.Messages()[0].style);
    EXPECT_FALSE(rec.WaveIn()->IsOpen());
    ExpectFinishedPcm(dir.File("rec.wav"));
}

TEST(WaveRecorderResult, TableTexts)
{
    CapturingHost host;
    EXPECT_TRUE(CWaveRecorder::CheckWaveInResult(0));
    EXPECT_TRUE(host.Messages().empty());
    const std::pair<uint32_t, const char*> table[] = {
        {2, "Specified device identifier is out of range."},
        {4, "Specified resource is already allocated."},
        {5, "Specified device handle is invalid."},
        {6, "No device driver is present."},
        {7, "Unable to allocate or lock memory."},
        {11, "invalid parameter passed"},
        {32, "Attempted to open with an unsupported waveform-audio format."},
        {33, "There are still buffers in the queue."},
        {265, "The end of the file (or the end of the parent chunk, if given) was reached before the desired chunk "
              "was found."},
        {3, "An error open WAVE_MAPPER device, code=3"},
        {34, "An error open WAVE_MAPPER device, code=34"},
    };
    for (const auto& [code, text] : table)
        EXPECT_FALSE(CWaveRecorder::CheckWaveInResult(code)) << code;
    const auto messages = host.Messages();
    ASSERT_EQ(std::size(table), messages.size());
    for (size_t i = 0; i < messages.size(); ++i) {
        EXPECT_EQ(table[i].second, messages[i].text);
        EXPECT_EQ(MB_OK, messages[i].style);
    }
}

TEST(WaveRecorderFormat, PcmOpensAsChosenAndWfxKeepsTheChoice)
{
    for (const WAVEFORMATEX f : {MakePcmFormat(1, 8000, 8), MakePcmFormat(2, 44100, 16)}) {
        CapturingHost host;
        TempDir dir;
        VirtualInput input(RampAt(4));
        CWaveRecorder rec(dir.File("rec.wav"));
        ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
        EXPECT_EQ(0, std::memcmp(&input.m_opened, &f, sizeof f));
        EXPECT_EQ(0, std::memcmp(&rec.ChosenFormat(), &f, sizeof f));
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(rec.Stop());
        const auto bytes = ReadFileBytes(dir.File("rec.wav"));
        EXPECT_EQ(0, std::memcmp(bytes.data() + 20, &f, 18));
        ExpectRamp(AudioOf(bytes), f, input.m_device->FramesProduced());
    }
}

namespace {
// A codec stand-in that copies PCM through, counting what it was given.
class PassStream : public IConversionStream {
public:
    bool OutputSize(uint32_t src, uint32_t& dst) override
    {
        dst = src;
        return true;
    }
    bool Convert(const uint8_t* src, uint32_t n, std::vector<uint8_t>& out) override
    {
        out.insert(out.end(), src, src + n);
        return true;
    }
    bool Finish(std::vector<uint8_t>&) override { return true; }
};
} // namespace

TEST(WaveRecorderFormat, CompressedFormatOpensAsSixteenBitPcm)
{
    CapturingHost host;
    TempDir dir;
    OverrideBackend(&AudioBackends::conversion, [](const WAVEFORMATEX&, const FormatBlock&, std::unique_ptr<IConversionStream>& s) {
        s = std::make_unique<PassStream>();
        return 0u;
    });
    // GSM 6.10 style: 0 bits per sample, its own byte rate and block align.
    std::vector<uint8_t> block(20);
    WAVEFORMATEX gsm{0x31, 1, 8000, 1625, 65, 0, 2};
    std::memcpy(block.data(), &gsm, 18);
    block[18] = 0x40, block[19] = 0x01;
    // IMA ADPCM style: 4 bits per sample.
    WAVEFORMATEX ima{0x11, 2, 22050, 22311, 1024, 4, 0};
    const WAVEFORMATEX* chosen[] = {reinterpret_cast<const WAVEFORMATEX*>(block.data()), &ima};
    for (const WAVEFORMATEX* f : chosen) {
        VirtualInput input(RampAt(4));
        CWaveRecorder rec(dir.File("c.wav"));
        ASSERT_EQ(WAVEREC_OK, rec.Start(f));
        EXPECT_EQ(WAVE_FORMAT_PCM, input.m_opened.wFormatTag);
        EXPECT_EQ(16, input.m_opened.wBitsPerSample);
        EXPECT_EQ(f->nChannels, input.m_opened.nChannels);
        EXPECT_EQ(f->nSamplesPerSec, input.m_opened.nSamplesPerSec);
        EXPECT_EQ(f->nChannels * 2, input.m_opened.nBlockAlign);
        EXPECT_EQ(f->nSamplesPerSec * f->nChannels * 2, input.m_opened.nAvgBytesPerSec);
        // The chosen format again holds the chosen tag, bits and sizes.
        EXPECT_EQ(0, std::memcmp(&rec.ChosenFormat(), f, 18));
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(rec.Stop());
        EXPECT_GT(rec.GetWavFile().DataBytesWritten(), 0u);
    }
    OverrideBackend(&AudioBackends::conversion, {});
    EXPECT_TRUE(host.Messages().empty());
}

TEST(WaveRecorderBuffers, SizeRule)
{
    const WAVEFORMATEX mono16 = MakePcmFormat(1, 22050, 16);   // 441 bytes in 10 ms
    const WAVEFORMATEX six = MakePcmFormat(2, 8000, 24);       // 6-byte blocks, 480 bytes in 10 ms
    const WAVEFORMATEX tiny = MakePcmFormat(1, 8000, 8);       // 80 bytes in 10 ms
    EXPECT_EQ(10000u, CWaveRecorder::CaptureBufferSize(0, mono16));
    EXPECT_EQ(10000u, CWaveRecorder::CaptureBufferSize(-1, mono16));
    EXPECT_EQ(10000u, CWaveRecorder::CaptureBufferSize(INT_MIN, mono16));
    EXPECT_EQ(9996u, CWaveRecorder::CaptureBufferSize(0, six)); // default, whole blocks
    EXPECT_EQ(1000000u, CWaveRecorder::CaptureBufferSize(INT_MAX, mono16));
    EXPECT_EQ(999996u, CWaveRecorder::CaptureBufferSize(1000001, six));
    EXPECT_EQ(10000u, CWaveRecorder::CaptureBufferSize(10001, mono16));
    EXPECT_EQ(442u, CWaveRecorder::CaptureBufferSize(1, mono16)); // 10 ms, rounded up to a block
    EXPECT_EQ(480u, CWaveRecorder::CaptureBufferSize(7, six));
    EXPECT_EQ(81u, CWaveRecorder::CaptureBufferSize(81, tiny));
    EXPECT_EQ(80u, CWaveRecorder::CaptureBufferSize(79, tiny));
}

TEST(WaveRecorderBuffers, OddSettingsStillRecordEverything)
{
    // 0 and negative fall back to the default; huge is capped; a tiny size
    // still records without losing a byte.
    const struct {
        int setting;
        uint32_t expected;
        double speed;
    } cases[] = {{0, 10000, 1}, {-20, 10000, 1}, {INT_MAX, 1000000, 0}, {3, 442, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        CapturingHost host(c.setting);
        TempDir dir;
        VirtualInput input(RampAt(c.speed));
        CWaveRecorder rec(dir.File("rec.wav"));
        const WAVEFORMATEX f = Pcm16Mono();
        ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
        EXPECT_EQ(c.expected, rec.BufferSize());
        if (c.speed == 0) {
            // As fast as buffers cycle: several flushes of the writer's 1,000,000-byte blocks.
            const auto until = std::chrono::steady_clock::now() + 20s;
            while (input.m_device->FramesProduced() * 2 < 2500000 && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(5ms);
        } else {
            std::this_thread::sleep_for(250ms);
        }
        EXPECT_TRUE(rec.Stop());
        EXPECT_EQ(0u, input.m_device->BytesDropped());
        ExpectFinishedPcm(dir.File("rec.wav"));
        ExpectRamp(AudioOf(ReadFileBytes(dir.File("rec.wav"))), f, input.m_device->FramesProduced());
        EXPECT_TRUE(host.Messages().empty());
    }
}

TEST(WaveRecorderStop, PartBuffersInFlightReachTheFileInOrder)
{
    // Buffers of 3000 bytes at 4x speed: a Stop at any moment finds one partly
    // filled; its bytes must end the file, after every full buffer, in order.
    for (int round = 0; round < 5; ++round) {
        CapturingHost host(3000);
        TempDir dir;
        VirtualInput input(RampAt(4));
        CWaveRecorder rec(dir.File("rec.wav"));
        const WAVEFORMATEX f = MakePcmFormat(2, 22050, 16);
        ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
        std::this_thread::sleep_for(std::chrono::milliseconds(40 + 37 * round));
        EXPECT_TRUE(rec.Stop());
        const uint64_t frames = input.m_device->FramesProduced();
        EXPECT_GT(frames, 0u);
        ExpectRamp(AudioOf(ReadFileBytes(dir.File("rec.wav"))), f, frames);
    }
}

TEST(WaveRecorderStop, SignalsEvenWhenResetAndCloseFail)
{
    CapturingHost host;
    TempDir dir;
    VirtualWaveInConfig config = RampAt(1);
    config.faults.push_back({WaveInCall::Reset, 5, 1});
    config.faults.push_back({WaveInCall::Close, 33, 1});
    VirtualInput input(config);
    const std::string path = dir.File("rec.wav");
    {
        CWaveRecorder rec(path);
        const WAVEFORMATEX f = Pcm16Mono();
        ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(rec.Stop());
        EXPECT_TRUE(rec.Finished());
        const auto m = host.Messages();
        ASSERT_EQ(2u, m.size());
        EXPECT_EQ("Specified device handle is invalid.", m[0].text);
        EXPECT_EQ("There are still buffers in the queue.", m[1].text);
        // The device is still open: the writer too, until the destructor.
        EXPECT_TRUE(rec.WaveIn()->IsOpen());
    }
    ExpectFinishedPcm(path);
    EXPECT_GT(ReadFileBytes(path).size(), 46u);
}

TEST(WaveRecorderLifetime, DestroyingARunningRecorderStopsTheDeviceFirst)
{
    CapturingHost host(2000);
    TempDir dir;
    VirtualInput input(RampAt(8));
    const std::string path = dir.File("rec.wav");
    const WAVEFORMATEX f = Pcm16Mono();
    for (int i = 0; i < 5; ++i) {
        auto rec = std::make_unique<CWaveRecorder>(path);
        ASSERT_EQ(WAVEREC_OK, rec->Start(&f));
        std::this_thread::sleep_for(std::chrono::milliseconds(20 * i));
        rec.reset(); // ASan reports any delivery into the released recorder
        ExpectFinishedPcm(path);
        const auto audio = AudioOf(ReadFileBytes(path));
        ExpectRamp(audio, f, audio.size() / 2);
    }
    EXPECT_TRUE(host.Messages().empty());
}

TEST(WaveRecorderLifetime, SecondRecorderStartsNonSignalled)
{
    CapturingHost host;
    TempDir dir;
    VirtualInput input(RampAt(1));
    const WAVEFORMATEX f = Pcm16Mono();
    {
        CWaveRecorder first(dir.File("a.wav"));
        ASSERT_EQ(WAVEREC_OK, first.Start(&f));
        EXPECT_TRUE(first.Stop());
        EXPECT_TRUE(first.Finished());
    }
    CWaveRecorder second(dir.File("b.wav"));
    ASSERT_EQ(WAVEREC_OK, second.Start(&f));
    EXPECT_FALSE(second.Finished());
    EXPECT_TRUE(second.IsRecording());
    EXPECT_TRUE(second.Stop());
}

TEST(WaveRecorderLoss, VanishingDeviceEndsTheRecordingWithAFinishedFile)
{
    CapturingHost host;
    TempDir dir;
    VirtualWaveInConfig config = RampAt(2);
    config.vanishAfterMs = 500; // audio time: a quarter second of wall time
    VirtualInput input(config);
    const std::string path = dir.File("rec.wav");
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = Pcm16Mono();
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    ASSERT_TRUE(rec.WaitFinished(5000));
    // A normal end for the panel (flag clear), with the reason on record.
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_TRUE(rec.DeviceLost());
    EXPECT_TRUE(rec.WaveIn()->IsLost());
    EXPECT_FALSE(rec.GetWavFile().IsOpen());
    ExpectFinishedPcm(path);
    // Everything captured before the loss is in the file: exactly 0.5 s.
    ExpectRamp(AudioOf(ReadFileBytes(path)), f, 11025);
    // Releasing the lost device is quiet and safe.
    EXPECT_TRUE(rec.Stop());
    EXPECT_TRUE(host.Messages().empty());
}

TEST(WaveRecorderLoss, VanishOnDemandWhileBuffersCycle)
{
    CapturingHost host(500);
    TempDir dir;
    // Four times real time: fast enough to keep buffers cycling, slow enough
    // for a callback under ThreadSanitizer to keep up (at twenty times it did
    // not, and audio piled up in the device before the loss).
    VirtualInput input(RampAt(4));
    const std::string path = dir.File("rec.wav");
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = Pcm16Mono();
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    std::this_thread::sleep_for(120ms);
    input.m_device->Vanish();
    ASSERT_TRUE(rec.WaitFinished(5000));
    EXPECT_TRUE(rec.DeviceLost());
    ExpectFinishedPcm(path);
    ExpectRamp(AudioOf(ReadFileBytes(path)), f, input.m_device->BytesCaptured() / 2);
    // Audio still waiting in the device when it vanished reaches the buffers
    // that were queued then; only what found no buffer at that moment (the
    // callback still holding all four) is gone with the device, and it is
    // counted.
    EXPECT_EQ(input.m_device->FramesProduced() * 2, input.m_device->BytesCaptured() + input.m_device->BytesDropped());
    EXPECT_LT(input.m_device->BytesDropped(), 4u * 500u);
    rec.AbortAfterRefusal(); // what a panel might still do: harmless
    EXPECT_TRUE(host.Messages().empty());
}

namespace {
// A recorder whose writer accepts only `limit` audio bytes, so the writer
// refuses audio in the middle of a recording.
class LimitedRecorder : public CWaveRecorder {
public:
    LimitedRecorder(const std::string& path, uint64_t limit)
        : CWaveRecorder(path)
        , m_limit(limit)
    {
    }
protected:
    uint8_t* AllocateBlock(uint32_t size) override
    {
        m_wavFile.SetDataLimit(m_limit); // Create has run; capture has not started
        return CWaveRecorder::AllocateBlock(size);
    }
    uint64_t m_limit;
};
} // namespace

TEST(WaveRecorderRefusal, BrokenOffRecordingEndsThroughTheEventAndAbort)
{
    CapturingHost host;
    TempDir dir;
    VirtualInput input(RampAt(8));
    const std::string path = dir.File("rec.wav");
    LimitedRecorder rec(path, 30000);
    const WAVEFORMATEX f = Pcm16Mono();
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    ASSERT_TRUE(rec.WaitFinished(5000));
    // Signalled with the flag still set: the panel's broken-off path.
    EXPECT_TRUE(rec.IsRecording());
    EXPECT_EQ(WavWriteError::SizeLimit, rec.GetWavFile().LastWriteError());
    rec.AbortAfterRefusal();
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_FALSE(rec.WaveIn()->IsOpen());
    EXPECT_FALSE(rec.GetWavFile().IsOpen());
    ExpectFinishedPcm(path);
    const auto audio = AudioOf(ReadFileBytes(path));
    EXPECT_LE(audio.size(), 30000u);
    ExpectRamp(audio, f, audio.size() / 2);
    EXPECT_TRUE(host.Messages().empty());
}

// --- The layer itself -------------------------------------------------------

namespace {
struct Seen {
    uint32_t message;
    WAVEHDR* header;
    uint32_t bytes;
    std::thread::id thread;
};

struct Recorder {
    std::mutex mutex;
    std::vector<Seen> seen;
    std::vector<uint8_t> data;
    bool requeue = true;
    static void Proc(IWaveIn* device, uint32_t message, void* instance, WAVEHDR* header)
    {
        auto* self = static_cast<Recorder*>(instance);
        std::lock_guard lock(self->mutex);
        self->seen.push_back({message, header, header ? header->dwBytesRecorded : 0, std::this_thread::get_id()});
        if (message == WIM_DATA) {
            self->data.insert(self->data.end(), header->lpData, header->lpData + header->dwBytesRecorded);
            if (self->requeue)
                device->AddBuffer(header);
        }
    }
};
} // namespace

TEST(WaveInLayer, NotificationOrderAndThreads)
{
    Recorder r;
    const WAVEFORMATEX f = Pcm16Mono();
    std::unique_ptr<IWaveIn> dev;
    ASSERT_EQ(0u, CVirtualWaveIn::Open(dev, f, &Recorder::Proc, &r, RampAt(4)));
    {
        std::lock_guard lock(r.mutex);
        ASSERT_EQ(1u, r.seen.size()); // WIM_OPEN arrived before Open returned
        EXPECT_EQ(WIM_OPEN, r.seen[0].message);
        EXPECT_NE(std::this_thread::get_id(), r.seen[0].thread);
    }
    std::vector<uint8_t> blocks[3];
    WAVEHDR headers[3]{};
    for (int i = 0; i < 3; ++i) {
        blocks[i].resize(1000 + 2 * i);
        headers[i].lpData = blocks[i].data();
        headers[i].dwBufferLength = uint32_t(blocks[i].size());
        EXPECT_EQ(WAVEIN_UNPREPARED, dev->AddBuffer(&headers[i]));
        ASSERT_EQ(0u, dev->PrepareHeader(&headers[i]));
        ASSERT_EQ(0u, dev->AddBuffer(&headers[i]));
    }
    EXPECT_EQ(WAVEIN_STILLPLAYING, dev->AddBuffer(&headers[0]));
    ASSERT_EQ(0u, dev->Start());
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(WAVEIN_STILLPLAYING, dev->Close()); // buffers still queued
    {
        std::lock_guard lock(r.mutex);
        r.requeue = false;
    }
    EXPECT_EQ(0u, dev->Stop());
    EXPECT_EQ(0u, dev->Reset());
    EXPECT_EQ(0u, dev->Close());
    std::lock_guard lock(r.mutex);
    ASSERT_GE(r.seen.size(), 5u);
    EXPECT_EQ(WIM_CLOSE, r.seen.back().message); // Close returned after WIM_CLOSE ran
    const std::thread::id thread = r.seen[0].thread;
    size_t full = 0;
    for (size_t i = 1; i + 1 < r.seen.size(); ++i) {
        EXPECT_EQ(WIM_DATA, r.seen[i].message);
        EXPECT_EQ(thread, r.seen[i].thread); // one delivery thread
        // Buffers come back in the order they were queued.
        EXPECT_EQ(&headers[(i - 1) % 3], r.seen[i].header);
        full += r.seen[i].bytes == r.seen[i].header->dwBufferLength;
    }
    EXPECT_GT(full, 3u);
    ExpectRamp(r.data, f, r.data.size() / 2);
    EXPECT_EQ(dynamic_cast<CVirtualWaveIn*>(dev.get())->BytesCaptured(), r.data.size());
    EXPECT_EQ(WAVEIN_INVALHANDLE, dev->Start());
    EXPECT_EQ(WAVEIN_INVALHANDLE, dev->Close());
}

TEST(WaveInLayer, DestroyingAnOpenDeviceDeliversItsBuffersAndClose)
{
    Recorder r;
    r.requeue = false;
    const WAVEFORMATEX f = MakePcmFormat(1, 8000, 8);
    std::unique_ptr<IWaveIn> dev;
    ASSERT_EQ(0u, CVirtualWaveIn::Open(dev, f, &Recorder::Proc, &r, RampAt(1)));
    std::vector<uint8_t> block(100000);
    WAVEHDR h{block.data(), uint32_t(block.size()), 0, 0, 0};
    ASSERT_EQ(0u, dev->PrepareHeader(&h));
    ASSERT_EQ(0u, dev->AddBuffer(&h));
    ASSERT_EQ(0u, dev->Start());
    std::this_thread::sleep_for(100ms);
    dev.reset();
    ASSERT_EQ(3u, r.seen.size());
    EXPECT_EQ(WIM_DATA, r.seen[1].message);
    EXPECT_GT(r.seen[1].bytes, 400u); // about 100 ms at 8000 bytes/s, handed back part-filled
    EXPECT_EQ(WIM_CLOSE, r.seen[2].message);
    ExpectRamp(r.data, f, r.data.size());
}

TEST(WaveInLayer, BadFormatsAndParameters)
{
    Recorder r;
    std::unique_ptr<IWaveIn> dev;
    WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
    f.nBlockAlign = 4; // inconsistent
    EXPECT_EQ(WAVEIN_BADFORMAT, CVirtualWaveIn::Open(dev, f, &Recorder::Proc, &r, {}));
    EXPECT_EQ(WAVEIN_BADFORMAT, CVirtualWaveIn::Open(dev, MakePcmFormat(1, 22050, 12), &Recorder::Proc, &r, {}));
    EXPECT_EQ(WAVEIN_BADFORMAT, CVirtualWaveIn::Open(dev, MakePcmFormat(0, 22050, 16), &Recorder::Proc, &r, {}));
    WAVEFORMATEX adpcm = MakePcmFormat(1, 22050, 16);
    adpcm.wFormatTag = WAVE_FORMAT_ADPCM;
    EXPECT_EQ(WAVEIN_BADFORMAT, CVirtualWaveIn::Open(dev, adpcm, &Recorder::Proc, &r, {}));
    EXPECT_EQ(WAVEIN_INVALPARAM, CVirtualWaveIn::Open(dev, MakePcmFormat(1, 22050, 16), nullptr, &r, {}));
    EXPECT_FALSE(dev);
    EXPECT_TRUE(r.seen.empty());
}

TEST(WaveInFactory, EnvironmentChoosesAndConfiguresTheBackend)
{
    Recorder r;
    std::unique_ptr<IWaveIn> dev;
    const WAVEFORMATEX f = Pcm16Mono();
    ::setenv("VELLORY_AUDIO", "virtual", 1);
    ::setenv("VELLORY_VIRTUAL_FAIL", "open:32", 1);
    EXPECT_EQ(32u, OpenWaveIn(dev, f, &Recorder::Proc, &r));
    ::setenv("VELLORY_VIRTUAL_FAIL", "start:4:2", 1);
    ::setenv("VELLORY_VIRTUAL_INPUT", "sine:1000:0.25", 1);
    ::setenv("VELLORY_VIRTUAL_SPEED", "0", 1);
    ASSERT_EQ(0u, OpenWaveIn(dev, f, &Recorder::Proc, &r));
    ASSERT_TRUE(dynamic_cast<CVirtualWaveIn*>(dev.get()));
    std::vector<uint8_t> block(8820);
    WAVEHDR h{block.data(), uint32_t(block.size()), 0, 0, 0};
    ASSERT_EQ(0u, dev->PrepareHeader(&h));
    ASSERT_EQ(0u, dev->AddBuffer(&h));
    r.requeue = false;
    EXPECT_EQ(0u, dev->Start());  // the first start succeeds
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < until) {
        std::lock_guard lock(r.mutex);
        if (r.seen.size() >= 2)
            break;
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(0u, dev->Stop());
    EXPECT_EQ(4u, dev->Start()); // the second one was told to fail
    EXPECT_EQ(0u, dev->Reset());
    EXPECT_EQ(0u, dev->Close());
    // A 1000 Hz sine at a quarter of full scale, filled at once (speed 0).
    {
        std::lock_guard lock(r.mutex);
        ASSERT_EQ(8820u, r.data.size());
        int16_t peak = 0;
        int crossings = 0;
        for (size_t i = 0; i + 3 < r.data.size(); i += 2) {
            const int16_t a = int16_t(r.data[i] | r.data[i + 1] << 8), b = int16_t(r.data[i + 2] | r.data[i + 3] << 8);
            peak = std::max<int16_t>(peak, a);
            crossings += (a < 0) != (b < 0);
        }
        EXPECT_NEAR(peak, 8192, 10);
        EXPECT_NEAR(crossings, 400, 2); // 0.2 s of 1000 Hz
    }
    dev.reset();
    ::setenv("VELLORY_VIRTUAL_INPUT", "noise", 1);
    EXPECT_EQ(WAVEIN_INVALPARAM, OpenWaveIn(dev, f, &Recorder::Proc, &r));
    ::setenv("VELLORY_AUDIO", "alsa", 1);
    EXPECT_EQ(WAVEIN_NODRIVER, OpenWaveIn(dev, f, &Recorder::Proc, &r));
    for (const char* name : {"VELLORY_AUDIO", "VELLORY_VIRTUAL_FAIL", "VELLORY_VIRTUAL_INPUT", "VELLORY_VIRTUAL_SPEED"})
        ::unsetenv(name);
}

TEST(WaveInFactory, ParsesVirtualSettings)
{
    VirtualWaveInConfig c;
    std::string error;
    ASSERT_TRUE(ParseVirtualWaveInConfig("wav:/tmp/a:b.wav", "2.5", "add:7:3,close:33", "1500", c, error)) << error;
    EXPECT_EQ(VirtualWaveInConfig::Signal::WavFile, c.signal);
    EXPECT_EQ("/tmp/a:b.wav", c.wavPath);
    EXPECT_EQ(2.5, c.speed);
    ASSERT_EQ(2u, c.faults.size());
    EXPECT_EQ(WaveInCall::Add, c.faults[0].call);
    EXPECT_EQ(7u, c.faults[0].code);
    EXPECT_EQ(3, c.faults[0].occurrence);
    EXPECT_EQ(WaveInCall::Close, c.faults[1].call);
    EXPECT_EQ(1, c.faults[1].occurrence);
    EXPECT_EQ(1500, c.vanishAfterMs);
    for (const char* bad : {"sine:x", "sine:440:2", "beep", "wav"}) {
        VirtualWaveInConfig d;
        EXPECT_FALSE(ParseVirtualWaveInConfig(bad, nullptr, nullptr, nullptr, d, error)) << bad;
    }
    VirtualWaveInConfig d;
    EXPECT_FALSE(ParseVirtualWaveInConfig(nullptr, "-1", nullptr, nullptr, d, error));
    EXPECT_FALSE(ParseVirtualWaveInConfig(nullptr, nullptr, "open", nullptr, d, error));
    EXPECT_FALSE(ParseVirtualWaveInConfig(nullptr, nullptr, "eject:5", nullptr, d, error));
    EXPECT_FALSE(ParseVirtualWaveInConfig(nullptr, nullptr, nullptr, "soon", d, error));
}

TEST(WaveInLayer, WavFileSignalLoopsTheFileData)
{
    TempDir dir;
    const auto samples = SineSamples(300, 0.5, 8000, 1000);
    // A minimal 16-bit mono WAV file holding 1000 samples.
    std::vector<uint8_t> file(44 + samples.size() * 2);
    WAVEFORMATEX f = MakePcmFormat(1, 8000, 16);
    std::memcpy(file.data(), "RIFF", 4);
    const uint32_t riff = uint32_t(file.size() - 8), fmt = 16, data = uint32_t(samples.size() * 2);
    std::memcpy(file.data() + 4, &riff, 4);
    std::memcpy(file.data() + 8, "WAVEfmt ", 8);
    std::memcpy(file.data() + 16, &fmt, 4);
    std::memcpy(file.data() + 20, &f, 16);
    std::memcpy(file.data() + 36, "data", 4);
    std::memcpy(file.data() + 40, &data, 4);
    std::memcpy(file.data() + 44, samples.data(), data);
    WriteFileBytes(dir.File("in.wav"), file);

    VirtualWaveInConfig c;
    c.signal = VirtualWaveInConfig::Signal::WavFile;
    c.wavPath = dir.File("in.wav");
    c.speed = 0;
    Recorder r;
    r.requeue = false;
    std::unique_ptr<IWaveIn> dev;
    ASSERT_EQ(0u, CVirtualWaveIn::Open(dev, f, &Recorder::Proc, &r, c));
    std::vector<uint8_t> block(5000);
    WAVEHDR h{block.data(), uint32_t(block.size()), 0, 0, 0};
    dev->PrepareHeader(&h);
    dev->AddBuffer(&h);
    dev->Start();
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < until) {
        std::lock_guard lock(r.mutex);
        if (r.data.size() == 5000)
            break;
        std::this_thread::sleep_for(1ms);
    }
    dev.reset();
    ASSERT_EQ(5000u, r.data.size());
    for (size_t i = 0; i < 2500; ++i)
        ASSERT_EQ(samples[i % 1000], int16_t(r.data[2 * i] | r.data[2 * i + 1] << 8)) << i;
    c.wavPath = dir.File("missing.wav");
    EXPECT_EQ(WAVEIN_NODRIVER, CVirtualWaveIn::Open(dev, f, &Recorder::Proc, &r, c));
}

namespace {

// Recorders note their files in the journal of recordings in progress: keep
// it in a folder of the test's own, never in the user's state folder.
[[maybe_unused]] ::testing::Environment* const g_stateHome = AddPrivateStateHome();

// Waits until the file on disk holds `bytes` of audio after its 46-byte header.
bool WaitForDiskAudio(const std::string& path, uint64_t bytes, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    do {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        if (!ec && size == 46 + bytes)
            return true;
        std::this_thread::sleep_for(2ms);
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

bool Journaled(const std::string& path)
{
    const auto entries = CRecordingJournal::Entries();
    return std::find(entries.begin(), entries.end(), path) != entries.end();
}

// A device whose producer the test drives by hand: holes (no data), or
// bursts larger than anything a real input delivers.
class HandDevice final : public CWaveInDevice {
public:
    HandDevice(const WAVEFORMATEX& f, WaveInProcFn proc, void* instance)
        : CWaveInDevice(f, proc, instance)
    {
        Opened();
    }
    ~HandDevice() override { Shutdown(); }
    void Hole(size_t n) { Fill(nullptr, n); }
    void Burst(const std::vector<uint8_t>& bytes) { Fill(bytes.data(), bytes.size()); }

private:
    uint32_t OnStart() override { return WAVEIN_NOERROR; }
    void OnStop() override {}
    void OnClose() override {}
};

} // namespace

TEST(WaveRecorderPause, RampPausedAndResumedHasNoGapAndNoRepeat)
{
    CapturingHost host;
    TempDir dir;
    VirtualInput input(RampAt(1));
    const std::string path = dir.File("paused.wav");
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = Pcm16Mono();
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    EXPECT_FALSE(rec.IsPaused());
    EXPECT_FALSE(rec.Resume()) << "not paused";
    std::this_thread::sleep_for(300ms);

    ASSERT_TRUE(rec.Pause());
    EXPECT_TRUE(rec.IsPaused());
    EXPECT_FALSE(rec.Pause()) << "already paused";
    const uint64_t atPause = input.m_device->FramesProduced();
    // Everything captured so far is on the disk while paused: a crash now loses nothing.
    EXPECT_TRUE(WaitForDiskAudio(path, atPause * 2, 2s)) << "frames at pause " << atPause;
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(input.m_device->FramesProduced(), atPause) << "no audio is taken while paused";
    EXPECT_EQ(Le32(ReadFileBytes(path), 42), 0u) << "still one recording in progress";
    EXPECT_TRUE(Journaled(path));

    ASSERT_TRUE(rec.Resume());
    EXPECT_FALSE(rec.IsPaused());
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(rec.Pause());
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(rec.Resume());
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(rec.Stop());
    ExpectFinishedPcm(path);
    // One file, every frame the device produced exactly once, in order.
    ExpectRamp(AudioOf(ReadFileBytes(path)), f, input.m_device->FramesProduced());
    const double seconds = double(input.m_device->FramesProduced()) / 22050.0;
    EXPECT_LT(seconds, 0.3 + 0.2 + 0.2 + 0.3) << "paused time is not recorded";
    EXPECT_FALSE(Journaled(path)) << "a finished file leaves the journal";
    EXPECT_TRUE(host.Messages().empty());
}

TEST(WaveRecorderPause, StopWhilePausedFinishesTheFile)
{
    CapturingHost host;
    TempDir dir;
    VirtualInput input(RampAt(1));
    const std::string path = dir.File("stopped.wav");
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = MakePcmFormat(2, 44100, 16);
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(rec.Pause());
    EXPECT_TRUE(rec.Stop());
    EXPECT_FALSE(rec.IsPaused());
    EXPECT_TRUE(rec.Finished());
    EXPECT_FALSE(rec.IsRecording());
    ExpectFinishedPcm(path);
    ExpectRamp(AudioOf(ReadFileBytes(path)), f, input.m_device->FramesProduced());
    EXPECT_FALSE(rec.Pause()) << "nothing to pause after Stop";
    EXPECT_FALSE(Journaled(path));
}

TEST(WaveRecorderPause, HundredPausesInASecondKeepEveryFrame)
{
    CapturingHost host;
    TempDir dir;
    VirtualInput input(RampAt(1));
    const std::string path = dir.File("flutter.wav");
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = MakePcmFormat(1, 8000, 8);
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    const auto start = std::chrono::steady_clock::now();
    int pauses = 0;
    for (int i = 0; i < 100; ++i) {
        pauses += rec.Pause() ? 1 : 0;
        std::this_thread::sleep_for(2ms);
        EXPECT_TRUE(rec.Resume());
        std::this_thread::sleep_for(3ms);
    }
    EXPECT_EQ(pauses, 100);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_TRUE(rec.Stop());
    ExpectFinishedPcm(path);
    ExpectRamp(AudioOf(ReadFileBytes(path)), f, input.m_device->FramesProduced());
    EXPECT_TRUE(host.Messages().empty());
}

TEST(WaveRecorderPeak, SineAtMinusSixDbfsPeaksAtAboutHalfScale)
{
    for (uint16_t bits : {uint16_t(8), uint16_t(16), uint16_t(24), uint16_t(32)}) {
        SCOPED_TRACE(bits);
        CapturingHost host;
        TempDir dir;
        VirtualWaveInConfig config;
        config.signal = VirtualWaveInConfig::Signal::Sine;
        config.frequency = 441;
        config.level = 0.501187; // -6 dBFS
        config.speed = 4;
        VirtualInput input(config);
        CWaveRecorder rec(dir.File("sine.wav"));
        const WAVEFORMATEX f = MakePcmFormat(1, 44100, bits);
        ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
        std::this_thread::sleep_for(300ms);
        const float peak = rec.TakePeak();
        EXPECT_NEAR(peak, 0.5, bits == 8 ? 0.01 : 0.002);
        EXPECT_TRUE(rec.Stop());
        rec.TakePeak();
        EXPECT_EQ(rec.TakePeak(), 0.0f) << "nothing captured since the previous call";
    }
}

TEST(WaveRecorderPeak, PeakOfEachSampleWidth)
{
    const auto peak = [](std::vector<uint8_t> bytes, uint16_t bits) {
        return CWaveRecorder::PeakOf(bytes.data(), uint32_t(bytes.size()), MakePcmFormat(1, 8000, bits));
    };
    EXPECT_EQ(peak({0x80, 0x80}, 8), 0.0f) << "8-bit silence is 0x80";
    EXPECT_EQ(peak({0x80, 0x00}, 8), 1.0f);
    EXPECT_EQ(peak({0xC0, 0x80}, 8), 0.5f);
    EXPECT_EQ(peak({0x00, 0x00, 0x00, 0xC0}, 16), 0.5f) << "-16384";
    EXPECT_EQ(peak({0x00, 0x80}, 16), 1.0f) << "-32768";
    EXPECT_EQ(peak({0x00, 0x00, 0x40}, 24), 0.5f);
    EXPECT_EQ(peak({0x00, 0x00, 0xC0}, 24), 0.5f) << "-4194304";
    EXPECT_EQ(peak({0x00, 0x00, 0x00, 0x80}, 32), 1.0f) << "INT32_MIN";
    EXPECT_EQ(peak({0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00}, 32), 0.5f);
    EXPECT_EQ(peak({}, 16), 0.0f);
}

TEST(WaveRecorderPeak, CompressedRecordingIsMeasuredBeforeConversion)
{
    CapturingHost host;
    TempDir dir;
    VirtualWaveInConfig config;
    config.signal = VirtualWaveInConfig::Signal::Sine;
    config.level = 0.25;
    config.speed = 4;
    VirtualInput input(config);
    // A format whose coded bytes say nothing of the level: the peak comes from the PCM.
    OverrideBackend(&AudioBackends::conversion, [](const WAVEFORMATEX&, const FormatBlock&,
                                                   std::unique_ptr<IConversionStream>& s) {
        struct Zeros : IConversionStream {
            bool OutputSize(uint32_t src, uint32_t& dst) override { return dst = src / 4, true; }
            bool Convert(const uint8_t*, uint32_t n, std::vector<uint8_t>& out) override
            {
                out.insert(out.end(), n / 4, 0);
                return true;
            }
            bool Finish(std::vector<uint8_t>&) override { return true; }
        };
        s = std::make_unique<Zeros>();
        return 0u;
    });
    WAVEFORMATEX f = MakePcmFormat(1, 8000, 4);
    f.wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    f.nBlockAlign = 256;
    f.nAvgBytesPerSec = 4055;
    CWaveRecorder rec(dir.File("coded.wav"));
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    std::this_thread::sleep_for(300ms);
    EXPECT_NEAR(rec.TakePeak(), 0.25, 0.002);
    EXPECT_TRUE(rec.Stop());
    OverrideBackend(&AudioBackends::conversion, {});
}

TEST(WaveInLayer, GapsAreSilenceOfTheSampleWidth)
{
    for (uint16_t bits : {uint16_t(8), uint16_t(16)}) {
        SCOPED_TRACE(bits);
        Recorder r;
        r.requeue = false;
        const WAVEFORMATEX f = MakePcmFormat(1, 8000, bits);
        auto dev = std::make_unique<HandDevice>(f, &Recorder::Proc, &r);
        std::vector<uint8_t> block(100, 0x55);
        WAVEHDR h{block.data(), uint32_t(block.size()), 0, 0, 0};
        ASSERT_EQ(0u, dev->PrepareHeader(&h));
        ASSERT_EQ(0u, dev->Start());
        dev->Hole(60); // no buffer queued yet: kept in the backlog
        ASSERT_EQ(0u, dev->AddBuffer(&h));
        dev->Hole(40);
        ASSERT_EQ(0u, dev->Reset());
        ASSERT_EQ(0u, dev->Close());
        std::lock_guard lock(r.mutex);
        ASSERT_EQ(r.data.size(), 100u);
        const uint8_t silence = bits == 8 ? 0x80 : 0x00;
        for (size_t i = 0; i < r.data.size(); ++i)
            ASSERT_EQ(r.data[i], silence) << "byte " << i;
    }
}

TEST(WaveInLayer, BacklogOutlastsTheLongestWaitOfTheWriter)
{
    Recorder r;
    const WAVEFORMATEX f = MakePcmFormat(2, 48000, 16);
    auto dev = std::make_unique<HandDevice>(f, &Recorder::Proc, &r);
    ASSERT_EQ(0u, dev->Start());
    // The writer may keep the delivery thread waiting for a conversion this
    // long; meanwhile nothing is queued and everything must be kept.
    const size_t wait = size_t(f.nAvgBytesPerSec) * (WAVFILE_CONVERSION_GRACE_MS + 1000) / 1000;
    dev->Burst(std::vector<uint8_t>(wait, 0x11));
    EXPECT_EQ(dev->BytesDropped(), 0u);
    EXPECT_EQ(dev->BacklogBytes(), wait);
    std::vector<uint8_t> block(wait);
    WAVEHDR h{block.data(), uint32_t(block.size()), 0, 0, 0};
    ASSERT_EQ(0u, dev->PrepareHeader(&h));
    ASSERT_EQ(0u, dev->AddBuffer(&h));
    EXPECT_EQ(dev->BacklogBytes(), 0u);
    EXPECT_TRUE(dev->WaitBacklogDrained(1s));
    dev.reset();
    std::lock_guard lock(r.mutex);
    EXPECT_EQ(r.data.size(), wait);
}

TEST(WaveRecorderRefusal, AudioTheDeviceHadToDropEndsTheRecording)
{
    CapturingHost host(4000);
    TempDir dir;
    HandDevice* hand = nullptr;
    OverrideBackend(&AudioBackends::waveIn, [&hand](std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format,
                                                    WaveInProcFn proc, void* instance) {
        auto d = std::make_unique<HandDevice>(format, proc, instance);
        hand = d.get();
        device = std::move(d);
        return 0u;
    });
    const std::string path = dir.File("overrun.wav");
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = MakePcmFormat(1, 8000, 16);
    ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
    ASSERT_NE(hand, nullptr);
    // More than the four buffers and the whole backlog hold.
    const size_t tooMuch = 4 * rec.BufferSize() + size_t(f.nAvgBytesPerSec) * CWaveInDevice::BACKLOG_SECONDS + 1000;
    hand->Burst(std::vector<uint8_t>(tooMuch, 0x22));
    EXPECT_GT(hand->BytesDropped(), 0u);
    ASSERT_TRUE(rec.WaitFinished(2000)) << "a drop is never silent";
    EXPECT_TRUE(rec.IsRecording()) << "ended as a refused recording, so the panel says why";
    EXPECT_TRUE(rec.CaptureOverrun());
    rec.AbortAfterRefusal();
    ExpectFinishedPcm(path);
    EXPECT_GE(Le32(ReadFileBytes(path), 42), rec.BufferSize()) << "what was captured before the drop is kept";
    OverrideBackend(&AudioBackends::waveIn, {});
}

TEST(WaveRecorderFiles, NewRecordingIsPrivateAndJournaledUntilFinished)
{
    CapturingHost host;
    TempDir dir;
    VirtualInput input(RampAt(1));
    const std::string path = dir.File("private.wav");
    const std::string kept = dir.File("kept.wav");
    WriteFileBytes(kept, {1, 2, 3});
    ASSERT_EQ(::chmod(kept.c_str(), 0644), 0);
    {
        CWaveRecorder rec(path);
        const WAVEFORMATEX f = Pcm16Mono();
        ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
        EXPECT_TRUE(Journaled(path)) << "noted before capture";
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << "voice recordings are their owner's alone";
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(rec.Stop());
        EXPECT_FALSE(Journaled(path));
    }
    {
        // A recording that replaces an existing file keeps that file's mode.
        CWaveRecorder rec(kept);
        const WAVEFORMATEX f = Pcm16Mono();
        ASSERT_EQ(WAVEREC_OK, rec.Start(&f));
        EXPECT_TRUE(rec.Stop());
        struct stat st {};
        ASSERT_EQ(::stat(kept.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0644u);
    }
    {
        // Destroyed while recording: the destructor finishes the file and clears the entry.
        auto rec = std::make_unique<CWaveRecorder>(path);
        const WAVEFORMATEX f = Pcm16Mono();
        ASSERT_EQ(WAVEREC_OK, rec->Start(&f));
        EXPECT_TRUE(Journaled(path));
        rec.reset();
        EXPECT_FALSE(Journaled(path));
        ExpectFinishedPcm(path);
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The sound server's connection shared by capture and playback, on a private
// server: one connect for many streams and threads, a quiet new connection
// after the server restarted on the same socket, capture that keeps what
// came between the stream's connect and the start, and the background
// preload racing the first REC.
#include "app/CBackgroundPreload.h"
#include "platform/capture/CPulseWaveIn.h"
#include "platform/playback/CPulseOutput.h"
#include "platform/pulse/CPulseConnection.h"
#include "PulseTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A private server that can be restarted on the same socket.
class RestartableServer {
public:
    RestartableServer() { Start(); }
    ~RestartableServer() { Stop(); }
    bool Start()
    {
        const auto [status, out] = RunCommand(Script() + " start " + m_dir.File("pulse"));
        const size_t at = out.find("PULSE_SERVER=");
        if (status != 0 || at == std::string::npos)
            return false;
        m_server = out.substr(at + 13);
        m_server.erase(m_server.find_last_not_of("\n\r ") + 1);
        return true;
    }
    void Stop() { RunCommand(Script() + " stop " + m_dir.File("pulse")); }
    const std::string& Server() const { return m_server; }

private:
    static std::string Script() { return std::string(VELLORY_SOURCE_DIR) + "/tools/private-pulse.sh"; }
    TempDir m_dir;
    std::string m_server;
};

// Captured bytes, counted on the delivery thread.
struct Capture {
    std::atomic<size_t> bytes{0};
    std::atomic<int> buffers{0};
    static void Proc(IWaveIn*, uint32_t message, void* instance, WAVEHDR* header)
    {
        auto* c = static_cast<Capture*>(instance);
        if (message == WIM_DATA && header) {
            c->bytes += header->dwBytesRecorded;
            ++c->buffers;
        }
    }
};

// Opens the default source at 22,050 Hz mono 16-bit and queues `count` buffers.
struct OpenInput {
    std::unique_ptr<IWaveIn> device;
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<WAVEHDR> headers;
    uint32_t rc = 0;
    OpenInput(Capture& capture, size_t count, uint32_t bytes)
    {
        const WAVEFORMATEX format = MakePcmFormat(1, 22050, 16);
        rc = CPulseWaveIn::Open(device, format, &Capture::Proc, &capture);
        if (rc != WAVEIN_NOERROR)
            return;
        blocks.assign(count, std::vector<uint8_t>(bytes));
        headers.resize(count);
        for (size_t i = 0; i < count; ++i) {
            headers[i] = WAVEHDR{blocks[i].data(), bytes, 0, 0, 0};
            device->PrepareHeader(&headers[i]);
            device->AddBuffer(&headers[i]);
        }
    }
    ~OpenInput()
    {
        if (!device)
            return;
        device->Reset();
        for (auto& h : headers)
            device->UnprepareHeader(&h);
        device->Close();
    }
};

bool ContextFailed(const std::shared_ptr<CPulseContext>& context)
{
    std::lock_guard lock(*context);
    return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context->Context()));
}

} // namespace

TEST(PulseConnection, CaptureAndPlaybackShareTheOneConnection)
{
    VELLORY_REQUIRE_PULSE_SERVER();
    PrivateServer server;
    ASSERT_FALSE(server.Server().empty());
    ServerScope scope(server.Server());
    ASSERT_EQ(CPulseConnection::Preload(5000), PulseError::None);
    const unsigned connections = CPulseConnection::Connections();
    const auto kept = CPulseConnection::Kept();
    ASSERT_TRUE(kept);
    for (int round = 0; round < 2; ++round) {
        Capture capture;
        {
            OpenInput input(capture, 4, 4410);
            ASSERT_EQ(input.rc, WAVEIN_NOERROR);
            ASSERT_EQ(input.device->Start(), WAVEIN_NOERROR);
            std::this_thread::sleep_for(200ms);
        }
        CPulseOutput output;
        std::string error;
        ASSERT_TRUE(output.Open(22050, 1, error)) << error;
        const std::vector<int16_t> silence(2205);
        EXPECT_TRUE(output.Write(silence.data(), silence.size()));
        output.Close();
    }
    EXPECT_EQ(CPulseConnection::Connections(), connections) << "a stream made a connection of its own";
    EXPECT_EQ(CPulseConnection::Kept(), kept);
}

// Threads asking at once (the preload and a click) share one connect.
TEST(PulseConnection, ConcurrentCallersShareOneConnect)
{
    VELLORY_REQUIRE_PULSE_SERVER();
    PrivateServer server;
    ASSERT_FALSE(server.Server().empty());
    ServerScope scope(server.Server());
    CPulseConnection::Drop();
    const unsigned before = CPulseConnection::Connections();
    std::vector<std::shared_ptr<CPulseContext>> got(6);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (auto& g : got)
        threads.emplace_back([&g, &failures] {
            if (CPulseConnection::Acquire(g, 5000) != PulseError::None)
                ++failures;
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(CPulseConnection::Connections(), before + 1);
    for (const auto& g : got)
        EXPECT_EQ(g, got.front());
}

// The server restarts under a running program: the kept context fails, and
// the next REC connects anew without an error; a REC while it is down fails.
TEST(PulseConnection, ReconnectsQuietlyAfterTheServerRestarted)
{
    VELLORY_REQUIRE_PULSE_SERVER();
    RestartableServer server;
    ASSERT_FALSE(server.Server().empty());
    ServerScope scope(server.Server());
    ASSERT_EQ(CPulseConnection::Preload(5000), PulseError::None);
    const auto old = CPulseConnection::Kept();
    ASSERT_TRUE(old);
    server.Stop();
    const auto until = Clock::now() + 5s;
    while (!ContextFailed(old) && Clock::now() < until)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(ContextFailed(old)) << "the context did not notice the server going away";
    {
        Capture capture;
        OpenInput input(capture, 4, 4410);
        EXPECT_EQ(input.rc, WAVEIN_NODRIVER) << "no server, yet the input opened";
    }
    ASSERT_TRUE(server.Start());
    const unsigned connections = CPulseConnection::Connections();
    Tone tone(3);
    ASSERT_TRUE(tone.Playing());
    Capture capture;
    {
        OpenInput input(capture, 4, 2205);
        ASSERT_EQ(input.rc, WAVEIN_NOERROR);
        ASSERT_EQ(input.device->Start(), WAVEIN_NOERROR);
        const auto stop = Clock::now() + 3s;
        while (capture.buffers < 4 && Clock::now() < stop)
            std::this_thread::sleep_for(20ms);
        EXPECT_FALSE(input.device->IsLost());
    }
    EXPECT_GE(capture.buffers.load(), 4) << "the recording after the restart delivered nothing";
    EXPECT_EQ(CPulseConnection::Connections(), connections + 1);
    EXPECT_NE(CPulseConnection::Kept(), old);
}

// What the source delivered between the open and the start reaches the
// buffers at the start: nothing said right after REC is dropped.
TEST(PulseConnection, CaptureKeepsWhatCameBeforeTheStart)
{
    VELLORY_REQUIRE_PULSE_SERVER();
    PrivateServer server;
    ASSERT_FALSE(server.Server().empty());
    ServerScope scope(server.Server());
    Tone tone(6);
    ASSERT_TRUE(tone.Playing());
    {
        // The test microphone of a fresh server delivers nothing for about
        // the first second of its first recording: a throw-away one first.
        Capture warmUp;
        OpenInput input(warmUp, 4, 4410);
        ASSERT_EQ(input.rc, WAVEIN_NOERROR);
        input.device->Start();
        std::this_thread::sleep_for(1500ms);
    }
    Capture capture;
    OpenInput input(capture, 8, 4410); // 0.1 s each
    ASSERT_EQ(input.rc, WAVEIN_NOERROR);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(capture.bytes.load(), 0u) << "bytes delivered before the start";
    ASSERT_EQ(input.device->Start(), WAVEIN_NOERROR);
    std::this_thread::sleep_for(100ms);
    // About 0.5 s waited in the stream; a corked start would have 0.1 s at most.
    EXPECT_GE(capture.bytes.load(), 4410u * 3) << "what came before the start was dropped";
}

// The preload on its worker and REC on this thread at the same moment (the
// ThreadSanitizer build runs this).
TEST(PulseConnection, PreloadRacesTheFirstRecording)
{
    VELLORY_REQUIRE_PULSE_SERVER();
    PrivateServer server;
    ASSERT_FALSE(server.Server().empty());
    ServerScope scope(server.Server());
    Tone tone(5);
    ASSERT_TRUE(tone.Playing());
    CPulseConnection::Drop();
    const unsigned before = CPulseConnection::Connections();
    Capture capture;
    {
        CBackgroundPreload preload;
        preload.StartConnection();
        OpenInput input(capture, 4, 2205);
        ASSERT_EQ(input.rc, WAVEIN_NOERROR);
        ASSERT_EQ(input.device->Start(), WAVEIN_NOERROR);
        const auto until = Clock::now() + 3s;
        while (capture.buffers == 0 && Clock::now() < until)
            std::this_thread::sleep_for(20ms);
        EXPECT_FALSE(input.device->IsLost());
    } // joins the worker
    EXPECT_EQ(CPulseConnection::Connections(), before + 1);
    EXPECT_GT(capture.bytes.load(), 0u);
}

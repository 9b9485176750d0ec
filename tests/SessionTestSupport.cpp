// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "SessionTestSupport.h"

#include "common/Settings.h"
#include "library/RecordingNames.h"
#include "platform/AudioBackends.h"
#include "platform/playback/CVirtualOutput.h"
#include "platform/playback/MciWaveAudio.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTest>

#include <cstdlib>
#include <cstring>

void VirtualAudioTest::SetUp()
{
    // Settings of our own: tests of one binary may run side by side (ctest
    // -j), each process with its first HOME.
    ::setenv("HOME", m_home.Path().c_str(), 1);
    QStandardPaths::setTestModeEnabled(true);
    WriteRoot(m_root.Path() + "/");
    m_input.frequency = 1000;
    OverrideBackend(&AudioBackends::waveIn, [this](std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format,
                                                   WaveInProcFn proc, void* instance) {
        return CVirtualWaveIn::Open(device, format, proc, instance, m_input);
    });
    OverrideBackend(&AudioBackends::audioOutput, [] { return std::make_shared<CVirtualOutput>(1.0); });
}

void VirtualAudioTest::TearDown()
{
    OverrideBackend(&AudioBackends::waveIn, {});
    OverrideBackend(&AudioBackends::audioOutput, {});
    OverrideBackend(&AudioBackends::conversion, {});
    SetRecordingNameClock({});
    WriteRoot("");
}

void VirtualAudioTest::WaitMs(int ms) { QTest::qWait(ms); }

void SessionMessages::Watch(CRecorderSession& session)
{
    QObject::connect(&session, &CRecorderSession::Message, &m_context, [this](const QString& text, unsigned style) {
        {
            std::lock_guard lock(m_lock);
            m_all.push_back({text.toStdString(), style, false});
        }
        if (onMessage)
            onMessage();
    });
    QObject::connect(&session, &CRecorderSession::EndRequested, &m_context, [this] { endsAfter.push_back(Count()); });
}

int SessionMessages::MessageBox(const std::string& text, unsigned style)
{
    {
        std::lock_guard lock(m_lock);
        m_all.push_back({text, style, true});
    }
    return CapturingHost::MessageBox(text, style);
}

std::vector<UserMessage> SessionMessages::All() const
{
    std::lock_guard lock(m_lock);
    return m_all;
}

size_t SessionMessages::Count() const
{
    std::lock_guard lock(m_lock);
    return m_all.size();
}

EnabledButtons ButtonsOf(const SessionState& state)
{
    return {state.rec, state.stop, state.play};
}

std::ostream& operator<<(std::ostream& out, const EnabledButtons& b)
{
    return out << "{rec " << b.rec << ", stop " << b.stop << ", play " << b.play << "}";
}

void ExpectFinishedPcm(const std::string& path, uint32_t minData)
{
    const auto bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 46u) << path;
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(std::string(bytes.begin() + 38, bytes.begin() + 42), "data");
    EXPECT_EQ(Le32(bytes, 42), bytes.size() - 46);
    EXPECT_GE(bytes.size() - 46, minData);
}

void WritePcmTone(const std::string& path, double seconds)
{
    const uint32_t rate = 22050;
    const auto samples = SineSamples(440, 0.5, rate, size_t(seconds * rate));
    const uint32_t data = uint32_t(samples.size() * 2);
    std::vector<uint8_t> b(46 + data);
    size_t at = 0;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at++] = uint8_t(v >> (8 * i));
    };
    auto u16 = [&](uint16_t v) {
        b[at++] = uint8_t(v);
        b[at++] = uint8_t(v >> 8);
    };
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i)
            b[at++] = uint8_t(t[i]);
    };
    tag("RIFF");
    u32(46 - 8 + data);
    tag("WAVE");
    tag("fmt ");
    u32(18);
    u16(1);        // PCM
    u16(1);        // mono
    u32(rate);
    u32(rate * 2); // bytes per second
    u16(2);        // block
    u16(16);       // bits
    u16(0);        // cbSize
    tag("data");
    u32(data);
    std::memcpy(b.data() + at, samples.data(), data);
    WriteFileBytes(path, b);
}

bool WaitUntil(const std::function<bool()>& done, int ms)
{
    for (int waited = 0; waited < ms; waited += 20) {
        if (done())
            return true;
        QTest::qWait(20);
    }
    return done();
}

void Settle()
{
    MciWaitForNotifications();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

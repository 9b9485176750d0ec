// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Shared helpers of the tests: temporary folders, file bytes, a capturing
// engine host, and running external measuring tools.
#include "engine/IEngineHost.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class CVirtualOutput;
namespace testing {
class Environment;
}

struct CapturedMessage {
    std::string text;
    unsigned style;
};

// Installs itself as the engine host for its lifetime and records every message.
class CapturingHost : public IEngineHost {
public:
    explicit CapturingHost(int bufferSize = 10000);
    ~CapturingHost() override;
    int GetBufferSize() override { return m_bufferSize; }
    int MessageBox(const std::string& text, unsigned style) override;
    std::vector<CapturedMessage> Messages() const;
    void SetBufferSize(int size) { m_bufferSize = size; }
    void SetAnswer(int answer) { m_answer = answer; }

private:
    mutable std::mutex m_mutex;
    std::vector<CapturedMessage> m_messages;
    int m_bufferSize;
    int m_answer = 1;
};

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Registers a test environment that points XDG_STATE_HOME at a folder of the
// test's own: recorders note their files in the journal of recordings in
// progress there, never in the user's state folder. Use at namespace scope:
// [[maybe_unused]] ::testing::Environment* const g_stateHome = AddPrivateStateHome();
::testing::Environment* AddPrivateStateHome();

// Routes audio output, from Install to Remove, to virtual outputs that take
// every sample at once, and keeps each one for the test to read.
class VirtualOutputs {
public:
    void Install();
    void Remove();
    // The output opened last, or null.
    std::shared_ptr<CVirtualOutput> Last() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<CVirtualOutput>> m_outputs;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
uint32_t Le32(const std::vector<uint8_t>& bytes, size_t offset);
uint16_t Le16(const std::vector<uint8_t>& bytes, size_t offset);
// Runs a shell command; returns its exit status and standard output.
std::pair<int, std::string> RunCommand(const std::string& command);
// 16-bit PCM samples of a sine.
std::vector<int16_t> SineSamples(double frequency, double amplitude, uint32_t rate, size_t count, uint16_t channels = 1);
// A UTC calendar time as a clock value (for pinned recording names).
std::chrono::system_clock::time_point Utc(int year, int month, int day, int h, int m, int s);
// Root reads and writes every file, so a refused permission cannot be tested
// as root (CI runs as root). As root, this runs the current test again, alone,
// as the unprivileged user "nobody" (from a copy of this test binary that user
// can read) and adds a failure unless it ran and passed there; it returns true
// and the caller returns. As any other user it returns false and the caller
// tests on. Use: if (RerunAsUnprivilegedUser()) return;
bool RerunAsUnprivilegedUser();

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "TestSupport.h"

#include "platform/AudioBackends.h"
#include "platform/playback/CVirtualOutput.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

CapturingHost::CapturingHost(int bufferSize)
    : m_bufferSize(bufferSize)
{
    SetEngineHost(this);
}

CapturingHost::~CapturingHost() { SetEngineHost(nullptr); }

int CapturingHost::MessageBox(const std::string& text, unsigned style)
{
    std::lock_guard lock(m_mutex);
    m_messages.push_back({text, style});
    return m_answer;
}

std::vector<CapturedMessage> CapturingHost::Messages() const
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vellory-test-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data()))
        std::abort();
    m_path = buf.data();
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t o)
{
    return uint32_t(b.at(o)) | uint32_t(b.at(o + 1)) << 8 | uint32_t(b.at(o + 2)) << 16 | uint32_t(b.at(o + 3)) << 24;
}

uint16_t Le16(const std::vector<uint8_t>& b, size_t o) { return uint16_t(b.at(o) | b.at(o + 1) << 8); }

std::pair<int, std::string> RunCommand(const std::string& command)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {-1, output};
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        output.append(buf, n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::vector<int16_t> SineSamples(double frequency, double amplitude, uint32_t rate, size_t count, uint16_t channels)
{
    std::vector<int16_t> out(count * channels);
    for (size_t i = 0; i < count; ++i) {
        const auto v = int16_t(std::lround(amplitude * 32767.0 * std::sin(2.0 * M_PI * frequency * double(i) / rate)));
        for (uint16_t c = 0; c < channels; ++c)
            out[i * channels + c] = v;
    }
    return out;
}

std::chrono::system_clock::time_point Utc(int year, int month, int day, int h, int m, int s)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    return std::chrono::system_clock::from_time_t(timegm(&t));
}

bool RerunAsUnprivilegedUser()
{
    if (::geteuid() != 0)
        return false;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!info) {
        ADD_FAILURE() << "RerunAsUnprivilegedUser called outside a test";
        return true;
    }
    const std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    EXPECT_FALSE(ec) << "cannot find this test binary: " << ec.message();
    // The build folder may sit below folders "nobody" cannot enter: run a copy.
    TempDir copyDir;
    const std::string copy = copyDir.File(self.filename().string());
    std::filesystem::copy_file(self, copy, ec);
    EXPECT_FALSE(ec) << "cannot copy " << self << ": " << ec.message();
    if (ec)
        return true;
    EXPECT_EQ(::chmod(copyDir.Path().c_str(), 0755), 0);
    EXPECT_EQ(::chmod(copy.c_str(), 0755), 0);
    const std::string command = "cd / && setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/tmp TMPDIR=/tmp '" +
                                copy + "' --gtest_filter='" + name + "' 2>&1";
    const auto [status, output] = RunCommand(command);
    EXPECT_EQ(status, 0) << "as nobody: " << command << "\n" << output;
    // It must have run, and not skipped: a test that cannot drop to the user fails.
    EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
    EXPECT_EQ(output.find("[  SKIPPED ]"), std::string::npos) << output;
    return true;
}

namespace {
class PrivateStateHome : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_dir = std::make_unique<TempDir>();
        ::setenv("XDG_STATE_HOME", m_dir->Path().c_str(), 1);
    }
    void TearDown() override { m_dir.reset(); }

private:
    std::unique_ptr<TempDir> m_dir;
};
} // namespace

::testing::Environment* AddPrivateStateHome()
{
    return ::testing::AddGlobalTestEnvironment(new PrivateStateHome);
}

void VirtualOutputs::Install()
{
    OverrideBackend(&AudioBackends::audioOutput, [this] {
        auto out = std::make_shared<CVirtualOutput>(0.0);
        std::lock_guard lock(m_mutex);
        m_outputs.push_back(out);
        return out;
    });
}

void VirtualOutputs::Remove() { OverrideBackend(&AudioBackends::audioOutput, nullptr); }

std::shared_ptr<CVirtualOutput> VirtualOutputs::Last() const
{
    std::lock_guard lock(m_mutex);
    return m_outputs.empty() ? nullptr : m_outputs.back();
}

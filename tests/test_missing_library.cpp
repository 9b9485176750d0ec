// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// libpulse and FFmpeg are loaded on first use; a missing or broken one must
// cost the action that needs it (with a message naming the library and its
// package), never the process. The checks run in children re-executed with
// LD_LIBRARY_PATH at a folder of broken copies (a 0-byte libpulse.so.0, a
// truncated libavcodec): the loader searches that folder first and fails there,
// as on a system whose package was removed or whose file was damaged.
#include "TestSupport.h"

#include "engine/CRecordingJournal.h"
#include "engine/CWaveRecorder.h"
#include "engine/MessageStyle.h"
#include "platform/AudioBackends.h"
#include "platform/LoadOnDemand.h"
#include "platform/capture/CPulseWaveIn.h"
#include "platform/codecs/CFfmpegConversionStream.h"
#include "platform/codecs/CFormatCatalogue.h"
#include "platform/playback/CAudioDecoder.h"
#include "platform/playback/CPulseOutput.h"
#include "platform/playback/MciWaveAudio.h"

extern "C" {
#include <libavcodec/version.h>
#include <libavutil/version.h>
}

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

const std::string kPulse = "libpulse.so.0";
const std::string kPulsePackage = "libpulse0";
// The sonames the program loads follow the headers it was built with.
const std::string kAvCodec = "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR);
const std::string kAvCodecPackage = "libavcodec" + std::to_string(LIBAVCODEC_VERSION_MAJOR);

std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos)
            out += '\\';
        out += c;
    }
    return out;
}

constexpr const char* kDirVariable = "VELLORY_TEST_BROKEN_LIBS";

// A message naming the library, the broken copy that failed to load (so the
// copy in the broken folder was what the loader found), and the package.
std::string NamesLibraryAndPackage(const std::string& soname, const std::string& package)
{
    const char* dir = std::getenv(kDirVariable);
    return Escaped(soname) + " could not be loaded: " + Escaped(std::string(dir ? dir : "?") + "/" + soname) +
           ": .*Install the package " + package + " and try again";
}

// The folder of broken libraries, made by the parent; a re-executed child
// finds it in the environment the parent left it.
class BrokenLibraries : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (std::getenv(kDirVariable))
            return; // a child: the loader already searched the folder at start-up
        s_dir = new TempDir;
        WriteFileBytes(s_dir->File(kPulse), {}); // "file too short"
        const std::vector<uint8_t> self = ReadFileBytes("/proc/self/exe");
        WriteFileBytes(s_dir->File(kAvCodec), std::vector<uint8_t>(self.begin(), self.begin() + 64)); // an ELF header alone
        ::setenv(kDirVariable, s_dir->Path().c_str(), 1);
        const char* old = std::getenv("LD_LIBRARY_PATH");
        const std::string path = s_dir->Path() + (old && *old ? ":" + std::string(old) : "");
        ::setenv("LD_LIBRARY_PATH", path.c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    void SetUp() override
    {
        // Children are started afresh (fork and exec), so that the loader reads
        // LD_LIBRARY_PATH; the default style would fork without exec.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
    static TempDir* s_dir;
};
TempDir* BrokenLibraries::s_dir = nullptr;

// In the child: reports a failed check on stderr and ends with status 1. A
// child that passes every check ends with 0 once its locals are gone.
#define CHILD_CHECK(condition)                                                                                        \
    do {                                                                                                              \
        if (!(condition)) {                                                                                           \
            std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #condition);                              \
            std::_Exit(1);                                                                                            \
        }                                                                                                             \
    } while (0)

void PrintMessages(const CapturingHost& host)
{
    for (const CapturedMessage& m : host.Messages())
        std::fprintf(stderr, "message: %s\n", m.text.c_str());
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// REC of PCM: the wave input cannot open, the box says why, no file is left,
// and REC may be pressed again with the same result.
void RecordPcmWithoutLibpulse()
{
    ::unsetenv("VELLORY_AUDIO");
    TempDir dir;
    CapturingHost host;
    for (int attempt = 0; attempt < 2; ++attempt) {
        CWaveRecorder recorder(dir.File("pcm.wav"));
        WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
        CHILD_CHECK(recorder.Start(&format) == WAVEREC_OPEN_FAILED);
        CHILD_CHECK(::access(dir.File("pcm.wav").c_str(), F_OK) != 0);
    }
    const auto messages = host.Messages();
    CHILD_CHECK(messages.size() == 2);
    CHILD_CHECK(messages[0].style == MB_ICONEXCLAMATION);
    PrintMessages(host);

    // The other ways into libpulse fail as quietly.
    std::unique_ptr<IWaveIn> device;
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    CHILD_CHECK(CPulseWaveIn::Open(device, format, [](IWaveIn*, uint32_t, void*, WAVEHDR*) {}, nullptr) ==
                WAVEIN_NOLIBRARY);
    CHILD_CHECK(!device);
    CHILD_CHECK(CPulseWaveIn::ListSources(200).empty());
    CPulseOutput output;
    std::string error;
    CHILD_CHECK(!output.Open(44100, 2, error));
    CHILD_CHECK(Contains(error, kPulse) && Contains(error, kPulsePackage));
}

// A compressed REC: the conversion stream cannot open; the box names FFmpeg's
// library. (FFmpeg fails before the wave input is asked for.)
void RecordCompressedWithoutFfmpeg()
{
    TempDir dir;
    CapturingHost host;
    const FormatBlock ima = CFormatCatalogue::MakeImaAdpcm(1, 22050);
    CWaveRecorder recorder(dir.File("ima.wav"));
    CHILD_CHECK(recorder.Start(reinterpret_cast<const WAVEFORMATEX*>(ima.data())) == WAVEREC_CREATE_FAILED);
    CHILD_CHECK(host.Messages().size() == 1);
    // Nothing is left behind: no header-only file, no journal entry to repair.
    CHILD_CHECK(::access(dir.File("ima.wav").c_str(), F_OK) != 0);
    for (const std::string& entry : CRecordingJournal::Entries())
        CHILD_CHECK(entry != CRecordingJournal::Absolute(dir.File("ima.wav")));
    PrintMessages(host);

    std::unique_ptr<IConversionStream> stream;
    WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
    CHILD_CHECK(CFfmpegConversionStream::Open(pcm, ima, stream) == ACMERR_NOLIBRARY);
    CHILD_CHECK(!stream);
    // The format dialog's catalogue offers nothing rather than stopping the program.
    CHILD_CHECK(CFormatCatalogue::Build(true).FormatCount() == 0);
}

// PLAY: the device does not open, with its own code (the session keeps the
// panel for it) and a text naming the library.
void PlayWithoutFfmpeg(const std::string& path)
{
    CAudioDecoder decoder;
    CHILD_CHECK(decoder.Open(path) == MCIERR_LIBRARY_MISSING);
    uint32_t id = 7;
    const uint32_t code = MciOpenWaveAudio(path, id, [] { return std::shared_ptr<IAudioOutput>(); });
    CHILD_CHECK(code == MCIERR_LIBRARY_MISSING && id == 0);
    std::fprintf(stderr, "message: %s\n", MciGetErrorString(code).c_str());
}

// PLAY to the sound server: told at the open, before FFmpeg is even tried.
void PlayWithoutLibpulse(const std::string& path)
{
    ::unsetenv("VELLORY_AUDIO");
    uint32_t id = 7;
    const uint32_t code = MciOpenWaveAudio(path, id);
    CHILD_CHECK(code == MCIERR_LIBRARY_MISSING && id == 0);
    std::fprintf(stderr, "message: %s\n", MciGetErrorString(code).c_str());
}

std::string WritePcmFile(const TempDir& dir)
{
    // 0.1 s of 8 kHz mono 16-bit silence.
    const uint32_t dataBytes = 1600;
    std::vector<uint8_t> b;
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i))); };
    auto put16 = [&](uint16_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); };
    auto tag = [&](const char* t) { b.insert(b.end(), t, t + 4); };
    tag("RIFF"); put32(36 + dataBytes); tag("WAVE");
    tag("fmt "); put32(16); put16(1); put16(1); put32(8000); put32(16000); put16(2); put16(16);
    tag("data"); put32(dataBytes);
    b.resize(b.size() + dataBytes);
    const std::string path = dir.File("play.wav");
    WriteFileBytes(path, b);
    return path;
}

} // namespace

TEST(MissingLibraryText, NamesTheDebianPackageOfEachSoname)
{
    EXPECT_EQ(PackageForSoname("libpulse.so.0"), "libpulse0");
    EXPECT_EQ(PackageForSoname("libavcodec.so.59"), "libavcodec59");
    EXPECT_EQ(PackageForSoname("libavformat.so.59"), "libavformat59");
    EXPECT_EQ(PackageForSoname("libavutil.so.57"), "libavutil57");
    EXPECT_EQ(PackageForSoname("libswresample.so.4"), "libswresample4");
    // Debian separates a name ending in a digit from the version by a hyphen.
    EXPECT_EQ(PackageForSoname("libfoo2.so.3"), "libfoo2-3");
    EXPECT_EQ(PackageForSoname("libfoo.so.1.2.3"), "libfoo1");
    EXPECT_EQ(MissingLibraryText("sound server library", "libpulse.so.0", "libpulse.so.0: file too short"),
              "The sound server library libpulse.so.0 could not be loaded: libpulse.so.0: file too short.\n"
              "Install the package libpulse0 and try again.");
}

TEST(MissingLibraryText, AFailedLoadIsReportedAndTriedAgain)
{
    std::string error;
    EXPECT_FALSE(LoadLibraryOnDemand("libvellory-no-such-library.so.1", error));
    EXPECT_NE(error.find("libvellory-no-such-library.so.1"), std::string::npos) << error;
    EXPECT_FALSE(LoadLibrariesOnDemand("test library", {"libvellory-no-such-library.so.1"}));
    EXPECT_NE(LastMissingLibraryText().find("Install the package libvellory-no-such-library1"), std::string::npos)
        << LastMissingLibraryText();
    // A library that is there loads, however often it failed before.
    EXPECT_TRUE(LoadLibraryOnDemand("libc.so.6", error)) << error;
}

TEST_F(BrokenLibraries, RecordWithoutLibpulseShowsTheLibraryAndGoesOn)
{
    EXPECT_EXIT({ RecordPcmWithoutLibpulse(); std::_Exit(0); }, ::testing::ExitedWithCode(0),
                "message: The sound server library " + NamesLibraryAndPackage(kPulse, kPulsePackage));
}

TEST_F(BrokenLibraries, CompressedRecordWithoutFfmpegShowsTheLibraryAndGoesOn)
{
    EXPECT_EXIT({ RecordCompressedWithoutFfmpeg(); std::_Exit(0); }, ::testing::ExitedWithCode(0),
                "message: The audio codec library " + NamesLibraryAndPackage(kAvCodec, kAvCodecPackage));
}

TEST_F(BrokenLibraries, PlayWithoutFfmpegDoesNotOpen)
{
    TempDir dir;
    const std::string path = WritePcmFile(dir);
    EXPECT_EXIT({ PlayWithoutFfmpeg(path); std::_Exit(0); }, ::testing::ExitedWithCode(0),
                "message: The audio codec library " + NamesLibraryAndPackage(kAvCodec, kAvCodecPackage));
}

TEST_F(BrokenLibraries, PlayWithoutLibpulseDoesNotOpen)
{
    TempDir dir;
    const std::string path = WritePcmFile(dir);
    EXPECT_EXIT({ PlayWithoutLibpulse(path); std::_Exit(0); }, ::testing::ExitedWithCode(0),
                "message: The sound server library " + NamesLibraryAndPackage(kPulse, kPulsePackage));
}

// The children above prove nothing if the broken copies were never searched.
TEST_F(BrokenLibraries, TheRealLibrariesLoadWithoutTheBrokenFolder)
{
    std::string error;
    EXPECT_TRUE(LoadLibraryOnDemand(kPulse.c_str(), error)) << error;
    EXPECT_TRUE(LoadFfmpegOnDemand()) << LastMissingLibraryText();
}

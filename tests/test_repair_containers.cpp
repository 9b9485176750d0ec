// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The start-up repair of Ogg Opus and FLAC recordings a crash left
// unfinished, cut at many places, judged by FFmpeg and GStreamer; and files
// the program did not write, which must keep every byte.
#include "ContainerTestSupport.h"
#include "TestSupport.h"
#include "engine/CAudioFileHeader.h"
#include "engine/CRecordingJournal.h"
#include "engine/CRecordingRepair.h"
#include "engine/CWavFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kRate = 48000;
constexpr double kSeconds = 8.0;

const char* Ext(TestContainer kind) { return kind == TestContainer::Opus ? ".opus" : ".flac"; }
const char* KindName(TestContainer kind) { return kind == TestContainer::Opus ? "Opus" : "Flac"; }

// One finished file of each kind, made once for the whole program.
const std::vector<uint8_t>& Finished(TestContainer kind)
{
    static TempDir dir;
    static std::map<TestContainer, std::vector<uint8_t>> made;
    auto it = made.find(kind);
    if (it == made.end()) {
        const std::string path = dir.File(std::string("source") + Ext(kind));
        EXPECT_TRUE(MakeContainerFile(kind, path, kSeconds, kRate)) << "ffmpeg must be installed";
        it = made.emplace(kind, ReadFileBytes(path)).first;
    }
    return it->second;
}

// The same bytes as its writer leaves them when killed.
std::vector<uint8_t> Unfinished(TestContainer kind)
{
    std::vector<uint8_t> bytes = Finished(kind);
    if (kind == TestContainer::Opus)
        UnfinishOgg(bytes);
    else
        UnfinishFlac(bytes);
    return bytes;
}

// Points the journal at a folder of the test's own.
class StateHome {
public:
    StateHome() { ::setenv("XDG_STATE_HOME", m_dir.Path().c_str(), 1); }
    ~StateHome() { ::unsetenv("XDG_STATE_HOME"); }

private:
    TempDir m_dir;
};

// What a cut at `cut` bytes must keep: the samples of the whole pages (up to
// the last one on which a packet ends) or whole frames before it, where they
// end, and what the torn page or frame held beyond them.
struct Expected {
    bool untouched = false; // cut inside the stream's header: no recording to finish
    uint64_t end = 0;
    uint64_t samples = 0;
    uint64_t samplesOnDisk = 0;
};

Expected Expect(TestContainer kind, const std::vector<uint8_t>& bytes, const std::string& finishedPath, size_t cut)
{
    Expected e;
    if (kind == TestContainer::Opus) {
        const auto pages = OggPages(bytes);
        const uint16_t preSkip = OpusPreSkip(bytes);
        auto samplesAt = [&](uint64_t granule) { return granule > preSkip ? granule - preSkip : 0; };
        for (const OggPageSpan& p : pages) {
            if (p.offset + p.size > cut) {
                e.samplesOnDisk = samplesAt(p.granule);
                break;
            }
            if (p.granule != ~uint64_t(0)) {
                e.end = p.offset + p.size;
                e.samples = samplesAt(p.granule);
            }
        }
        e.samplesOnDisk = std::max(e.samplesOnDisk, e.samples);
        // Without a page of audio there is nothing to finish.
        e.untouched = e.samples == 0;
    } else {
        const auto frames = FlacFrames(finishedPath);
        if (cut < frames.at(0).offset + frames.at(0).size)
            return Expected{true}; // no whole frame: nothing to finish
        e.end = frames.at(0).offset;
        for (const FlacFrameSpan& f : frames) {
            if (f.offset + f.size > cut) {
                e.samplesOnDisk = e.samples + f.samples;
                break;
            }
            e.end = f.offset + f.size;
            e.samples += f.samples;
        }
        e.samplesOnDisk = std::max(e.samplesOnDisk, e.samples);
    }
    return e;
}

// Where a cut lands: a fraction of the file, or a page or frame boundary
// near it with a byte either side.
enum class Snap { None, Boundary, BoundaryPlus1, BoundaryMinus1 };

struct CutCase {
    TestContainer kind;
    double fraction;
    Snap snap;
};

std::string CaseName(const ::testing::TestParamInfo<CutCase>& info)
{
    static const char* const snaps[] = {"", "_Boundary", "_BoundaryPlus1", "_BoundaryMinus1"};
    return std::string(KindName(info.param.kind)) + "_At" + std::to_string(int(info.param.fraction * 1000)) +
           snaps[int(info.param.snap)];
}

size_t CutOffset(const CutCase& c, const std::vector<uint8_t>& bytes, const std::string& finishedPath)
{
    size_t cut = size_t(double(bytes.size()) * c.fraction);
    if (c.snap == Snap::None)
        return cut;
    std::vector<size_t> boundaries;
    if (c.kind == TestContainer::Opus)
        for (const auto& p : OggPages(bytes))
            boundaries.push_back(p.offset + p.size);
    else
        for (const auto& f : FlacFrames(finishedPath))
            boundaries.push_back(f.offset + f.size);
    size_t best = boundaries.at(0);
    for (size_t b : boundaries)
        if ((b > cut ? b - cut : cut - b) < (best > cut ? best - cut : cut - best))
            best = b;
    return c.snap == Snap::Boundary ? best : c.snap == Snap::BoundaryPlus1 ? best + 1 : best - 1;
}

class ContainerRepairTest : public ::testing::TestWithParam<CutCase> {
protected:
    CapturingHost m_host;
    StateHome m_state;
    TempDir m_dir;
};

} // namespace

TEST_P(ContainerRepairTest, KeepsTheWholePagesOrFramesAndEndsTheStream)
{
    const CutCase c = GetParam();
    const std::string finishedPath = m_dir.File(std::string("finished") + Ext(c.kind));
    WriteFileBytes(finishedPath, Finished(c.kind));
    std::vector<uint8_t> bytes = Unfinished(c.kind);
    const size_t cut = std::min(CutOffset(c, bytes, finishedPath), bytes.size());
    bytes.resize(cut);
    const Expected e = Expect(c.kind, Unfinished(c.kind), finishedPath, cut);

    const std::string path = m_dir.File(std::string("09-Dec-2026_15659") + Ext(c.kind));
    WriteFileBytes(path, bytes);
    ASSERT_TRUE(CRecordingJournal::Add(path));
    const int repaired = CRecordingJournal::RepairListed();
    EXPECT_TRUE(CRecordingJournal::Entries().empty()) << "the journal lets go of the file";

    const std::vector<uint8_t> after = ReadFileBytes(path);
    if (e.untouched) {
        EXPECT_EQ(repaired, 0);
        EXPECT_EQ(after, bytes) << "a file cut inside its header is no recording to finish";
        return;
    }
    EXPECT_EQ(repaired, 1);
    EXPECT_EQ(after.size(), e.end) << "cut after the last whole page or frame";
    {
        // Every byte kept is as it was, but for STREAMINFO's figures or the
        // last page's flags and CRC.
        std::vector<uint8_t> kept(bytes.begin(), bytes.begin() + long(std::min<size_t>(e.end, bytes.size())));
        std::vector<uint8_t> now = after;
        size_t from = 8, to = 8 + 34;
        if (c.kind == TestContainer::Opus) {
            from = OggPages(after).back().offset + 5;
            to = from + 21;
        }
        for (size_t i = from; i < to && i < kept.size() && i < now.size(); ++i)
            kept[i] = now[i] = 0;
        EXPECT_EQ(now, kept);
    }
    EXPECT_LE(e.samplesOnDisk - e.samples, uint64_t(2 * kRate)) << "never more than about 2 s short";

    // FFmpeg decodes exactly the kept audio, without an error, and reports its length.
    EXPECT_EQ(FfmpegDecodedSamples(path, kRate), (long long)e.samples);
    EXPECT_NEAR(FfprobeSeconds(path), double(e.samples) / kRate, 0.01);
    if (e.samples > 0)
        EXPECT_NEAR(GstSeconds(path), double(e.samples) / kRate, 0.01);
    if (c.kind == TestContainer::Flac) {
        EXPECT_EQ(FlacTotalSamples(after), e.samples);
    } else {
        const auto pages = OggPages(after);
        ASSERT_FALSE(pages.empty());
        EXPECT_EQ(pages.back().flags & 0x04, 0x04) << "the last page ends the stream";
        std::vector<uint8_t> last(after.begin() + long(pages.back().offset), after.end());
        EXPECT_EQ(OggCrcSlow(last), Le32(last, 22)) << "with a CRC of its own";
    }

    // The header reader now sees a finished file of that length, and a
    // second repair has nothing to do.
    AudioFileHeader header;
    std::string reason;
    ASSERT_TRUE(CAudioFileHeader::Read(path, header, reason)) << reason;
    EXPECT_FALSE(header.unfinished);
    EXPECT_TRUE(header.lengthKnown);
    EXPECT_EQ(header.lengthMs, e.samples * 1000 / kRate);
    EXPECT_EQ(CRecordingRepair::Repair(path), RepairResult::NotNeeded);
    EXPECT_EQ(ReadFileBytes(path), after);
    EXPECT_TRUE(m_host.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, ContainerRepairTest,
    ::testing::Values(
        // Inside the header pages or metadata, just after them, then through the audio.
        CutCase{TestContainer::Opus, 0.002, Snap::None}, CutCase{TestContainer::Opus, 0.03, Snap::None},
        CutCase{TestContainer::Opus, 0.2, Snap::None}, CutCase{TestContainer::Opus, 0.37, Snap::None},
        CutCase{TestContainer::Opus, 0.5, Snap::Boundary}, CutCase{TestContainer::Opus, 0.5, Snap::BoundaryPlus1},
        CutCase{TestContainer::Opus, 0.5, Snap::BoundaryMinus1}, CutCase{TestContainer::Opus, 0.71, Snap::None},
        CutCase{TestContainer::Opus, 0.93, Snap::None}, CutCase{TestContainer::Opus, 1.0, Snap::None},
        CutCase{TestContainer::Flac, 0.0005, Snap::None}, CutCase{TestContainer::Flac, 0.05, Snap::None},
        CutCase{TestContainer::Flac, 0.2, Snap::None}, CutCase{TestContainer::Flac, 0.37, Snap::None},
        CutCase{TestContainer::Flac, 0.5, Snap::Boundary}, CutCase{TestContainer::Flac, 0.5, Snap::BoundaryPlus1},
        CutCase{TestContainer::Flac, 0.5, Snap::BoundaryMinus1}, CutCase{TestContainer::Flac, 0.71, Snap::None},
        CutCase{TestContainer::Flac, 0.93, Snap::None}, CutCase{TestContainer::Flac, 1.0, Snap::None}),
    CaseName);

namespace {

// Files the repair must leave byte for byte: how each is made and where it lies.
enum class Foreign {
    NotARecordingName, // named by the journal, but not as the program names its recordings
    NotInJournal,      // named like a recording, unfinished, but the journal never named it
    OtherLayout,       // named and journaled, but not laid out as the writer does (chained Ogg, ID3 before FLAC)
    Finished,          // a whole file: nothing to do
};

struct ForeignCase {
    TestContainer kind;
    Foreign foreign;
};

std::string ForeignName(const ::testing::TestParamInfo<ForeignCase>& info)
{
    static const char* const names[] = {"NotARecordingName", "NotInJournal", "OtherLayout", "Finished"};
    return std::string(KindName(info.param.kind)) + "_" + names[int(info.param.foreign)];
}

class ForeignContainerTest : public ::testing::TestWithParam<ForeignCase> {
protected:
    CapturingHost m_host;
    StateHome m_state;
    TempDir m_dir;
};

} // namespace

TEST_P(ForeignContainerTest, IsNeverWrittenTo)
{
    const ForeignCase c = GetParam();
    std::vector<uint8_t> bytes = Unfinished(c.kind);
    bytes.resize(bytes.size() * 3 / 5); // torn: a repair would cut it
    std::string name = std::string("09-Dec-2026_15659") + Ext(c.kind);
    switch (c.foreign) {
    case Foreign::NotARecordingName: name = std::string("interview") + Ext(c.kind); break;
    case Foreign::NotInJournal: break;
    case Foreign::OtherLayout:
        if (c.kind == TestContainer::Opus) {
            // Two streams one after the other: no file of ours.
            std::vector<uint8_t> chained = Finished(c.kind);
            chained.insert(chained.end(), bytes.begin(), bytes.end());
            bytes = chained;
        } else {
            const uint8_t id3[10] = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0};
            bytes.insert(bytes.begin(), id3, id3 + 10);
        }
        break;
    case Foreign::Finished: bytes = Finished(c.kind); break;
    }
    const std::string path = m_dir.File(name);
    WriteFileBytes(path, bytes);
    if (c.foreign != Foreign::NotInJournal)
        ASSERT_TRUE(CRecordingJournal::Add(path));

    EXPECT_EQ(CRecordingJournal::RepairListed(), 0);
    // What the manager's listing asks of every file, once it has lain still.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    EXPECT_NE(CRecordingRepair::RepairIfOwnUnfinished(path), RepairResult::Repaired);
    EXPECT_EQ(CRecordingRepair::RepairFolder(m_dir.Path()), 0);
    if (c.foreign != Foreign::NotInJournal)
        EXPECT_NE(CRecordingRepair::Repair(path), RepairResult::Repaired);
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(Files, ForeignContainerTest,
                         ::testing::Values(ForeignCase{TestContainer::Opus, Foreign::NotARecordingName},
                                           ForeignCase{TestContainer::Opus, Foreign::NotInJournal},
                                           ForeignCase{TestContainer::Opus, Foreign::OtherLayout},
                                           ForeignCase{TestContainer::Opus, Foreign::Finished},
                                           ForeignCase{TestContainer::Flac, Foreign::NotARecordingName},
                                           ForeignCase{TestContainer::Flac, Foreign::NotInJournal},
                                           ForeignCase{TestContainer::Flac, Foreign::OtherLayout},
                                           ForeignCase{TestContainer::Flac, Foreign::Finished}),
                         ForeignName);

namespace {

// The program's own writer killed mid-recording: what reached the disk is
// repaired by the journal to at most about two seconds short.
class KilledWriterTest : public ::testing::TestWithParam<TestContainer> {
protected:
    CapturingHost m_host;
    StateHome m_state;
    TempDir m_dir;
};

} // namespace

TEST_P(KilledWriterTest, KeepsAllButTheLastSecondOrTwo)
{
    const TestContainer kind = GetParam();
    WAVEFORMATEX format{};
    format.wFormatTag = kind == TestContainer::Opus ? WAVE_FORMAT_OPUS : WAVE_FORMAT_FLAC;
    format.nChannels = 1;
    format.nSamplesPerSec = kRate;
    format.nAvgBytesPerSec = kind == TestContainer::Opus ? 4000 : kRate * 2;
    format.nBlockAlign = kind == TestContainer::Opus ? 1 : 2;
    format.wBitsPerSample = kind == TestContainer::Opus ? 0 : 16;
    const std::string path = m_dir.File(std::string("09-Dec-2026_15659") + Ext(kind));
    ASSERT_TRUE(CRecordingJournal::Add(path));
    constexpr int kWrittenSeconds = 6;

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Recorded at about real pace, tenths of a second at a time, then killed.
        CWavFile file;
        if (!file.Create(path, &format))
            ::_exit(3);
        const auto tone = SineSamples(440, 0.5, kRate, kRate / 10);
        for (int i = 0; i < kWrittenSeconds * 10; ++i) {
            if (!file.Write(tone.data(), uint32_t(tone.size() * 2)))
                ::_exit(4);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(::getpid(), SIGKILL);
        ::_exit(5);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "child status " << status;

    EXPECT_EQ(CRecordingJournal::RepairListed(), 1);
    const long long decoded = FfmpegDecodedSamples(path, kRate);
    RecordProperty("kept_ms", std::to_string(decoded * 1000 / kRate));
    EXPECT_GE(decoded, (long long)(kWrittenSeconds - 2) * kRate) << "at most about two seconds lost";
    EXPECT_LE(decoded, (long long)kWrittenSeconds * kRate);
    EXPECT_NEAR(FfprobeSeconds(path), double(decoded) / kRate, 0.01);
    EXPECT_NEAR(GstSeconds(path), double(decoded) / kRate, 0.01);
    AudioFileHeader header;
    std::string reason;
    ASSERT_TRUE(CAudioFileHeader::Read(path, header, reason)) << reason;
    EXPECT_FALSE(header.unfinished);
    EXPECT_EQ(header.lengthMs, uint64_t(decoded) * 1000 / kRate);
}

INSTANTIATE_TEST_SUITE_P(Kinds, KilledWriterTest, ::testing::Values(TestContainer::Opus, TestContainer::Flac),
                         [](const auto& info) { return KindName(info.param); });

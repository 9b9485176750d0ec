// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Ogg Opus and FLAC recordings written through CWavFile: they decode back to
// the signal at the right length, rate and channel count; a file cut off
// mid-recording keeps what was flushed and still opens; a full disk ends the
// writing with its reason and leaves a readable file.
#include "CodecTestSupport.h"
#include "TestSupport.h"

#include "engine/CRecordingJournal.h"
#include "engine/CWavFile.h"
#include "engine/CWaveRecorder.h"
#include "engine/MessageStyle.h"
#include "platform/AudioBackends.h"
#include "platform/capture/CVirtualWaveIn.h"
#include "engine/RecordingFileType.h"
#include "platform/codecs/CFfmpegContainerWriter.h"
#include "platform/codecs/CFormatCatalogue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Recorders note their files in the journal: a state folder of the test's own.
[[maybe_unused]] ::testing::Environment* const g_stateHome = AddPrivateStateHome();

struct ContainerCase {
    const char* name;
    uint16_t tag;
    uint16_t channels;
    uint32_t rate;
    uint16_t bits; // FLAC's sample width
    uint32_t kbps; // Opus's bit rate

    FormatBlock Block() const
    {
        return tag == WAVE_FORMAT_OPUS ? CFormatCatalogue::MakeOpus(channels, kbps)
                                       : CFormatCatalogue::MakeFlac(channels, rate, bits);
    }
    bool Lossless() const { return tag == WAVE_FORMAT_FLAC; }
    uint32_t SourceBytes() const { return tag == WAVE_FORMAT_FLAC ? bits / 8u : 2u; }
};

void PrintTo(const ContainerCase& c, std::ostream* os) { *os << c.name; }

const ContainerCase kCases[] = {
    {"Opus_mono_24k", WAVE_FORMAT_OPUS, 1, 48000, 16, 24},
    {"Opus_stereo_64k", WAVE_FORMAT_OPUS, 2, 48000, 16, 64},
    {"FLAC_16_mono_22050", WAVE_FORMAT_FLAC, 1, 22050, 16, 0},
    {"FLAC_16_stereo_44100", WAVE_FORMAT_FLAC, 2, 44100, 16, 0},
    {"FLAC_24_stereo_48000", WAVE_FORMAT_FLAC, 2, 48000, 24, 0},
};

// A tone as the device delivers it: 16-bit, or 24-bit packed whose low byte
// carries detail a 16-bit path would lose. Values per sample, interleaved.
std::vector<int32_t> Signal(const ContainerCase& c, size_t frames)
{
    std::vector<int32_t> v(frames * c.channels);
    const double full = c.SourceBytes() == 3 ? 8388607.0 : 32767.0;
    for (size_t i = 0; i < frames; ++i)
        for (uint16_t ch = 0; ch < c.channels; ++ch) {
            const double f = ch == 0 ? 440.0 : 660.0;
            v[i * c.channels + ch] = int32_t(std::lround(0.5 * full * std::sin(2 * M_PI * f * double(i) / c.rate)));
        }
    return v;
}

std::vector<uint8_t> Bytes(const ContainerCase& c, const std::vector<int32_t>& samples)
{
    const uint32_t n = c.SourceBytes();
    std::vector<uint8_t> out(samples.size() * n);
    for (size_t i = 0; i < samples.size(); ++i)
        for (uint32_t b = 0; b < n; ++b)
            out[i * n + b] = uint8_t(uint32_t(samples[i]) >> (8 * b));
    return out;
}

// Hands the bytes over in capture-buffer pieces, as the recorder does.
bool WriteInPieces(CWavFile& w, const std::vector<uint8_t>& bytes, size_t piece = 10000)
{
    for (size_t pos = 0; pos < bytes.size(); pos += piece)
        if (!w.Write(bytes.data() + pos, uint32_t(std::min(piece, bytes.size() - pos))))
            return false;
    return true;
}

struct Probe {
    int status = -1;
    std::map<std::string, std::string> fields;
    std::string text;
};

Probe FfProbe(const std::string& path)
{
    Probe p;
    auto [rc, out] = RunCommand("ffprobe -v error -show_entries format=format_name,duration:stream=codec_name,"
                                "sample_rate,channels -of default=nw=1 '" + path + "' 2>&1");
    p.status = rc;
    p.text = out;
    size_t pos = 0;
    while (pos < out.size()) {
        const size_t end = out.find('\n', pos);
        const std::string line = out.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            p.fields[line.substr(0, eq)] = line.substr(eq + 1);
        pos = end == std::string::npos ? out.size() : end + 1;
    }
    return p;
}

// Decodes to interleaved samples at the file's own rate: 16-bit values, or
// 24-bit values for a 24-bit source. ffmpeg's exit status in `status`.
std::vector<int32_t> Decode(const ContainerCase& c, const std::string& path, int& status, std::string& errors)
{
    const bool wide = c.SourceBytes() == 3;
    const std::string raw = path + ".raw";
    const std::string err = path + ".err";
    status = RunCommand("ffmpeg -nostdin -v error -y -i '" + path + "' -f " + (wide ? "s32le" : "s16le") + " '" + raw +
                        "' 2>'" + err + "'")
                 .first;
    const auto e = ReadFileBytes(err);
    errors.assign(e.begin(), e.end());
    const auto b = ReadFileBytes(raw);
    std::vector<int32_t> out;
    if (wide) {
        out.resize(b.size() / 4);
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = int32_t(Le32(b, 4 * i)) >> 8;
    } else {
        out.resize(b.size() / 2);
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = int16_t(Le16(b, 2 * i));
    }
    std::remove(raw.c_str());
    std::remove(err.c_str());
    return out;
}

std::vector<int16_t> To16(const std::vector<int32_t>& v, bool wide)
{
    std::vector<int16_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i)
        out[i] = int16_t(wide ? v[i] >> 8 : v[i]);
    return out;
}

// The decoded audio matches the recorded signal: bit for bit where the format
// is lossless, as a clean tone without a shift in time for Opus (its
// pre-skip hides the encoder's delay).
void ExpectSignal(const ContainerCase& c, const std::vector<int32_t>& sent, const std::vector<int32_t>& decoded,
                  size_t frames)
{
    ASSERT_GE(decoded.size(), frames * c.channels);
    if (c.Lossless()) {
        for (size_t i = 0; i < frames * c.channels; ++i)
            ASSERT_EQ(decoded[i], sent[i]) << "sample " << i;
        return;
    }
    // The reference starts 8 frames in: a decoder a few samples early or late
    // shows as a lag near 8. Searched within half a period of the tone.
    constexpr size_t kOffset = 8;
    const std::vector<int32_t> head(sent.begin() + kOffset * c.channels, sent.begin() + ptrdiff_t(frames * c.channels));
    const ToneMatch m = MatchTone(To16(head, false), To16(decoded, false), c.channels, 2 * kOffset);
    EXPECT_NEAR(double(m.lag), double(kOffset), 4.0) << "pre-skip must hide the encoder's delay";
    EXPECT_GT(m.snrDb, 12.0);
    EXPECT_NEAR(m.gain, 1.0, 0.2);
}

// Waits until the workers have written `frames` sample frames.
bool WaitConverted(const CWavFile& w, uint64_t frames)
{
    for (int i = 0; i < 1000 && w.SamplesConverted() < frames; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return w.SamplesConverted() >= frames;
}

class ContainerFormats : public ::testing::TestWithParam<ContainerCase> {
protected:
    void SetUp() override
    {
        ASSERT_NE(CFfmpegContainerWriter::EncoderName(GetParam().tag), nullptr)
            << "FFmpeg offers no encoder for " << GetParam().name;
    }
    CapturingHost m_host;
    TempDir m_dir;
};

TEST_P(ContainerFormats, DecodesToTheSignalAtTheRecordedLength)
{
    const ContainerCase& c = GetParam();
    const std::string path = m_dir.File(std::string("rec") + RecordingExtension(c.tag));
    // An odd length, not a whole number of codec frames.
    const size_t frames = size_t(c.rate) * 33 / 10 + 77;
    const auto sent = Signal(c, frames);
    const FormatBlock block = c.Block();
    {
        CWavFile w;
        ASSERT_TRUE(w.Create(path, reinterpret_cast<const WAVEFORMATEX*>(block.data())));
        EXPECT_TRUE(w.IsContainer());
        ASSERT_TRUE(WriteInPieces(w, Bytes(c, sent)));
        ASSERT_TRUE(w.Close());
        EXPECT_EQ(w.SamplesConverted(), frames);
        EXPECT_EQ(w.LastWriteError(), WavWriteError::None);
        EXPECT_FALSE(w.LeftUnfinished());
    }
    EXPECT_TRUE(m_host.Messages().empty());

    const Probe p = FfProbe(path);
    ASSERT_EQ(p.status, 0) << p.text;
    EXPECT_EQ(p.fields.at("format_name"), c.tag == WAVE_FORMAT_OPUS ? "ogg" : "flac") << p.text;
    EXPECT_EQ(p.fields.at("codec_name"), c.tag == WAVE_FORMAT_OPUS ? "opus" : "flac");
    EXPECT_EQ(p.fields.at("sample_rate"), std::to_string(c.rate));
    EXPECT_EQ(p.fields.at("channels"), std::to_string(c.channels));
    // The length players show is the recorded time: exact for FLAC, within
    // one 20 ms frame for Opus.
    const double want = double(frames) / c.rate;
    EXPECT_NEAR(std::stod(p.fields.at("duration")), want, c.Lossless() ? 0.0005 : 0.020) << p.text;
    std::printf("%s: %zu bytes, ffprobe %s s for %.6f s recorded\n", c.name, size_t(std::filesystem::file_size(path)),
                p.fields.at("duration").c_str(), want);

    const auto bytes = ReadFileBytes(path);
    if (c.tag == WAVE_FORMAT_FLAC) {
        // STREAMINFO, patched at the end: frame sizes, the sample count.
        ASSERT_GE(bytes.size(), 42u);
        ASSERT_EQ(std::memcmp(bytes.data(), "fLaC", 4), 0);
        const uint32_t minFrame = uint32_t(bytes[12]) << 16 | uint32_t(bytes[13]) << 8 | bytes[14];
        const uint32_t maxFrame = uint32_t(bytes[15]) << 16 | uint32_t(bytes[16]) << 8 | bytes[17];
        EXPECT_GT(minFrame, 0u);
        EXPECT_GE(maxFrame, minFrame);
        const uint64_t total = uint64_t(bytes[21] & 0x0F) << 32 | uint64_t(bytes[22]) << 24 |
                               uint64_t(bytes[23]) << 16 | uint64_t(bytes[24]) << 8 | bytes[25];
        EXPECT_EQ(total, frames);
        EXPECT_EQ(((bytes[20] & 1) << 4 | bytes[21] >> 4) + 1, c.bits);
    } else {
        // The last Ogg page ends the stream.
        ASSERT_GE(bytes.size(), 28u);
        size_t last = 0;
        for (size_t i = 0; i + 27 < bytes.size(); ++i)
            if (std::memcmp(bytes.data() + i, "OggS", 4) == 0)
                last = i;
        EXPECT_TRUE(bytes[last + 5] & 0x04) << "end-of-stream flag on the last page";
    }

    int status = -1;
    std::string errors;
    const auto decoded = Decode(c, path, status, errors);
    ASSERT_EQ(status, 0) << errors;
    EXPECT_TRUE(errors.empty()) << errors;
    // Opus's pre-skip and the last packet's trimmed length give back exactly
    // the samples recorded.
    EXPECT_EQ(decoded.size() / c.channels, frames);
    ExpectSignal(c, sent, decoded, std::min(frames, decoded.size() / c.channels));
}

TEST_P(ContainerFormats, FileCutOffMidRecordingKeepsWhatWasFlushed)
{
    const ContainerCase& c = GetParam();
    const std::string path = m_dir.File(std::string("cut") + RecordingExtension(c.tag));
    const std::string copy = m_dir.File(std::string("left") + RecordingExtension(c.tag));
    const size_t frames = size_t(c.rate) * 3;
    const auto sent = Signal(c, frames + c.rate);
    const auto bytes = Bytes(c, sent);
    const FormatBlock block = c.Block();
    CWavFile w;
    ASSERT_TRUE(w.Create(path, reinterpret_cast<const WAVEFORMATEX*>(block.data())));
    // Three seconds, handed on as a pause does; the file then stays as a
    // killed process would leave it: no Close, no trailer.
    ASSERT_TRUE(WriteInPieces(w, std::vector<uint8_t>(bytes.begin(), bytes.begin() + ptrdiff_t(frames * c.channels * c.SourceBytes()))));
    ASSERT_TRUE(w.FlushStaged());
    ASSERT_TRUE(WaitConverted(w, frames));
    std::filesystem::copy_file(path, copy);

    const Probe p = FfProbe(copy);
    ASSERT_EQ(p.status, 0) << p.text;
    EXPECT_EQ(p.fields.at("sample_rate"), std::to_string(c.rate));
    int status = -1;
    std::string errors;
    const auto decoded = Decode(c, copy, status, errors);
    EXPECT_EQ(status, 0) << errors;
    // Everything but the part of a codec frame the encoder still holds.
    const size_t held = size_t(c.tag == WAVE_FORMAT_OPUS ? 960 * 2 : 4608);
    EXPECT_GE(decoded.size() / c.channels, frames - held);
    ExpectSignal(c, sent, decoded, std::min(frames, decoded.size() / c.channels));

    // The recording goes on and ends as usual afterwards.
    ASSERT_TRUE(w.Write(bytes.data() + frames * c.channels * c.SourceBytes(), uint32_t(bytes.size() - frames * c.channels * c.SourceBytes())));
    ASSERT_TRUE(w.Close());
    const Probe end = FfProbe(path);
    EXPECT_NEAR(std::stod(end.fields.at("duration")), 4.0, c.Lossless() ? 0.0005 : 0.020) << end.text;
}

TEST_P(ContainerFormats, FullDiskEndsWritingWithTheReasonAndLeavesAReadableFile)
{
    const ContainerCase& c = GetParam();
    const std::string path = m_dir.File(std::string("full") + RecordingExtension(c.tag));
    const FormatBlock block = c.Block();
    const size_t frames = size_t(c.rate) * 30;
    const auto sent = Signal(c, frames);
    const auto bytes = Bytes(c, sent);
    CWavFile w;
    ASSERT_TRUE(w.Create(path, reinterpret_cast<const WAVEFORMATEX*>(block.data())));
    // The disk fills after a few seconds of audio in this format.
    const rlim_t limit = c.tag == WAVE_FORMAT_OPUS ? c.kbps * 1000 / 8 * 4 : rlim_t(c.rate) * c.channels * c.SourceBytes() * 2;
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = limit;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool refused = false;
    // The write that fails runs on a worker: a later Write or FlushStaged sees it.
    for (size_t pos = 0; pos < bytes.size() && !refused; pos += 10000) {
        refused = !w.Write(bytes.data() + pos, uint32_t(std::min<size_t>(10000, bytes.size() - pos)));
        if (!refused && pos % 200000 < 10000)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    w.Close();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(refused);
    EXPECT_EQ(w.LastWriteError(), WavWriteError::DiskWrite);
    EXPECT_EQ(w.LastErrno(), EFBIG);
    EXPECT_FALSE(w.IsOpen());
    EXPECT_TRUE(w.LeftUnfinished()) << "no room for the stream's end: the next start finishes it";
    EXPECT_LE(std::filesystem::file_size(path), limit);

    int status = -1;
    std::string errors;
    const auto decoded = Decode(c, path, status, errors);
    EXPECT_EQ(status, 0) << errors;
    // At least a second reached the disk before it was full, and it is the
    // recorded audio.
    ASSERT_GE(decoded.size() / c.channels, size_t(c.rate));
    ExpectSignal(c, sent, decoded, c.rate);
}

bool Journaled(const std::string& path)
{
    const auto entries = CRecordingJournal::Entries();
    return std::find(entries.begin(), entries.end(), CRecordingJournal::Absolute(path)) != entries.end();
}

TEST_P(ContainerFormats, RecorderJournalsShowsTheLevelPausesAndFinishes)
{
    const ContainerCase& c = GetParam();
    VirtualWaveInConfig config;
    config.signal = VirtualWaveInConfig::Signal::Sine;
    config.level = 0.5;
    config.speed = 4; // a second of audio every quarter second
    WAVEFORMATEX opened{};
    CVirtualWaveIn* device = nullptr;
    OverrideBackend(&AudioBackends::waveIn, [&](std::unique_ptr<IWaveIn>& dev, const WAVEFORMATEX& format,
                                                WaveInProcFn proc, void* instance) {
        opened = format;
        const uint32_t rc = CVirtualWaveIn::Open(dev, format, proc, instance, config);
        device = static_cast<CVirtualWaveIn*>(dev.get());
        return rc;
    });
    const std::string path = m_dir.File(std::string("07-Dec-2026_65525") + RecordingExtension(c.tag));
    const FormatBlock block = c.Block();
    {
        CWaveRecorder rec(path);
        ASSERT_EQ(rec.Start(reinterpret_cast<const WAVEFORMATEX*>(block.data())), WAVEREC_OK);
        // The device delivers what the encoder takes.
        EXPECT_EQ(opened.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(opened.wBitsPerSample, c.SourceBytes() * 8);
        EXPECT_EQ(opened.nSamplesPerSec, c.rate);
        EXPECT_EQ(opened.nChannels, c.channels);
        EXPECT_TRUE(Journaled(path));
        std::this_thread::sleep_for(400ms);
        EXPECT_NEAR(rec.TakePeak(), 0.5, 0.02) << "the level is measured on the PCM, before encoding";

        // Paused, everything captured reaches the file.
        ASSERT_TRUE(rec.Pause());
        ASSERT_NE(device, nullptr);
        const uint64_t atPause = device->FramesProduced();
        EXPECT_TRUE(WaitConverted(rec.GetWavFile(), atPause));
        EXPECT_EQ(rec.GetWavFile().SamplesConverted(), atPause);
        const Probe paused = FfProbe(path);
        EXPECT_EQ(paused.status, 0) << paused.text;
        ASSERT_TRUE(rec.Resume());
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(rec.Stop());
        EXPECT_FALSE(rec.GetWavFile().IsOpen());
        EXPECT_FALSE(Journaled(path)) << "a finished file leaves the journal";
        const Probe p = FfProbe(path);
        ASSERT_EQ(p.status, 0) << p.text;
        EXPECT_NEAR(std::stod(p.fields.at("duration")), double(device->FramesProduced()) / c.rate,
                    c.Lossless() ? 0.0005 : 0.020)
            << p.text;
    }
    OverrideBackend(&AudioBackends::waveIn, {});
    EXPECT_TRUE(m_host.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(OpusAndFlac, ContainerFormats, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ContainerFormatChoice, CatalogueDeviceFormatAndNames)
{
    const CFormatCatalogue& catalogue = CFormatCatalogue::Instance();
    std::vector<std::string> names;
    for (const auto& t : catalogue.Tags())
        names.push_back(t.name);
    const auto mp3 = std::find(names.begin(), names.end(), "MPEG Layer-3");
    ASSERT_NE(mp3, names.end());
    ASSERT_GE(names.end() - mp3, 3);
    EXPECT_EQ(mp3[1], "Opus");
    EXPECT_EQ(mp3[2], "FLAC");
    for (const auto& t : catalogue.Tags()) {
        EXPECT_EQ(t.playsInBrowsers,
                  t.tag != WAVE_FORMAT_IMA_ADPCM && t.tag != WAVE_FORMAT_ADPCM && t.tag != WAVE_FORMAT_GSM610)
            << t.name;
        if (t.tag == WAVE_FORMAT_OPUS) {
            ASSERT_EQ(t.formats.size(), 10u);
            EXPECT_EQ(t.formats[1].description, "24 kBit/s, 48,000 Hz, Mono  3 KB/s");
            EXPECT_EQ(t.formats[9].description, "64 kBit/s, 48,000 Hz, Stereo  8 KB/s");
        }
        if (t.tag == WAVE_FORMAT_FLAC) {
            ASSERT_EQ(t.formats.size(), 28u) << "7 rates, mono and stereo, 16 and 24 bits";
            EXPECT_EQ(t.formats.back().description, "48,000 Hz, 24 Bit, Stereo");
        }
    }
    // The device delivers what the encoder takes.
    const FormatBlock flac24 = CFormatCatalogue::MakeFlac(2, 44100, 24);
    const WAVEFORMATEX d24 = CWaveRecorder::DeviceFormat(*reinterpret_cast<const WAVEFORMATEX*>(flac24.data()));
    EXPECT_EQ(d24.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(d24.wBitsPerSample, 24);
    EXPECT_EQ(d24.nBlockAlign, 6);
    EXPECT_EQ(d24.nAvgBytesPerSec, 44100u * 6);
    const FormatBlock opus = CFormatCatalogue::MakeOpus(1, 32);
    const WAVEFORMATEX dOpus = CWaveRecorder::DeviceFormat(*reinterpret_cast<const WAVEFORMATEX*>(opus.data()));
    EXPECT_EQ(dOpus.wBitsPerSample, 16);
    EXPECT_EQ(dOpus.nSamplesPerSec, 48000u);
    EXPECT_EQ(dOpus.nBlockAlign, 2);

    EXPECT_STREQ(RecordingExtension(WAVE_FORMAT_OPUS), ".opus");
    EXPECT_STREQ(RecordingExtension(WAVE_FORMAT_FLAC), ".flac");
    EXPECT_STREQ(RecordingExtension(WAVE_FORMAT_MPEGLAYER3), ".wav");
    EXPECT_STREQ(RecordingExtension(WAVE_FORMAT_PCM), ".wav");
    for (const char* yes : {"a.wav", "B.WAV", "07-Dec-2026_1.opus", "x.OpUs", "y.flac", "Z.FLAC", ".flac"})
        EXPECT_TRUE(HasRecordingExtension(yes)) << yes;
    for (const char* no : {"a.wav.part", "b.opu", "c.fla", "flac", "d.ogg", "", "e.wav~"})
        EXPECT_FALSE(HasRecordingExtension(no)) << no;
}

TEST(ContainerFormatChoice, FormatNoEncoderMakesIsRefusedWithTheMessage)
{
    CapturingHost host;
    TempDir dir;
    // Opus codes at 48 kHz only; FLAC here takes 16 or 24 bits.
    FormatBlock opus = CFormatCatalogue::MakeOpus(1, 32);
    reinterpret_cast<WAVEFORMATEX*>(opus.data())->nSamplesPerSec = 44100;
    const FormatBlock flac8 = CFormatCatalogue::MakeFlac(1, 8000, 8);
    for (const FormatBlock* block : {static_cast<const FormatBlock*>(&opus), &flac8}) {
        CWavFile w;
        EXPECT_FALSE(w.Create(dir.File("refused"), reinterpret_cast<const WAVEFORMATEX*>(block->data())));
        EXPECT_TRUE(w.Close());
    }
    const auto messages = host.Messages();
    ASSERT_EQ(messages.size(), 2u);
    for (const auto& m : messages)
        EXPECT_EQ(m.text, "The requested operation cannot be performed.");
}

TEST(ContainerFormatChoice, HeaderOnAFullDiskIsAWriteError)
{
    ASSERT_TRUE(std::filesystem::exists("/dev/full"));
    CapturingHost host;
    for (const FormatBlock& block : {CFormatCatalogue::MakeOpus(2, 32), CFormatCatalogue::MakeFlac(1, 8000, 16)}) {
        CWavFile w;
        EXPECT_FALSE(w.Create("/dev/full", reinterpret_cast<const WAVEFORMATEX*>(block.data())));
        w.Close();
        EXPECT_FALSE(w.IsOpen());
    }
    const auto messages = host.Messages();
    ASSERT_EQ(messages.size(), 2u);
    for (const auto& m : messages) {
        EXPECT_EQ(m.text, "CWavFile::Create\nError while writing .wav file");
        EXPECT_EQ(m.style, MB_ICONSTOP);
    }
}

} // namespace

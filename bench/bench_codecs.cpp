// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Encoding, measured beside its peers in one process and interleaved round by
// round, so that whatever else the machine does falls on both sides alike:
//  - ours:   the whole write path, CWavFile::Create, Write in 10,000-byte
//            capture buffers, Close, to a finished file (conversion worker
//            included: the process's CPU time counts every thread);
//  - direct: libavcodec's send/receive loop with the same encoder and the same
//            options, the packets written to a file with fwrite;
//  - floor:  a G.711 table lookup over the same 16-bit bytes, the least any
//            encoder that reads every sample can cost.
// Speed is audio seconds per CPU second (x real time on one core).
// Opus and FLAC rows: ours adds the Ogg or FLAC muxer and the page or frame
// pushed to the file every second; the direct loop writes bare packets.
// Then the worst case of STOP: an MP3 48 kHz stereo recording closed the
// moment a block was handed to the conversion worker, against encoding that
// same pending block directly.
//
// Usage: bench_codecs [seconds of audio, default 60] [rounds, default 5]
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
}

#include "engine/CWavFile.h"
#include "platform/codecs/CFormatCatalogue.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Case {
    FormatBlock format;
    const char* encoder;
    int blockSize; // ADPCM block, 0 for the others
    int64_t bitRate;
    const char* application = nullptr; // libopus's tuning
    int rawBits = 0;                    // FLAC's sample width when not 16
};

std::vector<Case> Cases()
{
    return {
        {CFormatCatalogue::MakeG711(WAVE_FORMAT_ALAW, 1, 8000), "pcm_alaw", 0, 0},
        {CFormatCatalogue::MakeG711(WAVE_FORMAT_MULAW, 2, 44100), "pcm_mulaw", 0, 0},
        {CFormatCatalogue::MakeImaAdpcm(1, 22050), "adpcm_ima_wav", 512, 0},
        {CFormatCatalogue::MakeImaAdpcm(2, 44100), "adpcm_ima_wav", 2048, 0},
        {CFormatCatalogue::MakeMsAdpcm(1, 22050), "adpcm_ms", 512, 0},
        {CFormatCatalogue::MakeMsAdpcm(2, 44100), "adpcm_ms", 2048, 0},
        {CFormatCatalogue::MakeGsm(8000), "libgsm_ms", 0, 0},
        {CFormatCatalogue::MakeMp3(1, 22050, 32), "libmp3lame", 0, 32000},
        {CFormatCatalogue::MakeMp3(2, 44100, 128), "libmp3lame", 0, 128000},
        {CFormatCatalogue::MakeMp3(2, 48000, 192), "libmp3lame", 0, 192000},
        {CFormatCatalogue::MakeOpus(1, 24), "libopus", 0, 24000, "voip"},
        {CFormatCatalogue::MakeOpus(2, 64), "libopus", 0, 64000, "voip"},
        {CFormatCatalogue::MakeFlac(1, 22050, 16), "flac", 0, 0},
        {CFormatCatalogue::MakeFlac(2, 44100, 16), "flac", 0, 0},
        {CFormatCatalogue::MakeFlac(2, 48000, 24), "flac", 0, 0, nullptr, 24},
    };
}

WAVEFORMATEX Head(const FormatBlock& b)
{
    WAVEFORMATEX f;
    std::memcpy(&f, b.data(), sizeof f);
    return f;
}

std::string RowName(const FormatBlock& format)
{
    std::string name = CFormatCatalogue::TagName(Head(format).wFormatTag) + " " + CFormatCatalogue::Describe(format);
    for (size_t at; (at = name.find("  ")) != std::string::npos;)
        name.replace(at, 2, ", ");
    return name;
}

std::vector<int16_t> Tone(uint16_t channels, uint32_t rate, size_t frames)
{
    std::vector<int16_t> out(frames * channels);
    double phase = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double f = 440.0 * (1.0 + 0.5 * std::sin(2.0 * M_PI * double(i) / rate / 1.3));
        const auto v = int16_t(std::lround(12000.0 * std::sin(phase)));
        for (uint16_t c = 0; c < channels; ++c)
            out[i * channels + c] = int16_t(c ? v / 2 : v);
        phase += 2.0 * M_PI * f / rate;
    }
    return out;
}

double ProcessCpu()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

struct Cost {
    double cpu = 0;  // seconds, every thread of the process
    double wall = 0; // seconds
};

template <typename F>
Cost Measure(F&& f)
{
    const double c0 = ProcessCpu();
    const auto w0 = std::chrono::steady_clock::now();
    if (!f()) {
        std::fprintf(stderr, "a measured run failed\n");
        std::exit(1);
    }
    return {ProcessCpu() - c0, std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count()};
}

bool Ours(const Case& c, const uint8_t* pcm, size_t bytes, const std::string& path)
{
    CWavFile wav;
    if (!wav.Create(path, reinterpret_cast<const WAVEFORMATEX*>(c.format.data())))
        return false;
    for (size_t pos = 0; pos < bytes; pos += 10000)
        if (!wav.Write(pcm + pos, uint32_t(std::min<size_t>(10000, bytes - pos))))
            return false;
    return wav.Close();
}

// The encoder alone, as a program using libavcodec directly would drive it:
// interleaved 16-bit input put into the sample layout the encoder takes (or,
// for 24-bit FLAC, packed 24-bit input left-justified in 32 bits).
bool Direct(const Case& c, const uint8_t* pcm, size_t bytes, const std::string& path)
{
    const WAVEFORMATEX d = Head(c.format);
    const AVCodec* codec = avcodec_find_encoder_by_name(c.encoder);
    if (!codec)
        return false;
    AVSampleFormat fmt = AV_SAMPLE_FMT_S16;
    if (c.rawBits == 24) {
        fmt = AV_SAMPLE_FMT_S32;
    } else if (codec->sample_fmts) {
        fmt = codec->sample_fmts[0];
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_S16 || (*f == AV_SAMPLE_FMT_S16P && fmt != AV_SAMPLE_FMT_S16))
                fmt = *f;
    }
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->sample_rate = int(d.nSamplesPerSec);
    ctx->sample_fmt = fmt;
    av_channel_layout_default(&ctx->ch_layout, d.nChannels);
    if (c.bitRate)
        ctx->bit_rate = c.bitRate;
    if (c.rawBits)
        ctx->bits_per_raw_sample = c.rawBits;
    AVDictionary* options = nullptr;
    if (c.application)
        av_dict_set(&options, "application", c.application, 0);
    if (c.blockSize)
        av_dict_set_int(&options, "block_size", c.blockSize, 0);
    const int opened = avcodec_open2(ctx, codec, &options);
    av_dict_free(&options);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (opened < 0 || !out || (fmt != AV_SAMPLE_FMT_S16 && fmt != AV_SAMPLE_FMT_S16P && fmt != AV_SAMPLE_FMT_S32)) {
        avcodec_free_context(&ctx);
        if (out)
            std::fclose(out);
        return false;
    }
    const int ch = d.nChannels;
    const bool fixed = ctx->frame_size > 0 && !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    const int frameSamples = ctx->frame_size > 0 ? ctx->frame_size : 4096;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    frame->format = fmt;
    frame->sample_rate = ctx->sample_rate;
    frame->nb_samples = frameSamples;
    av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
    av_frame_get_buffer(frame, 0);
    const auto drain = [&] {
        while (avcodec_receive_packet(ctx, packet) == 0) {
            std::fwrite(packet->data, 1, size_t(packet->size), out);
            av_packet_unref(packet);
        }
    };
    const auto* samples = reinterpret_cast<const int16_t*>(pcm);
    const size_t width = fmt == AV_SAMPLE_FMT_S32 ? 3 : 2;
    const size_t total = bytes / (width * size_t(ch));
    bool ok = true;
    int64_t pts = 0;
    for (size_t pos = 0; pos < total && ok; pos += size_t(frameSamples)) {
        const int n = int(std::min<size_t>(size_t(frameSamples), total - pos));
        av_frame_make_writable(frame);
        frame->nb_samples = fixed ? frameSamples : n;
        if (fmt == AV_SAMPLE_FMT_S32) {
            auto* dst = reinterpret_cast<int32_t*>(frame->data[0]);
            const uint8_t* src = pcm + pos * ch * 3;
            for (size_t i = 0; i < size_t(n) * ch; ++i)
                dst[i] = int32_t(uint32_t(src[3 * i]) << 8 | uint32_t(src[3 * i + 1]) << 16 | uint32_t(src[3 * i + 2]) << 24);
        } else if (fmt == AV_SAMPLE_FMT_S16) {
            std::memcpy(frame->data[0], samples + pos * ch, size_t(n) * ch * 2);
            if (n < frame->nb_samples)
                std::memset(frame->data[0] + size_t(n) * ch * 2, 0, size_t(frame->nb_samples - n) * ch * 2);
        } else {
            for (int k = 0; k < ch; ++k) {
                auto* plane = reinterpret_cast<int16_t*>(frame->extended_data[k]);
                for (int i = 0; i < n; ++i)
                    plane[i] = samples[(pos + size_t(i)) * ch + size_t(k)];
                std::fill(plane + n, plane + frame->nb_samples, int16_t(0));
            }
        }
        frame->pts = pts;
        pts += frame->nb_samples;
        ok = avcodec_send_frame(ctx, frame) >= 0;
        drain();
    }
    ok = ok && avcodec_send_frame(ctx, nullptr) >= 0;
    drain();
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return std::fclose(out) == 0 && ok;
}

// 16-bit linear to A-law, one table entry per sample value.
std::vector<uint8_t> AlawTable()
{
    std::vector<uint8_t> table(65536);
    for (int v = -32768; v < 32768; ++v) {
        int s = v >> 3; // 13-bit magnitude
        uint8_t mask = 0xD5;
        if (s < 0) {
            mask = 0x55;
            s = -s - 1;
        }
        int seg = 0;
        for (int limit = 0x1F; s > limit && seg < 8; limit = (limit << 1) | 1)
            ++seg;
        uint8_t a = seg >= 8 ? 0x7F : uint8_t(seg << 4 | ((seg < 2 ? s >> 1 : s >> seg) & 0x0F));
        table[size_t(uint16_t(int16_t(v)))] = a ^ mask;
    }
    return table;
}

volatile uint32_t g_sink;

bool Floor(const std::vector<uint8_t>& table, const uint8_t* pcm, size_t bytes, std::vector<uint8_t>& out)
{
    const size_t n = bytes / 2;
    out.resize(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = table[size_t(pcm[2 * i]) | size_t(pcm[2 * i + 1]) << 8];
    g_sink = g_sink + out[n / 2];
    return true;
}

struct Spread {
    double median, low, high;
};

Spread Of(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {median, v.front(), v.back()};
}

std::string Show(const Spread& s, const char* format)
{
    char buf[96];
    const std::string f = std::string(format) + " (" + format + "-" + format + ")";
    std::snprintf(buf, sizeof buf, f.c_str(), s.median, s.low, s.high);
    return buf;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    const int rounds = std::max(5, argc > 2 ? std::atoi(argv[2]) : 5);
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("bench-codecs-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
    const std::vector<uint8_t> alaw = AlawTable();
    std::vector<uint8_t> floorOut;

    std::printf("Encoding %.0f s of a tone per format, %d interleaved rounds; x real time on one core "
                "(audio seconds per CPU second), median (min-max)\n",
                seconds, rounds);
    std::printf("%-48s|%-22s|%-22s|%-18s|%-12s\n", "format", " ours (CWavFile)", " direct libavcodec",
                " ours/direct", " G.711 floor");
    for (const Case& c : Cases()) {
        const WAVEFORMATEX d = Head(c.format);
        const std::vector<int16_t> pcm = Tone(d.nChannels, d.nSamplesPerSec, size_t(seconds * d.nSamplesPerSec));
        // 24-bit FLAC takes what a 24-bit device delivers: the tone with a low byte of detail.
        std::vector<uint8_t> wide;
        if (c.rawBits == 24) {
            wide.resize(pcm.size() * 3);
            for (size_t i = 0; i < pcm.size(); ++i) {
                wide[3 * i] = uint8_t(i * 37);
                wide[3 * i + 1] = uint8_t(uint16_t(pcm[i]));
                wide[3 * i + 2] = uint8_t(uint16_t(pcm[i]) >> 8);
            }
        }
        const auto* bytes = wide.empty() ? reinterpret_cast<const uint8_t*>(pcm.data()) : wide.data();
        const size_t size = wide.empty() ? pcm.size() * 2 : wide.size();
        std::vector<double> ours, direct, floor, ratio;
        // One untimed pass each: libraries loaded, pages touched.
        Measure([&] { return Ours(c, bytes, size, dir + "/ours.wav"); });
        Measure([&] { return Direct(c, bytes, size, dir + "/direct.bin"); });
        for (int r = 0; r < rounds; ++r) {
            // Alternate which side goes first, so neither always follows the other.
            Cost o, t;
            if (r % 2 == 0) {
                o = Measure([&] { return Ours(c, bytes, size, dir + "/ours.wav"); });
                t = Measure([&] { return Direct(c, bytes, size, dir + "/direct.bin"); });
            } else {
                t = Measure([&] { return Direct(c, bytes, size, dir + "/direct.bin"); });
                o = Measure([&] { return Ours(c, bytes, size, dir + "/ours.wav"); });
            }
            const Cost f = Measure([&] { return Floor(alaw, reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size() * 2, floorOut); });
            ours.push_back(seconds / o.cpu);
            direct.push_back(seconds / t.cpu);
            floor.push_back(seconds / std::max(f.cpu, 1e-6));
            ratio.push_back(t.cpu / o.cpu); // >1: ours faster
        }
        std::printf("%-48s| %-21s| %-21s| %-17s| %-11s\n", RowName(c.format).c_str(),
                    Show(Of(ours), "%.0f").c_str(), Show(Of(direct), "%.0f").c_str(),
                    Show(Of(ratio), "%.2f").c_str(), Show(Of(floor), "%.0f").c_str());
    }

    // STOP with a block pending: the write that hands one second of audio to
    // the worker is followed at once by Close, which must wait for it.
    {
        Case c = Cases().front();
        for (const Case& k : Cases())
            if (k.bitRate == 192000)
                c = k;
        const WAVEFORMATEX d = Head(c.format);
        const std::vector<int16_t> pcm = Tone(d.nChannels, d.nSamplesPerSec, size_t(5 * d.nSamplesPerSec));
        const auto* bytes = reinterpret_cast<const uint8_t*>(pcm.data());
        const size_t second = size_t(d.nAvgBytesPerSec ? d.nSamplesPerSec * d.nChannels * 2 : 0);
        std::vector<double> stop, direct;
        for (int r = 0; r < std::max(rounds, 10); ++r) {
            CWavFile wav;
            if (!wav.Create(dir + "/stop.wav", reinterpret_cast<const WAVEFORMATEX*>(c.format.data())))
                return 1;
            // Capture buffers of a twentieth of a second; the last one
            // completes the fifth second and so hands a block on.
            const size_t buffer = second / 20;
            for (size_t pos = 0; pos + buffer <= 5 * second; pos += buffer)
                wav.Write(bytes + pos, uint32_t(buffer));
            const auto t0 = std::chrono::steady_clock::now();
            if (!wav.Close())
                return 1;
            stop.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
            const auto t1 = std::chrono::steady_clock::now();
            Direct(c, bytes + 4 * second, second, dir + "/direct.bin");
            direct.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t1).count());
        }
        const Spread s = Of(stop), p = Of(direct);
        std::printf("\nSTOP to finished file, %s, one second pending in the worker (%zu rounds): "
                    "ours %s ms, max %.2f ms; encoding that second directly %s ms\n",
                    RowName(c.format).c_str(), stop.size(), Show(s, "%.2f").c_str(), s.high,
                    Show(p, "%.2f").c_str());
    }
    std::filesystem::remove_all(dir);
    return 0;
}

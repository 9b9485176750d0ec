// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Records one file per recordable format (every tag the catalogue offers on
// this system) from the sound server's default input, for the player
// compatibility matrix (tests/compat_matrix.sh). Usage:
//   compat_record OUTDIR SECONDS
// Prints one line per file: tag name, file, frames written, rate, the frames
// as seconds, the wall time from Start to Stop, and the format's description,
// separated by tabs. Any failure ends it with status 1. It records from the
// backend VELLORY_AUDIO names (the sound server when unset).
#include "engine/CWaveRecorder.h"
#include "platform/codecs/CFormatCatalogue.h"
#include "TestSupport.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

WAVEFORMATEX Head(const FormatBlock& block)
{
    WAVEFORMATEX f;
    std::memcpy(&f, block.data(), sizeof f);
    return f;
}

// A voice recording's format: mono at 22,050 Hz (16-bit for PCM; GSM at its
// own 8 kHz, Opus at 48 kHz and 32 kbit/s) where the tag offers it,
// otherwise its first mono format.
const CatalogueFormat* Pick(const CatalogueTag& tag)
{
    const CatalogueFormat* mono = nullptr;
    for (const CatalogueFormat& c : tag.formats) {
        const WAVEFORMATEX f = Head(c.block);
        if (f.nChannels != 1)
            continue;
        if (!mono)
            mono = &c;
        const uint32_t rate = f.wFormatTag == WAVE_FORMAT_GSM610 ? 8000 : f.wFormatTag == WAVE_FORMAT_OPUS ? 48000 : 22050;
        const bool pcm16 = f.wFormatTag != WAVE_FORMAT_PCM || f.wBitsPerSample == 16;
        const bool opus32 = f.wFormatTag != WAVE_FORMAT_OPUS || f.nAvgBytesPerSec == 32000 / 8;
        if (f.nSamplesPerSec == rate && pcm16 && opus32)
            return &c;
    }
    return mono ? mono : tag.formats.empty() ? nullptr : &tag.formats.front();
}

std::string Extension(const std::string& name)
{
    if (name == "Opus")
        return ".opus";
    if (name == "FLAC")
        return ".flac";
    return ".wav";
}

std::string FileName(const std::string& name)
{
    std::string out;
    for (char c : name)
        out += std::isalnum(static_cast<unsigned char>(c)) ? char(std::tolower(static_cast<unsigned char>(c))) : '-';
    return out + Extension(name);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace std::chrono_literals;
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTDIR SECONDS\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const auto length = std::chrono::duration<double>(std::atof(argv[2]));
    CapturingHost host;
    const CFormatCatalogue& catalogue = CFormatCatalogue::Instance();
    int status = 0;
    {
        // The first recording from a fresh server starts late; get past it.
        CWaveRecorder warm(dir + "/warm-up.wav");
        const WAVEFORMATEX f = Head(CFormatCatalogue::MakePcm(1, 22050, 16));
        if (warm.Start(&f) == WAVEREC_OK) {
            std::this_thread::sleep_for(1s);
            warm.Stop();
        }
        std::remove((dir + "/warm-up.wav").c_str());
    }
    for (const CatalogueTag& tag : catalogue.Tags()) {
        const CatalogueFormat* choice = Pick(tag);
        if (!choice) {
            std::fprintf(stderr, "%s: no format offered\n", tag.name.c_str());
            status = 1;
            continue;
        }
        const WAVEFORMATEX f = Head(choice->block);
        const std::string path = dir + "/" + FileName(tag.name);
        CWaveRecorder rec(path);
        if (rec.Start(reinterpret_cast<const WAVEFORMATEX*>(choice->block.data())) != WAVEREC_OK) {
            std::fprintf(stderr, "%s: the recording did not start\n", tag.name.c_str());
            status = 1;
            continue;
        }
        const auto started = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(length);
        const bool brokenOff = rec.WaitFinished(1);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const bool stopped = rec.Stop();
        const CWavFile& file = rec.GetWavFile();
        if (brokenOff || !stopped || file.LastWriteError() != WavWriteError::None) {
            std::fprintf(stderr, "%s: the recording failed (broken off %d, stopped %d, write error %d)\n",
                         tag.name.c_str(), brokenOff, stopped, int(file.LastWriteError()));
            status = 1;
        }
        // What went into the file: PCM bytes as they are, other formats as
        // frames handed to the encoder.
        const uint64_t frames = f.wFormatTag == WAVE_FORMAT_PCM ? file.DataBytesWritten() / f.nBlockAlign
                                                                : file.SamplesConverted();
        std::printf("%s\t%s\t%llu\t%u\t%.3f\t%.3f\t%s\n", tag.name.c_str(), path.c_str(),
                    static_cast<unsigned long long>(frames), f.nSamplesPerSec, double(frames) / f.nSamplesPerSec,
                    wall, choice->description.c_str());
        std::fflush(stdout);
    }
    for (const CapturedMessage& m : host.Messages()) {
        std::fprintf(stderr, "message: %s\n", m.text.c_str());
        status = 1;
    }
    return status;
}

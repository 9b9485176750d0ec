// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CodecTestSupport.h"

#include "TestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

std::vector<int16_t> TestTone(uint16_t channels, uint32_t rate, size_t frames, double amplitude)
{
    // The pitch wanders slowly, so a shifted copy of the tone never lines up
    // with itself: the codec delay can be measured without ambiguity.
    std::vector<int16_t> out(frames * channels);
    for (uint16_t c = 0; c < channels; ++c) {
        const double base = c == 0 ? 440.0 : 660.0;
        const double wobble = c == 0 ? 1.3 : 1.7;
        double phase = 0;
        for (size_t i = 0; i < frames; ++i) {
            const double t = double(i) / rate;
            out[i * channels + c] = int16_t(std::lround(amplitude * 32767.0 * std::sin(phase)));
            phase += 2.0 * M_PI * base * (1.0 + 0.5 * std::sin(2.0 * M_PI * t / wobble)) / rate;
        }
    }
    return out;
}

std::vector<int16_t> BytesToSamples(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

ToneMatch MatchTone(const std::vector<int16_t>& reference, const std::vector<int16_t>& decoded, uint16_t channels,
                    size_t maxLag, size_t edge)
{
    ToneMatch m;
    const size_t refFrames = reference.size() / channels;
    const size_t decFrames = decoded.size() / channels;
    // Lag: least error over the first stretch of the first channel.
    const size_t span = std::min<size_t>(refFrames, 60000);
    double bestErr = std::numeric_limits<double>::max();
    for (size_t lag = 0; lag <= maxLag && lag + span <= decFrames; ++lag) {
        double err = 0;
        for (size_t i = 0; i < span && err < bestErr; ++i) {
            const double d = double(decoded[(lag + i) * channels]) - reference[i * channels];
            err += d * d;
        }
        if (err < bestErr) {
            bestErr = err;
            m.lag = lag;
        }
    }
    const size_t frames = std::min(refFrames, decFrames > m.lag ? decFrames - m.lag : 0);
    if (frames == 0)
        return m;
    double cross = 0, refEnergy = 0;
    for (size_t i = 0; i < frames * channels; ++i) {
        cross += double(decoded[m.lag * channels + i]) * reference[i];
        refEnergy += double(reference[i]) * reference[i];
    }
    m.gain = refEnergy > 0 ? cross / refEnergy : 0;

    // Worst channel over the whole tone, and the worst window anywhere inside.
    m.snrDb = std::numeric_limits<double>::max();
    m.worstWindowDb = std::numeric_limits<double>::max();
    const size_t window = 2048;
    for (uint16_t c = 0; c < channels; ++c) {
        double sig = 0, noise = 0;
        for (size_t i = 0; i < frames; ++i) {
            const double r = reference[i * channels + c];
            const double d = decoded[(m.lag + i) * channels + c] - m.gain * r;
            sig += r * r;
            noise += d * d;
        }
        m.snrDb = std::min(m.snrDb, 10.0 * std::log10(sig / std::max(noise, 1e-9)));
        for (size_t start = edge; start + window + edge <= frames; start += window / 2) {
            double ws = 0, wn = 0;
            for (size_t i = start; i < start + window; ++i) {
                const double r = reference[i * channels + c];
                const double d = decoded[(m.lag + i) * channels + c] - m.gain * r;
                ws += r * r;
                wn += d * d;
            }
            const double db = 10.0 * std::log10(ws / std::max(wn, 1e-9));
            if (db < m.worstWindowDb) {
                m.worstWindowDb = db;
                m.worstWindowAt = start;
            }
        }
    }
    return m;
}

bool DecodeWithTool(const std::string& tool, const std::string& path, std::vector<int16_t>& samples,
                    std::string& errors)
{
    const std::string raw = path + "." + tool + ".raw";
    const std::string err = path + "." + tool + ".err";
    std::string command;
    if (tool == "ffmpeg")
        command = "ffmpeg -nostdin -v error -y -i '" + path + "' -f s16le -acodec pcm_s16le '" + raw + "' 2>'" +
                  err + "'";
    else // -D: no dither, so a 24- or 32-bit file comes back bit-exact
        command = "sox -D '" + path + "' -t raw -e signed-integer -b 16 '" + raw + "' 2>'" + err + "'";
    const int status = RunCommand(command).first;
    const std::vector<uint8_t> e = ReadFileBytes(err);
    errors.assign(e.begin(), e.end());
    samples = BytesToSamples(ReadFileBytes(raw));
    return status == 0;
}

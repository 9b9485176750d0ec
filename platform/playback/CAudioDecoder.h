// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Reads a RIFF/WAVE, Ogg Opus or FLAC file as 16-bit interleaved samples at
// the file's own rate and channel count, through FFmpeg for every format tag
// it knows. A RIFF header is also walked here, so that a recording whose
// sizes were never patched (zero) still plays to the end of its bytes and PCM
// lengths are exact; Ogg and FLAC lengths come from their demuxers (the last
// page's granule position less the pre-skip, STREAMINFO's sample count).
#include "platform/WaveFormat.h"

#include <cstdint>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

class CAudioDecoder {
public:
    CAudioDecoder() = default;
    ~CAudioDecoder();
    CAudioDecoder(const CAudioDecoder&) = delete;
    CAudioDecoder& operator=(const CAudioDecoder&) = delete;

    // 0, or an error code of WaveAudioDevice.h (file not found, unreadable,
    // not a playable file).
    uint32_t Open(const std::string& path);
    // Positions the decoder at fromMs (from the start of the file again).
    bool Start(uint32_t fromMs);
    // Up to maxFrames frames into out (maxFrames * Channels() samples);
    // the number of frames, 0 at the end, -1 when the file cannot be decoded.
    long Read(int16_t* out, size_t maxFrames);

    uint32_t Rate() const { return m_rate; }
    uint16_t Channels() const { return m_channels; }
    uint32_t LengthMs() const { return m_lengthMs; }
    bool IsPcm() const { return m_container == Container::Wav && m_format.wFormatTag == WAVE_FORMAT_PCM; }
    const WAVEFORMATEX& Format() const { return m_format; }
    // Bytes of audio in the data chunk (to the end of the file when unpatched;
    // the whole file for Ogg and FLAC).
    uint64_t DataBytes() const { return m_dataBytes; }

private:
    uint32_t ParseHeader();
    int64_t CompressedLengthMs() const;
    int64_t ContainerLengthMs() const;
    bool OpenStream();
    void CloseStream();
    // Decodes until samples are buffered; false at the end or on failure.
    bool Refill();
    bool ConvertFrame();

    std::string m_path;
    // The file as opened (non-blocking, checked to be a regular file); FFmpeg
    // reads it through /proc/self/fd so that it reads this very file.
    int m_fd = -1;
    enum class Container { Wav, Ogg, Flac };
    Container m_container = Container::Wav;
    WAVEFORMATEX m_format{}; // for Ogg and FLAC: the tag, and channels and rate once opened
    uint64_t m_dataBytes = 0;
    uint32_t m_rate = 0;
    uint16_t m_channels = 0;
    uint32_t m_lengthMs = 0;

    AVFormatContext* m_fmt = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    SwrContext* m_swr = nullptr;
    int m_streamIndex = -1;
    bool m_eof = false;       // no more packets
    bool m_failed = false;
    int m_badPackets = 0;     // consecutive packets the codec refused
    bool m_anyBadPacket = false;
    bool m_anyFrame = false;
    int64_t m_factSamples = -1; // sample count of a fact chunk that has one
    int64_t m_skipFrames = 0; // frames still to drop after a seek
    int64_t m_seekTarget = -1; // first frame wanted, in samples, until the first frame is seen
    std::vector<int16_t> m_buffer;
    size_t m_bufferPos = 0; // samples of m_buffer already handed out
};

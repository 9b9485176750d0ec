// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// A conversion stream over a libavcodec encoder: 16-bit interleaved PCM in,
// the bytes of one WAV format out, block for block as the format declares.
// One stream is used by one thread at a time; successive calls may come from
// different threads as long as each hands over to the next.
#include "platform/codecs/IConversionStream.h"

#include <cstdint>
#include <memory>
#include <vector>

struct AVCodec;
struct AVCodecContext;
struct AVDictionary;
struct AVFrame;
struct AVPacket;

// Shared with the container writer's encoder.
// An encoder context for interleaved audio of `channels` at `rate` (that rate
// its time base, one thread), with a frame and a packet. False when memory ran
// out; whatever was allocated is stored for the caller to free.
bool AllocateAudioEncoder(const AVCodec* codec, int sampleFormat, uint32_t rate, int channels,
                          AVCodecContext*& context, AVFrame*& frame, AVPacket*& packet);
// Opens the encoder with `options`, which are freed: 0, MMSYSERR_NOMEM or
// ACMERR_NOTPOSSIBLE.
uint32_t OpenAudioEncoder(AVCodecContext* context, const AVCodec* codec, AVDictionary*& options);
// Gives the frame a buffer of `samples` in the opened encoder's format and layout.
bool AllocateEncoderFrame(AVFrame* frame, const AVCodecContext* context, int samples);

class CFfmpegConversionStream : public IConversionStream {
public:
    ~CFfmpegConversionStream() override;
    CFfmpegConversionStream(const CFfmpegConversionStream&) = delete;
    CFfmpegConversionStream& operator=(const CFfmpegConversionStream&) = delete;

    // 0, MMSYSERR_NOMEM, MMSYSERR_INVALPARAM, or ACMERR_NOTPOSSIBLE when no
    // encoder produces `destination` from `source` exactly as declared.
    static uint32_t Open(const WAVEFORMATEX& source, const FormatBlock& destination,
                         std::unique_ptr<IConversionStream>& stream);

    bool OutputSize(uint32_t srcBytes, uint32_t& dstBytes) override;
    bool Convert(const uint8_t* src, uint32_t srcBytes, std::vector<uint8_t>& out) override;
    bool Finish(std::vector<uint8_t>& out) override;

    // Samples per channel that one encoder call takes (the codec's frame).
    int FrameSamples() const { return m_frameSamples; }
    // Interleaved PCM bytes kept back for the next call.
    size_t CarriedBytes() const { return m_carry.size(); }

private:
    CFfmpegConversionStream() = default;
    uint32_t Init(const WAVEFORMATEX& source, const FormatBlock& destination);
    bool ConvertBlock(const uint8_t* src, uint32_t srcBytes, std::vector<uint8_t>& out);
    bool FinishStream(std::vector<uint8_t>& out);
    // Encodes `samples` sample frames of interleaved PCM (nullptr: drain).
    bool EncodeFrame(const uint8_t* pcm, int samples, std::vector<uint8_t>& out);
    bool ReceivePackets(std::vector<uint8_t>& out);

    AVCodecContext* m_pCodec = nullptr;
    AVFrame* m_pFrame = nullptr;
    AVPacket* m_pPacket = nullptr;
    int m_channels = 0;
    int m_frameSamples = 0;     // samples per channel per encoder call
    bool m_bFixedFrame = false; // every encoder call takes exactly m_frameSamples
    uint32_t m_maxPacket = 0;   // bound of one frame's output
    int64_t m_pts = 0;
    bool m_bFinished = false;
    std::vector<uint8_t> m_carry; // PCM bytes not yet encoded
};

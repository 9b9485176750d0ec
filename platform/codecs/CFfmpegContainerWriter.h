// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// A recording in a container of its own (Ogg Opus, native FLAC): a libavcodec
// encoder and a libavformat muxer writing through our own file, so that a
// failed write keeps its errno and a full disk is reported as for RIFF files.
// One writer is used by one thread at a time; successive calls may come from
// different threads as long as each hands over to the next.
#include "platform/WaveFormat.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVIOContext;
struct AVPacket;
struct AVStream;
class CRiffFile;

// Open's result when the file refused the stream header (LastErrno says why).
constexpr uint32_t CONTAINER_WRITE_FAILED = 0x10000;

class CFfmpegContainerWriter {
public:
    ~CFfmpegContainerWriter();
    CFfmpegContainerWriter(const CFfmpegContainerWriter&) = delete;
    CFfmpegContainerWriter& operator=(const CFfmpegContainerWriter&) = delete;

    // Opens the encoder and the muxer for `format` (an Opus or FLAC block)
    // over `file`, which is open for writing at offset 0, and writes the
    // stream's header. 0; MMSYSERR_INVALPARAM; MMSYSERR_NOMEM; ACMERR_NOTPOSSIBLE
    // when no encoder makes the format as declared; ACMERR_NOLIBRARY;
    // CONTAINER_WRITE_FAILED. `file` must outlive the writer.
    static uint32_t Open(const FormatBlock& format, CRiffFile& file, std::unique_ptr<CFfmpegContainerWriter>& writer);
    // The PCM a writer of `chosen` takes: 16-bit for Opus and 16-bit FLAC,
    // 24-bit (packed, little-endian) for 24-bit FLAC, of the chosen channels
    // and rate.
    static WAVEFORMATEX SourceFormat(const WAVEFORMATEX& chosen);
    // The encoder that writes `tag` here ("libopus", or FFmpeg's own "opus"
    // where libopus is missing; "flac"), or nullptr when there is none.
    // Loads FFmpeg on first use.
    static const char* EncoderName(uint16_t tag);

    // Encodes interleaved PCM in the source format, continuing the stream
    // (samples short of a codec frame wait for the next call), and pushes every
    // finished page or frame to the file. false on a codec or file error.
    bool Write(const uint8_t* pcm, size_t bytes);
    // Ends the stream: the last short frame, the encoder's delay, and the
    // container's end (Ogg's last page with its end-of-stream flag and final
    // granule; FLAC's STREAMINFO with its sample count and frame sizes).
    bool Finish();

    // Sample frames handed to the encoder so far.
    uint64_t SamplesWritten() const { return m_samplesIn.load(); }
    // Bytes of the file so far (its end, not counting a rewrite in place).
    uint64_t FileBytes() const { return m_fileEnd.load(); }
    // errno of the file write that failed; 0 while none failed.
    int LastErrno() const { return m_writeErrno.load(); }
    // Samples per channel of one encoder call.
    int FrameSamples() const { return m_frameSamples; }

private:
    CFfmpegContainerWriter() = default;
    uint32_t Init(const FormatBlock& format, CRiffFile& file);
    bool EncodeFrame(const uint8_t* pcm, int samples);
    bool Drain();
    bool PushToFile();
    static int WritePacket(void* opaque, uint8_t* buf, int size);
    static int64_t SeekPacket(void* opaque, int64_t offset, int whence);

    CRiffFile* m_pFile = nullptr;
    AVCodecContext* m_pCodec = nullptr;
    AVFormatContext* m_pMux = nullptr;
    AVIOContext* m_pIo = nullptr;
    AVStream* m_pStream = nullptr;
    AVFrame* m_pFrame = nullptr;
    AVPacket* m_pPacket = nullptr;
    int m_channels = 0;
    int m_sourceBytes = 2;         // bytes of one source sample (2 or 3)
    int m_frameSamples = 0;
    bool m_bSmallLastFrame = false; // the encoder takes a short last frame
    bool m_bHeaderWritten = false;
    bool m_bFinished = false;
    int64_t m_pts = 0;
    uint64_t m_bytesIn = 0;
    std::vector<uint8_t> m_carry; // source bytes short of a frame
    std::atomic<uint64_t> m_samplesIn{0};
    std::atomic<uint64_t> m_fileEnd{0};
    std::atomic<int> m_writeErrno{0};
};

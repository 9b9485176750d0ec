// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CFfmpegContainerWriter.h"

#include "platform/LoadOnDemand.h"
#include "platform/codecs/CFfmpegConversionStream.h"
#include "platform/codecs/IConversionStream.h"
#include "platform/riff/CRiffFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// One AVIO buffer: a second of 64 kbit/s Opus, a fraction of a FLAC second.
// Whatever it holds reaches the file at the end of every Write.
constexpr int kIoBufferSize = 64 * 1024;
// Ogg pages close after at most a second of audio, so a page is never older
// than that when the file is cut off.
constexpr int64_t kOggPageMicroseconds = 1000000;

bool IsSampleFormatOffered(const AVCodec* codec, AVSampleFormat want)
{
    if (!codec->sample_fmts)
        return want == AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == want)
            return true;
    return false;
}

bool EncoderPresent(const char* name) { return avcodec_find_encoder_by_name(name) != nullptr; }

int16_t Le16(const uint8_t* p) { return int16_t(uint16_t(p[0] | p[1] << 8)); }

// A packed little-endian 24-bit sample, left-justified in 32 bits as the FLAC
// encoder takes it (it shifts back by 32 - bits_per_raw_sample).
int32_t Le24High(const uint8_t* p) { return int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24); }

} // namespace

WAVEFORMATEX CFfmpegContainerWriter::SourceFormat(const WAVEFORMATEX& chosen)
{
    WAVEFORMATEX f = chosen;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.cbSize = 0;
    f.wBitsPerSample = chosen.wFormatTag == WAVE_FORMAT_FLAC && chosen.wBitsPerSample == 24 ? 24 : 16;
    f.nBlockAlign = uint16_t(f.nChannels * (f.wBitsPerSample / 8));
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    return f;
}

const char* CFfmpegContainerWriter::EncoderName(uint16_t tag)
{
    if (!LoadFfmpegOnDemand())
        return nullptr;
    switch (tag) {
    case WAVE_FORMAT_OPUS:
        // libopus has the speech mode (application "voip"); FFmpeg's own
        // encoder is the fallback of a build without it.
        if (EncoderPresent("libopus"))
            return "libopus";
        return EncoderPresent("opus") ? "opus" : nullptr;
    case WAVE_FORMAT_FLAC: return EncoderPresent("flac") ? "flac" : nullptr;
    default: return nullptr;
    }
}

uint32_t CFfmpegContainerWriter::Open(const FormatBlock& format, CRiffFile& file,
                                      std::unique_ptr<CFfmpegContainerWriter>& writer)
{
    writer.reset();
    if (!LoadFfmpegOnDemand())
        return ACMERR_NOLIBRARY;
    std::unique_ptr<CFfmpegContainerWriter> w(new (std::nothrow) CFfmpegContainerWriter);
    if (!w)
        return MMSYSERR_NOMEM;
    const uint32_t code = w->Init(format, file);
    if (code == 0)
        writer = std::move(w);
    return code;
}

uint32_t CFfmpegContainerWriter::Init(const FormatBlock& format, CRiffFile& file)
{
    if (format.size() < sizeof(WAVEFORMATEX))
        return MMSYSERR_INVALPARAM;
    WAVEFORMATEX d;
    std::memcpy(&d, format.data(), sizeof d);
    if (format.size() != sizeof(WAVEFORMATEX) + d.cbSize || d.nChannels == 0 || d.nSamplesPerSec == 0)
        return MMSYSERR_INVALPARAM;
    m_pFile = &file;
    m_channels = d.nChannels;

    const char* muxer = nullptr;
    int64_t bitRate = 0;
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_S16;
    int rawBits = 0;
    const char* encoder = EncoderName(d.wFormatTag);
    if (!encoder)
        return ACMERR_NOTPOSSIBLE;
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
    if (!codec)
        return ACMERR_NOTPOSSIBLE;
    switch (d.wFormatTag) {
    case WAVE_FORMAT_OPUS:
        // Opus codes at 48 kHz; its bit rates run from 6 to 510 kbit/s.
        if (d.nChannels > 2 || d.nSamplesPerSec != 48000 || d.nAvgBytesPerSec < 750 || d.nAvgBytesPerSec > 63750)
            return ACMERR_NOTPOSSIBLE;
        muxer = "ogg";
        bitRate = int64_t(d.nAvgBytesPerSec) * 8;
        if (!IsSampleFormatOffered(codec, AV_SAMPLE_FMT_S16))
            sampleFormat = IsSampleFormatOffered(codec, AV_SAMPLE_FMT_FLT) ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_FLTP;
        break;
    case WAVE_FORMAT_FLAC:
        // FFmpeg's FLAC encoder writes 16 bits from s16 and 24 bits from s32.
        if (d.nChannels > 8 || d.nSamplesPerSec > 655350 || (d.wBitsPerSample != 16 && d.wBitsPerSample != 24))
            return ACMERR_NOTPOSSIBLE;
        muxer = "flac";
        sampleFormat = d.wBitsPerSample == 24 ? AV_SAMPLE_FMT_S32 : AV_SAMPLE_FMT_S16;
        rawBits = d.wBitsPerSample;
        m_sourceBytes = d.wBitsPerSample / 8;
        break;
    default: return ACMERR_NOTPOSSIBLE;
    }
    if (!IsSampleFormatOffered(codec, sampleFormat))
        return ACMERR_NOTPOSSIBLE;

    if (!AllocateAudioEncoder(codec, sampleFormat, d.nSamplesPerSec, m_channels, m_pCodec, m_pFrame, m_pPacket))
        return MMSYSERR_NOMEM;
    if (bitRate)
        m_pCodec->bit_rate = bitRate;
    if (rawBits)
        m_pCodec->bits_per_raw_sample = rawBits;
    if (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL)
        m_pCodec->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    // Both muxers take the codec's header from the stream parameters.
    m_pCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (std::strcmp(encoder, "libopus") == 0)
        av_dict_set(&options, "application", "voip", 0); // tuned for speech
    if (const uint32_t code = OpenAudioEncoder(m_pCodec, codec, options))
        return code;
    if (m_pCodec->frame_size <= 0)
        return ACMERR_NOTPOSSIBLE;
    m_frameSamples = m_pCodec->frame_size;
    m_bSmallLastFrame = (codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;

    if (!AllocateEncoderFrame(m_pFrame, m_pCodec, m_frameSamples))
        return MMSYSERR_NOMEM;

    if (avformat_alloc_output_context2(&m_pMux, nullptr, muxer, nullptr) < 0 || !m_pMux)
        return ACMERR_NOTPOSSIBLE;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return MMSYSERR_NOMEM;
    // With a seek callback the context is seekable, which the FLAC muxer needs
    // to write the final STREAMINFO over the first one.
    m_pIo = avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &WritePacket, &SeekPacket);
    if (!m_pIo) {
        av_free(buffer);
        return MMSYSERR_NOMEM;
    }
    m_pMux->pb = m_pIo;
    m_pStream = avformat_new_stream(m_pMux, nullptr);
    if (!m_pStream || avcodec_parameters_from_context(m_pStream->codecpar, m_pCodec) < 0)
        return MMSYSERR_NOMEM;
    m_pStream->time_base = m_pCodec->time_base;

    AVDictionary* muxOptions = nullptr;
    if (d.wFormatTag == WAVE_FORMAT_OPUS)
        av_dict_set_int(&muxOptions, "page_duration", kOggPageMicroseconds, 0);
    const int header = avformat_write_header(m_pMux, &muxOptions);
    av_dict_free(&muxOptions);
    if (header < 0)
        return m_writeErrno.load() ? CONTAINER_WRITE_FAILED : ACMERR_NOTPOSSIBLE;
    m_bHeaderWritten = true;
    // The header is on the disk before the first audio.
    return PushToFile() ? 0 : CONTAINER_WRITE_FAILED;
}

CFfmpegContainerWriter::~CFfmpegContainerWriter()
{
    if (m_pMux) {
        m_pMux->pb = nullptr; // ours, freed below
        avformat_free_context(m_pMux);
    }
    if (m_pIo) {
        av_freep(&m_pIo->buffer);
        avio_context_free(&m_pIo);
    }
    av_packet_free(&m_pPacket);
    av_frame_free(&m_pFrame);
    avcodec_free_context(&m_pCodec);
}

int CFfmpegContainerWriter::WritePacket(void* opaque, uint8_t* buf, int size)
{
    auto* self = static_cast<CFfmpegContainerWriter*>(opaque);
    CRiffFile& file = *self->m_pFile;
    if (file.Write(buf, size_t(size)) < 0) {
        const int err = file.LastError() ? file.LastError() : EIO;
        self->m_writeErrno.store(err);
        return AVERROR(err);
    }
    if (file.Position() > self->m_fileEnd.load())
        self->m_fileEnd.store(file.Position());
    return size;
}

int64_t CFfmpegContainerWriter::SeekPacket(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<CFfmpegContainerWriter*>(opaque);
    CRiffFile& file = *self->m_pFile;
    const uint64_t end = std::max<uint64_t>(file.Size(), self->m_fileEnd.load());
    int64_t target;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE: return int64_t(end);
    case SEEK_SET: target = offset; break;
    case SEEK_CUR: target = int64_t(file.Position()) + offset; break;
    case SEEK_END: target = int64_t(end) + offset; break;
    default: return AVERROR(EINVAL);
    }
    if (target < 0)
        return AVERROR(EINVAL);
    file.Seek(uint64_t(target));
    return target;
}

bool CFfmpegContainerWriter::Drain()
{
    for (;;) {
        const int r = avcodec_receive_packet(m_pCodec, m_pPacket);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return false;
        m_pPacket->stream_index = 0;
        if (m_pPacket->pts != AV_NOPTS_VALUE)
            m_pPacket->pts = av_rescale_q(m_pPacket->pts, m_pCodec->time_base, m_pStream->time_base);
        if (m_pPacket->dts != AV_NOPTS_VALUE)
            m_pPacket->dts = av_rescale_q(m_pPacket->dts, m_pCodec->time_base, m_pStream->time_base);
        m_pPacket->duration = av_rescale_q(m_pPacket->duration, m_pCodec->time_base, m_pStream->time_base);
        const int w = av_write_frame(m_pMux, m_pPacket);
        av_packet_unref(m_pPacket);
        if (w < 0)
            return false;
    }
}

bool CFfmpegContainerWriter::EncodeFrame(const uint8_t* pcm, int samples)
{
    if (!pcm)
        return avcodec_send_frame(m_pCodec, nullptr) >= 0 && Drain();
    // The encoder may still hold a reference to the last frame's buffer.
    if (av_frame_make_writable(m_pFrame) < 0)
        return false;
    m_pFrame->nb_samples = samples;
    const size_t total = size_t(samples) * size_t(m_channels);
    switch (AVSampleFormat(m_pFrame->format)) {
    case AV_SAMPLE_FMT_S16: std::memcpy(m_pFrame->data[0], pcm, total * 2); break;
    case AV_SAMPLE_FMT_S32: {
        auto* dst = reinterpret_cast<int32_t*>(m_pFrame->data[0]);
        for (size_t i = 0; i < total; ++i)
            dst[i] = Le24High(pcm + 3 * i);
        break;
    }
    case AV_SAMPLE_FMT_FLT: {
        auto* dst = reinterpret_cast<float*>(m_pFrame->data[0]);
        for (size_t i = 0; i < total; ++i)
            dst[i] = float(Le16(pcm + 2 * i)) / 32768.0f;
        break;
    }
    case AV_SAMPLE_FMT_FLTP:
        for (int c = 0; c < m_channels; ++c) {
            auto* dst = reinterpret_cast<float*>(m_pFrame->extended_data[c]);
            for (int i = 0; i < samples; ++i)
                dst[i] = float(Le16(pcm + 2 * (size_t(i) * size_t(m_channels) + size_t(c)))) / 32768.0f;
        }
        break;
    default: return false;
    }
    m_pFrame->pts = m_pts;
    m_pts += samples;
    if (avcodec_send_frame(m_pCodec, m_pFrame) < 0)
        return false;
    return Drain();
}

bool CFfmpegContainerWriter::PushToFile()
{
    // Ogg keeps packets until a page is full or a second old: close the page
    // now. Then whatever the I/O buffer holds goes to the file.
    if (av_write_frame(m_pMux, nullptr) < 0)
        return false;
    avio_flush(m_pIo);
    return m_pIo->error == 0 && m_writeErrno.load() == 0;
}

bool CFfmpegContainerWriter::Write(const uint8_t* pcm, size_t bytes)
{
    if (m_bFinished || (!pcm && bytes))
        return false;
    try {
        const size_t sampleBytes = size_t(m_sourceBytes) * size_t(m_channels);
        const size_t frameBytes = size_t(m_frameSamples) * sampleBytes;
        size_t pos = 0;
        if (!m_carry.empty()) {
            const size_t take = std::min(frameBytes - m_carry.size(), bytes);
            m_carry.insert(m_carry.end(), pcm, pcm + take);
            pos = take;
            if (m_carry.size() == frameBytes) {
                if (!EncodeFrame(m_carry.data(), m_frameSamples))
                    return false;
                m_carry.clear();
            }
        }
        if (m_carry.empty()) {
            while (bytes - pos >= frameBytes) {
                if (!EncodeFrame(pcm + pos, m_frameSamples))
                    return false;
                pos += frameBytes;
            }
            m_carry.assign(pcm + pos, pcm + bytes);
        }
        m_bytesIn += bytes;
        m_samplesIn.store(m_bytesIn / sampleBytes);
        return PushToFile();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CFfmpegContainerWriter::Finish()
{
    if (m_bFinished)
        return m_writeErrno.load() == 0;
    m_bFinished = true;
    if (!m_bHeaderWritten)
        return false;
    bool ok = true;
    const size_t sampleBytes = size_t(m_sourceBytes) * size_t(m_channels);
    const size_t whole = m_carry.size() / sampleBytes * sampleBytes;
    if (whole > 0) {
        int samples = int(whole / sampleBytes);
        if (!m_bSmallLastFrame) {
            // The encoder takes whole frames only: the rest is silence.
            m_carry.resize(size_t(m_frameSamples) * sampleBytes, 0);
            samples = m_frameSamples;
        }
        ok = EncodeFrame(m_carry.data(), samples);
    }
    m_carry.clear();
    // The encoder's delay comes out; FLAC's last packet carries the final
    // STREAMINFO, which the muxer writes over the first at the trailer.
    ok = EncodeFrame(nullptr, 0) && ok;
    ok = av_write_trailer(m_pMux) >= 0 && ok;
    avio_flush(m_pIo);
    return ok && m_pIo->error == 0 && m_writeErrno.load() == 0;
}

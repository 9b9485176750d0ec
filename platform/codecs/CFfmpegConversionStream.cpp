// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CFfmpegConversionStream.h"

#include "platform/LoadOnDemand.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

// Standard coefficient pairs of Microsoft ADPCM, as its extra bytes carry them.
constexpr int16_t kMsAdpcmCoef[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

// Samples a variable-size encoder (plain PCM) takes per call.
constexpr int kVariableFrame = 4096;

uint16_t ExtraLe16(const FormatBlock& block, size_t offset)
{
    return uint16_t(block[18 + offset] | block[18 + offset + 1] << 8);
}

// What the destination format asks of the encoder.
struct EncoderPlan {
    const char* name = nullptr;
    int blockSize = 0;         // the ADPCM encoders' block, in bytes
    int samplesPerBlock = 0;   // declared samples per block, checked after opening
    int64_t bitRate = 0;       // MP3
    bool unofficialRate = false;
};

bool IsMp3Bitrate(uint32_t rate, uint32_t kbps)
{
    static const uint32_t mpeg1[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const uint32_t mpeg2[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    if (rate == 32000 || rate == 44100 || rate == 48000)
        return std::find(std::begin(mpeg1), std::end(mpeg1), kbps) != std::end(mpeg1);
    if (rate == 16000 || rate == 22050 || rate == 24000)
        return std::find(std::begin(mpeg2), std::end(mpeg2), kbps) != std::end(mpeg2);
    if (rate == 8000 || rate == 11025 || rate == 12000) // MPEG 2.5 stops at 64 kbit/s in LAME
        return kbps <= 64 && std::find(std::begin(mpeg2), std::end(mpeg2), kbps) != std::end(mpeg2);
    return false;
}

// Maps the declared format onto an encoder, or tells why none fits.
uint32_t PlanEncoder(const WAVEFORMATEX& d, const FormatBlock& block, EncoderPlan& plan)
{
    const unsigned ch = d.nChannels;
    switch (d.wFormatTag) {
    case WAVE_FORMAT_PCM:
        if (ch > 8 || d.nBlockAlign != ch * (d.wBitsPerSample / 8u) || d.wBitsPerSample % 8 != 0)
            return ACMERR_NOTPOSSIBLE;
        switch (d.wBitsPerSample) {
        case 8: plan.name = "pcm_u8"; break;
        case 16: plan.name = "pcm_s16le"; break;
        case 24: plan.name = "pcm_s24le"; break;
        case 32: plan.name = "pcm_s32le"; break;
        default: return ACMERR_NOTPOSSIBLE;
        }
        return 0;
    case WAVE_FORMAT_ALAW:
    case WAVE_FORMAT_MULAW:
        if (ch > 8 || d.wBitsPerSample != 8 || d.nBlockAlign != ch)
            return ACMERR_NOTPOSSIBLE;
        plan.name = d.wFormatTag == WAVE_FORMAT_ALAW ? "pcm_alaw" : "pcm_mulaw";
        return 0;
    case WAVE_FORMAT_IMA_ADPCM: {
        // 4 header bytes per channel, then 8 samples per 4 bytes per channel.
        if (ch > 2 || d.wBitsPerSample != 4 || d.cbSize < 2 || d.nBlockAlign < 32 || d.nBlockAlign > 8192 ||
            (d.nBlockAlign & (d.nBlockAlign - 1)) != 0)
            return ACMERR_NOTPOSSIBLE;
        plan.samplesPerBlock = (d.nBlockAlign - 4 * int(ch)) * 8 / (4 * int(ch)) + 1;
        if (ExtraLe16(block, 0) != plan.samplesPerBlock)
            return ACMERR_NOTPOSSIBLE;
        plan.name = "adpcm_ima_wav";
        plan.blockSize = d.nBlockAlign;
        return 0;
    }
    case WAVE_FORMAT_ADPCM: {
        // 7 header bytes per channel, two samples of it, then two samples per byte.
        if (ch > 2 || d.wBitsPerSample != 4 || d.cbSize < 32 || d.nBlockAlign < 32 || d.nBlockAlign > 8192 ||
            (d.nBlockAlign & (d.nBlockAlign - 1)) != 0)
            return ACMERR_NOTPOSSIBLE;
        plan.samplesPerBlock = (d.nBlockAlign - 7 * int(ch)) * 2 / int(ch) + 2;
        if (ExtraLe16(block, 0) != plan.samplesPerBlock || ExtraLe16(block, 2) != 7)
            return ACMERR_NOTPOSSIBLE;
        for (int i = 0; i < 7; ++i)
            if (int16_t(ExtraLe16(block, 4 + 4 * i)) != kMsAdpcmCoef[i][0] ||
                int16_t(ExtraLe16(block, 6 + 4 * i)) != kMsAdpcmCoef[i][1])
                return ACMERR_NOTPOSSIBLE;
        plan.name = "adpcm_ms";
        plan.blockSize = d.nBlockAlign;
        return 0;
    }
    case WAVE_FORMAT_GSM610:
        if (ch != 1 || d.nBlockAlign != 65 || d.cbSize < 2 || ExtraLe16(block, 0) != 320)
            return ACMERR_NOTPOSSIBLE;
        plan.name = "libgsm_ms";
        plan.samplesPerBlock = 320;
        plan.unofficialRate = d.nSamplesPerSec != 8000;
        return 0;
    case WAVE_FORMAT_MPEGLAYER3: {
        if (ch > 2 || d.cbSize < 12 || ExtraLe16(block, 0) != 1 || d.nBlockAlign != 1)
            return ACMERR_NOTPOSSIBLE;
        const uint64_t bits = uint64_t(d.nAvgBytesPerSec) * 8;
        if (bits % 1000 != 0 || !IsMp3Bitrate(d.nSamplesPerSec, uint32_t(bits / 1000)))
            return ACMERR_NOTPOSSIBLE;
        plan.name = "libmp3lame";
        plan.bitRate = int64_t(bits);
        return 0;
    }
    default: return ACMERR_NOTPOSSIBLE;
    }
}

bool IsSupportedSampleFormat(AVSampleFormat f)
{
    switch (f) {
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S16P:
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S32P:
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_FLTP: return true;
    default: return false;
    }
}

// 16-bit input converts exactly to 16 bits; take that when the encoder offers it.
AVSampleFormat PickSampleFormat(const AVCodec* codec)
{
    if (!codec->sample_fmts)
        return AV_SAMPLE_FMT_S16;
    for (AVSampleFormat want : {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P})
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == want)
                return want;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (IsSupportedSampleFormat(*f))
            return *f;
    return AV_SAMPLE_FMT_NONE;
}

inline int16_t Sample(const uint8_t* pcm, size_t index)
{
    int16_t s;
    std::memcpy(&s, pcm + index * 2, 2); // the block may sit at any byte offset
    return s;
}

// Writes `n` interleaved 16-bit sample frames into the frame's planes.
void FillFrame(AVFrame* frame, const uint8_t* pcm, int n, int ch)
{
    const size_t total = size_t(n) * ch;
    switch (AVSampleFormat(frame->format)) {
    case AV_SAMPLE_FMT_S16: std::memcpy(frame->data[0], pcm, total * 2); break;
    case AV_SAMPLE_FMT_S16P:
        for (int c = 0; c < ch; ++c) {
            auto* dst = reinterpret_cast<int16_t*>(frame->extended_data[c]);
            for (int i = 0; i < n; ++i)
                dst[i] = Sample(pcm, size_t(i) * ch + c);
        }
        break;
    case AV_SAMPLE_FMT_U8:
        for (size_t i = 0; i < total; ++i)
            frame->data[0][i] = uint8_t((Sample(pcm, i) >> 8) + 128);
        break;
    case AV_SAMPLE_FMT_S32: {
        auto* dst = reinterpret_cast<int32_t*>(frame->data[0]);
        for (size_t i = 0; i < total; ++i)
            dst[i] = int32_t(uint32_t(int32_t(Sample(pcm, i))) << 16);
        break;
    }
    case AV_SAMPLE_FMT_S32P:
        for (int c = 0; c < ch; ++c) {
            auto* dst = reinterpret_cast<int32_t*>(frame->extended_data[c]);
            for (int i = 0; i < n; ++i)
                dst[i] = int32_t(uint32_t(int32_t(Sample(pcm, size_t(i) * ch + c))) << 16);
        }
        break;
    case AV_SAMPLE_FMT_FLT: {
        auto* dst = reinterpret_cast<float*>(frame->data[0]);
        for (size_t i = 0; i < total; ++i)
            dst[i] = float(Sample(pcm, i)) / 32768.0f;
        break;
    }
    case AV_SAMPLE_FMT_FLTP:
        for (int c = 0; c < ch; ++c) {
            auto* dst = reinterpret_cast<float*>(frame->extended_data[c]);
            for (int i = 0; i < n; ++i)
                dst[i] = float(Sample(pcm, size_t(i) * ch + c)) / 32768.0f;
        }
        break;
    default: break;
    }
}

} // namespace

bool AllocateAudioEncoder(const AVCodec* codec, int sampleFormat, uint32_t rate, int channels,
                          AVCodecContext*& context, AVFrame*& frame, AVPacket*& packet)
{
    context = avcodec_alloc_context3(codec);
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (!context || !frame || !packet)
        return false;
    context->sample_rate = int(rate);
    context->sample_fmt = AVSampleFormat(sampleFormat);
    av_channel_layout_default(&context->ch_layout, channels);
    context->time_base = AVRational{1, int(rate)};
    context->thread_count = 1;
    return true;
}

uint32_t OpenAudioEncoder(AVCodecContext* context, const AVCodec* codec, AVDictionary*& options)
{
    const int opened = avcodec_open2(context, codec, &options);
    av_dict_free(&options);
    if (opened == AVERROR(ENOMEM))
        return MMSYSERR_NOMEM;
    return opened < 0 ? ACMERR_NOTPOSSIBLE : 0;
}

bool AllocateEncoderFrame(AVFrame* frame, const AVCodecContext* context, int samples)
{
    frame->format = context->sample_fmt;
    frame->sample_rate = context->sample_rate;
    frame->nb_samples = samples;
    return av_channel_layout_copy(&frame->ch_layout, &context->ch_layout) >= 0 && av_frame_get_buffer(frame, 0) >= 0;
}

uint32_t CFfmpegConversionStream::Open(const WAVEFORMATEX& source, const FormatBlock& destination,
                                       std::unique_ptr<IConversionStream>& stream)
{
    stream.reset();
    if (!LoadFfmpegOnDemand())
        return ACMERR_NOLIBRARY;
    std::unique_ptr<CFfmpegConversionStream> s(new (std::nothrow) CFfmpegConversionStream);
    if (!s)
        return MMSYSERR_NOMEM;
    const uint32_t code = s->Init(source, destination);
    if (code == 0)
        stream = std::move(s);
    return code;
}

uint32_t CFfmpegConversionStream::Init(const WAVEFORMATEX& source, const FormatBlock& destination)
{
    if (destination.size() < sizeof(WAVEFORMATEX))
        return MMSYSERR_INVALPARAM;
    WAVEFORMATEX d;
    std::memcpy(&d, destination.data(), sizeof d);
    if (destination.size() != sizeof(WAVEFORMATEX) + d.cbSize)
        return MMSYSERR_INVALPARAM;
    if (source.wFormatTag != WAVE_FORMAT_PCM || source.wBitsPerSample != 16 || source.nChannels == 0 ||
        source.nSamplesPerSec == 0 || source.nBlockAlign != source.nChannels * 2 || d.nChannels == 0 ||
        d.nSamplesPerSec == 0)
        return MMSYSERR_INVALPARAM;
    // No codec here changes the rate or the channel count.
    if (source.nChannels != d.nChannels || source.nSamplesPerSec != d.nSamplesPerSec ||
        d.nSamplesPerSec > 384000)
        return ACMERR_NOTPOSSIBLE;

    EncoderPlan plan;
    if (const uint32_t code = PlanEncoder(d, destination, plan))
        return code;
    const AVCodec* codec = avcodec_find_encoder_by_name(plan.name);
    if (!codec)
        return ACMERR_NOTPOSSIBLE;
    const AVSampleFormat sampleFormat = PickSampleFormat(codec);
    if (sampleFormat == AV_SAMPLE_FMT_NONE)
        return ACMERR_NOTPOSSIBLE;

    m_channels = d.nChannels;
    if (!AllocateAudioEncoder(codec, sampleFormat, d.nSamplesPerSec, m_channels, m_pCodec, m_pFrame, m_pPacket))
        return MMSYSERR_NOMEM;
    if (plan.bitRate)
        m_pCodec->bit_rate = plan.bitRate;
    if (plan.unofficialRate)
        m_pCodec->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
    AVDictionary* options = nullptr;
    if (plan.blockSize)
        av_dict_set_int(&options, "block_size", plan.blockSize, 0);
    if (const uint32_t code = OpenAudioEncoder(m_pCodec, codec, options))
        return code;

    // The bytes must fall into exactly the blocks the format declares.
    if (plan.samplesPerBlock && m_pCodec->frame_size != plan.samplesPerBlock)
        return ACMERR_NOTPOSSIBLE;
    if ((plan.blockSize || d.wFormatTag == WAVE_FORMAT_GSM610) && m_pCodec->block_align != d.nBlockAlign)
        return ACMERR_NOTPOSSIBLE;

    m_bFixedFrame = m_pCodec->frame_size > 0 && !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    m_frameSamples = m_pCodec->frame_size > 0 ? m_pCodec->frame_size : kVariableFrame;
    if (d.wFormatTag == WAVE_FORMAT_MPEGLAYER3)
        m_maxPacket = 2881; // largest layer III frame (MPEG-1, 320 kbit/s, 32 kHz, padded) and then some
    else if (d.nBlockAlign && m_pCodec->frame_size > 0)
        m_maxPacket = d.nBlockAlign;
    else
        m_maxPacket = uint32_t(m_frameSamples) * d.nBlockAlign;

    return AllocateEncoderFrame(m_pFrame, m_pCodec, m_frameSamples) ? 0 : MMSYSERR_NOMEM;
}

CFfmpegConversionStream::~CFfmpegConversionStream()
{
    av_packet_free(&m_pPacket);
    av_frame_free(&m_pFrame);
    avcodec_free_context(&m_pCodec);
}

bool CFfmpegConversionStream::OutputSize(uint32_t srcBytes, uint32_t& dstBytes)
{
    const uint64_t samples = (uint64_t(CarriedBytes()) + srcBytes) / (2u * uint32_t(m_channels));
    // Whole frames, the partial one Finish pads, and what the encoder holds back.
    const uint64_t frames = samples / uint64_t(m_frameSamples) + 2;
    uint64_t bytes = frames * m_maxPacket;
    if (m_pCodec->codec_id == AV_CODEC_ID_MP3)
        bytes += 7200;
    if (bytes > 0xFFFFFFFFull)
        return false;
    dstBytes = uint32_t(bytes);
    return true;
}

bool CFfmpegConversionStream::ReceivePackets(std::vector<uint8_t>& out)
{
    for (;;) {
        const int r = avcodec_receive_packet(m_pCodec, m_pPacket);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return false;
        out.insert(out.end(), m_pPacket->data, m_pPacket->data + m_pPacket->size);
        av_packet_unref(m_pPacket);
    }
}

bool CFfmpegConversionStream::EncodeFrame(const uint8_t* pcm, int samples, std::vector<uint8_t>& out)
{
    if (!pcm)
        return avcodec_send_frame(m_pCodec, nullptr) >= 0 && ReceivePackets(out);
    // The encoder may still hold a reference to the last frame's buffer.
    if (av_frame_make_writable(m_pFrame) < 0)
        return false;
    m_pFrame->nb_samples = samples;
    FillFrame(m_pFrame, pcm, samples, m_channels);
    m_pFrame->pts = m_pts;
    m_pts += samples;
    if (avcodec_send_frame(m_pCodec, m_pFrame) < 0)
        return false;
    return ReceivePackets(out);
}

// The calls run on worker threads, where an escaping exception would end the
// program: running out of memory fails the block instead.
bool CFfmpegConversionStream::Convert(const uint8_t* src, uint32_t srcBytes, std::vector<uint8_t>& out)
{
    try {
        return ConvertBlock(src, srcBytes, out);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CFfmpegConversionStream::Finish(std::vector<uint8_t>& out)
{
    try {
        return FinishStream(out);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CFfmpegConversionStream::ConvertBlock(const uint8_t* src, uint32_t srcBytes, std::vector<uint8_t>& out)
{
    if (m_bFinished || (!src && srcBytes))
        return false;
    const size_t sampleBytes = 2u * size_t(m_channels);
    const size_t frameBytes = size_t(m_frameSamples) * sampleBytes;
    size_t pos = 0;

    // Top up what the last call kept until it makes a whole frame.
    if (CarriedBytes() > 0) {
        const size_t need = m_bFixedFrame ? frameBytes - CarriedBytes() : (sampleBytes - CarriedBytes() % sampleBytes) % sampleBytes;
        const size_t take = std::min<size_t>(need, srcBytes);
        m_carry.insert(m_carry.end(), src, src + take);
        pos = take;
        const size_t whole = CarriedBytes() / sampleBytes * sampleBytes;
        if (whole == CarriedBytes() && (!m_bFixedFrame || whole == frameBytes)) {
            if (whole && !EncodeFrame(m_carry.data(),
                                      int(whole / sampleBytes), out))
                return false;
            m_carry.clear();
        } else {
            return true; // still short of a frame: everything is kept
        }
    }

    // Whole frames straight from the block.
    while (srcBytes - pos >= frameBytes) {
        if (!EncodeFrame(src + pos, m_frameSamples, out))
            return false;
        pos += frameBytes;
    }
    // A variable-size encoder takes the last whole samples too.
    if (!m_bFixedFrame) {
        const size_t whole = (srcBytes - pos) / sampleBytes * sampleBytes;
        if (whole && !EncodeFrame(src + pos, int(whole / sampleBytes), out))
            return false;
        pos += whole;
    }
    m_carry.assign(src + pos, src + srcBytes);
    return true;
}

bool CFfmpegConversionStream::FinishStream(std::vector<uint8_t>& out)
{
    if (m_bFinished)
        return true;
    m_bFinished = true;
    const size_t sampleBytes = 2u * size_t(m_channels);
    const size_t whole = CarriedBytes() / sampleBytes * sampleBytes;
    if (whole > 0) {
        // The last partial frame, padded with silence to the frame the format declares.
        std::vector<uint8_t> last(m_carry.begin(), m_carry.begin() + ptrdiff_t(whole));
        int samples = int(whole / sampleBytes);
        if (m_bFixedFrame) {
            last.resize(size_t(m_frameSamples) * sampleBytes, 0);
            samples = m_frameSamples;
        }
        if (!EncodeFrame(last.data(), samples, out))
            return false;
    }
    m_carry.clear();
    return EncodeFrame(nullptr, 0, out);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CAudioDecoder.h"

#include "platform/LoadOnDemand.h"
#include "platform/riff/FdIo.h"

#include "platform/playback/MciWaveAudio.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A few damaged packets are skipped; a run of them means the data cannot be decoded.
constexpr int kMaxBadPackets = 8;

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }


void QuietFfmpeg()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}
} // namespace

CAudioDecoder::~CAudioDecoder()
{
    CloseStream();
    if (m_fd >= 0)
        ::close(m_fd);
}

uint32_t CAudioDecoder::Open(const std::string& path)
{
    if (!LoadFfmpegOnDemand())
        return MCIERR_LIBRARY_MISSING;
    QuietFfmpeg();
    CloseStream();
    m_path = path;
    if (const uint32_t code = ParseHeader())
        return code;
    if (!OpenStream())
        return MCIERR_INVALID_FILE;

    if (m_container != Container::Wav) {
        m_lengthMs = uint32_t(std::clamp<int64_t>(ContainerLengthMs(), 0, UINT32_MAX));
    } else if (IsPcm()) {
        m_lengthMs = uint32_t(std::min<uint64_t>(m_dataBytes * 1000 / m_format.nAvgBytesPerSec, UINT32_MAX));
    } else {
        m_lengthMs = uint32_t(std::clamp<int64_t>(CompressedLengthMs(), 0, UINT32_MAX));
    }
    return 0;
}

int64_t CAudioDecoder::CompressedLengthMs() const
{
    const AVStream* st = m_fmt->streams[m_streamIndex];
    const AVCodecParameters* par = st->codecpar;
    const int64_t rate = m_format.nSamplesPerSec;
    if (m_factSamples > 0)
        return m_factSamples * 1000 / rate;
    // Block codecs: whole blocks times the samples each holds. An empty fact
    // chunk (our writer leaves it so) misleads FFmpeg's own estimate, which
    // reads past it.
    const int blockAlign = m_format.nBlockAlign;
    const bool mpeg = par->codec_id == AV_CODEC_ID_MP3 || par->codec_id == AV_CODEC_ID_MP2 ||
                      par->codec_id == AV_CODEC_ID_MP1; // frames of varying size, no fixed blocks
    if (blockAlign > 0 && !mpeg) {
        const int perBlock = av_get_audio_frame_duration2(const_cast<AVCodecParameters*>(par), blockAlign);
        if (perBlock > 0) {
            const uint64_t blocks = (m_dataBytes + uint64_t(blockAlign) - 1) / uint64_t(blockAlign);
            return int64_t(blocks * uint64_t(perBlock) * 1000 / uint64_t(rate));
        }
    }
    if (m_format.nAvgBytesPerSec > 0)
        return int64_t(m_dataBytes * 1000 / m_format.nAvgBytesPerSec);
    if (par->bit_rate > 0)
        return int64_t(m_dataBytes * 8000 / uint64_t(par->bit_rate));
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
        return av_rescale_q(st->duration, st->time_base, AVRational{1, 1000});
    return 0;
}

int64_t CAudioDecoder::ContainerLengthMs() const
{
    // FLAC's STREAMINFO count, or the granule position of Ogg's last page,
    // which counts the decoder's pre-skip at the start as well.
    const AVStream* st = m_fmt->streams[m_streamIndex];
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
        const int64_t padding =
            av_rescale_q(st->codecpar->initial_padding, AVRational{1, int(m_rate)}, st->time_base);
        return av_rescale_q(std::max<int64_t>(0, st->duration - padding), st->time_base, AVRational{1, 1000});
    }
    if (m_fmt->duration != AV_NOPTS_VALUE && m_fmt->duration > 0)
        return av_rescale_q(m_fmt->duration, AVRational{1, AV_TIME_BASE}, AVRational{1, 1000});
    return 0;
}

uint32_t CAudioDecoder::ParseHeader()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_factSamples = -1;
    // Non-blocking: a FIFO or device under the name is refused, never waited on.
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errno == EACCES || errno == EPERM ? MCIERR_FILE_READ : MCIERR_FILE_NOT_FOUND;
    struct stat sb {};
    if (::fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)) {
        ::close(fd);
        return MCIERR_FILE_NOT_FOUND;
    }
    m_fd = fd;
    const uint64_t fileSize = uint64_t(sb.st_size);

    uint8_t head[12];
    const bool read = ReadFullyAt(fd, 0, head, 12);
    m_container = Container::Wav;
    m_format = WAVEFORMATEX{};
    // Ogg Opus and FLAC recordings: their demuxers read the rest.
    if (read && (std::memcmp(head, "OggS", 4) == 0 || std::memcmp(head, "fLaC", 4) == 0)) {
        const bool ogg = head[0] == 'O';
        m_container = ogg ? Container::Ogg : Container::Flac;
        m_format.wFormatTag = ogg ? WAVE_FORMAT_OPUS : WAVE_FORMAT_FLAC;
        m_dataBytes = fileSize;
        return 0;
    }
    bool ok = read && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
    bool haveFmt = false, haveData = false;
    uint64_t pos = 12;
    while (ok && pos + 8 <= fileSize) {
        uint8_t ck[8];
        if (!ReadFullyAt(fd, pos, ck, 8))
            break;
        const uint32_t size = Le32(ck + 4);
        if (std::memcmp(ck, "fmt ", 4) == 0 && size >= 16) {
            uint8_t fmt[18] = {};
            const size_t want = std::min<size_t>(size, 18);
            if (!ReadFullyAt(fd, pos + 8, fmt, want))
                break;
            std::memcpy(&m_format, fmt, 18);
            if (size < 18)
                m_format.cbSize = 0;
            haveFmt = true;
        } else if (std::memcmp(ck, "fact", 4) == 0 && size >= 4) {
            // The standard four-byte count; recordings of earlier versions
            // have an empty fact chunk and no count.
            uint8_t count[4];
            if (ReadFullyAt(fd, pos + 8, count, 4) && Le32(count) > 0)
                m_factSamples = Le32(count);
        } else if (std::memcmp(ck, "data", 4) == 0) {
            const uint64_t available = fileSize - (pos + 8);
            // A recording that was never finished keeps size 0: its audio runs to the end of the file.
            m_dataBytes = (size == 0 || size > available) ? available : size;
            haveData = true;
            break;
        }
        pos += 8 + uint64_t(size) + (size & 1);
    }
    // Only PCM needs the byte rate (its length comes from it); MPEG files from
    // elsewhere often leave it 0.
    if (!ok || !haveFmt || !haveData || m_format.nChannels == 0 || m_format.nSamplesPerSec == 0 ||
        (m_format.wFormatTag == WAVE_FORMAT_PCM && m_format.nAvgBytesPerSec == 0))
        return MCIERR_INVALID_FILE;
    return 0;
}

bool CAudioDecoder::OpenStream()
{
    CloseStream();
    const AVInputFormat* demuxer = av_find_input_format(m_container == Container::Ogg    ? "ogg"
                                                       : m_container == Container::Flac ? "flac"
                                                                                        : "wav");
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // The "file:" prefix keeps a colon in the path from being read as a protocol.
    std::string url = "file:" + m_path;
    if (m_fd >= 0) {
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
        if (::access(self.c_str(), R_OK) == 0)
            url = "file:" + self;
    }
    const int r = avformat_open_input(&m_fmt, url.c_str(), demuxer, &options);
    av_dict_free(&options);
    if (r < 0) {
        m_fmt = nullptr;
        return false;
    }
    if (avformat_find_stream_info(m_fmt, nullptr) < 0)
        return CloseStream(), false;
    m_streamIndex = av_find_best_stream(m_fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_streamIndex < 0)
        return CloseStream(), false;
    const AVCodecParameters* par = m_fmt->streams[m_streamIndex]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec)
        return CloseStream(), false;
    m_codec = avcodec_alloc_context3(codec);
    if (!m_codec || avcodec_parameters_to_context(m_codec, par) < 0)
        return CloseStream(), false;
    // With the packets' time base the decoder moves a frame's timestamp past
    // the samples it drops (Opus's pre-skip, again after a seek), so the
    // position after a seek counts from the right sample.
    m_codec->pkt_timebase = m_fmt->streams[m_streamIndex]->time_base;
    if (avcodec_open2(m_codec, codec, nullptr) < 0)
        return CloseStream(), false;
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
    if (!m_packet || !m_frame)
        return CloseStream(), false;
    m_rate = uint32_t(m_codec->sample_rate > 0 ? m_codec->sample_rate : int(m_format.nSamplesPerSec));
    m_channels = uint16_t(m_codec->ch_layout.nb_channels > 0 ? m_codec->ch_layout.nb_channels : m_format.nChannels);
    if (m_rate == 0 || m_channels == 0 || m_channels > 8)
        return CloseStream(), false;
    if (m_container == Container::Ogg && par->codec_id != AV_CODEC_ID_OPUS)
        return CloseStream(), false; // Vorbis and others in Ogg are no recordings of ours
    if (m_container != Container::Wav) {
        m_format.nChannels = m_channels;
        m_format.nSamplesPerSec = m_rate;
        m_format.wBitsPerSample = uint16_t(par->bits_per_raw_sample);
    }
    m_eof = m_failed = false;
    m_badPackets = 0;
    m_anyBadPacket = m_anyFrame = false;
    m_skipFrames = 0;
    m_seekTarget = -1;
    m_buffer.clear();
    m_bufferPos = 0;
    return true;
}

void CAudioDecoder::CloseStream()
{
    // Only what was made is freed: a decoder whose FFmpeg never loaded must
    // not call into it (even to free nothing) on its way out.
    if (m_swr)
        swr_free(&m_swr);
    if (m_frame)
        av_frame_free(&m_frame);
    if (m_packet)
        av_packet_free(&m_packet);
    if (m_codec)
        avcodec_free_context(&m_codec);
    if (m_fmt)
        avformat_close_input(&m_fmt);
    m_streamIndex = -1;
}

bool CAudioDecoder::Start(uint32_t fromMs)
{
    if (!OpenStream())
        return false;
    if (fromMs == 0)
        return true;
    const int64_t target = int64_t(fromMs) * m_rate / 1000;
    const AVStream* st = m_fmt->streams[m_streamIndex];
    const int64_t ts = av_rescale_q(target, AVRational{1, int(m_rate)}, st->time_base);
    if (av_seek_frame(m_fmt, m_streamIndex, ts, AVSEEK_FLAG_BACKWARD) >= 0) {
        avcodec_flush_buffers(m_codec);
        m_seekTarget = target;
    } else {
        // No seeking in this stream: decode from the start and drop what comes before.
        if (!OpenStream())
            return false;
        m_skipFrames = target;
    }
    return true;
}

long CAudioDecoder::Read(int16_t* out, size_t maxFrames)
{
    if (!m_fmt)
        return -1;
    size_t got = 0;
    while (got < maxFrames) {
        if (m_bufferPos >= m_buffer.size()) {
            m_buffer.clear();
            m_bufferPos = 0;
            if (!Refill())
                break;
        }
        const size_t n = std::min(maxFrames - got, (m_buffer.size() - m_bufferPos) / m_channels);
        std::memcpy(out + got * m_channels, m_buffer.data() + m_bufferPos, n * m_channels * sizeof(int16_t));
        m_bufferPos += n * m_channels;
        got += n;
    }
    if (got == 0 && m_failed)
        return -1;
    return long(got);
}

bool CAudioDecoder::Refill()
{
    while (m_buffer.empty()) {
        if (m_failed)
            return false;
        int r = avcodec_receive_frame(m_codec, m_frame);
        if (r == 0) {
            m_badPackets = 0;
            m_anyFrame = true;
            const bool converted = ConvertFrame();
            av_frame_unref(m_frame);
            if (!converted) {
                m_failed = true;
                return false;
            }
            continue;
        }
        if (r == AVERROR_EOF) {
            // Nothing but damaged packets is a file that cannot be decoded, not an empty one.
            if (m_anyBadPacket && !m_anyFrame)
                m_failed = true;
            return false;
        }
        if (r != AVERROR(EAGAIN)) {
            m_anyBadPacket = true;
            if (++m_badPackets > kMaxBadPackets)
                m_failed = true;
            continue;
        }
        if (m_eof)
            return false; // drained, nothing more will come
        r = av_read_frame(m_fmt, m_packet);
        if (r < 0) {
            if (r != AVERROR_EOF && !(m_fmt->pb && avio_feof(m_fmt->pb))) {
                m_failed = true;
                return false;
            }
            m_eof = true;
            avcodec_send_packet(m_codec, nullptr);
            continue;
        }
        if (m_packet->stream_index != m_streamIndex) {
            av_packet_unref(m_packet);
            continue;
        }
        r = avcodec_send_packet(m_codec, m_packet);
        av_packet_unref(m_packet);
        if (r < 0 && r != AVERROR(EAGAIN)) {
            m_anyBadPacket = true;
            if (++m_badPackets > kMaxBadPackets)
                m_failed = true;
        }
    }
    return true;
}

bool CAudioDecoder::ConvertFrame()
{
    if (m_frame->nb_samples <= 0)
        return true;
    if (m_frame->ch_layout.nb_channels != m_channels)
        return false;
    if (!m_swr) {
        AVChannelLayout layout{};
        if (m_frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&layout, m_channels);
        else
            av_channel_layout_copy(&layout, &m_frame->ch_layout);
        const int r = swr_alloc_set_opts2(&m_swr, &layout, AV_SAMPLE_FMT_S16, int(m_rate), &layout,
                                          AVSampleFormat(m_frame->format), m_frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&layout);
        if (r < 0 || swr_init(m_swr) < 0)
            return false;
    }
    if (m_seekTarget >= 0) {
        const int64_t ts = m_frame->best_effort_timestamp;
        if (ts != AV_NOPTS_VALUE) {
            const int64_t at = av_rescale_q(ts, m_fmt->streams[m_streamIndex]->time_base, AVRational{1, int(m_rate)});
            m_skipFrames = std::max<int64_t>(0, m_seekTarget - at);
        }
        m_seekTarget = -1;
    }
    const int capacity = swr_get_out_samples(m_swr, m_frame->nb_samples);
    if (capacity < 0)
        return false;
    m_buffer.resize(size_t(capacity) * m_channels);
    uint8_t* dst = reinterpret_cast<uint8_t*>(m_buffer.data());
    const int n = swr_convert(m_swr, &dst, capacity, const_cast<const uint8_t**>(m_frame->extended_data),
                              m_frame->nb_samples);
    if (n < 0)
        return false;
    m_buffer.resize(size_t(n) * m_channels);
    if (m_skipFrames > 0) {
        const int64_t drop = std::min<int64_t>(m_skipFrames, n);
        m_skipFrames -= drop;
        m_bufferPos = size_t(drop) * m_channels;
        if (m_bufferPos >= m_buffer.size()) {
            m_buffer.clear();
            m_bufferPos = 0;
        }
    }
    return true;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The FFmpeg functions the program calls, each forwarding to the library
// loaded on its first use. Linked directly, libavcodec and libavformat pull in
// about a hundred further libraries (every codec FFmpeg was built with) that
// the dynamic loader maps and relocates before the panel can paint, and that
// stay resident (some 19 MB) in a session that never converts a thing. Loaded
// here instead, that cost falls on the first conversion or playback.
//
// The headers are included, so that every definition below must match the
// library's declaration or the build fails.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/version.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavformat/version.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
#include <libavutil/version.h>
#include <libswresample/swresample.h>
#include <libswresample/version.h>
}

#include "platform/LoadOnDemand.h"

#define VELLORY_SONAME(name, major) "lib" name ".so." AV_STRINGIFY(major)
#define AvUtil VELLORY_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR)
#define AvCodec VELLORY_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR)
#define AvFormat VELLORY_SONAME("avformat", LIBAVFORMAT_VERSION_MAJOR)
#define SwResample VELLORY_SONAME("swresample", LIBSWRESAMPLE_VERSION_MAJOR)

// Dependencies first: a broken libavutil is named as such rather than as the
// reason libavcodec failed.
bool LoadFfmpegOnDemand()
{
    return LoadLibrariesOnDemand("audio codec library", {AvUtil, SwResample, AvCodec, AvFormat});
}

extern "C" {
// libavutil
VELLORY_FORWARD(AvUtil, int, av_channel_layout_copy, (AVChannelLayout * dst, const AVChannelLayout* src), (dst, src))
VELLORY_FORWARD(AvUtil, void, av_channel_layout_default, (AVChannelLayout * layout, int channels), (layout, channels))
VELLORY_FORWARD(AvUtil, void, av_channel_layout_uninit, (AVChannelLayout * layout), (layout))
VELLORY_FORWARD(AvUtil, void, av_dict_free, (AVDictionary * *m), (m))
VELLORY_FORWARD(AvUtil, int, av_dict_set, (AVDictionary * *pm, const char* key, const char* value, int flags),
                (pm, key, value, flags))
VELLORY_FORWARD(AvUtil, int, av_dict_set_int, (AVDictionary * *pm, const char* key, int64_t value, int flags),
                (pm, key, value, flags))
VELLORY_FORWARD(AvUtil, AVFrame*, av_frame_alloc, (void), ())
VELLORY_FORWARD(AvUtil, void, av_frame_free, (AVFrame * *frame), (frame))
VELLORY_FORWARD(AvUtil, int, av_frame_get_buffer, (AVFrame * frame, int align), (frame, align))
VELLORY_FORWARD(AvUtil, int, av_frame_make_writable, (AVFrame * frame), (frame))
VELLORY_FORWARD(AvUtil, void, av_frame_unref, (AVFrame * frame), (frame))
VELLORY_FORWARD(AvUtil, void, av_free, (void* ptr), (ptr))
VELLORY_FORWARD(AvUtil, void, av_freep, (void* ptr), (ptr))
VELLORY_FORWARD(AvUtil, void, av_log_set_level, (int level), (level))
VELLORY_FORWARD(AvUtil, void*, av_malloc, (size_t size), (size))
VELLORY_FORWARD(AvUtil, int64_t, av_rescale_q, (int64_t a, AVRational bq, AVRational cq), (a, bq, cq))

// libavcodec
VELLORY_FORWARD(AvCodec, int, av_get_audio_frame_duration2, (AVCodecParameters * par, int frameBytes),
                (par, frameBytes))
VELLORY_FORWARD(AvCodec, AVPacket*, av_packet_alloc, (void), ())
VELLORY_FORWARD(AvCodec, void, av_packet_free, (AVPacket * *packet), (packet))
VELLORY_FORWARD(AvCodec, void, av_packet_unref, (AVPacket * packet), (packet))
VELLORY_FORWARD(AvCodec, AVCodecContext*, avcodec_alloc_context3, (const AVCodec* codec), (codec))
VELLORY_FORWARD(AvCodec, const AVCodec*, avcodec_find_decoder, (enum AVCodecID id), (id))
VELLORY_FORWARD(AvCodec, const AVCodec*, avcodec_find_encoder_by_name, (const char* name), (name))
VELLORY_FORWARD(AvCodec, void, avcodec_flush_buffers, (AVCodecContext * context), (context))
VELLORY_FORWARD(AvCodec, void, avcodec_free_context, (AVCodecContext * *context), (context))
VELLORY_FORWARD(AvCodec, int, avcodec_open2, (AVCodecContext * context, const AVCodec* codec, AVDictionary** options),
                (context, codec, options))
VELLORY_FORWARD(AvCodec, int, avcodec_parameters_from_context, (AVCodecParameters * par, const AVCodecContext* context),
                (par, context))
VELLORY_FORWARD(AvCodec, int, avcodec_parameters_to_context, (AVCodecContext * context, const AVCodecParameters* par),
                (context, par))
VELLORY_FORWARD(AvCodec, int, avcodec_receive_frame, (AVCodecContext * context, AVFrame* frame), (context, frame))
VELLORY_FORWARD(AvCodec, int, avcodec_receive_packet, (AVCodecContext * context, AVPacket* packet), (context, packet))
VELLORY_FORWARD(AvCodec, int, avcodec_send_frame, (AVCodecContext * context, const AVFrame* frame), (context, frame))
VELLORY_FORWARD(AvCodec, int, avcodec_send_packet, (AVCodecContext * context, const AVPacket* packet),
                (context, packet))

// libavformat
VELLORY_FORWARD(AvFormat, int, av_find_best_stream,
                (AVFormatContext * ic, enum AVMediaType type, int wanted, int related, const AVCodec** decoder,
                 int flags),
                (ic, type, wanted, related, decoder, flags))
VELLORY_FORWARD(AvFormat, const AVInputFormat*, av_find_input_format, (const char* shortName), (shortName))
VELLORY_FORWARD(AvFormat, int, av_read_frame, (AVFormatContext * s, AVPacket* packet), (s, packet))
VELLORY_FORWARD(AvFormat, int, av_write_frame, (AVFormatContext * s, AVPacket* packet), (s, packet))
VELLORY_FORWARD(AvFormat, int, av_write_trailer, (AVFormatContext * s), (s))
VELLORY_FORWARD(AvFormat, int, av_seek_frame, (AVFormatContext * s, int stream, int64_t timestamp, int flags),
                (s, stream, timestamp, flags))
VELLORY_FORWARD(AvFormat, int, avformat_alloc_output_context2,
                (AVFormatContext * *ctx, const AVOutputFormat* oformat, const char* formatName, const char* fileName),
                (ctx, oformat, formatName, fileName))
VELLORY_FORWARD(AvFormat, void, avformat_close_input, (AVFormatContext * *s), (s))
VELLORY_FORWARD(AvFormat, int, avformat_find_stream_info, (AVFormatContext * ic, AVDictionary** options), (ic, options))
VELLORY_FORWARD(AvFormat, void, avformat_free_context, (AVFormatContext * s), (s))
VELLORY_FORWARD(AvFormat, AVStream*, avformat_new_stream, (AVFormatContext * s, const AVCodec* codec), (s, codec))
VELLORY_FORWARD(AvFormat, int, avformat_open_input,
                (AVFormatContext * *ps, const char* url, const AVInputFormat* fmt, AVDictionary** options),
                (ps, url, fmt, options))
VELLORY_FORWARD(AvFormat, int, avformat_write_header, (AVFormatContext * s, AVDictionary** options), (s, options))
VELLORY_FORWARD(AvFormat, AVIOContext*, avio_alloc_context,
                (unsigned char* buffer, int bufferSize, int writeFlag, void* opaque,
                 int (*readPacket)(void* opaque, uint8_t* buf, int bufSize),
                 int (*writePacket)(void* opaque, uint8_t* buf, int bufSize),
                 int64_t (*seek)(void* opaque, int64_t offset, int whence)),
                (buffer, bufferSize, writeFlag, opaque, readPacket, writePacket, seek))
VELLORY_FORWARD(AvFormat, void, avio_context_free, (AVIOContext * *s), (s))
VELLORY_FORWARD(AvFormat, int, avio_feof, (AVIOContext * s), (s))
VELLORY_FORWARD(AvFormat, void, avio_flush, (AVIOContext * s), (s))

// libswresample
VELLORY_FORWARD(SwResample, int, swr_alloc_set_opts2,
                (struct SwrContext * *ps, AVChannelLayout* outLayout, enum AVSampleFormat outFormat, int outRate,
                 AVChannelLayout* inLayout, enum AVSampleFormat inFormat, int inRate, int logOffset,
                 void* logContext),
                (ps, outLayout, outFormat, outRate, inLayout, inFormat, inRate, logOffset, logContext))
VELLORY_FORWARD(SwResample, int, swr_convert,
                (struct SwrContext * s, uint8_t** out, int outCount, const uint8_t** in, int inCount),
                (s, out, outCount, in, inCount))
VELLORY_FORWARD(SwResample, void, swr_free, (struct SwrContext * *s), (s))
VELLORY_FORWARD(SwResample, int, swr_get_out_samples, (struct SwrContext * s, int inSamples), (s, inSamples))
VELLORY_FORWARD(SwResample, int, swr_init, (struct SwrContext * s), (s))
}

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The PulseAudio client functions the program calls, each forwarding to
// libpulse loaded on its first use. Linked directly, libpulse brings a dozen
// libraries (libsndfile and the codecs behind it among them) that the panel
// would map and relocate before its first paint, though it only needs a sound
// server once it records or plays.
//
// The header is included, so that every definition below must match the
// library's declaration or the build fails.
#include <pulse/pulseaudio.h>
#include <pulse/thread-mainloop.h>

#include "platform/LoadOnDemand.h"

#define Pulse "libpulse.so.0"

bool LoadPulseOnDemand() { return LoadLibrariesOnDemand("sound server library", {Pulse}); }

extern "C" {
VELLORY_FORWARD(Pulse, pa_channel_map*, pa_channel_map_init_extend,
                (pa_channel_map * m, unsigned channels, pa_channel_map_def_t def), (m, channels, def))
VELLORY_FORWARD(Pulse, int, pa_context_connect,
                (pa_context * c, const char* server, pa_context_flags_t flags, const pa_spawn_api* api),
                (c, server, flags, api))
VELLORY_FORWARD(Pulse, void, pa_context_disconnect, (pa_context * c), (c))
VELLORY_FORWARD(Pulse, int, pa_context_errno, (const pa_context* c), (c))
VELLORY_FORWARD(Pulse, pa_operation*, pa_context_get_source_info_list,
                (pa_context * c, pa_source_info_cb_t cb, void* userdata), (c, cb, userdata))
VELLORY_FORWARD(Pulse, pa_context_state_t, pa_context_get_state, (const pa_context* c), (c))
VELLORY_FORWARD(Pulse, pa_context*, pa_context_new, (pa_mainloop_api * api, const char* name), (api, name))
VELLORY_FORWARD(Pulse, void, pa_context_set_state_callback, (pa_context * c, pa_context_notify_cb_t cb, void* userdata),
                (c, cb, userdata))
VELLORY_FORWARD(Pulse, void, pa_context_unref, (pa_context * c), (c))
VELLORY_FORWARD(Pulse, size_t, pa_frame_size, (const pa_sample_spec* sampleSpec), (sampleSpec))
VELLORY_FORWARD(Pulse, struct timeval*, pa_gettimeofday, (struct timeval * tv), (tv))
VELLORY_FORWARD(Pulse, void, pa_operation_cancel, (pa_operation * o), (o))
VELLORY_FORWARD(Pulse, pa_operation_state_t, pa_operation_get_state, (const pa_operation* o), (o))
VELLORY_FORWARD(Pulse, void, pa_operation_unref, (pa_operation * o), (o))
VELLORY_FORWARD(Pulse, int, pa_sample_spec_valid, (const pa_sample_spec* sampleSpec), (sampleSpec))
VELLORY_FORWARD(Pulse, int, pa_stream_connect_playback,
                (pa_stream * s, const char* dev, const pa_buffer_attr* attr, pa_stream_flags_t flags,
                 const pa_cvolume* volume, pa_stream* sync),
                (s, dev, attr, flags, volume, sync))
VELLORY_FORWARD(Pulse, int, pa_stream_connect_record,
                (pa_stream * s, const char* dev, const pa_buffer_attr* attr, pa_stream_flags_t flags),
                (s, dev, attr, flags))
VELLORY_FORWARD(Pulse, pa_operation*, pa_stream_cork, (pa_stream * s, int b, pa_stream_success_cb_t cb, void* userdata),
                (s, b, cb, userdata))
VELLORY_FORWARD(Pulse, int, pa_stream_disconnect, (pa_stream * s), (s))
VELLORY_FORWARD(Pulse, pa_operation*, pa_stream_drain, (pa_stream * s, pa_stream_success_cb_t cb, void* userdata),
                (s, cb, userdata))
VELLORY_FORWARD(Pulse, int, pa_stream_drop, (pa_stream * s), (s))
VELLORY_FORWARD(Pulse, pa_operation*, pa_stream_flush, (pa_stream * s, pa_stream_success_cb_t cb, void* userdata),
                (s, cb, userdata))
VELLORY_FORWARD(Pulse, pa_stream_state_t, pa_stream_get_state, (const pa_stream* s), (s))
VELLORY_FORWARD(Pulse, int, pa_stream_get_time, (pa_stream * s, pa_usec_t* usec), (s, usec))
VELLORY_FORWARD(Pulse, pa_stream*, pa_stream_new,
                (pa_context * c, const char* name, const pa_sample_spec* ss, const pa_channel_map* map),
                (c, name, ss, map))
VELLORY_FORWARD(Pulse, int, pa_stream_peek, (pa_stream * s, const void** data, size_t* nbytes), (s, data, nbytes))
VELLORY_FORWARD(Pulse, size_t, pa_stream_readable_size, (const pa_stream* s), (s))
VELLORY_FORWARD(Pulse, pa_operation*, pa_stream_set_buffer_attr,
                (pa_stream * s, const pa_buffer_attr* attr, pa_stream_success_cb_t cb, void* userdata),
                (s, attr, cb, userdata))
VELLORY_FORWARD(Pulse, void, pa_stream_set_read_callback, (pa_stream * s, pa_stream_request_cb_t cb, void* userdata),
                (s, cb, userdata))
VELLORY_FORWARD(Pulse, void, pa_stream_set_state_callback, (pa_stream * s, pa_stream_notify_cb_t cb, void* userdata),
                (s, cb, userdata))
VELLORY_FORWARD(Pulse, void, pa_stream_set_write_callback, (pa_stream * s, pa_stream_request_cb_t cb, void* userdata),
                (s, cb, userdata))
VELLORY_FORWARD(Pulse, pa_operation*, pa_stream_trigger, (pa_stream * s, pa_stream_success_cb_t cb, void* userdata),
                (s, cb, userdata))
VELLORY_FORWARD(Pulse, void, pa_stream_unref, (pa_stream * s), (s))
VELLORY_FORWARD(Pulse, size_t, pa_stream_writable_size, (const pa_stream* s), (s))
VELLORY_FORWARD(Pulse, int, pa_stream_write,
                (pa_stream * s, const void* data, size_t nbytes, pa_free_cb_t freeCb, int64_t offset,
                 pa_seek_mode_t seek),
                (s, data, nbytes, freeCb, offset, seek))
VELLORY_FORWARD(Pulse, const char*, pa_strerror, (int error), (error))
VELLORY_FORWARD(Pulse, void, pa_threaded_mainloop_free, (pa_threaded_mainloop * m), (m))
VELLORY_FORWARD(Pulse, pa_mainloop_api*, pa_threaded_mainloop_get_api, (pa_threaded_mainloop * m), (m))
VELLORY_FORWARD(Pulse, void, pa_threaded_mainloop_lock, (pa_threaded_mainloop * m), (m))
VELLORY_FORWARD(Pulse, pa_threaded_mainloop*, pa_threaded_mainloop_new, (void), ())
VELLORY_FORWARD(Pulse, void, pa_threaded_mainloop_signal, (pa_threaded_mainloop * m, int waitForAccept),
                (m, waitForAccept))
VELLORY_FORWARD(Pulse, int, pa_threaded_mainloop_start, (pa_threaded_mainloop * m), (m))
VELLORY_FORWARD(Pulse, void, pa_threaded_mainloop_stop, (pa_threaded_mainloop * m), (m))
VELLORY_FORWARD(Pulse, void, pa_threaded_mainloop_unlock, (pa_threaded_mainloop * m), (m))
VELLORY_FORWARD(Pulse, void, pa_threaded_mainloop_wait, (pa_threaded_mainloop * m), (m))
VELLORY_FORWARD(Pulse, struct timeval*, pa_timeval_add, (struct timeval * tv, pa_usec_t v), (tv, v))
VELLORY_FORWARD(Pulse, size_t, pa_usec_to_bytes, (pa_usec_t t, const pa_sample_spec* sampleSpec), (t, sampleSpec))
}

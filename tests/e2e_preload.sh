#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The real program under Xvfb on a private sound server: after start-up it
# holds one connection to the server but neither a record nor a playback
# stream (no microphone indicator lights while idle); the server restarted
# under the running program (same socket) costs nothing but a new
# connection: the next REC records without a message, and its stream is
# the only one while it runs.
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=${1:?path to vellory}
e2e_env xcb
start_display
start_sound_server
use_root rec

our_clients() { pactl list clients 2>/dev/null | grep -c 'application.name = "Vellory"'; }
# Our streams only: the remapped microphone has a record stream of its own.
streams() { pactl list "$1" 2>/dev/null | grep -c 'application.name = "Vellory"'; } # source-outputs | sink-inputs

start_panel preload || finish "e2e preload"
wait_log "$log" "preloaded sound server connection$" 15 ||
  fail "no connection made after start-up: $(grep preloaded "$log" || echo 'no preload line')"
E2E_STEP="idle"
[ "$(our_clients)" = 1 ] || fail "the idle program holds $(our_clients) connections to the server, not 1"
[ "$(streams source-outputs)" = 0 ] || fail "a record stream while idle: $(pactl list short source-outputs)"
[ "$(streams sink-inputs)" = 0 ] || fail "a playback stream while idle: $(pactl list short sink-inputs)"
# libpulse is mapped; FFmpeg waits for the first press (an untouched panel
# keeps the memory of a bare dialog).
grep -q 'libpulse\.so' "/proc/$app/maps" || fail "libpulse is not loaded after the preload"
sleep 1
grep -q 'libavcodec\.so' "/proc/$app/maps" && fail "FFmpeg is loaded before any press"

E2E_STEP="server restarted"
"$E2E_ROOT/tools/private-pulse.sh" stop "$sound_dir" >/dev/null 2>&1
wait_gone 10 pactl info || fail "the server did not stop"
out=$("$E2E_ROOT/tools/private-pulse.sh" start "$sound_dir") || { fail "the server did not start again"; finish "e2e preload"; }
eval "$out"
[ "$(our_clients)" = 0 ] || fail "the new server already has our old connection"
kill -0 "$app" 2>/dev/null || fail "the program ended when the server went away"
play_tone 10 1000 0.5
# The idle null sink of a fresh server renders a new stream only once its
# current block (up to 2 s) ends; a sound card does not wait.
sleep 2.5
click REC
wait_for 5 test "$(streams source-outputs)" = 1 || fail "no record stream after REC"
sleep 2
[ "$(our_clients)" = 1 ] || fail "$(our_clients) connections while recording, not 1"
# REC was the first press: FFmpeg is in place before any PLAY can come.
wait_log "$log" "preloaded codecs$" 5 || fail "FFmpeg was not loaded after the first press"
grep -q 'libavcodec\.so' "/proc/$app/maps" || fail "FFmpeg is not mapped after the first press"
click STOP
wait_for 5 test "$(streams source-outputs)" = 0 || fail "the record stream stayed after STOP"
stop_tone
file=$(newest_wav "$root")
if [ -z "$file" ]; then
  fail "REC after the restart made no file"
else
  secs=$(probed_seconds "$file")
  within "${secs:-0}" 1.5 4 || fail "the recording after the restart lasts ${secs:-?} s, not about 2"
fi
grep "message box:" "$log" && fail "a message after the server restarted"
E2E_STEP=""
power_off
finish "e2e preload"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The player compatibility matrix: every recordable format recorded for three
# seconds through the real audio path (a private sound server, a 1000 Hz tone
# played into the virtual microphone), then opened with FFmpeg, GStreamer
# (base and good plug-ins only, then with the bad set), libsndfile and a
# headless Chromium (tests/compat_matrix.py). The table goes to
# OUT_DIR/compat-matrix.md; the test fails if README.md's table differs.
# Usage: compat_matrix.sh [--update-readme] [COMPAT_RECORD [OUT_DIR]]
#   --update-readme  writes the measured table into README.md
#   COMPAT_RECORD    the recording program (default build/tests/compat_record)
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
update=""
if [ "${1:-}" = --update-readme ]; then update=--update-readme; shift; fi
record=$(realpath "${1:-$E2E_ROOT/build/tests/compat_record}")
out=${2:-$(dirname "$record")}
[ -x "$record" ] || { echo "FAIL: no recording program at $record (build the target compat_record)"; exit 1; }
for tool in ffprobe ffmpeg gst-launch-1.0 gst-discoverer-1.0 sndfile-info sndfile-convert chromium python3; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (tools/install-deps.sh test installs it)"
done
[ "$fails" = 0 ] || finish compat_matrix
e2e_env offscreen
start_sound_server
# A long playback buffer: the tone must not break up on a busy machine.
play_tone 120 1000 0.5 --latency-msec=400
wait_for 10 sh -c 'pactl list short sink-inputs | grep -q .' || fail "the tone does not play into the sink"
sleep 1 # the sink wakes up
mkdir -p "$work/rec"
t0=$(now)
"$record" "$work/rec" 3 >"$work/manifest" 2>"$work/record.log" || fail "recording the formats failed"
stop_tone
echo "recorded $(wc -l <"$work/manifest") formats in $(secs_since "$t0") s"
cat "$work/manifest"
t0=$(now)
python3 "$E2E_ROOT/tests/compat_matrix.py" "$work/manifest" "$work" "$out" "$E2E_ROOT/README.md" $update ||
  fail "the compatibility matrix"
echo "players took $(secs_since "$t0") s"
finish compat_matrix

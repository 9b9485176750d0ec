#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Opus and FLAC recorded by the real program under Xvfb, from a private sound
# server with a 1000 Hz tone played into its virtual microphone, each format
# chosen in "Select audio format" by typing its name:
#   REC, about 4 s, STOP: the file's own length (FLAC's STREAMINFO, the last
#   Ogg page) is the recorded time, and FFmpeg, GStreamer with only its base
#   and good plug-ins, libsndfile and Chromium each decode the tone at that
#   length (tests/compat_matrix.py);
#   REC, kill -9 after 30 s, start again: the start-up repair finishes the
#   file, and ffprobe finds at least 28 s in it.
# Usage: e2e_opus_flac.sh VELLORY [FORMAT...]   (FORMAT: Opus FLAC)
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=$(realpath "${1:?path to vellory}")
shift
formats=${*:-Opus FLAC}
e2e_env xcb
E2E_STEP=setup
start_display
start_sound_server

# Picks a format in "Select audio format" by typing the start of its name.
choose_format() { # name
  open_format_dialog || return 1
  xdotool type --delay 60 "$1"
  sleep 0.5
  xdotool key Return
  wait_gone 3 window_shown '^Select audio format$' || { fail "the format dialog did not close on Enter"; return 1; }
}
newest() { find "$1" -maxdepth 1 -name "*.$2" -type f -printf '%T@ %p\n' | sort -n | tail -1 | cut -d' ' -f2-; } # folder ext
# The length a file says it holds: FLAC's STREAMINFO sample count, or the
# granule position of an Ogg Opus file's last page less its pre-skip.
header_seconds() { # file
  python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
if data[:4] == b"fLaC":
    info = int.from_bytes(data[18:26], "big")
    rate, samples = info >> 44, info & ((1 << 36) - 1)
    print("%.3f" % (samples / rate))
else:
    head = data.find(b"OpusHead")
    pre_skip = struct.unpack_from("<H", data, head + 10)[0]
    last = data.rfind(b"OggS")
    granule = struct.unpack_from("<q", data, last + 6)[0]
    print("%.3f" % ((granule - pre_skip) / 48000))
PY
}

# REC with the tone playing, then the command given; sets f (the recording)
# and wall (seconds from REC to the end of that command).
record_then() { # ext seconds command...
  local ext=$1 secs=$2 t0; shift 2
  f=""
  play_tone $((secs + 10)) 1000 0.5 --latency-msec=400
  wait_for 10 sh -c 'pactl list short sink-inputs | grep -q .' || fail "the tone does not play into the sink"
  sleep 1
  click REC
  t0=$(now)
  for _ in $(seq 1 50); do f=$(newest "$root" "$ext"); [ -n "$f" ] && break; sleep 0.1; done
  [ -n "$f" ] || { fail "REC made no .$ext file"; stop_tone; return 1; }
  sleep "$secs"
  "$@"
  wall=$(secs_since "$t0")
  stop_tone
}
# shellcheck disable=SC2317 # called through record_then
kill_9() { kill -9 "$app"; wait "$app" 2>/dev/null; app=""; }

manifest=$work/manifest
: >"$manifest"
for format in $formats; do
  ext=$(echo "$format" | tr '[:upper:]' '[:lower:]')
  E2E_STEP="$format STOP"
  echo "== $E2E_STEP"
  use_root "rec-$ext"
  start_panel "$ext-stop" || continue
  sleep 0.4
  choose_format "$format" || { kill_app; continue; }
  record_then "$ext" 4 click STOP || { kill_app; continue; }
  sleep 1
  len=$(header_seconds "$f")
  echo "$(basename "$f"): $(stat -c %s "$f") bytes, $len s in its header for $wall s from REC to STOP"
  # As long as the recording ran, less the sound server's start (longer on a busy machine).
  within "${len:-0}" "$(awk -v w="$wall" 'BEGIN { print w * 0.7 - 0.3 }')" "$(awk -v w="$wall" 'BEGIN { print w + 0.3 }')" ||
    fail "the file holds $len s after $wall s of recording"
  printf '%s\t%s\t0\t0\t%s\t%s\trecorded by the program\n' "$format" "$f" "$len" "$len" >>"$manifest"
  power_off "the program"

  E2E_STEP="$format kill -9"
  echo "== $E2E_STEP"
  use_root "kill-$ext"
  start_panel "$ext-kill" || continue
  sleep 0.4
  choose_format "$format" || { kill_app; continue; }
  record_then "$ext" 30 kill_9 || continue
  echo "$(basename "$f"): $(stat -c %s "$f") bytes when killed after $wall s"
  # Starting again repairs the file before the panel shows.
  start_panel "$ext-restart" || continue
  probe=$(probed_seconds "$f")
  echo "after the restart: ffprobe $probe s, the header $(header_seconds "$f") s"
  within "${probe:-0}" 28 "$wall" || fail "ffprobe finds $probe s after $wall s of recording and kill -9"
  if ! ffmpeg -nostdin -v error -i "$f" -f null - 2>"$work/decode.txt" || [ -s "$work/decode.txt" ]; then
    fail "FFmpeg does not decode the repaired file cleanly: $(head -3 "$work/decode.txt")"
  fi
  power_off "the restarted program"
done

E2E_STEP=players
# Every player plays both files in full ("-": no README table, all must play).
if [ "$(wc -l <"$manifest")" = "$(echo "$formats" | wc -w)" ]; then
  python3 "$E2E_ROOT/tests/compat_matrix.py" "$manifest" "$work" "$work/out" - || fail "a player does not play a recording"
else
  fail "only $(wc -l <"$manifest") of the formats $formats were recorded"
fi
E2E_STEP=end
finish "e2e opus flac"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The program ended from outside in the middle of a recording, under Xvfb
# with a private sound server: SIGTERM (logout, system shutdown), SIGHUP and
# SIGINT, in PCM and once in MPEG Layer-3, SIGTERM while the format dialog is
# open over the recording panel, and the X server killed under a recording.
# Each time the program exits with status 0 and leaves a finished file at
# once, with no restart to repair it: RIFF and data sizes that match the file
# (ffprobe's length for MP3), as long as the recording ran, holding the tone
# that was played, and no journal entry left. Also: -h prints the usage and
# exits 0, an unknown option prints it and exits 2, neither needing a display.
# Usage: e2e_signals.sh VELLORY [CASE...]
#   (CASE: options TERM HUP INT TERM_MPEG TERM_DIALOG display)
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
real_exe=$(realpath "${1:?path to vellory}")
shift
cases=${*:-options TERM HUP INT TERM_MPEG TERM_DIALOG display}
e2e_env xcb
E2E_STEP=setup

# An asynchronous command of a script starts with SIGINT ignored, and the
# program leaves an ignored signal ignored (as for nohup). The program under
# test is started the way a desktop or a terminal starts it: every signal at
# its default. exec keeps the process id, so $app is the program itself.
exe=$work/vellory
printf '#!/bin/sh\nexec env --default-signal=INT,HUP,TERM "%s" "$@"\n' "$real_exe" > "$exe"
chmod +x "$exe"

journal=$XDG_STATE_HOME/vellory/recordings

# Picks a format in "Select audio format" by typing the start of its name.
choose_format() { # name
  open_format_dialog || return 1
  xdotool type --delay 60 "$1"
  sleep 0.5
  xdotool key Return
  wait_gone 3 window_shown '^Select audio format$' || { fail "the format dialog did not close on Enter"; return 1; }
}

# REC with a 1000 Hz tone, about 3 s of recording, then the command given
# ends the program. Sets f (the recording) and wall (seconds from REC to the
# end of that command).
record_then() { # command...
  f=""
  play_tone 12 1000 0.5
  sleep 0.3
  click REC
  local t0; t0=$(now)
  # The recording has begun once its file exists and the journal names it.
  for _ in $(seq 1 50); do f=$(newest_wav "$root"); [ -n "$f" ] && break; sleep 0.1; done
  [ -n "$f" ] || { fail "REC made no file"; return 1; }
  sleep 3
  grep -qF "$f" "$journal" 2>/dev/null || fail "the journal does not name the recording in progress"
  "$@"
  wall=$(secs_since "$t0")
  expect_clean_exit 10 "the program"
  stop_tone
}

# The file as the program left it: sizes, length, tone, journal.
check_pcm() {
  local size riff at data dur freq
  size=$(stat -c %s "$f"); riff=$(le32 "$f" 4)
  at=$(chunk_at "$f" data) || { fail "$(basename "$f") has no data chunk"; return; }
  data=$(le32 "$f" $((at + 4)))
  dur=$(sox --i -D "$f" 2>/dev/null)
  freq=$(sox "$f" -n stat 2>&1 | awk '/Rough   frequency/ {print $3}')
  echo "$(basename "$f"): $size bytes, RIFF size $riff, data size $data at $at, $dur s for $wall s of recording, tone $freq Hz"
  [ "$riff" = $((size - 8)) ] || fail "RIFF size $riff, the file holds $((size - 8))"
  [ "$data" = $((size - at - 8)) ] || fail "data size $data, the file holds $((size - at - 8))"
  # As long as the recording ran, less the sound server's start (longer on a busy machine).
  within "${dur:-0}" "$(awk -v w="$wall" 'BEGIN { print w * 0.7 - 0.3 }')" "$(awk -v w="$wall" 'BEGIN { print w + 0.3 }')" ||
    fail "the file lasts $dur s after $wall s of recording"
  within "${freq:-0}" 950 1050 || fail "the 1000 Hz tone is not in the recording ($freq Hz)"
  check_journal
}
check_mpeg() {
  local size riff at data probe
  size=$(stat -c %s "$f"); riff=$(le32 "$f" 4)
  at=$(chunk_at "$f" data) || { fail "$(basename "$f") has no data chunk"; return; }
  data=$(le32 "$f" $((at + 4)))
  probe=$(probed_seconds "$f")
  echo "$(basename "$f"): tag $(le16 "$f" 20), $size bytes, RIFF size $riff, data size $data at $at," \
       "ffprobe $probe s for $wall s of recording"
  [ "$(le16 "$f" 20)" = 85 ] || fail "the recording is not MPEG Layer-3 (tag $(le16 "$f" 20))"
  [ "$riff" = $((size - 8)) ] || fail "RIFF size $riff, the file holds $((size - 8))"
  [ $((at + 8 + data + (data & 1))) = "$size" ] || fail "data size $data, the file holds $((size - at - 8)) after the header"
  ffmpeg -nostdin -v error -i "$f" -f null - || fail "FFmpeg cannot decode the recording"
  # ffprobe's length comes from the fact chunk's sample count; the encoder's
  # delay and the last frame's padding may add up to about 0.25 s.
  within "${probe:-0}" "$(awk -v w="$wall" 'BEGIN { print w - 2 }')" "$(awk -v w="$wall" 'BEGIN { print w + 0.5 }')" ||
    fail "ffprobe says $probe s for $wall s of recording"
  check_journal
}
check_journal() {
  ! grep -qF "$f" "$journal" 2>/dev/null || fail "the journal still names $(basename "$f") after the program ended"
}

case_options() {
  local out err rc
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$real_exe" -h 2>"$work/err"); rc=$?
  echo "-h: status $rc, $(echo "$out" | head -1)"
  [ "$rc" = 0 ] || fail "-h exited with status $rc: $(cat "$work/err")"
  echo "$out" | grep -q '^Usage: vellory' || fail "-h printed no usage"
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$real_exe" --bogus 2>"$work/err"); rc=$?
  err=$(cat "$work/err")
  echo "--bogus: status $rc, $(echo "$err" | head -1)"
  [ "$rc" = 2 ] || fail "--bogus exited with status $rc, not 2"
  [ -z "$out" ] || fail "--bogus printed to the standard output: $out"
  echo "$err" | grep -q "unknown option '--bogus'" || fail "--bogus is not named as an unknown option"
  echo "$err" | grep -q '^Usage: vellory' || fail "--bogus printed no usage"
}

# A signal in the middle of a recording: PCM, or a format chosen first.
signal_case() { # signal [format-name]
  use_root "rec-$1${2:+-$2}"
  start_panel "$1${2:+-$2}" || return
  sleep 0.4
  if [ -n "${2:-}" ]; then choose_format "$2" || return; fi
  record_then kill -s "$1" "$app" || return
  grep -q "signal .* received" "$log" || fail "the program did not say that it received SIG$1"
  if [ -n "${2:-}" ]; then check_mpeg; else check_pcm; fi
}
case_TERM() { signal_case TERM; }
case_HUP() { signal_case HUP; }
case_INT() { signal_case INT; }
case_TERM_MPEG() { signal_case TERM MPEG; }

# A modal dialog runs an event loop of its own inside the panel's: the signal
# must end both, not wait for the dialog to be closed.
dialog_then_term() {
  open_format_dialog || return
  kill -s TERM "$app"
}
case_TERM_DIALOG() {
  use_root rec-TERM-dialog
  start_panel TERM-dialog || return
  sleep 0.4
  record_then dialog_then_term || return
  check_pcm
}

# The X server goes away under the recording; the last case, as it takes the display.
kill_display() { kill -9 "$xvfb_pid"; wait "$xvfb_pid" 2>/dev/null; xvfb_pid=""; }
case_display() {
  use_root rec-display
  start_panel display || return
  sleep 0.4
  record_then kill_display || return
  grep -q "The X11 connection broke" "$log" || fail "Qt did not report the lost display"
  grep -q "display connection was lost; the recording was finished" "$log" ||
    fail "the program did not finish the recording for the lost display"
  check_pcm
}

for c in $cases; do
  E2E_STEP=$c
  echo "== $c"
  [ "$c" = options ] || [ -n "$xvfb_pid" ] || start_display
  [ "$c" = options ] || [ -n "$sound_dir" ] || start_sound_server
  "case_$c"
  stop_tone
  kill_app
done
E2E_STEP=end
finish "e2e signals"

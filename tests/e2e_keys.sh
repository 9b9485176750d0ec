#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The real program under Xvfb with a private PulseAudio server, driven from the
# keyboard only: Alt+R records a tone, Ctrl+Space pauses and resumes, Alt+S
# stops; the file lasts the recorded time without the paused seconds. Then
# Alt+P plays it, and Right pressed twice cuts about 10 s from what is heard.
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=${1:?path to vellory}
shots=$(shots_dir "${2:-}")
e2e_env xcb
start_display
start_sound_server
key() { timeout 5 xdotool key --clearmodifiers "$1" || fail "could not press $1"; }

start_panel panel || finish "e2e keys"
timeout 5 xdotool windowfocus --sync "$win" 2>/dev/null || timeout 5 xdotool windowfocus "$win" || fail "could not focus the panel"
sleep 0.5

# Lit columns of the display's bar (window pixels 16 to 327 of row 80).
lit() {
  shot "$1"
  convert "$shots/$1.png" -crop "312x1+$((X + 16))+$((Y + 80))" txt:- 2>/dev/null | grep -c '#00C800'
}

t0=$(now)
key alt+r
# Silence first: the bar stays dark.
sleep 1.2
dark=$(lit keys-silence)
# Then a tone into the sink for the rest of the recording, paused part included.
play_tone 16 1000 0.5
sleep 1.0
bright=$(lit keys-tone)
echo "lit columns of 312: $dark on silence, $bright with a -6 dBFS tone"
[ "$dark" -le 3 ] || fail "the bar is lit ($dark columns) on silence"
[ "$bright" -ge 250 ] && [ "$bright" -le 300 ] || fail "a -6 dBFS tone lights $bright columns, not about nine tenths of 312"
p0=$(now)
key ctrl+space
sleep 0.8
shot keys-paused
sleep 1.7
p1=$(now)
key ctrl+space
sleep 10.0
t1=$(now)
key alt+s
sleep 0.8
stop_tone

file=$(find "$HOME/fmanager" -maxdepth 1 -name '*.wav' | head -1)
if [ -z "$file" ]; then
  fail "Alt+R and Alt+S left no recording under $HOME/fmanager"
else
  count=$(find "$HOME/fmanager" -maxdepth 1 -name '*.wav' | wc -l)
  [ "$count" = 1 ] || fail "pausing left $count files, not one"
  dur=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
  expect=$(awk -v a="$t0" -v b="$t1" -v c="$p0" -v d="$p1" 'BEGIN { printf "%.2f", ((b - a) - (d - c)) / 1e9 }')
  echo "recorded $(basename "$file"): $dur s; from Alt+R to Alt+S less the pause: $expect s"
  # The pause lasted 2.5 s or more: a file that kept it would be that much longer.
  # Short of it by up to 1.5 s: the first capture waits for libpulse to load and
  # the server to answer after Alt+R (1.0 to 1.3 s under Xvfb here).
  awk -v d="$dur" -v e="$expect" 'BEGIN { exit !(d >= e - 1.5 && d <= e + 0.6) }' ||
    fail "duration $dur s, not about $expect s: paused audio kept or audio lost"
  rms=$(sox "$file" -n trim 3 1 stat 2>&1 | awk '/RMS     amplitude/ {print $3}')
  awk -v r="$rms" 'BEGIN { exit !(r >= 0.1) }' || fail "no tone in the recording (RMS $rms)"
fi

# Alt+P plays it; Right twice jumps 10 s ahead: 10 s fewer are heard.
start_listening "$work/heard.wav"
sleep 0.3
key alt+p
sleep 0.5
key Right
key Right
sleep 6.0
stop_listening
heard=$(sox "$work/heard.wav" -n remix 1 silence 1 0.02 2% reverse silence 1 0.02 2% reverse stat 2>&1 | awk '/Length \(seconds\)/ {print $3}')
echo "heard after two Right presses: ${heard:-nothing} s of the ${dur:-?} s recording"
# 0.5 s before the presses, then what is left after 10.5 s: about dur - 10. Without
# the skip the 6 s of listening would be filled.
awk -v t="${heard:-0}" -v d="${dur:-12}" 'BEGIN { exit !(t >= 0.8 && t <= d - 8.5) }' ||
  fail "heard ${heard:-0} s of ${dur:-?} s: Right did not skip about 10 s"

key alt+s
timeout 5 xdotool key Escape >/dev/null 2>&1
if app_ended 5; then echo "program ended with $app_rc"; else fail "Escape did not end the program"; fi

finish "e2e keys"

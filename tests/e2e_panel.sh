#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The real program under Xvfb with a private PulseAudio server: REC, a tone
# played into the sink, STOP, and the new file checked (name, header, length,
# tone); then PLAY heard on the sink's monitor, the manager opened, the panel
# hidden and brought back by a second start, and POWER. Screenshots of the
# panel idle, recording, playing and of the manager go to the folder given.
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=${1:?path to vellory}
shots=$(shots_dir "${2:-}")
e2e_env xcb
start_display
# An audio server of our own: tests running beside this one play into and
# record from the shared server's sink.
start_sound_server

start_panel panel || finish "e2e panel"
echo "panel window $win at $X,$Y size ${WIDTH}x$HEIGHT"
[ "$WIDTH" = 350 ] && [ "$HEIGHT" = 156 ] || fail "panel is ${WIDTH}x$HEIGHT, not 350x156"

sleep 0.5
shot panel-idle

# Record a tone.
t0=$(date +%s%N)
click REC
sleep 0.3
play_tone 3 1000
sleep 2.2
shot panel-recording
wait "$tone_pid"
sleep 0.3
click STOP
t1=$(date +%s%N)
wall=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
sleep 0.6

file=$(find "$HOME/fmanager" -maxdepth 1 -name '*.wav' | head -1)
if [ -z "$file" ]; then
  fail "no recording under $HOME/fmanager"
else
  name=$(basename "$file")
  echo "recorded $name"
  [[ "$name" =~ ^[0-9]{2}-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-[0-9]{4}_[0-9]+\.wav$ ]] ||
    fail "name $name does not follow DD-Mon-YYYY_N.wav"
  size=$(stat -c %s "$file")
  hdr=$(head -c 46 "$file" | od -An -c | tr -d ' \n')
  [[ "$hdr" == RIFF* ]] || fail "no RIFF header"
  [ "$(dd if="$file" bs=1 skip=38 count=4 2>/dev/null)" = data ] || fail "data chunk not at byte 38 (46-byte header)"
  datasize=$(od -An -tu4 -j42 -N4 "$file" | tr -d ' ')
  [ "$datasize" = $((size - 46)) ] || fail "data size $datasize, file $size"
  riffsize=$(od -An -tu4 -j4 -N4 "$file" | tr -d ' ')
  [ "$riffsize" = $((size - 8)) ] || fail "RIFF size $riffsize, file $size"
  dur=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
  echo "duration $dur s, $size bytes; REC to STOP took $wall s of wall-clock time"
  awk -v d="$dur" 'BEGIN { exit !(d >= 3.0 && d <= 6.0) }' || fail "duration $dur s not within 3 to 6 s"
  # The tone: the loudest second of the file holds 1000 Hz at a clear level.
  stats=$(sox "$file" -n trim 0.8 1.5 stat 2>&1)
  freq=$(echo "$stats" | awk '/Rough   frequency/ {print $3}')
  rms=$(echo "$stats" | awk '/RMS     amplitude/ {print $3}')
  echo "tone: rough frequency $freq Hz, RMS $rms"
  awk -v f="$freq" -v r="$rms" 'BEGIN { exit !(f >= 950 && f <= 1050 && r >= 0.1) }' || fail "no 1000 Hz tone in the recording"
  # The tone lasted 3 s: with the silence around it cut away, 3 s remain.
  tonelen=$(sox "$file" -n silence 1 0.02 2% reverse silence 1 0.02 2% reverse stat 2>&1 | awk '/Length \(seconds\)/ {print $3}')
  echo "tone length in the recording: $tonelen s"
  awk -v t="$tonelen" 'BEGIN { exit !(t >= 2.8 && t <= 3.2) }' || fail "the tone lasts $tonelen s in the recording, not 3 s"
fi

# PLAY: the recording is heard on the sink.
start_listening "$work/heard.wav"
sleep 0.3
click PLAY
sleep 1.5
shot panel-playing
sleep 1.5
stop_listening
# A second well inside the play: parecord started 0.3 s before PLAY.
heard=$(sox "$work/heard.wav" -n remix 1 trim 1.0 1.0 stat 2>&1)
hfreq=$(echo "$heard" | awk '/Rough   frequency/ {print $3}')
hrms=$(echo "$heard" | awk '/RMS     amplitude/ {print $3}')
echo "heard during PLAY: rough frequency $hfreq Hz, RMS $hrms"
awk -v f="$hfreq" -v r="$hrms" 'BEGIN { exit !(f >= 950 && f <= 1050 && r >= 0.05) }' || fail "PLAY was not heard on the sink"
sleep 2.5

# The manager opens on the category and lists the recording.
if open_manager; then
  shot manager
  close_manager
fi

# Hide through the pop-up menu, then a second start shows the panel again.
click MENU 3
sleep 0.5
xdotool key h
sleep 0.5
window_shown '^Vellory$' && fail "the panel is still visible after Hide Window"
timeout 20 "$exe" 2>"$work/second.log"; rc=$?
[ "$rc" = 0 ] || fail "second start exited $rc"
grep -q "handed over" "$work/second.log" || fail "second start did not hand over"
wait_for 3 window_shown '^Vellory$' || fail "the hidden panel did not come back"

# POWER ends the program.
locate_panel 1 || fail "no panel to press POWER on"
power_off

echo "screenshots in $shots"
finish "e2e panel"

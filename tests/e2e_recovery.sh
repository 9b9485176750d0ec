#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# A recording cut off by kill -9 is repaired when the program starts again:
# the real program under Xvfb on the virtual input, REC, kill -9 after a few
# seconds, start again; the file then has its true sizes and real readers take it.
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=${1:?path to vellory}
e2e_env xcb
# The virtual input in real time: no sound server takes part.
export VELLORY_AUDIO=virtual VELLORY_VIRTUAL_INPUT=sine:1000:0.5 VELLORY_VIRTUAL_SPEED=1
start_display

start_panel first || finish "e2e recovery"
sleep 0.3
click REC
sleep 4.5
kill -9 "$app"; wait "$app" 2>/dev/null; app=""

file=$(find "$HOME/fmanager" -maxdepth 1 -name '*.wav' | head -1)
[ -n "$file" ] || { fail "no recording was started"; finish "e2e recovery"; }
size=$(stat -c %s "$file")
echo "cut off: $(basename "$file"), $size bytes, data size $(le32 "$file" 42), RIFF size $(le32 "$file" 4)"
[ "$(le32 "$file" 42)" = 0 ] || fail "the cut-off file already had a data size"
[ "$size" -gt $((46 + 44100 * 3)) ] || fail "less than three seconds reached the disk before the crash"

# Starting again repairs it before the panel shows.
log=$work/second.log
"$exe" >"$log" 2>&1 & app=$!; pids+=("$app")
wait_log "$log" "panel running" 15 || fail "the program did not start again"
data=$(le32 "$file" 42); riff=$(le32 "$file" 4)
echo "after restart: data size $data, RIFF size $riff"
[ "$data" = $((size - 46)) ] || fail "data size $data, expected $((size - 46))"
[ "$riff" = $((size - 8)) ] || fail "RIFF size $riff, expected $((size - 8))"
dur=$(sox --i -D "$file" 2>&1)
echo "sox reads $dur s"
awk -v d="$dur" 'BEGIN { exit !(d >= 3.0 && d <= 6.0) }' || fail "duration $dur s"
freq=$(sox "$file" -n stat 2>&1 | awk '/Rough   frequency/ {print $3}')
awk -v f="$freq" 'BEGIN { exit !(f >= 950 && f <= 1050) }' || fail "the audio is not the 1000 Hz input ($freq)"
ffmpeg -v error -i "$file" -f null - || fail "ffmpeg cannot decode the repaired file"

# POWER ends the restarted program normally.
if locate_panel 10; then power_off "the restarted program"; else fail "no panel after the restart"; fi

finish "e2e recovery"

#!/usr/bin/env bash
# A recording cut off by kill -9 is repaired when the program starts again:
# the real program under Xvfb on the virtual input, REC, kill -9 after a few
# seconds, start again; the file then has its true sizes and real readers take it.
set -u
exe=${1:?path to vellory}
work=$(mktemp -d)
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config VELLORY_TRACE=1
export VELLORY_AUDIO=virtual VELLORY_VIRTUAL_INPUT=sine:1000:0.5 VELLORY_VIRTUAL_SPEED=1
unset QT_QPA_PLATFORM
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
fails=0
pids=()
cleanup() { for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
wait_for() { for _ in $(seq 1 $(( $3 * 10 ))); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done; return 1; }
le32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; }

for n in $(seq $((100 + RANDOM % 400)) 600); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
  sleep 0.5
  if kill -0 "$xpid" 2>/dev/null; then pids+=("$xpid"); export DISPLAY=":$n"; break; fi
done
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no Xvfb display"; exit 1; }
for _ in $(seq 1 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$exe" 2>"$work/first.log" & app=$!; pids+=("$app")
wait_for "$work/first.log" "panel running" 15 || fail "the panel did not start"
# xdotool's --sync waits are bounded: a window that never comes fails the test.
win=$(timeout 10 xdotool search --sync --onlyvisible --name '^Vellory$' 2>/dev/null | head -1)
[ -n "$win" ] || { echo "FAIL: no panel window"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$win")"
sleep 0.3
timeout 10 xdotool mousemove --sync $((X + 3 + 8 + 38)) $((Y + 3 + 89 + 15)) click 1 || fail "could not click REC"
sleep 4.5
kill -9 "$app"; wait "$app" 2>/dev/null

file=$(find "$HOME/fmanager" -maxdepth 1 -name '*.wav' | head -1)
[ -n "$file" ] || { echo "FAIL: no recording was started"; exit 1; }
size=$(stat -c %s "$file")
echo "cut off: $(basename "$file"), $size bytes, data size $(le32 "$file" 42), RIFF size $(le32 "$file" 4)"
[ "$(le32 "$file" 42)" = 0 ] || fail "the cut-off file already had a data size"
[ "$size" -gt $((46 + 44100 * 3)) ] || fail "less than three seconds reached the disk before the crash"

# Starting again repairs it before the panel shows.
"$exe" 2>"$work/second.log" & app=$!; pids+=("$app")
wait_for "$work/second.log" "panel running" 15 || fail "the program did not start again"
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
win=$(timeout 10 xdotool search --sync --onlyvisible --name '^Vellory$' 2>/dev/null | head -1)
if [ -z "$win" ]; then fail "no panel after the restart"; else
  eval "$(xdotool getwindowgeometry --shell "$win")"
  timeout 10 xdotool mousemove --sync $((X + 3 + 258 + 38)) $((Y + 3 + 7 + 15)) click 1 || fail "could not click POWER"
fi
for _ in $(seq 1 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then fail "POWER did not end the restarted program"; else
  wait "$app"; rc=$?
  [ "$rc" = 0 ] || fail "the restarted program exited with status $rc"
fi

if [ "$fails" = 0 ]; then echo "e2e recovery: passed"; exit 0; fi
echo "e2e recovery: $fails failures"; exit 1

#!/usr/bin/env bash
# The real program under Xvfb with a private PulseAudio server, driven from the
# keyboard only: Alt+R records a tone, Ctrl+Space pauses and resumes, Alt+S
# stops; the file lasts the recorded time without the paused seconds. Then
# Alt+P plays it, and Right pressed twice cuts about 10 s from what is heard.
set -u
exe=${1:?path to vellory}
shots=${2:-$(mktemp -d)}
mkdir -p "$shots"
work=$(mktemp -d)
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config VELLORY_TRACE=1
unset QT_QPA_PLATFORM VELLORY_AUDIO
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
fails=0
pids=()
own_pulse=""
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  sleep 0.3
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  [ -n "$own_pulse" ] && "$(dirname "$0")/../tools/private-pulse.sh" stop "$own_pulse" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
wait_for() { # file pattern timeout-seconds
  for _ in $(seq 1 $(( $3 * 10 ))); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done; return 1
}
key() { timeout 5 xdotool key --clearmodifiers "$1" || fail "could not press $1"; }

# A display of our own.
for n in $(seq $((100 + RANDOM % 400)) 600); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
  sleep 0.5
  if kill -0 "$xpid" 2>/dev/null; then pids+=("$xpid"); export DISPLAY=":$n"; break; fi
done
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no Xvfb display"; exit 1; }
for _ in $(seq 1 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

own_pulse=$work/pulse
server=$("$(dirname "$0")/../tools/private-pulse.sh" start "$own_pulse") && [ -n "$server" ] ||
  { echo "FAIL: the private sound server (${VELLORY_TEST_SERVER:-pulseaudio}) did not start"; exit 1; }
eval "$server"
export PULSE_SERVER

"$exe" 2>"$work/panel.log" & app=$!; pids+=("$app")
wait_for "$work/panel.log" "panel running" 15 || fail "the panel did not start"
win=$(timeout 10 xdotool search --sync --onlyvisible --name '^Vellory$' 2>/dev/null | head -1)
[ -n "$win" ] || { fail "no window named Vellory"; cat "$work/panel.log"; exit 1; }
timeout 5 xdotool windowfocus --sync "$win" 2>/dev/null || timeout 5 xdotool windowfocus "$win" || fail "could not focus the panel"
sleep 0.5

eval "$(xdotool getwindowgeometry --shell "$win")"
# Lit columns of the display's bar (window pixels 16 to 327 of row 80).
lit() {
  import -window root "$shots/$1.png"
  convert "$shots/$1.png" -crop "312x1+$((X + 16))+$((Y + 80))" txt:- 2>/dev/null | grep -c '#00C800'
}

now() { date +%s%N; }
t0=$(now)
key alt+r
# Silence first: the bar stays dark.
sleep 1.2
dark=$(lit keys-silence)
# Then a tone into the sink for the rest of the recording, paused part included.
sox -n -r 44100 -c 2 -t wav - synth 16 sine 1000 vol 0.5 2>/dev/null | paplay --latency-msec=20 & tone=$!
pids+=("$tone")
sleep 1.0
bright=$(lit keys-tone)
echo "lit columns of 312: $dark on silence, $bright with a -6 dBFS tone"
[ "$dark" -le 3 ] || fail "the bar is lit ($dark columns) on silence"
[ "$bright" -ge 250 ] && [ "$bright" -le 300 ] || fail "a -6 dBFS tone lights $bright columns, not about nine tenths of 312"
p0=$(now)
key ctrl+space
sleep 0.8
import -window root "$shots/keys-paused.png"
sleep 1.7
p1=$(now)
key ctrl+space
sleep 10.0
t1=$(now)
key alt+s
sleep 0.8
kill "$tone" 2>/dev/null

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
  awk -v d="$dur" -v e="$expect" 'BEGIN { exit !(d >= e - 1.2 && d <= e + 0.6) }' ||
    fail "duration $dur s, not about $expect s: paused audio kept or audio lost"
  rms=$(sox "$file" -n trim 3 1 stat 2>&1 | awk '/RMS     amplitude/ {print $3}')
  awk -v r="$rms" 'BEGIN { exit !(r >= 0.1) }' || fail "no tone in the recording (RMS $rms)"
fi

# Alt+P plays it; Right twice jumps 10 s ahead: 10 s fewer are heard.
parecord --device=vsink.monitor --latency-msec=50 --file-format=wav "$work/heard.wav" & rec=$!
pids+=("$rec")
sleep 0.3
key alt+p
sleep 0.5
key Right
key Right
sleep 6.0
kill -INT "$rec" 2>/dev/null; wait "$rec" 2>/dev/null
heard=$(sox "$work/heard.wav" -n remix 1 silence 1 0.02 2% reverse silence 1 0.02 2% reverse stat 2>&1 | awk '/Length \(seconds\)/ {print $3}')
echo "heard after two Right presses: ${heard:-nothing} s of the ${dur:-?} s recording"
# 0.5 s before the presses, then what is left after 10.5 s: about dur - 10. Without
# the skip the 6 s of listening would be filled.
awk -v t="${heard:-0}" -v d="${dur:-12}" 'BEGIN { exit !(t >= 0.8 && t <= d - 8.5) }' ||
  fail "heard ${heard:-0} s of ${dur:-?} s: Right did not skip about 10 s"

key alt+s
timeout 5 xdotool key Escape >/dev/null 2>&1
for _ in $(seq 1 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then fail "Escape did not end the program"; else
  wait "$app"; echo "program ended with $?"
fi

if [ "$fails" = 0 ]; then echo "e2e keys: passed"; exit 0; fi
echo "e2e keys: $fails failures"; cat "$work/panel.log"; exit 1

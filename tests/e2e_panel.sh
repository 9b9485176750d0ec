#!/usr/bin/env bash
# The real program under Xvfb with a private PulseAudio server: REC, a tone
# played into the sink, STOP, and the new file checked (name, header, length,
# tone); then PLAY heard on the sink's monitor, the manager opened, the panel
# hidden and brought back by a second start, and POWER. Screenshots of the
# panel idle, recording, playing and of the manager go to the folder given.
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

# A display of our own.
for n in $(seq $((100 + RANDOM % 400)) 600); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
  sleep 0.5
  if kill -0 "$xpid" 2>/dev/null; then pids+=("$xpid"); export DISPLAY=":$n"; break; fi
done
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no Xvfb display"; exit 1; }
for _ in $(seq 1 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# An audio server of our own: tests running beside this one play into and
# record from the shared server's sink.
own_pulse=$work/pulse
# (The start is checked before its output is used: eval of nothing succeeds.)
server=$("$(dirname "$0")/../tools/private-pulse.sh" start "$own_pulse") && [ -n "$server" ] ||
  { echo "FAIL: the private sound server (${VELLORY_TEST_SERVER:-pulseaudio}) did not start"; exit 1; }
eval "$server"
export PULSE_SERVER

"$exe" 2>"$work/panel.log" & app=$!; pids+=("$app")
wait_for "$work/panel.log" "panel running" 15 || fail "the panel did not start"
# Every xdotool wait (--sync) is bounded: a window that never comes fails the test, not the run.
win=$(timeout 10 xdotool search --sync --onlyvisible --name '^Vellory$' 2>/dev/null | head -1)
[ -n "$win" ] || { fail "no window named Vellory"; cat "$work/panel.log"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$win")"
echo "panel window $win at $X,$Y size ${WIDTH}x$HEIGHT"
[ "$WIDTH" = 350 ] && [ "$HEIGHT" = 156 ] || fail "panel is ${WIDTH}x$HEIGHT, not 350x156"

# Button centres: template position + 3-pixel border + half the image.
click() { timeout 10 xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1 || fail "could not click at $1,$2"; }
REC="$((3 + 8 + 38)) $((3 + 89 + 15))"
STOP="$((3 + 87 + 38)) $((3 + 89 + 15))"
PLAY="$((3 + 167 + 38)) $((3 + 89 + 15))"
MANAGER="$((3 + 8 + 48)) $((3 + 7 + 15))"
POWER="$((3 + 258 + 38)) $((3 + 7 + 15))"

sleep 0.5
import -window root "$shots/panel-idle.png"

# Record a tone.
t0=$(date +%s%N)
click $REC
sleep 0.3
sox -n -r 44100 -c 2 -t wav - synth 3 sine 1000 2>/dev/null | paplay --latency-msec=20 &
tone=$!
sleep 2.2
import -window root "$shots/panel-recording.png"
wait "$tone"
sleep 0.3
click $STOP
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
parecord --device=vsink.monitor --latency-msec=50 --file-format=wav "$work/heard.wav" & rec=$!
sleep 0.3
click $PLAY
sleep 1.5
import -window root "$shots/panel-playing.png"
sleep 1.5
kill -INT "$rec" 2>/dev/null; wait "$rec" 2>/dev/null
# A second well inside the play: parecord started 0.3 s before PLAY.
heard=$(sox "$work/heard.wav" -n remix 1 trim 1.0 1.0 stat 2>&1)
hfreq=$(echo "$heard" | awk '/Rough   frequency/ {print $3}')
hrms=$(echo "$heard" | awk '/RMS     amplitude/ {print $3}')
echo "heard during PLAY: rough frequency $hfreq Hz, RMS $hrms"
awk -v f="$hfreq" -v r="$hrms" 'BEGIN { exit !(f >= 950 && f <= 1050 && r >= 0.05) }' || fail "PLAY was not heard on the sink"
sleep 2.5

# The manager opens on the category and lists the recording.
click $MANAGER
mgr=$(timeout 10 xdotool search --sync --onlyvisible --name '^My Voice Files \(Vellory\)$' 2>/dev/null | head -1)
if [ -z "$mgr" ]; then fail "the manager did not open"; else
  sleep 0.5
  import -window root "$shots/manager.png"
  eval "$(xdotool getwindowgeometry --shell "$mgr" | sed 's/^/M/')"
  # "Close" at 418, 229 dialog units, 50 x 14.
  timeout 10 xdotool mousemove --sync $((MX + 627 + 37)) $((MY + 372 + 11)) click 1
  sleep 0.5
  xdotool search --onlyvisible --name '^My Voice Files' >/dev/null 2>&1 && fail "the manager did not close"
fi

# Hide through the pop-up menu, then a second start shows the panel again.
timeout 10 xdotool mousemove --sync $((X + 280)) $((Y + 100)) click 3
sleep 0.5
xdotool key h
sleep 0.5
xdotool search --onlyvisible --name '^Vellory$' >/dev/null 2>&1 && fail "the panel is still visible after Hide Window"
timeout 20 "$exe" 2>"$work/second.log"; rc=$?
[ "$rc" = 0 ] || fail "second start exited $rc"
grep -q "handed over" "$work/second.log" || fail "second start did not hand over"
for _ in $(seq 1 30); do xdotool search --onlyvisible --name '^Vellory$' >/dev/null 2>&1 && break; sleep 0.1; done
xdotool search --onlyvisible --name '^Vellory$' >/dev/null 2>&1 || fail "the hidden panel did not come back"

# POWER ends the program.
win=$(xdotool search --onlyvisible --name '^Vellory$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$win")"
click $POWER
for _ in $(seq 1 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then fail "POWER did not end the program"; else
  wait "$app"; rc=$?
  echo "program ended with $rc"
  [ "$rc" = 0 ] || fail "the program exited with status $rc after POWER"
fi

echo "screenshots in $shots"
if [ "$fails" = 0 ]; then echo "e2e panel: passed"; exit 0; fi
echo "e2e panel: $fails failures"; cat "$work/panel.log"; exit 1

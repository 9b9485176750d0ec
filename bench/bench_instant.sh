#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The first REC and PLAY after start-up against later ones and against
# parecord and paplay, on a private PulseAudio and a private PipeWire, the
# real panel driven under Xvfb with xdotool. Prints table rows (median and
# min-max over the rounds, each round interleaving ours with the peer).
#   bench/bench_instant.sh VELLORY [rounds, default 5] [seconds per recording, default 5]
# - Audio lost between REC and STOP: the time between the two clicks less the
#   recorded file's length, a tone playing into the sink whose monitor is the
#   default input; parecord is started as a new process and ended by SIGINT.
# - PLAY to sound: from the click on PLAY (the file opened in the manager) to
#   the first sample above silence on the sink's monitor; paplay likewise from
#   its start. The file holds a 1 kHz tone from its first sample.
# VELLORY_NO_PRELOAD=1 in the environment measures the program without its
# background preload; BENCH_SERVERS chooses the servers (default "pulseaudio pipewire").
set -uo pipefail
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/../tests/e2e_lib.sh"
exe=${1:?path to vellory}
rounds=${2:-5}
secs=${3:-5}
unset VELLORY_TRACE
e2e_env xcb
unset VELLORY_TRACE
start_display
fails=0
fail() { echo "bench_instant: $*" >&2; fails=$((fails + 1)); }

declare -A R
add() { R[$1]+="$2"$'\n'; }
get() { printf '%s' "${R[$1]:-}" | grep -v '^$'; }
stats() { sort -g | awk -v f="${1:-%.1f}" '{a[NR]=$1} END {if (!NR) {print "-"; exit} m = NR % 2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2;
  printf f " (" f "-" f ")", m, a[1], a[NR]}'; }
ratio_of() { paste -d' ' <(get "$1") <(get "$2") | awk '$2 > 0 {printf "%.3f\n", $1 / $2}'; }
ms_between() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.1f", (b - a) / 1e6}'; }
lost_ms() { # click-ns stop-ns file: clicked time less the file's length
  local d; d=$(probed_seconds "$3")
  [ -n "$d" ] || { fail "no length for $3"; return 1; }
  awk -v a="$1" -v b="$2" -v d="$d" 'BEGIN {printf "%.1f", (b - a) / 1e6 - d * 1000}'
}
# Moves the pointer onto a panel control, so that the timed click is only the click.
hover() { local at=${E2E_PANEL[$1]}; set -- $at; timeout 10 xdotool mousemove --sync $((X + $1)) $((Y + $2)); sleep 0.2; }
press() { xdotool click 1; }

# The first sample above silence on the sink's monitor, as a time in ns, into $1.
start_detector() { # file
  rm -f "$1"
  parec -d vsink.monitor --raw --format=s16le --rate=48000 --channels=1 --latency-msec=5 2>/dev/null |
    python3 -c '
import sys, time, array
out = sys.argv[1]
while True:
    b = sys.stdin.buffer.read1(192)
    if not b:
        break
    a = array.array("h", b[: len(b) // 2 * 2])
    if any(abs(v) > 1000 for v in a):
        t = time.clock_gettime_ns(time.CLOCK_REALTIME)
        open(out, "w").write(str(t))
        break
' "$1" &
  det_pid=$!
  sleep 0.5
}
stop_detector() { pkill -P "$det_pid" 2>/dev/null; kill "$det_pid" 2>/dev/null; wait "$det_pid" 2>/dev/null; }
sound_after() { # start-ns file: ms to the detected sound, empty if none within 3 s
  wait_for 3 test -s "$2" || return 1
  ms_between "$1" "$(cat "$2")"
}

# Each program start gets an empty recordings root with the click file only.
fresh_root() {
  use_root "round"
  rm -rf "$root"; mkdir -p "$root"
  cp "$work/tone.wav" "$root/01-Jan-2026_1.wav"
}

measure_server() { # pulseaudio | pipewire
  local s=$1 t0 t1 f ms p
  VELLORY_TEST_SERVER=$s start_sound_server
  echo "bench_instant: $s, $rounds rounds" >&2
  # ---- REC: audio lost between the clicks --------------------------------
  play_tone $(( (secs * 3 + 20) * rounds + 30 )) 1000 0.5
  sleep 1
  for r in $(seq 1 "$rounds"); do
    fresh_root; rm -f "$root"/*.wav
    start_panel "rec$r" || continue
    sleep 1.5 # the user finds the button
    for which in first later; do
      hover REC; t0=$(now); press
      sleep "$secs"
      hover STOP; t1=$(now); press
      sleep 1.5
      f=$(newest_wav "$root")
      [ -n "$f" ] && add "${s}_rec_$which" "$(lost_ms "$t0" "$t1" "$f")"
      rm -f "$root"/*.wav
    done
    power_off "the panel"
    t0=$(now)
    parecord --latency-msec=50 --rate=22050 --channels=1 --format=s16le --file-format=wav "$work/parecord.wav" >/dev/null 2>&1 &
    p=$!; sleep "$secs"; t1=$(now); kill -INT "$p"; wait "$p" 2>/dev/null
    add "${s}_rec_peer" "$(lost_ms "$t0" "$t1" "$work/parecord.wav")"
  done
  stop_tone
  # ---- PLAY to sound ------------------------------------------------------
  # Silence at a low latency keeps the null sink rendering in small blocks:
  # idle, it sleeps in blocks of up to 2 s and a new stream waits for the
  # block's end, which a sound card does not do.
  pacat --playback --raw --format=s16le --rate=44100 --channels=2 --latency-msec=10 </dev/zero >/dev/null 2>&1 &
  local keep=$!; pids+=("$keep")
  sleep 1
  for r in $(seq 1 "$rounds"); do
    fresh_root
    start_panel "play$r" || continue
    sleep 1.5
    open_manager || { power_off; continue; }
    mclick ROW1; sleep 0.3; mclick OPEN; sleep 0.8
    for which in first later; do
      hover PLAY
      start_detector "$work/heard"
      t0=$(now); press
      ms=$(sound_after "$t0" "$work/heard") && add "${s}_play_$which" "$ms" || fail "$s: no sound after the $which PLAY"
      stop_detector
      sleep 1.5 # the file plays to its end
    done
    power_off "the panel"
    start_detector "$work/heard"
    t0=$(now)
    paplay "$work/tone.wav" >/dev/null 2>&1 &
    p=$!
    ms=$(sound_after "$t0" "$work/heard") && add "${s}_play_peer" "$ms" || fail "$s: no sound from paplay"
    wait "$p" 2>/dev/null
    stop_detector
  done
  kill "$keep" 2>/dev/null; wait "$keep" 2>/dev/null
  stop_sound_server
}

# One second of a 1 kHz tone from the first sample, PCM 22,050 Hz mono.
sox -n -r 22050 -c 1 -b 16 "$work/tone.wav" synth 1 sine 1000 vol 0.5 || { echo "bench_instant: sox failed" >&2; exit 1; }
servers=${BENCH_SERVERS:-pulseaudio pipewire}
for s in $servers; do measure_server "$s"; done

row() { echo "| $1 | $2 | $3 | $4 | ${5:-} |"; }
for s in $servers; do
  name=$([ "$s" = pipewire ] && echo PipeWire || echo PulseAudio)
  row "PLAY to sound, first after start-up, $name" "$(get ${s}_play_first | stats) ms" \
      "$(get ${s}_play_peer | stats) ms: paplay, same file and sink" "$(ratio_of ${s}_play_first ${s}_play_peer | stats %.2f)" \
      "$(ratio_of ${s}_play_first ${s}_play_later | stats %.2f) x the later PLAY"
  row "PLAY to sound, later, $name" "$(get ${s}_play_later | stats) ms" \
      "$(get ${s}_play_peer | stats) ms: paplay" "$(ratio_of ${s}_play_later ${s}_play_peer | stats %.2f)"
  row "Audio lost between REC and STOP, first REC, $name (${secs} s)" "$(get ${s}_rec_first | stats) ms" \
      "$(get ${s}_rec_peer | stats) ms: parecord --latency-msec=50 started on the same source" "$(ratio_of ${s}_rec_first ${s}_rec_peer | stats %.2f)"
  row "Audio lost between REC and STOP, later REC, $name (${secs} s)" "$(get ${s}_rec_later | stats) ms" \
      "$(get ${s}_rec_peer | stats) ms: parecord" "$(ratio_of ${s}_rec_later ${s}_rec_peer | stats %.2f)"
done
[ "$fails" = 0 ] || echo "(WARNING: $fails instant-start steps failed, see standard error)"
exit 0

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Builds and runs every benchmark, each figure measured beside its peer in the
# same run and interleaved with it round by round, then prints the README's
# table (median and min-max over the rounds). Not part of the test suite.
#   bench/run_all.sh [seconds per recording, default 20] [rounds, default 5]
# BUILD_DIR chooses the build folder (default build-bench), CODEC_SECONDS the
# audio encoded per format (default 60). Cold-cache rows need
# root (they write /proc/sys/vm/drop_caches); without it they are left out.
set -uo pipefail
# The display, the sound server, the panel's controls and the cleanup are the
# end-to-end tests' own.
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/../tests/e2e_lib.sh"
cd "$(dirname "$0")/.."
secs=${1:-20}
rounds=${2:-5}
[ "$rounds" -ge 5 ] || rounds=5
build=${BUILD_DIR:-build-bench}
[ -x tools/install-deps.sh ] && [ "$(id -u)" = 0 ] && { tools/install-deps.sh >/dev/null 2>&1 || true; }
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$build" --target benchmarks vellory >/dev/null || exit 1
exe=$PWD/$build/app/vellory
minimal=$PWD/$build/bench/bench_minimal_dialog

state=$work
tick=$(getconf CLK_TCK)

# ---- helpers ---------------------------------------------------------------
# "median (min-max)" of numbers on standard input, with printf format $1.
stats() { sort -g | awk -v f="${1:-%.1f}" '{a[NR]=$1} END {m = NR % 2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2;
  printf f " (" f "-" f ")", m, a[1], a[NR]}'; }
median() { sort -g | awk '{a[NR]=$1} END {printf "%.3f", NR % 2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
div() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f\n", (b > 0 ? a / b : 0)}'; }
# CPU ticks (user + system, every thread that ever ran) of a process.
cpu_ticks() { awk '{sub(/^.*\) /, ""); print $12 + $13}' "/proc/$1/stat" 2>/dev/null || echo 0; }
rss_mb() { awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$1/status" 2>/dev/null; }
can_drop=0
{ sync; echo 3 > /proc/sys/vm/drop_caches; } 2>/dev/null && can_drop=1
drop() { sync; echo 3 > /proc/sys/vm/drop_caches; }
declare -A R # R[key] = newline-separated samples
add() { R[$1]+="$2"$'\n'; }
get() { printf '%s' "${R[$1]:-}" | grep -v '^$'; }

# ---- a display and a sound server of our own -------------------------------
e2e_env xcb
# No trace output: the figures are of the program as users run it.
unset VELLORY_TRACE
start_display
start_sound_server

# Each program gets a home of its own; home0 holds no recordings, home10k 10,000.
mkhome() { mkdir -p "$state/$1/run" "$state/$1/.config"; chmod 700 "$state/$1/run"; }
use_home() { export HOME=$state/$1 XDG_CONFIG_HOME=$state/$1/.config XDG_RUNTIME_DIR=$state/$1/run XDG_STATE_HOME=$state/$1/.local/state; }
mkhome home0; mkhome home10k; mkhome homerec; mkhome homemin
"$build/bench/bench_manager" --make "$state/home10k/fmanager" 10000 || exit 1

# ---- start-up to the first paint --------------------------------------------
echo "start-up: $rounds interleaved rounds (warm$([ $can_drop = 1 ] && echo ", cold"))" >&2
startup_ms() { # home command...
  use_home "$1"; shift
  local s; s=$(now)
  VELLORY_QUIT_AFTER_FIRST_PAINT=1 "$@" >/dev/null 2>&1
  awk -v e="$(now)" -v s="$s" 'BEGIN {printf "%.1f\n", (e - s) / 1e6}'
}
for c in warm cold; do
  [ $c = cold ] && [ $can_drop = 0 ] && continue
  for _ in 1 2; do startup_ms home0 "$exe" >/dev/null; startup_ms homemin "$minimal" >/dev/null; done
  for r in $(seq 1 "$rounds"); do
    for who in min v0 v10k; do
      [ $c = cold ] && drop
      case $who in
      min) t=$(startup_ms homemin "$minimal") ;;
      v0) t=$(startup_ms home0 "$exe") ;;
      v10k) t=$(startup_ms home10k "$exe") ;;
      esac
      add "su_${c}_$who" "$t"; eval "last_$who=$t"
    done
    add "su_${c}_r0" "$(div "$last_v0" "$last_min")"
    add "su_${c}_r10k" "$(div "$last_v10k" "$last_min")"
    add "su_${c}_r10k0" "$(div "$last_v10k" "$last_v0")"
  done
done

# ---- the whole program: memory, recording and playback CPU ------------------
# A failed click or window is reported on standard error and counted; the
# table still comes out, with a warning under it.
fail() { echo "bench: $*" >&2; fails=$((fails + 1)); }
open_panel() { # sets app, X, Y
  use_home homerec
  start_panel panel || { echo "the panel did not appear" >&2; return 1; }
  sleep 1
}
stop_panel() {
  click POWER
  app_ended 5 || { kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; app=""; }
}
choose_mp3() { # MPEG Layer-3, 128 kbit/s, 44.1 kHz stereo, typed into the format dialog
  open_format_dialog || return 1
  # No spaces: a space opens a combo box's list. The attributes start at the
  # tag's first entry; four per rate (8, 11.025, 16, 22.05, 32 kHz before).
  xdotool type --delay 60 "MPEG"; sleep 0.3
  xdotool key Tab; sleep 0.2
  xdotool key --delay 30 --repeat 22 Down; sleep 0.5
  xdotool key Return; sleep 0.5
}
newest_wav() { find "$state/homerec/fmanager" -maxdepth 1 -name '*.wav' -printf '%T@ %p\n' 2>/dev/null | sort -n | tail -1 | cut -d' ' -f2-; }
# CPU ms per minute of a process over the next $secs seconds, from now.
cpu_per_min() { # pid
  local a b; a=$(cpu_ticks "$1"); sleep "$secs"; b=$(cpu_ticks "$1")
  awk -v a="$a" -v b="$b" -v t="$tick" -v s="$secs" 'BEGIN {printf "%.1f\n", (b - a) * 1000 / t * 60 / s}'
}
child_cpu() { # key command...: starts it, measures after half a second, ends it with SIGINT
  local key=$1; shift
  "$@" >/dev/null 2>&1 & local p=$!
  sleep 0.5
  add "$key" "$(cpu_per_min "$p")"
  kill -INT "$p" 2>/dev/null; wait "$p" 2>/dev/null
}
# A tone keeps the virtual microphone delivering; it plays through every round.
total=$(( (secs * 8 + 30) * rounds + 60 ))
play_tone "$total" 1000 0.5
sleep 1

echo "whole program: $rounds interleaved rounds of $secs s (memory, recording, playback)" >&2
mp3_ok=1
for r in $(seq 1 "$rounds"); do
  # Idle memory beside the minimal dialog.
  use_home homemin; "$minimal" >/dev/null 2>&1 & m=$!; pids+=("$m")
  open_panel || exit 1
  sleep 1
  add mem_min "$(rss_mb "$m")"; add mem_idle "$(rss_mb "$app")"
  kill "$m"; wait "$m" 2>/dev/null

  # PCM 22,050 Hz mono 16-bit (the default format), then its playback.
  click REC; sleep 0.3
  add rec_pcm "$(cpu_per_min "$app")"; add mem_rec "$(rss_mb "$app")"
  click STOP; sleep 1
  pcm=$(newest_wav)
  click PLAY; sleep 0.3
  # Both players are measured for two seconds less than the recording lasts.
  saved=$secs; secs=$((secs - 2)); add play_v "$(cpu_per_min "$app")"; sleep 2.5
  child_cpu play_paplay paplay --latency-msec=50 "$pcm"; secs=$saved

  child_cpu rec_parecord parecord --latency-msec=50 --rate=22050 --channels=1 --format=s16le --file-format=wav "$state/parecord.wav"
  child_cpu rec_ffpcm ffmpeg -nostdin -v error -f pulse -sample_rate 22050 -channels 1 -i default -c:a pcm_s16le -y "$state/ffpcm.wav"

  # MP3 128 kbit/s 44.1 kHz stereo.
  choose_mp3
  click REC; sleep 0.3
  add rec_mp3 "$(cpu_per_min "$app")"
  click STOP; sleep 1.5
  f=$(newest_wav)
  [ "$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 "$f" 2>/dev/null)" = "mp3,44100,2" ] || mp3_ok=0
  stop_panel
  child_cpu rec_ffmp3 ffmpeg -nostdin -v error -f pulse -sample_rate 44100 -channels 2 -i default -c:a libmp3lame -b:a 128k -f wav -y "$state/ffmp3.wav"
  rm -f "$state"/homerec/fmanager/*.wav
done
stop_tone
# Per-round ratios, pairing the i-th samples.
ratio_of() { paste -d' ' <(get "$1") <(get "$2") | awk '$2 > 0 {printf "%.3f\n", $1 / $2}'; }
diff_of() { paste -d' ' <(get "$1") <(get "$2") | awk '{printf "%.1f\n", $1 - $2}'; }

# ---- in-process benchmarks --------------------------------------------------
echo "encoding and STOP" >&2
codecs=$("$build/bench/bench_codecs" "${CODEC_SECONDS:-60}" "$rounds")
echo "listing" >&2
use_home home0
listing=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_manager" 10000 "$rounds" 2>/dev/null)
echo "first REC and PLAY (PulseAudio, PipeWire)" >&2; instant=$(bench/bench_instant.sh "$exe" "$rounds" 5)

# ---- the table ---------------------------------------------------------------
echo "$codecs"
echo "$listing"
echo
cpu=$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')
echo "Machine: $(nproc) cores, $cpu; $rounds interleaved rounds, median (min-max)."
echo
echo "| Figure | Vellory | Peer (what it does) | Vellory / peer | Limit |"
echo "|---|---|---|---|---|"
row() { echo "| $1 | $2 | $3 | $4 | ${5:-} |"; }
for c in warm cold; do
  [ -n "$(get "su_${c}_min")" ] || continue
  row "Start-up to first paint, $c, 0 recordings" "$(get su_${c}_v0 | stats) ms" \
      "$(get su_${c}_min | stats) ms: a QDialog with one QLabel" "$(get su_${c}_r0 | stats %.2f)"
  row "Start-up to first paint, $c, 10,000 recordings" "$(get su_${c}_v10k | stats) ms" \
      "$(get su_${c}_min | stats) ms: the same dialog" "$(get su_${c}_r10k | stats %.2f)" \
      "$(get su_${c}_r10k0 | stats %.2f) x the empty start"
done
row "Resident memory, idle panel" "$(get mem_idle | stats) MB" "$(get mem_min | stats) MB: the minimal dialog, idle" \
    "+$(diff_of mem_idle mem_min | stats) MB"
row "Resident memory, recording PCM" "$(get mem_rec | stats) MB" "$(get mem_min | stats) MB: the minimal dialog, idle" \
    "+$(diff_of mem_rec mem_min | stats) MB"
row "CPU per minute recording PCM 22,050 Hz mono (whole program, Xvfb)" "$(get rec_pcm | stats) ms" \
    "$(get rec_parecord | stats) ms: parecord --latency-msec=50, same source and format" \
    "$(ratio_of rec_pcm rec_parecord | stats %.2f)"
row "" "" "$(get rec_ffpcm | stats) ms: ffmpeg -f pulse, pcm_s16le to WAV" "$(ratio_of rec_pcm rec_ffpcm | stats %.2f)"
row "CPU per minute recording MP3 128 kbit/s 44.1 kHz stereo$([ $mp3_ok = 1 ] || echo " (FORMAT NOT CHOSEN: check)")" \
    "$(get rec_mp3 | stats) ms" "$(get rec_ffmp3 | stats) ms: ffmpeg -f pulse -c:a libmp3lame -b:a 128k to WAV" \
    "$(ratio_of rec_mp3 rec_ffmp3 | stats %.2f)"
row "CPU per minute playing that PCM recording (whole program)" "$(get play_v | stats) ms" \
    "$(get play_paplay | stats) ms: paplay --latency-msec=50, same file" "$(ratio_of play_v play_paplay | stats %.2f)"
echo "$codecs" | awk -F'|' '/^(CCITT|IMA|Microsoft|GSM|MPEG)/ {
  gsub(/^ +| +$/, "", $1); gsub(/^ +| +$/, "", $2); gsub(/^ +| +$/, "", $3); gsub(/^ +| +$/, "", $4); gsub(/^ +| +$/, "", $5);
  printf "| Encoding %s, x real time on one core | %s | %s: libavcodec send/receive loop, same encoder and options | %s | G.711 table lookup: %s |\n", $1, $2, $3, $4, $5 }'
echo "$codecs" | awk '/^STOP to finished file/ {
  match($0, /ours [^;]*ms, max [0-9.]+ ms/); o = substr($0, RSTART + 5, RLENGTH - 5);
  match($0, /directly [^;]*ms$/); d = substr($0, RSTART + 9, RLENGTH - 9);
  printf "| STOP to finished file, MP3 192 kbit/s 48 kHz stereo, a second pending in the worker | %s | | | encoding that second directly: %s |\n", o, d }'
for c in warm cold; do
  line() { echo "$listing" | awk -v c="$c" -v k="$1" '$1 == c && $2 == k {sub(/^[a-z]+ +[a-z]+ +/, ""); print}'; }
  [ -n "$(line floor)" ] || continue
  row "Manager visible over 10,000 recordings, $c" "$(line visible)" "$(line floor): C loop readdir+stat+open+pread(64)+close" \
      "$(line ratio | sed 's/ x floor.*//') ($(line ratio | sed 's/.*(\(.*\)).*/\1/'))"
  row "&nbsp;&nbsp;start-up repair, $c" "$(line repair)" "" ""
  row "&nbsp;&nbsp;header reads (listing without widgets), $c" "$(line headers)" "$(line floor)" ""
  [ $c = warm ] && row "&nbsp;&nbsp;Qt fill (visible less header reads), $c" "$(line qtfill)" "" ""
done
echo "$instant"
[ $can_drop = 1 ] || echo "(cold rows left out: /proc/sys/vm/drop_caches cannot be written)"
[ "$fails" = 0 ] || echo "(WARNING: $fails steps failed, see standard error: figures may be of the wrong thing)"
exit 0

#!/usr/bin/env bash
# Runs every benchmark beside its peer, measured in the same run, and prints
# each one's report and then a summary table. Not part of the test suite.
#   bench/run_all.sh [seconds of capture, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target benchmarks vellory >/dev/null

state=$(mktemp -d /tmp/vellory-bench.XXXXXX)
cleanup() { kill "${xvfb:-}" 2>/dev/null || true; tools/private-pulse.sh stop "$state/pulse" || true; rm -rf "$state"; }
trap cleanup EXIT
eval "$(tools/private-pulse.sh start "$state/pulse")"
export PULSE_SERVER HOME="$state/home" XDG_RUNTIME_DIR="$state/run" XDG_CONFIG_HOME="$state/home/.config"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"

# Start-up to the first paint, on a real X server.
Xvfb :97 -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
sleep 1
export DISPLAY=:97
median_ms() { # command...; runs it 15 times, prints the median wall time in ms
  local t=()
  for _ in $(seq 1 15); do
    local s=$(date +%s%N); "$@" >/dev/null 2>&1; t+=($(( ($(date +%s%N) - s) / 1000 )))
  done
  printf '%s\n' "${t[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]/1000}'
}
ours=$(VELLORY_AUDIO=virtual VELLORY_QUIT_AFTER_FIRST_PAINT=1 median_ms build/app/vellory)
peer=$(median_ms build/bench/bench_minimal_dialog)
startup="Start-up to first paint: Vellory $ours ms, minimal Qt dialog $peer ms, ratio $(awk -v a="$ours" -v b="$peer" 'BEGIN{printf "%.2f", a/b}')"
echo "$startup"
unset DISPLAY

echo; capture=$(build/bench/bench_capture "${1:-30}"); echo "$capture"
echo; codecs=$(build/bench/bench_codecs); echo "$codecs"
echo; manager=$(QT_QPA_PLATFORM=offscreen build/bench/bench_manager 10000 200 2>/dev/null); echo "$manager"

echo
echo "| Figure | Vellory | Peer | Ratio |"
echo "|---|---|---|---|"
echo "| Start-up to first paint (median of 15) | $ours ms | $peer ms (minimal Qt dialog) | $(awk -v a="$ours" -v b="$peer" 'BEGIN{printf "%.2f", a/b}') |"
echo "$capture" | awk '/CPU per minute recorded/ {gsub(",",""); printf "| CPU per recorded minute | %s ms | %s ms (parecord) | %s |\n", $6, $9, $12}'
echo "$codecs" | awk 'BEGIN{FS="  +"} /^(PCM|CCITT|IMA|Microsoft|GSM|MPEG)/ && NF>=4 {printf "| Encoding %s (x real time) | %s | %s (ffmpeg) | %s |\n", $1, $2, $3, $4}'
echo "$manager" | awk '/^Manager listing of/ {ours=$6} /^ffprobe reading/ {peer=$13} /ratio/ {r=$NF} END {printf "| Manager listing of 10,000 recordings | %s ms | %s ms (ffprobe, scaled) | %s |\n", ours, peer, r}'
echo "$capture" | awk '/Stop to finished file/ {printf "| Stop to finished file (median, max) | %s ms, %s ms | goal 50 ms | |\n", $6, $9}'

#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the whole suite under
# AddressSanitizer + UndefinedBehaviorSanitizer, then the engine and capture
# tests under ThreadSanitizer, then a short libFuzzer run. A private PulseAudio server (null sink and a
# virtual microphone on its monitor) serves the real-audio tests; GUI tests run
# on Qt's offscreen platform, the end-to-end tests under Xvfb.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
jobs=$(nproc)

state=$(mktemp -d /tmp/vellory-test.XXXXXX)
cleanup() { tools/private-pulse.sh stop "$state" || true; rm -rf "$state"; }
trap cleanup EXIT
eval "$(tools/private-pulse.sh start "$state/pulse")"
export PULSE_SERVER
# Tests keep their settings and recordings out of the user's own.
export HOME="$state/home" XDG_RUNTIME_DIR="$state/run" XDG_CONFIG_HOME="$state/home/.config"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"

build() { # dir sanitizer
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLORY_SANITIZE="$2" >/dev/null
  cmake --build "$1" -j "$jobs"
}

status=0
echo "== normal build"
build build ""
(cd build && ctest --output-on-failure -j "$jobs" --timeout 600) || status=1

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
build build-asan address
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
(cd build-asan && ctest --output-on-failure -j "$jobs" --timeout 900 -LE "process|soak") || status=1

echo "== ThreadSanitizer (engine and capture)"
build build-tsan thread
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp
(cd build-tsan && ctest --output-on-failure -j "$jobs" --timeout 900 -L engine) || status=1

echo "== libFuzzer (WAV reader and repair, fixed number of runs)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLORY_SANITIZE=fuzz >/dev/null
cmake --build build-fuzz -j "$jobs" --target fuzz_wavreader
(cd build-fuzz && ctest --output-on-failure -L fuzz) || status=1

exit $status

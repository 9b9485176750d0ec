#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Builds and runs every test: the normal build, then the real-audio tests
# again against the other sound server, then the whole suite under
# AddressSanitizer + UndefinedBehaviorSanitizer, then the engine and capture
# tests under ThreadSanitizer, then a short libFuzzer run.
#
# The real-audio tests (labels pulse and e2e) run against a private server of
# their own, never the user's: a null sink and a virtual microphone on its
# monitor, served by PulseAudio or by PipeWire with its PulseAudio server.
# In CI (CI=true) both servers' legs must run. On a desktop each leg runs if
# its server is installed, and a skipped leg is named with the reason. GUI
# tests run on Qt's offscreen platform, the end-to-end tests under Xvfb.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh test
jobs=$(nproc)

have_pulseaudio() { command -v pulseaudio >/dev/null; }
have_pipewire() {
  for tool in pipewire wireplumber pipewire-pulse dbus-daemon; do command -v "$tool" >/dev/null || return 1; done
}
servers=()
have_pulseaudio && servers+=(pulseaudio)
have_pipewire && servers+=(pipewire)
if [ "${CI:-}" = true ] && [ ${#servers[@]} -lt 2 ]; then
  echo "FAIL: CI runs the real-audio tests against both PulseAudio and PipeWire; found only: ${servers[*]:-none}" >&2
  exit 1
fi
if [ ${#servers[@]} = 0 ]; then
  echo "FAIL: no sound server is installed (pulseaudio, or pipewire + wireplumber + pipewire-pulse)" >&2
  exit 1
fi
for s in pulseaudio pipewire; do
  case " ${servers[*]} " in *" $s "*) ;; *)
    echo "== skipping the $s leg: $s is not installed. Installing it would enable its user service" \
         "for every login and switch this desktop's sound; CI runs this leg." ;;
  esac
done
# The first server serves every build; the second reruns the real-audio tests.
export VELLORY_TEST_SERVER=${servers[0]}

state=$(mktemp -d /tmp/vellory-test.XXXXXX)
server_dir=""
stop_server() { [ -z "$server_dir" ] || tools/private-pulse.sh stop "$server_dir" || true; server_dir=""; }
cleanup() { stop_server; rm -rf "$state"; }
trap cleanup EXIT
# Starts the private server of $VELLORY_TEST_SERVER; a failed start ends the run.
start_server() {
  local out
  server_dir=$state/server-$VELLORY_TEST_SERVER-$RANDOM
  out=$(tools/private-pulse.sh start "$server_dir") && [ -n "$out" ] ||
    { echo "FAIL: the private $VELLORY_TEST_SERVER server did not start" >&2; exit 1; }
  eval "$out"
  export PULSE_SERVER
}
start_server
# Tests keep their settings and recordings out of the user's own.
export HOME="$state/home" XDG_RUNTIME_DIR="$state/run" XDG_CONFIG_HOME="$state/home/.config"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"

build() { # dir sanitizer
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DVELLORY_SANITIZE="$2" >/dev/null
  cmake --build "$1" -j "$jobs"
}

status=0
echo "== normal build (real audio on $VELLORY_TEST_SERVER)"
build build ""
(cd build && ctest --output-on-failure -j "$jobs" --timeout 600) || status=1

if [ ${#servers[@]} -gt 1 ]; then
  stop_server
  export VELLORY_TEST_SERVER=${servers[1]}
  echo "== real-audio tests again, on $VELLORY_TEST_SERVER"
  start_server
  (cd build && ctest --output-on-failure -j "$jobs" --timeout 600 -L "pulse|e2e") || status=1
  stop_server
  export VELLORY_TEST_SERVER=${servers[0]}
  start_server
fi

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
build build-asan address
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
(cd build-asan && ctest --output-on-failure -j "$jobs" --timeout 900 -LE "process|soak") || status=1

echo "== ThreadSanitizer (engine and capture)"
build build-tsan thread
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp
(cd build-tsan && ctest --output-on-failure -j "$jobs" --timeout 900 -L engine) || status=1

echo "== libFuzzer (fixed number of runs)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
  -DVELLORY_SANITIZE=fuzz >/dev/null
# Each fuzz test of tests/fuzz is named after its target: build exactly those.
mapfile -t fuzzers < <(cd build-fuzz && ctest -N -L fuzz | sed -n 's/^ *Test *#[0-9]*: //p')
[ ${#fuzzers[@]} -gt 0 ] || { echo "FAIL: no fuzz tests found" >&2; status=1; }
cmake --build build-fuzz -j "$jobs" --target "${fuzzers[@]}"
(cd build-fuzz && ctest --output-on-failure -L fuzz) || status=1

exit $status

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Starts or stops a private PulseAudio server for tests: a null sink "vsink"
# (default output) and a virtual microphone "vmic" remapped from its monitor
# (default input), so what is played into the sink can be recorded.
#   server=$(tools/private-pulse.sh start DIR) && eval "$server"  -> exports PULSE_SERVER
#   tools/private-pulse.sh stop DIR
# With VELLORY_TEST_SERVER=pipewire the same is served by a private PipeWire
# and its PulseAudio server instead (tools/private-pipewire.sh), so every
# test that starts a server of its own runs against the chosen one.
set -euo pipefail
if { [ "${1:-}" = start ] && [ "${VELLORY_TEST_SERVER:-pulseaudio}" = pipewire ]; } ||
   { [ "${1:-}" = stop ] && [ -f "${2:-}/dbus.pid" ]; }; then
  exec "$(dirname "$0")/private-pipewire.sh" "$@"
fi
cmd=${1:?start|stop} dir=${2:?state folder}
case "$cmd" in
start)
  mkdir -p "$dir/runtime" "$dir/home"
  chmod 700 "$dir/runtime"
  cat > "$dir/default.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
load-module module-null-sink sink_name=vsink rate=44100 channels=2 sink_properties=device.description=VelloryTestSink
load-module module-remap-source source_name=vmic master=vsink.monitor source_properties=device.description=VelloryTestMic
set-default-sink vsink
set-default-source vmic
PA
  XDG_RUNTIME_DIR="$dir/runtime" HOME="$dir/home" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --disallow-exit --use-pid-file=no --log-target=file:"$dir/pulse.log" -F "$dir/default.pa" \
    </dev/null >/dev/null 2>&1 &
  echo $! > "$dir/pulse.pid"
  for _ in $(seq 1 100); do
    [ -S "$dir/native" ] && PULSE_SERVER="unix:$dir/native" pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  if ! PULSE_SERVER="unix:$dir/native" pactl info >/dev/null 2>&1; then
    echo "private PulseAudio did not start; log follows" >&2
    cat "$dir/pulse.log" >&2 || true
    exit 1
  fi
  echo "export PULSE_SERVER=unix:$dir/native"
  ;;
stop)
  if [ -f "$dir/pulse.pid" ]; then
    kill "$(cat "$dir/pulse.pid")" 2>/dev/null || true
    rm -f "$dir/pulse.pid"
  fi
  ;;
esac

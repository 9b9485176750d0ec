#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Starts or stops a private PipeWire with its PulseAudio server for tests, the
# same shape as tools/private-pulse.sh: a null sink "vsink" (default output)
# and a virtual microphone "vmic" remapped from its monitor (default input).
#   eval "$(tools/private-pipewire.sh start DIR)"   -> exports PULSE_SERVER
#   tools/private-pipewire.sh stop DIR
# Everything is private: its own D-Bus session bus, runtime, config and state
# folders, no real-time kit, and no ALSA, camera or Bluetooth devices, so a
# desktop's own PipeWire and sound cards are never touched.
set -euo pipefail
cmd=${1:?start|stop} dir=${2:?state folder}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

stop() {
  # Clients first, the bus last.
  for name in pipewire-pulse wireplumber pipewire dbus; do
    if [ -f "$dir/$name.pid" ]; then
      kill "$(cat "$dir/$name.pid")" 2>/dev/null || true
    fi
  done
  for name in pipewire-pulse wireplumber pipewire dbus; do
    [ -f "$dir/$name.pid" ] || continue
    pid=$(cat "$dir/$name.pid")
    for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    rm -f "$dir/$name.pid"
  done
}

fail() {
  echo "private PipeWire did not start: $*; logs follow" >&2
  for log in "$dir"/*.log; do
    [ -f "$log" ] && { echo "--- $log" >&2; tail -n 40 "$log" >&2; }
  done
  stop
  exit 1
}

wait_until() { # tenths-of-a-second command...
  local n=$1; shift
  for _ in $(seq 1 "$n"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

case "$cmd" in
start)
  for tool in dbus-daemon pipewire wireplumber pipewire-pulse pactl; do
    command -v "$tool" >/dev/null || { echo "private PipeWire: $tool is not installed" >&2; exit 1; }
  done
  mkdir -p "$dir/runtime" "$dir/home/.config/wireplumber/main.lua.d" \
           "$dir/home/.config/wireplumber/bluetooth.lua.d" "$dir/home/.local/state"
  chmod 700 "$dir/runtime"
  cat > "$dir/home/.config/wireplumber/main.lua.d/60-private.lua" <<'LUA'
alsa_monitor.enabled = false
v4l2_monitor.enabled = false
libcamera_monitor.enabled = false
LUA
  echo "bluez_monitor.enabled = false" > "$dir/home/.config/wireplumber/bluetooth.lua.d/60-private.lua"

  export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/home/.config" \
         XDG_STATE_HOME="$dir/home/.local/state" DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus" DISABLE_RTKIT=1
  unset PULSE_SERVER PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR DISPLAY WAYLAND_DISPLAY

  # The daemons' output goes to logs, never to the caller's $(...).
  dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" \
    </dev/null >"$dir/dbus.log" 2>&1 &
  echo $! > "$dir/dbus.pid"
  wait_until 50 test -S "$dir/bus" || fail "no D-Bus session bus"
  pipewire </dev/null >"$dir/pipewire.log" 2>&1 &
  echo $! > "$dir/pipewire.pid"
  wait_until 50 test -S "$dir/runtime/pipewire-0" || fail "pipewire made no socket"
  wireplumber </dev/null >"$dir/wireplumber.log" 2>&1 &
  echo $! > "$dir/wireplumber.pid"
  pipewire-pulse </dev/null >"$dir/pipewire-pulse.log" 2>&1 &
  echo $! > "$dir/pipewire-pulse.pid"
  # Callers reach the server at DIR/native, as with the private PulseAudio.
  ln -sf "$dir/runtime/pulse/native" "$dir/native"
  export PULSE_SERVER="unix:$dir/native"
  wait_until 100 pactl info || fail "pipewire-pulse does not answer"

  pactl load-module module-null-sink sink_name=vsink rate=44100 channels=2 \
    sink_properties=device.description=VelloryTestSink >/dev/null || fail "no null sink"
  pactl load-module module-remap-source source_name=vmic master=vsink.monitor \
    source_properties=device.description=VelloryTestMic >/dev/null || fail "no remapped source"
  wait_until 50 sh -c 'pactl list short sources | grep -qw vmic' || fail "vmic did not appear"
  defaults_set() { pactl info | grep -qx "Default Sink: vsink" && pactl info | grep -qx "Default Source: vmic"; }
  pactl set-default-sink vsink || true
  pactl set-default-source vmic || true
  if ! wait_until 50 defaults_set; then
    # The session manager keeps the defaults in the "default" metadata.
    pw-metadata -n default 0 default.configured.audio.sink '{ "name": "vsink" }' >/dev/null 2>&1 || true
    pw-metadata -n default 0 default.configured.audio.source '{ "name": "vmic" }' >/dev/null 2>&1 || true
    wait_until 50 defaults_set || fail "the defaults are not vsink and vmic"
  fi
  echo "export PULSE_SERVER=unix:$dir/native"
  ;;
stop)
  stop
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac

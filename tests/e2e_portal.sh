#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The real program against a fake portal and logind, each on a private bus of
# its own (never the desktop's): the global shortcut "Record/Stop" is bound
# and records and stops; a sleep inhibitor is held from REC to STOP through
# the portal, and through logind where there is no portal. (Without either,
# see test_portal_services.) The input is virtual: no sound server.
#   e2e_portal.sh VELLORY FAKE_DESKTOP_SERVICES
set -u
exe=$1
fake=$2
source "$(dirname "$0")/e2e_lib.sh"

e2e_env xcb
export VELLORY_AUDIO=virtual VELLORY_NO_PRELOAD=1
start_display
start_session_bus
# The system bus's stand-in, for logind.
sed -e "s|$work/session-bus|$work/system-bus|" -e "s|<type>session</type>|<type>system</type>|" \
  "$work/session.conf" >"$work/system.conf"
dbus-daemon --config-file="$work/system.conf" --nofork --nopidfile </dev/null >"$work/system-bus.out" 2>&1 &
pids+=("$!")
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/system-bus
wait_for 5 dbus-send --bus="$DBUS_SYSTEM_BUS_ADDRESS" --print-reply --dest=org.freedesktop.DBus / \
  org.freedesktop.DBus.GetId || { echo "FAIL: the private system bus did not start"; exit 1; }
use_root portal

fake_pid=""
start_fake() { # name [--no-portal]
  flog=$work/$1-services.log
  "$fake" "${@:2}" "$work" >"$flog" 2>&1 &
  fake_pid=$!
  pids+=("$fake_pid")
  wait_log "$flog" '^ready$' 10 || { fail "the fake services did not start ($1)"; return 1; }
}
stop_fake() { [ -z "$fake_pid" ] || { kill "$fake_pid" 2>/dev/null; wait "$fake_pid" 2>/dev/null; }; fake_pid=""; }
# The fake said a line at least N times.
said() { [ "$(grep -c -x -- "$2" "$1")" -ge "$3" ]; } # log line times
press_shortcut() { touch "$work/activate"; wait_gone 5 test -e "$work/activate"; }

E2E_STEP="portal"
start_fake portal
start_panel portal
wait_log "$flog" '^bound record-stop Record/Stop$' 10 || fail "the shortcut was not bound"
press_shortcut
wait_log "$flog" '^portal-held 1$' 10 || fail "no inhibitor after the shortcut's REC"
said "$flog" 'portal-inhibit 12 Recording audio' 1 || fail "the portal's Inhibit was not asked for suspend and idle"
sleep 2
press_shortcut
wait_log "$flog" '^portal-held 0$' 10 || fail "the inhibitor was kept after the shortcut's STOP"
f=$(newest_wav "$root")
s=$(probed_seconds "${f:-none}")
within "${s:-0}" 1.0 600 || fail "the shortcut's recording ${f:-(none)} lasts ${s:-?} s, not at least 1 s of the 2 between the presses"
click REC
wait_for 10 said "$flog" 'portal-held 1' 2 || fail "no inhibitor after REC"
sleep 0.5
click STOP
wait_for 10 said "$flog" 'portal-held 0' 2 || fail "the inhibitor was kept after STOP"
said "$flog" 'logind-inhibit.*' 1 && fail "logind was asked although the portal answered"
power_off
stop_fake

E2E_STEP="logind"
start_fake logind --no-portal
start_panel logind
click REC
wait_log "$flog" '^logind-held 1$' 10 || fail "no logind inhibitor after REC"
said "$flog" 'logind-inhibit sleep:idle Vellory Recording audio block' 1 || fail "logind was asked for something else"
sleep 0.5
click STOP
wait_log "$flog" '^logind-held 0$' 10 || fail "the logind inhibitor was kept after STOP"
power_off
stop_fake

finish e2e_portal

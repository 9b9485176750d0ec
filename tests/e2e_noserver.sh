#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The real program under Xvfb with no sound server to reach: the panel still
# starts, REC reports "No device driver is present." and leaves the panel
# idle, and POWER ends the program with status 0.
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=${1:?path to vellory}
e2e_env xcb
# A socket that does not exist, so neither the user's nor a test's server answers.
export PULSE_SERVER=unix:$work/no-server
start_display

start_panel panel || finish "e2e no server"
sleep 0.5
click REC
wait_log "$log" "message box: No device driver is present\.$" 20 ||
  fail "REC without a server did not report the missing device"
grep "message box:" "$log"
# Dismiss the box (Enter on its OK), then the panel must be idle and alive.
for _ in $(seq 1 20); do
  [ "$(xdotool search --onlyvisible --name . 2>/dev/null | wc -l)" -gt 1 ] || break
  xdotool key Return; sleep 0.3
done
kill -0 "$app" 2>/dev/null || fail "the program ended after the failed REC"
ls "$HOME"/fmanager/*.wav >/dev/null 2>&1 && fail "a failed REC left a file: $(ls "$HOME"/fmanager)"

power_off

finish "e2e no server"

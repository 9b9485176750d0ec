#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The real program under Xvfb read through AT-SPI, as a screen reader reads it:
# a private session bus with a private accessibility bus on it (a screen
# reader said to be running), a private sound server, the panel; then
# atspi_panel.py checks the buttons' names and keys, the display's text as
# recording starts, pauses and stops, Tab through the panel and out of the
# manager's table, and the labels of the settings and format dialogs.
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=${1:?path to vellory}
# pyatspi belongs to the system's Python, not to one on PATH.
python=/usr/bin/python3

e2e_env xcb
start_display
start_session_bus
start_a11y_bus
echo "accessibility bus: $a11y_bus"
# Checked only now: loading pyatspi may already look for a bus.
"$python" -c 'import pyatspi' 2>/dev/null ||
  { echo "FAIL: $python has no pyatspi (packages python3-pyatspi gir1.2-atspi-2.0)"; exit 1; }
start_sound_server

start_panel panel || finish "e2e atspi"
timeout 5 xdotool windowfocus --sync "$win" 2>/dev/null || timeout 5 xdotool windowfocus "$win" ||
  fail "could not focus the panel"
sleep 0.5

# Bounded: a client stuck on a hung program fails the test, not the run.
timeout 120 "$python" "$(dirname "$0")/atspi_panel.py" "$HOME/fmanager"
rc=$?
case $rc in
0) ;;
1) fail "the accessibility checks above failed" ;;
124) fail "the AT-SPI client did not finish within 120 s" ;;
*) fail "the AT-SPI client ended with status $rc" ;;
esac

# The panel is still whole after all that.
kill -0 "$app" 2>/dev/null || fail "the program is gone"
power_off "the panel"
finish "e2e atspi"

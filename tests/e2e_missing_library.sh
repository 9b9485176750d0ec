#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The real program under Xvfb on a system whose libpulse is broken (a 0-byte
# file found first through LD_LIBRARY_PATH, as after a damaged install): the
# panel starts, REC and PLAY each show a box naming the library and the
# package to install, the panel stays up and POWER ends it with status 0.
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=${1:?path to vellory}
e2e_env xcb
start_display

broken=$work/broken-libs
mkdir -p "$broken"
: >"$broken/libpulse.so.0"
export LD_LIBRARY_PATH=$broken${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
box="message box: The sound server library libpulse\.so\.0 could not be loaded: $broken/libpulse\.so\.0: "

dismiss_boxes() {
  for _ in $(seq 1 20); do
    [ "$(xdotool search --onlyvisible --name . 2>/dev/null | wc -l)" -gt 1 ] || break
    xdotool key Return; sleep 0.3
  done
}

# A recording to PLAY: 0.1 s of 8 kHz mono 16-bit silence.
mkdir -p "$HOME/fmanager"
{ printf 'RIFF\x64\x06\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00\x02\x00\x10\x00'
  printf 'data\x40\x06\x00\x00'; head -c 1600 /dev/zero; } >"$HOME/fmanager/old.wav"

start_panel panel || finish "e2e missing library"
sleep 0.5
E2E_STEP=REC
click REC
wait_log "$log" "$box" 20 || fail "REC did not name the broken library"
wait_log "$log" "Install the package libpulse0 and try again\.$" 5 || fail "REC did not name the package"
dismiss_boxes
kill -0 "$app" 2>/dev/null || fail "the program ended after REC"
[ "$(find "$HOME/fmanager" -name '*.wav' | wc -l)" = 1 ] || fail "a failed REC left a file: $(ls "$HOME"/fmanager)"

# PLAY needs the library too: told as such, and the panel stays.
E2E_STEP=PLAY
if open_manager; then
  mclick ROW1; sleep 0.3; mclick OPEN; sleep 0.5
fi
click PLAY
wait_for 20 test "$(grep -c "$box" "$log")" -ge 2 || fail "PLAY did not name the broken library"
dismiss_boxes
kill -0 "$app" 2>/dev/null || fail "the program ended after PLAY"
grep "message box:" "$log"
grep -q "called before its library was loaded" "$log" && fail "a forwarded call ran without its library"

E2E_STEP=POWER
power_off
finish "e2e missing library"

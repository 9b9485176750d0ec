#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The real program as a Wayland client of a headless weston, with a private
# sound server. A headless compositor has no input device, so the panel is
# driven from the command line: record, pause, status, resume, stop. The
# file lasts the recorded time without the pause and holds the tone played
# meanwhile; a second start hands over to the running panel and exits 0; a
# termination signal ends the panel with status 0.
# Usage: e2e_wayland.sh VELLORY
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=$(realpath "${1:?path to vellory}")
e2e_env wayland
E2E_STEP=setup
command -v weston >/dev/null || { echo "FAIL: weston is not installed (tools/install-deps.sh test)"; exit 1; }

# The compositor, in our own runtime folder, under a socket name of our own.
export WAYLAND_DISPLAY=vellory-e2e-$$
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 --no-config \
  </dev/null >"$work/weston.out" 2>&1 &
pids+=("$!")
wait_for 10 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ||
  { echo "FAIL: weston did not start"; cat "$work/weston.out"; exit 1; }
start_sound_server
use_root wayland

run_cmd() { # option...: sets out, err (without the trace line), rc
  out=$(timeout 20 "$exe" "$@" 2>"$work/cmd.err"); rc=$?
  err=$(grep -v '^vellory: handed over to the running panel$' "$work/cmd.err")
}
expect_cmd() { # status stdout-regex option...
  local want=$1 pattern=$2; shift 2
  run_cmd "$@"
  echo "vellory $*: status $rc${out:+, out \"$out\"}${err:+, err \"$err\"}"
  [ "$rc" = "$want" ] || fail "vellory $* exited with status $rc, not $want"
  [[ "$out" =~ $pattern ]] || fail "vellory $* printed \"$out\""
}

E2E_STEP=panel
# The client's side of the protocol shows that the panel is a Wayland window
# that the compositor configured (an X11 or offscreen run has no such lines).
log=$work/panel.log
WAYLAND_DEBUG=client "$exe" >"$log" 2>&1 & app=$!; pids+=("$app")
wait_for 15 e2e_panel_up
grep -q "panel running" "$log" || { fail "the panel did not start"; finish "e2e wayland"; }
wait_for 10 grep -qE 'xdg_toplevel@[0-9]+\.set_title\("Vellory"\)' "$log" ||
  fail "the panel did not make a Wayland toplevel titled Vellory"
wait_for 10 grep -qE 'xdg_surface@[0-9]+\.ack_configure' "$log" || fail "weston did not configure the panel's window"
expect_cmd 0 '^Idle$' --status

E2E_STEP=record
play_tone 60 1000 0.5
sleep 0.3
# The recorded time is taken from outside the commands (a new process each,
# whose start is part of it), the paused time from inside them.
t0=$(now)
expect_cmd 0 '^$' --record
sleep 3
expect_cmd 0 '^$' --pause
p0=$(now)
file_re="$root/[0-9]{2}-[A-Z][a-z]{2}-[0-9]{4}_[0-9]+\\.wav"
expect_cmd 0 "^Paused 00:0[2-4] $file_re\$" --status
file=$(sed -E 's/^Paused [0-9:]+ //' <<<"$out")
sleep 2.5
p1=$(now)
expect_cmd 0 '^$' --resume
expect_cmd 0 "^Recording 00:0[2-4] $file_re\$" --status
sleep 3
expect_cmd 0 '^$' --stop
t1=$(now)
expect_cmd 0 '^Idle$' --status
stop_tone

E2E_STEP=file
recorded=$(awk -v a="$t0" -v b="$t1" -v c="$p0" -v d="$p1" 'BEGIN { printf "%.2f", ((b - a) - (d - c)) / 1e9 }')
paused=$(awk -v c="$p0" -v d="$p1" 'BEGIN { printf "%.2f", (d - c) / 1e9 }')
if [ ! -f "${file:-}" ]; then
  fail "no recording at \"${file:-}\""
else
  dur=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
  freq=$(sox "$file" -n stat 2>&1 | awk '/Rough   frequency/ {print $3}')
  echo "$(basename "$file"): $dur s for $recorded s recorded and $paused s paused, tone $freq Hz"
  # The first capture of the process may lose up to about 1.5 s to the start
  # of the stream, and the commands' own starts come off it too; the pause
  # must not be in the file.
  within "${dur:-0}" "$(awk -v r="$recorded" 'BEGIN { print r - 2 }')" "$(awk -v r="$recorded" 'BEGIN { print r + 0.1 }')" ||
    fail "the file lasts $dur s for $recorded s recorded ($paused s paused)"
  within "${freq:-0}" 950 1050 || fail "the 1000 Hz tone is not in the recording ($freq Hz)"
  [ "$(find "$root" -maxdepth 1 -name '*.wav' | wc -l)" = 1 ] || fail "pausing left more than one file"
fi

E2E_STEP="second start"
n=$(grep -c "show requested" "$log")
run_cmd
echo "a second start: status $rc"
[ "$rc" = 0 ] && grep -q "handed over" "$work/cmd.err" || fail "a second start: status $rc, $(cat "$work/cmd.err")"
grep -q "panel running" "$work/cmd.err" && fail "the second start ran a panel of its own"
wait_for 5 test "$(grep -c "show requested" "$log")" -gt "$n" || fail "the second start did not reach the panel"

E2E_STEP=end
kill -TERM "$app"
expect_clean_exit 10 "the panel" " after SIGTERM"
finish "e2e wayland"

#!/usr/bin/env bash
# The real program under Xvfb with no sound server to reach: the panel still
# starts, REC reports "No device driver is present." and leaves the panel
# idle, and POWER ends the program with status 0.
set -u
exe=${1:?path to vellory}
work=$(mktemp -d)
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config VELLORY_TRACE=1
# A socket that does not exist, so neither the user's nor a test's server answers.
export PULSE_SERVER=unix:$work/no-server
unset QT_QPA_PLATFORM VELLORY_AUDIO
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
fails=0
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  sleep 0.3
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
wait_for() { # file pattern timeout-seconds
  for _ in $(seq 1 $(( $3 * 10 ))); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done; return 1
}

for n in $(seq $((100 + RANDOM % 400)) 600); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
  sleep 0.5
  if kill -0 "$xpid" 2>/dev/null; then pids+=("$xpid"); export DISPLAY=":$n"; break; fi
done
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no Xvfb display"; exit 1; }
for _ in $(seq 1 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$exe" 2>"$work/panel.log" & app=$!; pids+=("$app")
wait_for "$work/panel.log" "panel running" 15 || { fail "the panel did not start"; cat "$work/panel.log"; exit 1; }
win=$(timeout 10 xdotool search --sync --onlyvisible --name '^Vellory$' 2>/dev/null | head -1)
[ -n "$win" ] || { fail "no window named Vellory"; cat "$work/panel.log"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$win")"
click() { timeout 10 xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1 || fail "could not click at $1,$2"; }
REC="$((3 + 8 + 38)) $((3 + 89 + 15))"
POWER="$((3 + 258 + 38)) $((3 + 7 + 15))"

sleep 0.5
click $REC
wait_for "$work/panel.log" "message box: No device driver is present\.$" 20 ||
  fail "REC without a server did not report the missing device"
grep "message box:" "$work/panel.log"
# Dismiss the box (Enter on its OK), then the panel must be idle and alive.
for _ in $(seq 1 20); do
  [ "$(xdotool search --onlyvisible --name . 2>/dev/null | wc -l)" -gt 1 ] || break
  xdotool key Return; sleep 0.3
done
kill -0 "$app" 2>/dev/null || fail "the program ended after the failed REC"
ls "$HOME"/fmanager/*.wav >/dev/null 2>&1 && fail "a failed REC left a file: $(ls "$HOME"/fmanager)"

click $POWER
for _ in $(seq 1 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then fail "POWER did not end the program"; else
  wait "$app"; rc=$?
  [ "$rc" = 0 ] || fail "the program exited with status $rc after POWER"
fi

if [ "$fails" = 0 ]; then echo "e2e no server: passed"; exit 0; fi
echo "e2e no server: $fails failures"; cat "$work/panel.log"; exit 1

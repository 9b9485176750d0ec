#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The remote control with real processes, under Xvfb with a private sound
# server: --status with no panel prints "Not running" (status 3, no display
# needed); --record with no panel opens one that records; every command's
# answer, the refusals with their messages and status 1, the status lines;
# --record --for 0.05 stops after about 3 s and --record --for 1 ends a
# one-minute recording by itself, its pause not counted; --toggle, --show and
# a second start; wrong command lines exit with status 2. Another user (nobody) cannot command the panel, whether through the
# program or by writing to the socket directly, and a copy in another session
# (another runtime folder) does not reach it.
# Usage: e2e_remote.sh VELLORY
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=$(realpath "${1:?path to vellory}")
e2e_env xcb
E2E_STEP=setup
start_display
start_sound_server
use_root remote
play_tone 200 1000 0.5

# Runs one command; sets out, err (without the trace line) and rc.
run_cmd() {
  out=$(timeout 20 "$exe" "$@" 2>"$work/cmd.err"); rc=$?
  err=$(grep -v '^vellory: handed over to the running panel$' "$work/cmd.err")
}
# A command's status, standard output (a regular expression) and error output (exact).
expect_cmd() { # status stdout-regex stderr option...
  local want=$1 pattern=$2 message=$3; shift 3
  local t0; t0=$(now)
  run_cmd "$@"
  echo "vellory $*: status $rc in $(secs_since "$t0") s${out:+, out \"$out\"}${err:+, err \"$err\"}"
  [ "$rc" = "$want" ] || fail "vellory $* exited with status $rc, not $want"
  [[ "$out" =~ $pattern ]] || fail "vellory $* printed \"$out\""
  [ "$err" = "$message" ] || fail "vellory $* said \"$err\", not \"$message\""
}
status_is() { run_cmd --status; [[ "$out" =~ $1 ]]; } # regex
seconds_of() { sox --i -D "$1" 2>/dev/null; } # file
tone_of() { sox "$1" -n stat 2>&1 | awk '/Rough   frequency/ {print $3}'; } # file
# A finished recording as long as expected (seconds, within low..high) with the tone in it.
check_file() { # file low high what
  local dur freq
  dur=$(seconds_of "$1"); freq=$(tone_of "$1")
  echo "$4: $(basename "$1"), $dur s (expected $2 to $3 s), tone $freq Hz"
  within "${dur:-0}" "$2" "$3" || fail "$4 lasts $dur s, not $2 to $3 s"
  within "${freq:-0}" 950 1050 || fail "$4 does not hold the 1000 Hz tone ($freq Hz)"
}
file_re="$root/[0-9]{2}-[A-Z][a-z]{2}-[0-9]{4}_[0-9]+\\.wav"

E2E_STEP="no panel"
expect_cmd 3 '^Not running$' '' --status
# Asking needs no display.
out=$(env -u DISPLAY timeout 10 "$exe" --status 2>/dev/null); rc=$?
[ "$rc" = 3 ] && [ "$out" = "Not running" ] || fail "--status without a display: status $rc, \"$out\""
# Wrong command lines: status 2, the reason, and nothing sent.
run_cmd --stop --for 1
[ "$rc" = 2 ] || fail "--stop --for 1 exited with status $rc, not 2"
grep -q "^vellory: only --record and --toggle take the option '--for'$" "$work/cmd.err" ||
  fail "--stop --for 1: $(head -1 "$work/cmd.err")"
run_cmd --record --pause
[ "$rc" = 2 ] || fail "two commands exited with status $rc, not 2"
grep -q "only one command may be given; also got '--pause'" "$work/cmd.err" || fail "two commands: $(head -1 "$work/cmd.err")"
run_cmd --record --for -1
[ "$rc" = 2 ] || fail "--for -1 exited with status $rc, not 2"
run_cmd --bogus
[ "$rc" = 2 ] && grep -q "unknown option '--bogus'" "$work/cmd.err" || fail "--bogus: status $rc"
[ -z "$(find "$root" -name '*.wav')" ] || fail "a refused command line recorded"

E2E_STEP="record starts the panel"
# This start finds no panel: it becomes the panel and records.
log=$work/panel.log
launched=$(now)
"$exe" --record >"$log" 2>&1 & app=$!; pids+=("$app")
wait_for 15 status_is '^Recording ' || fail "--record with no panel running did not start a recording"
seen=$(now)
locate_panel 10 || fail "--record with no panel running showed no panel"
sleep 3
expect_cmd 0 '^$' '' --stop
first=$(newest_wav "$root")
# Longer than from the status's first "Recording" to STOP, less what the first
# capture of a freshly started program may lose to the start of the stream
# (1.3 to 1.6 s seen on the private PulseAudio server, whose null sink's
# monitor wakes slowly; much less on PipeWire); shorter than from the start of
# the program. Later recordings are checked more tightly below.
[ -n "$first" ] && check_file "$first" "$(awk -v w="$(secs_since "$seen")" 'BEGIN { print w - 2.5 }')" \
  "$(secs_since "$launched")" "the first recording"

E2E_STEP="a short time limit"
t0=$(now)
expect_cmd 0 '^$' '' --record --for 0.05
wait_for 10 status_is '^Idle$' || fail "the 0.05 min recording did not stop by itself"
took=$(secs_since "$t0")
echo "--record --for 0.05: idle after $took s"
within "$took" 2 4.5 || fail "the 0.05 min (3 s) recording ended after $took s"

E2E_STEP="refusals while idle"
expect_cmd 0 '^Idle$' '' --status
expect_cmd 1 '^$' 'vellory: Nothing is being recorded or played.' --stop
expect_cmd 1 '^$' 'vellory: Nothing is being recorded.' --pause
expect_cmd 1 '^$' 'vellory: The recording is not paused.' --resume

E2E_STEP=play
expect_cmd 0 '^$' '' --play
expect_cmd 0 "^Playing 00:0[0-3] $file_re\$" '' --status
expect_cmd 1 '^$' 'vellory: The file is already playing.' --play
expect_cmd 1 '^$' 'vellory: Nothing is being recorded.' --pause
expect_cmd 0 '^$' '' --stop
expect_cmd 0 '^Idle$' '' --status

E2E_STEP="one minute"
t0=$(now)
expect_cmd 0 '^$' '' --record --for 1
sleep 1
expect_cmd 0 "^Recording 00:0[0-9] $file_re\$" '' --status
minute=$(sed -E 's/^Recording [0-9:]+ //' <<<"$out")
[ "$minute" != "$first" ] || fail "--record did not start a new file"
expect_cmd 1 '^$' 'vellory: A recording is already running.' --record
expect_cmd 1 '^$' 'vellory: A recording is running; stop it first.' --play
expect_cmd 1 '^$' 'vellory: The recording is not paused.' --resume
p0=$(now)
expect_cmd 0 '^$' '' --pause
expect_cmd 0 "^Paused 00:0[0-9] $file_re\$" '' --status
expect_cmd 1 '^$' 'vellory: The recording is already paused.' --pause
sleep 3
expect_cmd 0 '^$' '' --resume
paused=$(secs_since "$p0")
expect_cmd 0 "^Recording 00:[0-9]{2} $file_re\$" '' --status

E2E_STEP="other user"
# nobody's own runtime folder is not ours: the program finds no panel there.
out=$(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/ TMPDIR="$work/nobody-tmp" \
      timeout 10 "$exe" --status 2>"$work/nobody.err"); rc=$?
echo "nobody: vellory --status: status $rc, \"$out\""
[ "$rc" = 3 ] && [ "$out" = "Not running" ] || fail "another user's --status: status $rc, \"$out\" $(cat "$work/nobody.err")"
# Opened up on purpose, the socket lets nobody connect: the panel still
# refuses the request, by the sender's user id from the kernel.
sock=$XDG_RUNTIME_DIR/vellory-panel-$(id -u).sock
[ -S "$sock" ] || fail "no socket at $sock"
[ "$(stat -c %a "$XDG_RUNTIME_DIR")" = 700 ] || fail "the runtime folder is not private"
chmod 711 "$work" "$XDG_RUNTIME_DIR"; chmod 777 "$sock"
answer=$(setpriv --reuid=65534 --regid=65534 --clear-groups /usr/bin/python3 - "$sock" <<'PY'
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
try:
    s.sendall(b"VELLORY/1 stop\n")
except OSError:
    pass
print(s.recv(4096).decode().strip())
PY
)
chmod 700 "$work" "$XDG_RUNTIME_DIR" "$sock"
echo "nobody, straight to the socket: \"$answer\""
[ "$answer" = "refused This panel takes commands from its own user only." ] || fail "nobody's stop was answered \"$answer\""
grep -q "refused a request from user 65534" "$log" || fail "the panel did not log the refused request"
status_is '^Recording ' || fail "nobody's request stopped the recording ($out)"
# Another session of the same user (another runtime folder) has no panel.
mkdir -p "$work/run2"; chmod 700 "$work/run2"
out=$(XDG_RUNTIME_DIR=$work/run2 timeout 10 "$exe" --status 2>/dev/null); rc=$?
[ "$rc" = 3 ] && [ "$out" = "Not running" ] || fail "another session's --status: status $rc, \"$out\""
# A malformed or foreign request is refused, and changes nothing.
answer=$(/usr/bin/python3 - "$sock" <<'PY'
import socket, sys
for line in (b"VELLORY/2 stop\n", b"VELLORY/1 stop now\n", b"stop\n"):
    s = socket.socket(socket.AF_UNIX)
    s.connect(sys.argv[1])
    s.sendall(line)
    print(s.recv(4096).decode().strip())
PY
)
[ "$(grep -c '^refused Unknown request' <<<"$answer")" = 3 ] || fail "malformed requests were answered: $answer"
status_is '^Recording ' || fail "a malformed request stopped the recording"

E2E_STEP="one minute ends"
wait_for 75 status_is '^Idle$' || fail "the one-minute recording did not stop by itself"
took=$(secs_since "$t0")
echo "--record --for 1: idle after $took s, $paused s of it paused"
within "$took" "$(awk -v p="$paused" 'BEGIN { print 60 + p - 1 }')" "$(awk -v p="$paused" 'BEGIN { print 60 + p + 3 }')" ||
  fail "the one-minute recording ended after $took s with $paused s paused"
check_file "$minute" 58.5 60.3 "the one-minute recording"

E2E_STEP=toggle
t0=$(now)
expect_cmd 0 '^$' '' --toggle
sleep 2
expect_cmd 0 "^Recording 00:0[1-3] $file_re\$" '' --status
expect_cmd 0 '^$' '' --toggle
wall=$(secs_since "$t0")
expect_cmd 0 '^Idle$' '' --status
# At most the time from the first toggle's start to the second's answer; the
# start of each command (a new process) and of the stream may take some of it.
check_file "$(newest_wav "$root")" "$(awk -v w="$wall" 'BEGIN { print w - 1.5 }')" \
  "$(awk -v w="$wall" 'BEGIN { print w + 0.1 }')" "the toggled recording"

E2E_STEP="show and a second start"
expect_cmd 0 '^$' '' --show
wait_log "$log" "show requested" 5 || fail "--show did not reach the panel"
n=$(grep -c "show requested" "$log")
run_cmd
[ "$rc" = 0 ] && grep -q "handed over" "$work/cmd.err" || fail "a second start: status $rc, $(cat "$work/cmd.err")"
wait_for 5 test "$(grep -c "show requested" "$log")" -gt "$n" || fail "the second start did not reach the panel"
[ "$(find "$root" -maxdepth 1 -name '*.wav' | wc -l)" = 4 ] || fail "not four recordings: $(ls "$root")"
power_off "the panel"
expect_cmd 3 '^Not running$' '' --status

E2E_STEP=end
stop_tone
finish "e2e remote"

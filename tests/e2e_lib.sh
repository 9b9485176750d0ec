# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# shellcheck shell=bash
# Shared by the end-to-end scripts and bench/run_all.sh, which source it:
#   source "$(dirname "$0")/e2e_lib.sh"
# Sourcing makes a private work folder ($work) and installs the cleanup trap;
# the functions below do the rest:
#   e2e_env xcb|offscreen    private HOME and XDG folders, Qt's settings
#   start_display            an Xvfb display of our own, $E2E_SCREEN, ready
#   start_sound_server       a private server of $VELLORY_TEST_SERVER (pulseaudio
#                            by default, or pipewire) via tools/private-pulse.sh
#   start_session_bus        a D-Bus session bus of our own, nothing activatable
#   start_a11y_bus           its accessibility bus, with a screen reader said to run
#   start_panel NAME         $exe with its output in $work/NAME.log; waits for
#                            the panel window and sets win, X, Y, WIDTH, HEIGHT
#   click NAME / mclick NAME the one table of panel and manager controls
#   fail, wait_for, shot, finish
# Every process started through these (and any the script adds to pids) is
# ended on exit, and the private sound server stopped.

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# One screen for every script: the panel and the manager fit with room to spare.
E2E_SCREEN=1024x768

work=$(mktemp -d "${TMPDIR:-/tmp}/vellory-e2e.XXXXXX")
fails=0
pids=()
app=""
log=""
xvfb_pid=""
sound_dir=""
tone_pid=""
listen_pid=""
# Set by a script that runs named steps: failures then say which one.
E2E_STEP=""

e2e_cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  sleep 0.3
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  # The display last: the programs on it are gone by now.
  [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
  stop_sound_server
  rm -rf "$work"
}
trap e2e_cleanup EXIT
# A test killed by ctest's timeout or Ctrl+C still cleans up.
trap 'exit 130' INT
trap 'exit 143' TERM

fail() { echo "FAIL${E2E_STEP:+ [$E2E_STEP]}: $*"; fails=$((fails + 1)); }

# Polls a command every tenth of a second until it succeeds; false after the timeout.
wait_for() { # seconds command...
  local n; n=$(awk -v s="$1" 'BEGIN { printf "%d", s * 10 }'); shift
  for _ in $(seq 1 "$n"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
# The same, until the command no longer succeeds.
wait_gone() { # seconds command...
  local s=$1; shift
  wait_for "$s" e2e_not "$@"
}
e2e_not() { ! "$@"; }
wait_log() { wait_for "$3" grep -q -- "$2" "$1"; } # file pattern seconds

le16() { od -An -tu2 -j"$2" -N2 "$1" | tr -d ' '; } # file offset
le32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; } # file offset
# Offset of a chunk's header in a RIFF file, found by walking the chunks; empty if absent.
chunk_at() { # file id
  local f=$1 id=$2 pos=12 size total
  total=$(stat -c %s "$f")
  while [ $((pos + 8)) -le "$total" ]; do
    if [ "$(dd if="$f" bs=1 skip="$pos" count=4 2>/dev/null)" = "$id" ]; then echo "$pos"; return 0; fi
    size=$(le32 "$f" $((pos + 4)))
    pos=$((pos + 8 + size + (size & 1)))
  done
  return 1
}
probed_seconds() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1" 2>/dev/null; } # file
newest_wav() { find "$1" -maxdepth 1 -name '*.wav' -type f -printf '%T@ %p\n' | sort -n | tail -1 | cut -d' ' -f2-; } # folder
within() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; } # value low high
now() { date +%s%N; }
secs_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'; } # start-ns

# ---- environment ------------------------------------------------------------
# Settings, recordings, the journal and the trash stay out of the user's own;
# Qt draws at scale 1 with its own style, so the geometry below holds.
e2e_env() { # xcb (under Xvfb) | offscreen
  export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config \
         XDG_STATE_HOME=$work/home/.local/state XDG_DATA_HOME=$work/home/.local/share \
         XDG_CACHE_HOME=$work/home/.cache
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
  # A bus that does not exist: nothing reaches the user's session, and no
  # daemon is launched on demand.
  export QT_QPA_PLATFORM=$1 VELLORY_TRACE=1 DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/no-system-bus
  # The checks read the English texts, whatever the desktop's language.
  export LANGUAGE=en
  unset WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION VELLORY_AUDIO XDG_ACTIVATION_TOKEN \
        QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING \
        QT_FONT_DPI QT_STYLE_OVERRIDE QT_QPA_PLATFORMTHEME
}
# Points the program's settings at a recording root of its own, $work/NAME, in $root.
use_root() { # name
  root=$work/$1
  mkdir -p "$root" "$XDG_CONFIG_HOME/Corvane"
  printf '[Parameters]\nFileManager=%s/\n' "$root" > "$XDG_CONFIG_HOME/Corvane/vellory.conf"
}

# ---- display ----------------------------------------------------------------
# Xvfb picks a free display number itself (-displayfd) and writes it once it
# accepts connections, so parallel tests never race for one.
start_display() {
  local geometry
  Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN}x24" -nolisten tcp 3>"$work/display" >"$work/xvfb.out" 2>&1 &
  xvfb_pid=$!
  wait_for 10 grep -q '[0-9]' "$work/display" ||
    { echo "FAIL: no Xvfb display"; cat "$work/xvfb.out"; exit 1; }
  DISPLAY=":$(head -1 "$work/display")"
  export DISPLAY
  wait_for 5 xdotool getdisplaygeometry || { echo "FAIL: Xvfb display $DISPLAY does not answer"; exit 1; }
  geometry=$(xdotool getdisplaygeometry)
  [ "$geometry" = "${E2E_SCREEN/x/ }" ] || { echo "FAIL: display $DISPLAY is $geometry, not $E2E_SCREEN"; exit 1; }
}
shot() { import -window root "$shots/$1.png" 2>/dev/null; } # name; needs $shots
# The folder for screenshots: the one given, or a new one kept after the run.
shots_dir() { local d=${1:-$(mktemp -d)}; mkdir -p "$d" && echo "$d"; }

# ---- sound server -----------------------------------------------------------
# Tests beside this one play into and record from the shared server's sink, so
# each script that records has one of its own. A server that does not start
# fails the test: it is never a skip.
start_sound_server() {
  local out
  sound_dir=$work/sound # set first: cleanup stops a half-started server too
  out=$("$E2E_ROOT/tools/private-pulse.sh" start "$sound_dir") && [ -n "$out" ] ||
    { echo "FAIL: the private sound server (${VELLORY_TEST_SERVER:-pulseaudio}) did not start"; exit 1; }
  eval "$out"
  export PULSE_SERVER
  [ -n "${PULSE_SERVER:-}" ] || { echo "FAIL: the private sound server gave no address"; exit 1; }
}
stop_sound_server() {
  [ -z "$sound_dir" ] || "$E2E_ROOT/tools/private-pulse.sh" stop "$sound_dir" >/dev/null 2>&1
  sound_dir=""
}
# A sine into the sink (or another one), in the background as $tone_pid.
play_tone() { # seconds frequency [volume] [paplay-option...]
  local secs=$1 freq=$2 vol=${3:-1}
  shift $(($# < 3 ? $# : 3))
  sox -n -r 44100 -c 2 -t wav - synth "$secs" sine "$freq" vol "$vol" 2>/dev/null | paplay --latency-msec=20 "$@" &
  tone_pid=$!
  pids+=("$tone_pid")
}
stop_tone() { [ -z "$tone_pid" ] || { kill "$tone_pid" 2>/dev/null; wait "$tone_pid" 2>/dev/null; }; tone_pid=""; }
# What the sink plays, recorded from its monitor into a WAV file.
start_listening() { # file
  parecord --device=vsink.monitor --latency-msec=50 --file-format=wav "$1" &
  listen_pid=$!
  pids+=("$listen_pid")
}
stop_listening() { [ -z "$listen_pid" ] || { kill -INT "$listen_pid" 2>/dev/null; wait "$listen_pid" 2>/dev/null; }; listen_pid=""; }

# ---- accessibility bus ---------------------------------------------------------
# Screen readers talk to programs over the accessibility bus, which the session
# bus hands out (org.a11y.Bus). Both are our own here: a session bus whose
# services folder is empty, so nothing is started on demand, and the launcher
# run on it by hand, so the user's session and accessibility buses are never
# reached. The sound server's own bus (PipeWire's) is a third one, apart.
start_session_bus() {
  mkdir -p "$work/dbus-services"
  cat >"$work/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$work/session-bus</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$work/dbus-services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
  dbus-daemon --config-file="$work/session.conf" --nofork --nopidfile </dev/null >"$work/session-bus.out" 2>&1 &
  pids+=("$!")
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/session-bus
  wait_for 5 dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetId ||
    { echo "FAIL: the private D-Bus session bus did not start"; cat "$work/session-bus.out"; exit 1; }
}
# The launcher starts the accessibility bus at once and says on the session bus
# that a screen reader runs (org.a11y.Status), as Orca does: Qt then exposes
# its widgets. The registry is started by the accessibility bus on first use.
start_a11y_bus() {
  local launcher d
  for d in /usr/libexec /usr/lib/at-spi2-core /usr/lib/at-spi2; do
    [ -x "$d/at-spi-bus-launcher" ] && { launcher=$d/at-spi-bus-launcher; break; }
  done
  [ -n "${launcher:-}" ] || { echo "FAIL: at-spi-bus-launcher is not installed (package at-spi2-core)"; exit 1; }
  unset AT_SPI_BUS_ADDRESS
  # No settings daemon on this bus: the launcher's own settings stay in memory.
  GSETTINGS_BACKEND=memory "$launcher" --launch-immediately --a11y=1 --screen-reader=1 \
    </dev/null >"$work/a11y-bus.out" 2>&1 &
  pids+=("$!")
  wait_for 10 a11y_status ScreenReaderEnabled ||
    { echo "FAIL: the accessibility bus did not start"; cat "$work/a11y-bus.out"; exit 1; }
  a11y_bus=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress | tr -d ' ')
  [ -n "$a11y_bus" ] || { echo "FAIL: the accessibility bus has no address"; exit 1; }
}
a11y_status() { # property: true on the session bus
  dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Get string:org.a11y.Status "string:$1" | grep -q true
}

# ---- the panel ----------------------------------------------------------------
# Every xdotool wait (--sync) is bounded: a window that never comes fails the
# test, not the run.
find_window() { timeout "${2:-10}" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1; } # regex [seconds]
window_shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; } # regex
# The visible panel's window and place: win, X, Y, WIDTH, HEIGHT.
locate_panel() { # [seconds]
  win=$(find_window '^Vellory$' "${1:-10}")
  [ -n "$win" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$win")"
}
start_panel() { # name; sets app, log and what locate_panel sets
  log=$work/$1.log
  "$exe" >"$log" 2>&1 & app=$!; pids+=("$app")
  # Without VELLORY_TRACE (the benchmarks) there is no "panel running" line.
  if [ -n "${VELLORY_TRACE:-}" ]; then
    wait_for 15 e2e_panel_up
    if ! grep -q "panel running" "$log"; then
      if app_ended 0.1; then fail "the program ended with status $app_rc before its panel ran ($1)"
      else fail "the panel did not start ($1)"; fi
      return 1
    fi
  fi
  locate_panel 15 || { fail "no panel window ($1)"; return 1; }
}
# Up, or no longer worth waiting for.
e2e_panel_up() { grep -q "panel running" "$log" || ! kill -0 "$app" 2>/dev/null; }
# Waits for $app to end; then reaps it into app_rc and clears app.
app_ended() { # seconds
  wait_gone "$1" kill -0 "$app" || return 1
  wait "$app"; app_rc=$?; app=""
}
# POWER ends the program with status 0 within five seconds.
power_off() { # [what the program is, for the messages]
  [ -n "$app" ] || return 0
  click POWER
  expect_clean_exit 5 "${1:-the program}" " after POWER"
}
# $app must end with status 0 within the time given; one that does not end is
# killed, so that the next step starts without it.
expect_clean_exit() { # seconds what [cause, ending the failure messages]
  if app_ended "$1"; then
    echo "$2 ended with status $app_rc"
    [ "$app_rc" = 0 ] || fail "$2 exited with status $app_rc${3:-}"
  else
    fail "$2 did not end within $1 s${3:-}"
    kill_app
  fi
}
# Kills $app if it still runs: a step that failed leaves nothing to the next.
kill_app() { [ -z "$app" ] || { kill -9 "$app" 2>/dev/null; wait "$app" 2>/dev/null; app=""; }; }

# The controls, in pixels from the window's top left corner. Panel: a 3-pixel
# border, then each button's place in the panel's image plus half its size.
declare -gA E2E_PANEL=(
  [REC]="$((3 + 8 + 38)) $((3 + 89 + 15))"
  [STOP]="$((3 + 87 + 38)) $((3 + 89 + 15))"
  [PLAY]="$((3 + 167 + 38)) $((3 + 89 + 15))"
  [MANAGER]="$((3 + 8 + 48)) $((3 + 7 + 15))"
  [OPTION]="$((3 + 174 + 38)) $((3 + 7 + 15))"
  [POWER]="$((3 + 258 + 38)) $((3 + 7 + 15))"
  [MENU]="280 100" # no button there: the right button opens the pop-up menu
)
# Manager "My Voice Files": dialog units to pixels, x * 1.5 and y * 1.625.
declare -gA E2E_MANAGER=(
  [OPEN]="$((695 + 37)) $((372 + 11))"
  [CLOSE]="$((777 + 37)) $((372 + 11))"
  [DELETE]="$((11 + 52)) $((369 + 13))"
  [ROW1]="$((123 + 60)) $((11 + 26))"   # the first row of the file list, below its header
  [CATEGORY2]="65 $((11 + 110))"        # the second entry of the category list
)
click_at() { # x y [button]: screen pixels
  timeout 10 xdotool mousemove --sync "$1" "$2" click "${3:-1}" || fail "could not click at $1,$2"
}
click() { # name [button]: a control of the panel at X, Y
  local at=${E2E_PANEL[$1]:-}
  [ -n "$at" ] || { fail "no panel control named $1"; return 1; }
  set -- $at "${2:-1}"
  click_at $((X + $1)) $((Y + $2)) "$3"
}
mclick() { # name: a control of the manager at MX, MY
  local at=${E2E_MANAGER[$1]:-}
  [ -n "$at" ] || { fail "no manager control named $1"; return 1; }
  set -- $at
  click_at $((MX + $1)) $((MY + $2))
}

# ---- the manager and the format dialog ----------------------------------------
open_manager() { # sets mgr, MX, MY
  click MANAGER
  mgr=$(find_window '^My Voice Files \(Vellory\)$' 10)
  [ -n "$mgr" ] || { fail "the manager did not open within 10 s"; return 1; }
  eval "$(xdotool getwindowgeometry --shell "$mgr" | sed 's/^/M/')"
  sleep 0.5
}
close_manager() {
  mclick CLOSE
  wait_gone 3 window_shown '^My Voice Files' || fail "the manager did not close"
}
# Opens "Select audio format" and gives it the keyboard; sets dlg.
open_format_dialog() {
  click OPTION
  dlg=$(find_window '^Select audio format$' 10)
  [ -n "$dlg" ] || { fail "the format dialog did not open"; return 1; }
  timeout 5 xdotool windowfocus --sync "$dlg" 2>/dev/null
  sleep 0.3
}

# ---- the end ------------------------------------------------------------------
# Prints the verdict and, on failure, the last lines of every program log.
finish() { # test-name
  if [ "$fails" = 0 ]; then echo "$1: passed"; exit 0; fi
  echo "$1: $fails failures"
  local f
  for f in "$work"/*.log; do
    [ -f "$f" ] || continue
    echo "--- $(basename "$f")"
    tail -n 60 "$f"
  done
  exit 1
}

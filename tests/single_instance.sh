#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# One panel per user, tested with real processes: a second start hands over to
# the first and exits quickly; a crashed first copy does not block the next;
# simultaneous starts end with exactly one panel.
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=${1:?path to vellory}
# No display and no sound server: the panel is drawn off screen, the input is virtual.
e2e_env offscreen
export VELLORY_AUDIO=virtual

count_in() { grep -c "$2" "$1" 2>/dev/null || true; }

start_first() {
  "$exe" 2>"$work/first.log" & first=$!; pids+=("$first")
  wait_log "$work/first.log" "panel running" 10 || fail "first copy did not start its panel"
}

# 1. start, start again: the second exits 0 quickly, the first gets the request.
start_first
t0=$(date +%s%N)
"$exe" 2>"$work/second.log"; rc=$?
ms=$(( ($(date +%s%N) - t0) / 1000000 ))
[ "$rc" = 0 ] || fail "second copy exited $rc"
grep -q "handed over" "$work/second.log" || fail "second copy did not hand over"
grep -q "panel running" "$work/second.log" && fail "second copy ran a panel"
[ "$ms" -lt 3000 ] || fail "second copy took ${ms} ms"
wait_log "$work/first.log" "show requested" 5 || fail "first copy got no show request"
echo "second start handed over in ${ms} ms"

# 2. kill -9 the first, then start again: the stale lock and socket do not block.
kill -9 "$first"; wait "$first" 2>/dev/null
start_first
grep -q "handed over" "$work/first.log" && fail "start after a crash handed over to a dead copy"

# 3. several simultaneous starts while one runs: all hand over.
kill -9 "$first"; wait "$first" 2>/dev/null
for i in 1 2 3 4 5; do "$exe" 2>"$work/race$i.log" & pids+=("$!"); done
sleep 6
panels=0
for i in 1 2 3 4 5; do panels=$((panels + $(count_in "$work/race$i.log" "panel running"))); done
[ "$panels" = 1 ] || fail "simultaneous starts ran $panels panels"
handed=0
for i in 1 2 3 4 5; do handed=$((handed + $(count_in "$work/race$i.log" "handed over"))); done
[ "$handed" = 4 ] || fail "simultaneous starts: $handed of 4 handed over"

# 4. a copy in another session (another runtime folder) runs its own panel and
#    takes nothing from this one.
for i in 1 2 3 4 5; do grep -q "panel running" "$work/race$i.log" && owner=$i; done
mkdir -p "$work/run2"; chmod 700 "$work/run2"
XDG_RUNTIME_DIR=$work/run2 "$exe" 2>"$work/other.log" & other=$!; pids+=("$other")
wait_log "$work/other.log" "panel running" 10 || fail "a copy of another session did not run its own panel"
"$exe" 2>"$work/again.log"; rc=$?
[ "$rc" = 0 ] && grep -q "handed over" "$work/again.log" || fail "this session's panel no longer answers"
wait_log "$work/race$owner.log" "show requested" 5 || fail "the show request did not reach this session's panel"
grep -q "show requested" "$work/other.log" && fail "the other session's panel got this session's request"

if [ "$fails" = 0 ]; then echo "single instance: 1 passed, 0 failed"; exit 0; fi
echo "single instance: 0 passed, 1 failed"; exit 1

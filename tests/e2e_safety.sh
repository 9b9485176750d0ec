#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The real program under Xvfb with a private PulseAudio server, checked for
# what keeps recordings safe and whole:
#   format   a compressed format chosen in "Select audio format" (GSM 6.10 and
#            MPEG Layer-3), REC, STOP: the file is of that format, decodes
#            with FFmpeg, lasts as long as the recording ran, and ffprobe
#            gives the same length (a 4-byte fact chunk with the sample count)
#   play     a file opened from the manager and PLAYed is heard on the sink
#   delete   the manager refuses to delete the recording in progress, with a
#            message naming the reason; STOP then leaves a finished file
#   kill     an MPEG Layer-3 recording killed with kill -9 after 10 s: after a
#            restart the file decodes and holds at least 8 s
#   fifo     a FIFO named x.wav in a category folder: start-up and the
#            manager's listing do not wait on it
#   foreign  WAV files of other recorders (0xFFFFFFFF sizes, zero sizes, a
#            JUNK chunk before "fmt ") are byte for byte the same after
#            start-up and listing
#   journal  the recording in progress is named in the journal of the state
#            folder until STOP; the files and folders the program creates are
#            private to the user (0600 and 0700)
#   trash    the manager's Delete moves a finished recording to the user's
#            trash, with the .trashinfo that lets the desktop restore it
#   input    InputDevice names a second virtual source: the recording comes
#            from it (a tone played only into its sink), not from the default
# Usage: e2e_safety.sh VELLORY [SHOTS_DIR] [CHECK...]
set -u
# shellcheck source=tests/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
exe=${1:?path to vellory}
shots=$(shots_dir "${2:-}")
shift $(($# < 2 ? $# : 2))
checks=${*:-format play delete kill fifo foreign journal trash input}
e2e_env xcb
E2E_STEP=setup

# Seconds of audio FFmpeg decodes from a file (mono, 8 kHz, 16-bit); fails on a decoding error.
decoded_seconds() {
  local err
  err=$(ffmpeg -nostdin -v error -i "$1" -f s16le -ac 1 -ar 8000 -y "$work/decoded.raw" 2>&1) || { echo "ffmpeg: $err" >&2; return 1; }
  [ -z "$err" ] || { echo "ffmpeg: $err" >&2; return 1; }
  awk -v n="$(stat -c %s "$work/decoded.raw")" 'BEGIN { printf "%.3f", n / 16000 }'
}
# The rough frequency of the loudest part of a file, through FFmpeg.
tone_of() { ffmpeg -nostdin -v error -i "$1" -ac 1 -f wav - 2>/dev/null | sox -t wav - -n trim "${2:-0.5}" 1 stat 2>&1 | awk '/Rough   frequency/ {print $3}'; }

start_display
start_sound_server

# A tone at -6 dBFS, under way before the caller goes on.
tone() { play_tone "$1" "$2" 0.5; sleep 0.3; } # seconds frequency

start_app() { # log-name; sets app, win, X, Y, log
  start_panel "$1" || return 1
  sleep 0.4
}

# A visible window named Vellory other than the panel: a message box.
find_box() {
  local w
  for _ in $(seq 1 100); do
    for w in $(xdotool search --onlyvisible --name '^Vellory$' 2>/dev/null); do
      [ "$w" != "$win" ] && { echo "$w"; return 0; }
    done
    sleep 0.1
  done
  return 1
}
# The text of the N-th message box the program showed (VELLORY_TRACE logs each).
box_text() { grep "message box: " "$log" | sed -n "${1}p" | sed 's/^.*message box: //'; }
answer_box() { timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null; xdotool key Return; sleep 0.4; }

# Picks a format in "Select audio format" by typing the start of its name
# (letters only: a space would open the drop-down list).
choose_format() { # name
  open_format_dialog || return 1
  xdotool type --delay 60 "$1"
  sleep 0.5
  shot "format-$1"
  xdotool key Return
  wait_gone 3 window_shown '^Select audio format$' || fail "the format dialog did not close on Enter"
}

# A compressed recording's fact chunk: 4 bytes holding the sample count.
check_fact() { # file decoded-seconds rate tolerance-samples
  local at size count expect
  at=$(chunk_at "$1" fact) || { fail "$(basename "$1") has no fact chunk"; return; }
  size=$(le32 "$1" $((at + 4)))
  [ "$size" = 4 ] || fail "fact chunk of $size bytes, not 4"
  count=$(le32 "$1" $((at + 8)))
  expect=$(awk -v s="$2" -v r="$3" 'BEGIN { printf "%d", s * r }')
  echo "fact chunk: $size bytes, $count samples (decoded about $expect)"
  within "$count" $((expect - $4)) $((expect + $4)) || fail "fact says $count samples, the data decodes to about $expect"
}

check_format() {
  use_root format
  start_app format || return
  local name tag rate tol
  for entry in "GSM:49:640" "MPEG:85:2304"; do
    IFS=: read -r name tag tol <<<"$entry"
    choose_format "$name" || continue
    # The tone runs from before REC until 1.5 s before STOP: the silence at
    # the end of the file then shows whether the last of the audio arrived.
    tone 12 1000
    click REC
    local t0; t0=$(now)
    sleep 2.5
    shot "format-recording-$tag"
    stop_tone
    local toneEnd; toneEnd=$(now)
    sleep 1.5
    local wall; wall=$(secs_since "$t0")
    local quiet; quiet=$(secs_since "$toneEnd")
    click STOP
    sleep 0.8
    local f; f=$(newest_wav "$root")
    [ -n "$f" ] || { fail "$name: no recording"; continue; }
    echo "$name: $(basename "$f"), $(stat -c %s "$f") bytes, REC to STOP $wall s"
    [ "$(le16 "$f" 20)" = "$tag" ] || fail "$name: the file's format tag is $(le16 "$f" 20), not $tag"
    local dec probe freq tail
    dec=$(decoded_seconds "$f") || { fail "$name: FFmpeg cannot decode the recording"; mv "$f" "$f.done"; continue; }
    probe=$(probed_seconds "$f")
    freq=$(tone_of "$f" 0.5)
    tail=$(ffmpeg -nostdin -v error -i "$f" -ac 1 -f wav - 2>/dev/null |
      sox -t wav - -n reverse silence 1 0.02 2% stat 2>&1 | awk -v d="$dec" '/Length \(seconds\)/ { printf "%.3f", d - $3 }')
    echo "$name: decodes to $dec s, ffprobe says $probe s, tone $freq Hz; silence at the end $tail s (tone stopped $quiet s before STOP)"
    # The time runs from REC's click to STOP's; the first capture after start-up
    # connects to the sound server (a second or more on a busy machine), so the
    # file may be shorter by that at its start, never longer. Its end is whole:
    # the silence after the tone lasts as long as it did before STOP.
    # (ffprobe's figure, the sample count: an MP3 decodes with its encoder's delay on top.
    # At 8 kHz that delay and the last frame's padding are up to 0.21 s, and the
    # clicks themselves land late on a busy machine.)
    within "${probe:-0}" "$(awk -v w="$wall" 'BEGIN { print w - 2 }')" "$(awk -v w="$wall" 'BEGIN { print w + 0.5 }')" ||
      fail "$name: $probe s of audio for $wall s of recording"
    within "${tail:-0}" "$(awk -v q="$quiet" 'BEGIN { print q - 0.4 }')" "$(awk -v q="$quiet" 'BEGIN { print q + 0.4 }')" ||
      fail "$name: the file ends $tail s after the tone, the recording ran $quiet s past it"
    # An MP3 decodes with the encoder's delay and a padded last frame: up to about 0.25 s more.
    within "${probe:-0}" "$(awk -v d="$dec" 'BEGIN { print d - 0.3 }')" "$(awk -v d="$dec" 'BEGIN { print d + 0.3 }')" ||
      fail "$name: ffprobe says $probe s, the audio lasts $dec s"
    within "${freq:-0}" 950 1050 || fail "$name: the 1000 Hz tone is not in the recording ($freq Hz)"
    rate=$(le32 "$f" 24)
    echo "$name: $rate Hz, $(le16 "$f" 22) channel(s)"
    check_fact "$f" "$dec" "$rate" "$tol"
    cp "$f" "$shots/format-$tag.wav" # kept beside the screenshots for a look
    mv "$f" "$f.done" # the next format's recording is then the newest
  done
  power_off
}

check_play() {
  use_root play
  # A 660 Hz file of another program, so what is heard can only come from it.
  sox -n -r 22050 -c 1 -b 16 "$root/tone660.wav" synth 5 sine 660 vol 0.5
  start_app play || return
  open_manager || { power_off; return; }
  mclick ROW1
  sleep 0.3
  shot "play-manager"
  mclick OPEN
  sleep 0.8
  window_shown '^My Voice Files' && { fail "Open did not close the manager"; close_manager; }
  shot "play-opened"
  start_listening "$work/heard.wav"
  sleep 0.3
  click PLAY
  sleep 2
  shot "play-playing"
  sleep 1
  stop_listening
  local heard freq rms
  heard=$(sox "$work/heard.wav" -n remix 1 trim 1.0 1.5 stat 2>&1)
  freq=$(echo "$heard" | awk '/Rough   frequency/ {print $3}')
  rms=$(echo "$heard" | awk '/RMS     amplitude/ {print $3}')
  echo "heard after Open and PLAY: rough frequency $freq Hz, RMS $rms"
  within "${freq:-0}" 630 690 && within "${rms:-0}" 0.05 1 || fail "the opened file was not heard on the sink"
  sleep 2.5
  power_off
}

check_delete() {
  use_root delete
  start_app delete || return
  tone 8 1000
  local t0; t0=$(now)
  click REC
  sleep 1.5
  local f; f=$(newest_wav "$root")
  [ -n "$f" ] || { fail "REC made no file"; stop_tone; power_off; return; }
  open_manager || { click STOP; stop_tone; power_off; return; }
  mclick ROW1
  sleep 0.3
  mclick DELETE
  local box text
  box=$(find_box) || { fail "Delete asked nothing"; close_manager; click STOP; stop_tone; power_off; return; }
  shot "delete-question"
  text=$(box_text 1)
  echo "question: $text"
  echo "$text" | grep -q "Do you really want to delete" || fail "the first box is not the delete question"
  answer_box "$box" # Yes, the default
  if box=$(find_box); then
    shot "delete-refused"
    text=$(box_text 2)
    echo "after Yes: $text"
    echo "$text" | grep -q "Unable to delete file" || fail "the box after Yes is not the delete failure message"
    echo "$text" | grep -qi "record" || fail "the delete failure message does not say the file is being recorded"
    answer_box "$box"
  else
    fail "deleting the recording in progress was not refused with a message"
  fi
  [ -f "$f" ] || fail "the recording in progress is gone after Delete"
  close_manager
  sleep 1
  click STOP
  local wall; wall=$(secs_since "$t0")
  stop_tone
  sleep 0.8
  if [ ! -f "$f" ]; then fail "STOP left no file"; else
    local size data dur
    size=$(stat -c %s "$f"); data=$(le32 "$f" 42)
    dur=$(sox --i -D "$f" 2>/dev/null)
    echo "after STOP: $(basename "$f"), $size bytes, data size $data, $dur s for $wall s of recording"
    [ "$data" = $((size - 46)) ] || fail "the finished file's data size is $data, the file holds $((size - 46))"
    # As long as the recording ran, less the sound server's start (longer on a busy machine).
    within "${dur:-0}" "$(awk -v w="$wall" 'BEGIN { print w * 0.7 - 0.3 }')" "$(awk -v w="$wall" 'BEGIN { print w + 0.3 }')" ||
      fail "the file lasts $dur s after $wall s of recording"
  fi
  power_off
}

check_kill() {
  use_root kill
  start_app kill-first || return
  choose_format MPEG || { power_off; return; }
  tone 16 1000
  click REC
  local t0; t0=$(now)
  # Ten seconds of audio: the first block reaches the disk about a second
  # after capture starts, so nine more seconds from then, whatever the sound
  # server's start took on a busy machine.
  local f="" header=0
  for _ in $(seq 1 50); do f=$(newest_wav "$root"); [ -n "$f" ] && break; sleep 0.1; done
  [ -n "$f" ] && header=$(stat -c %s "$f")
  for _ in $(seq 1 100); do [ -n "$f" ] && [ "$(stat -c %s "$f")" -gt "$header" ] && break; sleep 0.1; done
  local first; first=$(secs_since "$t0")
  [ -n "$f" ] && [ "$(stat -c %s "$f")" -gt "$header" ] || fail "no audio reached the disk within 10 s of REC"
  sleep 9
  kill -9 "$app"; wait "$app" 2>/dev/null; app=""
  stop_tone
  [ -n "$f" ] || { fail "no recording was started"; return; }
  echo "first audio on disk $first s after REC; killed $(secs_since "$t0") s after REC: $(basename "$f"), $(stat -c %s "$f") bytes, tag $(le16 "$f" 20)"
  [ "$(le16 "$f" 20)" = 85 ] || fail "the recording is not MPEG Layer-3 (tag $(le16 "$f" 20))"
  grep -qF "$f" "$journal" 2>/dev/null || fail "the journal does not name the recording cut off by kill -9"
  start_app kill-second || return
  ! grep -qF "$f" "$journal" 2>/dev/null || fail "the journal still names the recording after the restart repaired it"
  sleep 0.5
  local dec probe freq
  if dec=$(decoded_seconds "$f"); then
    probe=$(probed_seconds "$f")
    freq=$(tone_of "$f" 2)
    echo "after restart: $(stat -c %s "$f") bytes, decodes to $dec s, ffprobe says $probe s, tone $freq Hz"
    within "$dec" 8 11 || fail "the killed MP3 recording holds $dec s of audio, not at least 8 s"
    within "${probe:-0}" "$(awk -v d="$dec" 'BEGIN { print d - 0.3 }')" "$(awk -v d="$dec" 'BEGIN { print d + 0.3 }')" ||
      fail "after repair ffprobe says $probe s, the audio lasts $dec s"
    within "${freq:-0}" 950 1050 || fail "the repaired recording does not hold the 1000 Hz tone ($freq Hz)"
  else
    fail "the killed MP3 recording does not decode after a restart"
  fi
  power_off
}

check_fifo() {
  use_root fifo
  mkfifo "$root/x.wav"
  mkdir -p "$root/1"; mkfifo "$root/1/y.wav"
  sox -n -r 8000 -c 1 -b 16 "$root/real.wav" synth 1 sine 500
  local t0; t0=$(now)
  start_app fifo || { [ -n "$app" ] && { kill -9 "$app"; app=""; }; return; }
  echo "started beside FIFOs in $(secs_since "$t0") s"
  t0=$(now)
  if open_manager; then
    echo "manager listed the folder with a FIFO in $(secs_since "$t0") s"
    shot "fifo-manager"
    # The category "Home" (folder 1/, another FIFO): the second entry of the category list.
    t0=$(now)
    mclick CATEGORY2
    sleep 0.5
    shot "fifo-manager-home"
    # A manager stuck on the FIFO would not close.
    close_manager
  fi
  [ -p "$root/x.wav" ] && [ -p "$root/1/y.wav" ] || fail "a FIFO was replaced"
  power_off
}

# WAV headers of other recorders: sizes left 0xFFFFFFFF (streaming), sizes of
# zero in a plain 44-byte header, and a JUNK chunk before "fmt ".
write_foreign() { # folder
  local pcm=$work/pcm.raw
  sox -n -r 8000 -c 1 -b 16 -e signed -t raw "$pcm" synth 2 sine 700 vol 0.5
  local fmt='fmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00\x02\x00\x10\x00'
  { printf "RIFF\xff\xff\xff\xffWAVE$fmt"'data\xff\xff\xff\xff'; cat "$pcm"; } > "$1/streamed.wav"
  { printf "RIFF\x00\x00\x00\x00WAVE$fmt"'data\x00\x00\x00\x00'; cat "$pcm"; } > "$1/zero sizes.wav"
  local n; n=$(stat -c %s "$pcm")
  local riff=$((4 + 8 + 28 + 8 + 16 + 8 + n))
  { printf 'RIFF'; printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((riff & 255)) $((riff >> 8 & 255)) $((riff >> 16 & 255)) $((riff >> 24 & 255)))"
    printf 'WAVEJUNK\x1c\x00\x00\x00'; head -c 28 /dev/zero; printf "$fmt"
    printf "data$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((n & 255)) $((n >> 8 & 255)) $((n >> 16 & 255)) $((n >> 24 & 255)))"
    cat "$pcm"; } > "$1/junk first.wav"
  # A file still being copied in: the header of a finished file, half its data.
  { printf "RIFF$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(((n + 36) & 255)) $(((n + 36) >> 8 & 255)) $(((n + 36) >> 16 & 255)) 0)WAVE$fmt"
    printf "data$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((n & 255)) $((n >> 8 & 255)) $((n >> 16 & 255)) 0)"
    head -c $((n / 2)) "$pcm"; } > "$1/copying.wav"
}

check_foreign() {
  use_root foreign
  mkdir -p "$root/1"
  write_foreign "$root"
  write_foreign "$root/1"
  # And an unfinished recording of this program's own layout that the journal
  # does not name, in a category that is not listed: start-up leaves it alone.
  mkdir -p "$root/2"
  { printf 'RIFF\x00\x00\x00\x00WAVEfmt \x12\x00\x00\x00\x01\x00\x01\x00\x22\x56\x00\x00\x44\xac\x00\x00\x02\x00\x10\x00\x00\x00data\x00\x00\x00\x00'
    head -c 44100 /dev/zero; } > "$root/2/07-Dec-2026_3600.wav"
  touch -d '-1 hour' "$root/2/07-Dec-2026_3600.wav"
  (cd "$root" && sha256sum ./*.wav 1/*.wav 2/*.wav) > "$work/foreign.sha"
  ls -l --time-style=+%T.%N "$root" "$root/1" "$root/2" > "$work/foreign.ls"
  start_app foreign || return
  if open_manager; then
    shot "foreign-manager-new"
    # The category "Home" (folder 1/): the second entry of the category list.
    mclick CATEGORY2
    sleep 1
    shot "foreign-manager-home"
    close_manager
  fi
  power_off
  local changed
  changed=$(cd "$root" && sha256sum --quiet -c "$work/foreign.sha" 2>&1)
  [ -z "$changed" ] || { fail "files the program must not write were changed: $(echo "$changed" | tr '\n' ' ')"; cat "$work/foreign.ls"; ls -l "$root" "$root/1" "$root/2"; }
}

journal=$XDG_STATE_HOME/vellory/recordings
mode_of() { stat -c %a "$1" 2>/dev/null; }

check_journal() {
  # A root that does not exist yet: the program makes it at REC.
  root=$work/journal-root
  mkdir -p "$XDG_CONFIG_HOME/Corvane"
  printf '[Parameters]\nFileManager=%s/\n' "$root" > "$XDG_CONFIG_HOME/Corvane/vellory.conf"
  start_app journal || return
  tone 6 1000
  click REC
  sleep 2
  local f; f=$(newest_wav "$root" 2>/dev/null)
  if [ -z "$f" ]; then fail "REC made no file in a root it had to create"; else
    echo "recording $(basename "$f"): file mode $(mode_of "$f"), root folder $(mode_of "$root"), state folder $(mode_of "${journal%/*}")"
    grep -qF "$f" "$journal" 2>/dev/null || fail "the journal does not name the recording in progress"
    [ "$(mode_of "$f")" = 600 ] || fail "the new recording has mode $(mode_of "$f"), not 600"
    [ "$(mode_of "$root")" = 700 ] || fail "the root folder the program made has mode $(mode_of "$root"), not 700"
    [ "$(mode_of "${journal%/*}")" = 700 ] || fail "the state folder has mode $(mode_of "${journal%/*}"), not 700"
  fi
  click STOP
  stop_tone
  sleep 0.8
  [ -n "$f" ] && grep -qF "$f" "$journal" 2>/dev/null && fail "the journal still names the recording after STOP"
  [ -n "$f" ] && [ "$(mode_of "$f")" != 600 ] && fail "the finished recording has mode $(mode_of "$f"), not 600"
  power_off
}

check_trash() {
  use_root trash
  start_app trash || return
  tone 4 800
  click REC
  sleep 2
  click STOP
  stop_tone
  sleep 0.8
  local f; f=$(newest_wav "$root")
  [ -n "$f" ] || { fail "REC made no file"; power_off; return; }
  local name; name=$(basename "$f")
  local sum; sum=$(sha256sum < "$f")
  open_manager || { power_off; return; }
  mclick ROW1
  sleep 0.3
  mclick DELETE
  local box
  box=$(find_box) || { fail "Delete asked nothing"; close_manager; power_off; return; }
  echo "question: $(box_text 1)"
  answer_box "$box" # Yes
  sleep 0.5
  shot "trash-after-delete"
  if box=$(find_box); then fail "an unexpected box after Yes: $(box_text 2)"; answer_box "$box"; fi
  close_manager
  power_off
  local trash=$HOME/.local/share/Trash
  [ -e "$f" ] && fail "the deleted file is still in its folder"
  if [ ! -f "$trash/files/$name" ]; then fail "the file is not in $trash/files"; else
    [ "$(sha256sum < "$trash/files/$name")" = "$sum" ] || fail "the file in the trash differs from the recording"
  fi
  local info=$trash/info/$name.trashinfo
  if [ ! -f "$info" ]; then fail "no $name.trashinfo"; else
    echo "trashinfo: $(tr '\n' ' ' < "$info")"
    grep -qx '\[Trash Info\]' "$info" || fail "the .trashinfo has no [Trash Info] group"
    grep -q "^Path=.*$name\$" "$info" || fail "the .trashinfo does not name the file's path"
    grep -qE '^DeletionDate=[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}$' "$info" ||
      fail "the .trashinfo has no deletion date"
  fi
}

check_input() {
  use_root input
  # A second sink whose monitor feeds a second microphone; only it hears the tone.
  local m1 m2
  m1=$(pactl load-module module-null-sink sink_name=vsink2 rate=44100 channels=2) || { fail "no second sink"; return; }
  m2=$(pactl load-module module-remap-source source_name=vmic2 master=vsink2.monitor) ||
    { fail "no second source"; pactl unload-module "$m1"; return; }
  printf 'InputDevice=vmic2\n' >> "$XDG_CONFIG_HOME/Corvane/vellory.conf"
  start_app input || { pactl unload-module "$m2"; pactl unload-module "$m1"; return; }
  play_tone 6 1200 0.5 --device=vsink2
  sleep 0.5
  click REC
  sleep 3
  click STOP
  stop_tone
  sleep 0.8
  power_off
  local f; f=$(newest_wav "$root")
  if [ -z "$f" ]; then fail "REC made no file"; else
    local rms freq
    rms=$(sox "$f" -n stat 2>&1 | awk '/RMS     amplitude/ {print $3}')
    freq=$(sox "$f" -n stat 2>&1 | awk '/Rough   frequency/ {print $3}')
    echo "recorded from vmic2: RMS ${rms:-?}, rough frequency ${freq:-?} Hz"
    within "${rms:-0}" 0.1 1 || fail "the recording is silent (RMS $rms): it did not come from vmic2"
    within "${freq:-0}" 1100 1300 || fail "the recording's frequency is $freq Hz, not the 1200 Hz played into vsink2"
  fi
  grep -q "not available" "$log" && fail "the panel said the chosen input is missing"
  pactl unload-module "$m2"; pactl unload-module "$m1"
}

for check in $checks; do
  E2E_STEP=$check
  echo "== $check"
  "check_$check"
  stop_tone
  kill_app
done
E2E_STEP=end

echo "screenshots in $shots"
finish "e2e safety"

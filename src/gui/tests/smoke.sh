#!/bin/sh
# Starts the real program in an X display (run under xvfb-run), waits for
# its main window, takes screenshots and closes the program again.
# Usage: smoke.sh PROGRAM SHOT_FOLDER [CLI SOUND_CARD_TOOL FIAD]
# With the last three it also imports a sound card's recording of FIAD (made
# by the CLI and the tool: 16-bit stereo 48000 Hz FLAC) and decodes it.
set -eu
program=$1
shots=$2
cli=${3:-}
sound_card=${4:-}
fiad=${5:-}
mkdir -p "$shots"
rm -f "$shots/main-window.png" "$shots/screen.png" "$shots/debugger-menu.png"
# A home, a configuration folder and a temporary folder of its own, to show
# that the program writes no settings anywhere and that its temporary files
# (the imported recording) go even when a signal ends it.
home=$(mktemp -d)
mkdir -p "$home/config" "$home/tmp"
# (A desktop session has its runtime folder; without one Qt makes it in TMPDIR.)
mkdir -m 700 "$home/runtime"
# The working folder holds the help document, as `make run` arranges.
cd "$(dirname "$program")"
HOME=$home XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache TMPDIR=$home/tmp XDG_RUNTIME_DIR=$home/runtime "$program" &
pid=$!
trap 'kill $pid 2>/dev/null || true; rm -rf "$home"' EXIT
# The id of the window captioned $1 once it shows (5 s at most), or "".
wait_window() {
  for _ in $(seq 1 50); do
    window=$(xwininfo -root -tree 2>/dev/null | awk -v caption="\"$1\"" 'index($0, caption) { print $1; exit }')
    [ -n "$window" ] && { echo "$window"; return; }
    sleep 0.1
  done
}
found=no
for _ in $(seq 1 100); do
  # Found by its caption, so this also checks the caption.
  id=$(xwininfo -root -tree 2>/dev/null | awk '/"Sonatap 0.95b"/ { print $1; exit }')
  if [ -n "$id" ]; then
    found=yes
    break
  fi
  if ! kill -0 $pid 2>/dev/null; then
    echo "sonatap ended before its main window was shown" >&2
    exit 1
  fi
  sleep 0.1
done
if [ $found != yes ]; then
  echo "no window captioned \"Sonatap 0.95b\" appeared" >&2
  exit 1
fi
sleep 1
import -window "$id" "$shots/main-window.png"
import -window root "$shots/screen.png"
size=$(identify -format '%wx%h' "$shots/main-window.png")
echo "main window shown, $size; screenshots in $shots"
menu_bar=$(( $(identify -format '%h' "$shots/main-window.png") - 300 ))
if [ -n "$fiad" ]; then
  "$cli" encode "$fiad" "$home/tape.wav" 2>/dev/null
  "$sound_card" "$home/tape.wav" "$home/side.flac"
  rm "$home/tape.wav"
  # File > "Import Recording..." (the second item of the first menu).
  xdotool mousemove --window "$id" 15 8 click 1
  sleep 0.5
  xdotool key Down Down Return
  dialog=$(wait_window "Import Recording")
  [ -n "$dialog" ] || { echo "File > Import Recording... opened no file dialog" >&2; exit 1; }
  sleep 0.5
  xdotool type --delay 5 "$home/side.flac"
  xdotool key Return
  sleep 2
  # Project > "Tuning": Recognition "Adaptive" (the list's last entry), OK.
  xdotool mousemove --window "$id" 57 8 click 1
  sleep 0.5
  xdotool key Down Return
  tuning=$(wait_window "Sonatap - Tuning")
  [ -n "$tuning" ] || { echo "Project > Tuning opened no window" >&2; exit 1; }
  sleep 0.3
  xdotool mousemove --window "$tuning" 105 109 click 1
  sleep 0.3
  xdotool key End Return
  sleep 0.3
  xdotool mousemove --window "$tuning" 235 202 click 1
  sleep 0.3
  # Start, then the name prompt shows when the tape file is decoded.
  xdotool mousemove --window "$id" 67 $((137 + menu_bar)) click 1
  prompt=$(wait_window "Sonatap - Conversion complete")
  [ -n "$prompt" ] || { echo "the imported recording decoded to no file" >&2; exit 1; }
  import -window "$prompt" "$shots/import-name-prompt.png"
  xdotool key Return
  sleep 0.5
  import -window "$id" "$shots/import-decoded.png"
  rm "$home/side.flac"
  echo "a 16-bit stereo 48000 Hz FLAC imported and decoded; screenshots import-*.png"
fi
# Project > "Debug" (the second item of the second menu) opens the debugger.
xdotool mousemove --window "$id" 57 8 click 1
sleep 0.5
xdotool key Down Down Return
debugger=$(wait_window "Sonatap - Debug")
if [ -z "$debugger" ]; then
  echo "Project > Debug opened no window captioned \"Sonatap - Debug\"" >&2
  exit 1
fi
sleep 0.5
import -window "$debugger" "$shots/debugger-menu.png"
echo "debugger window shown from the menu, $(identify -format '%wx%h' "$shots/debugger-menu.png")"
kill $pid
wait $pid 2>/dev/null || true
left=$(find "$home/tmp" -mindepth 1)
if [ -n "$left" ]; then
  echo "the program left temporary files: $left" >&2
  exit 1
fi
written=$(find "$home" -path "$home/cache" -prune -o -type f -print)
if [ -n "$written" ]; then
  echo "the program wrote settings: $written" >&2
  exit 1
fi
echo "no settings written"

#!/bin/sh
# Starts the real program in an X display (run under xvfb-run), waits for
# its main window, takes screenshots and closes the program again.
# Usage: smoke.sh PROGRAM SHOT_FOLDER
set -eu
program=$1
shots=$2
mkdir -p "$shots"
rm -f "$shots/main-window.png" "$shots/screen.png" "$shots/debugger-menu.png"
# A home and a configuration folder of its own, to show that the program
# writes no settings anywhere.
home=$(mktemp -d)
mkdir -p "$home/config"
# The working folder holds the help document, as `make run` arranges.
cd "$(dirname "$program")"
HOME=$home XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache "$program" &
pid=$!
trap 'kill $pid 2>/dev/null || true; rm -rf "$home"' EXIT
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
# Project > "Debug" (the second item of the second menu) opens the debugger.
xdotool mousemove --window "$id" 57 8 click 1
sleep 0.5
xdotool key Down Down Return
debugger=""
for _ in $(seq 1 50); do
  debugger=$(xwininfo -root -tree 2>/dev/null | awk '/"Sonatap - Debug"/ { print $1; exit }')
  [ -n "$debugger" ] && break
  sleep 0.1
done
if [ -z "$debugger" ]; then
  echo "Project > Debug opened no window captioned \"Sonatap - Debug\"" >&2
  exit 1
fi
sleep 0.5
import -window "$debugger" "$shots/debugger-menu.png"
echo "debugger window shown from the menu, $(identify -format '%wx%h' "$shots/debugger-menu.png")"
kill $pid
wait $pid 2>/dev/null || true
written=$(find "$home" -path "$home/cache" -prune -o -type f -print)
if [ -n "$written" ]; then
  echo "the program wrote settings: $written" >&2
  exit 1
fi
echo "no settings written"

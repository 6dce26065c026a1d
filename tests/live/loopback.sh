#!/bin/sh
# A real loopback through a sound server: a private PulseAudio with a null
# sink; `sonatap-cli record` takes the sink's monitor while `sonatap-cli play`
# plays a FIAD into it, and decoding the recording must give the FIAD back,
# byte for byte. Ends with 77 (skipped) where no sound server can be started.
#   loopback.sh SONATAP-CLI FIAD
set -u
cli=$1
fiad=$2

skip() {
  echo "SKIPPED: $*"
  exit 77
}
fail() {
  echo "FAILED: $*"
  [ -f "$work/pulse.log" ] && tail -20 "$work/pulse.log"
  exit 1
}

# Waits until recording FILE holds more than BYTES bytes (the recorder has started).
wait_for_sound() {
  tries=0
  until [ "$(cat "$1" 2>/dev/null | wc -c)" -gt "$2" ]; do
    tries=$((tries + 1))
    [ $tries -gt 100 ] && { cat "$3"; fail "nothing was recorded in 10 seconds"; }
    sleep 0.1
  done
}

command -v pulseaudio >/dev/null 2>&1 || skip "pulseaudio is not installed (scripts/install-deps.sh installs it)"
command -v pactl >/dev/null 2>&1 || skip "pactl is not installed (pulseaudio-utils)"

work=$(mktemp -d)
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A server of our own, whoever runs the test (root too): its runtime folder,
# home and socket are the test's, so it meets no other server or session.
export XDG_RUNTIME_DIR="$work" HOME="$work" PULSE_SERVER="unix:$work/native"
unset PULSE_SINK PULSE_SOURCE
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no --disable-shm=yes \
  --log-target="file:$work/pulse.log" \
  -L "module-native-protocol-unix socket=$work/native auth-anonymous=1" \
  -L "module-null-sink sink_name=sonatap_loop rate=44100 channels=1" &
server_pid=$!
tries=0
until pactl info >/dev/null 2>&1; do
  tries=$((tries + 1))
  if [ $tries -gt 50 ] || ! kill -0 "$server_pid" 2>/dev/null; then
    reason=$(tail -3 "$work/pulse.log" 2>/dev/null | tr '\n' ' ')
    server_pid=""
    skip "no PulseAudio server could be started here: $reason"
  fi
  sleep 0.1
done
pactl set-default-sink sonatap_loop && pactl set-default-source sonatap_loop.monitor ||
  fail "the null sink was not made the default"

# In the sanitizer build: ALSA's pulse plugin keeps allocations past its
# unloading at exit, which LeakSanitizer reports from an unknown module.
# Leaks of our own are checked by the fake-device tests; here only the
# sound system's are left out.
audio_asan="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}detect_leaks=0"

ASAN_OPTIONS="$audio_asan" "$cli" devices >"$work/devices.txt" || fail "devices found nothing with a server running"
grep -q . "$work/devices.txt" || fail "devices printed nothing"

ASAN_OPTIONS="$audio_asan" "$cli" record "$work/rec.wav" --device pulse 2>"$work/record.txt" &
recorder=$!
wait_for_sound "$work/rec.wav" 1000 "$work/record.txt"
ASAN_OPTIONS="$audio_asan" "$cli" play "$fiad" --device pulse 2>"$work/play.txt" || { cat "$work/play.txt"; fail "play failed"; }
sleep 1
kill -INT "$recorder"
wait "$recorder" || { cat "$work/record.txt"; fail "record did not end well on Ctrl-C"; }
cat "$work/play.txt" "$work/record.txt"

mkdir "$work/out"
name=$(head -c 10 "$fiad" | tr -d ' ')  # the header's file name, which the tape does not carry
"$cli" decode "$work/rec.wav" --out "$work/out" --name "$name" >"$work/monitor.txt" || {
  cat "$work/monitor.txt"
  fail "the recording did not decode"
}
[ -f "$work/out/$name.fiad" ] || { cat "$work/monitor.txt"; fail "no FIAD came out of the recording"; }
cmp "$fiad" "$work/out/$name.fiad" || fail "the FIAD from the recording differs from the one played"
echo "loopback: $(basename "$fiad") played, recorded and decoded back byte for byte"

# The server going away mid-recording: status 1, and the file recorded so
# far stays whole (its two lengths agree with its size).
ASAN_OPTIONS="$audio_asan" "$cli" record "$work/cut.wav" --device pulse 2>"$work/cut.txt" &
recorder=$!
wait_for_sound "$work/cut.wav" 200000 "$work/cut.txt"  # over a second
kill "$server_pid"
wait "$server_pid" 2>/dev/null
server_pid=""
status=0
wait "$recorder" || status=$?
[ "$status" -eq 1 ] || { cat "$work/cut.txt"; fail "record ended with $status when the server went away"; }
grep -q "What was recorded is kept in" "$work/cut.txt" || { cat "$work/cut.txt"; fail "the user was not told"; }
size=$(wc -c <"$work/cut.wav")
riff=$(od -An -tu4 -j4 -N4 "$work/cut.wav" | tr -d ' ')
data=$(od -An -tu4 -j40 -N4 "$work/cut.wav" | tr -d ' ')
[ "$riff" -eq $((size - 8)) ] && [ "$data" -eq $((size - 44)) ] && [ "$data" -gt 0 ] ||
  { cat "$work/cut.txt"; fail "the cut recording's lengths ($riff, $data) do not fit its size $size"; }
echo "loopback: the server went away mid-recording; $data bytes of sound kept in a whole file"

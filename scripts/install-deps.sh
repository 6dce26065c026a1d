#!/bin/sh
# Checks that the Debian packages the build, the tests, the demo, the fuzzers
# and the package check need are installed, and installs the missing ones:
# as root with apt-get, through sudo otherwise; without either it stops and
# prints the command to run. An installed machine pays only the dpkg-query.
set -eu

packages="cmake ninja-build make util-linux g++ clang libclang-rt-14-dev
libgtest-dev libbenchmark-dev qt6-base-dev libsndfile1-dev libsoxr-dev
xvfb xauth x11-utils xdotool imagemagick dpkg-dev lintian
portaudio19-dev pulseaudio pulseaudio-utils libasound2-plugins
nlohmann-json3-dev"

missing=""
for package in $packages; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  case "$status" in
    *" installed") ;;
    *) missing="$missing $package" ;;
  esac
done
[ -z "$missing" ] && exit 0

echo "install-deps: missing Debian packages:$missing" >&2
command="apt-get update && apt-get install -y$missing"
if [ "$(id -u)" -eq 0 ]; then
  run=""
elif command -v sudo >/dev/null 2>&1; then
  run="sudo"
else
  echo "install-deps: run as root, then try again:" >&2
  echo "  $command" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! { $run apt-get update && $run apt-get install -y $missing; }; then
  echo "install-deps: the installation failed; the command was:" >&2
  echo "  ${run:+$run }$command" >&2
  exit 1
fi

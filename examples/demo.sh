#!/bin/sh
# The main job on a bundled sample: a TI BASIC program as tape sound and back.
set -eu
build=${1:-build}
cli="$build/src/sonatap-cli"
out="$build/demo"
mkdir -p "$out"
rm -f "$out"/*.fiad
echo "== Encoding examples/hello.fiad (10 PRINT \"HELLO FROM TAPE\" / 20 GOTO 10) as tape sound"
"$cli" encode examples/hello.fiad "$out/hello.wav"
echo "== Decoding $out/hello.wav back (the sound starts at once: no skip time)"
"$cli" decode "$out/hello.wav" --out "$out" --name HELLO --skip-time 0
if ! cmp examples/hello.fiad "$out/HELLO.fiad"; then
  echo "== $out/HELLO.fiad differs from examples/hello.fiad" >&2
  exit 1
fi
echo "== (Without a skip time the decoder hears the last record's second copy, which it never"
echo "== needs, as the start of another file: the lines after the first Finished.)"
echo "== $out/HELLO.fiad is byte for byte the FIAD we started from"
echo "== Listing of $out/HELLO.fiad"
"$cli" list "$out/HELLO.fiad"
echo "== Done: play $out/hello.wav into a TI-99/4A's cassette input and type OLD CS1."

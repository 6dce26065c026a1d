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
if "$cli" decode --help >/dev/null 2>&1 && "$cli" decode "$out/hello.wav" --out "$out" --name HELLO --skip-time 0 >"$out/monitor.txt" 2>"$out/decode.err"; then
  echo "== Decoding $out/hello.wav back: Monitor log"
  cat "$out/monitor.txt"
  cmp examples/hello.fiad "$out/HELLO.fiad" && echo "== $out/HELLO.fiad is byte for byte the FIAD we started from"
  if "$cli" list "$out/HELLO.fiad" >"$out/listing.txt" 2>/dev/null; then
    echo "== Listing of $out/HELLO.fiad"
    cat "$out/listing.txt"
  fi
fi
echo "== Done: play $out/hello.wav into a TI-99/4A's cassette input and type OLD CS1."

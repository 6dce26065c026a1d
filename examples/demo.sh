#!/bin/sh
# The main job on a real recording, then a TI BASIC program as tape sound and back.
set -eu
build=${1:-build}
cli="$build/src/sonatap-cli"
out="$build/demo"
mkdir -p "$out"
rm -f "$out"/*.fiad "$out"/*.wav

echo "== 1. A real tape: examples/ti99-print.wav was recorded from a TI-99/4A's cassette output"
echo "==    (see examples/README.md). Decoding it with no options at all:"
"$cli" decode examples/ti99-print.wav --out "$out"
echo "== \"Conditioned\": the recording is 16-bit, so it was first made into the 8-bit mono sound"
echo "== the decoder reads (levelled, tape speed corrected). \"wrote\" names the FIAD file made."
echo "== From \"** READY **\" on is the Monitor, the desktop program's log: the decoder found the"
echo "== file's sync, read its record count and its one record (\"Rec #1 O.K.\")."
echo "== It then listens on for another file until the recording ends (\"End of Wav File\")."
echo "== The FIAD file: a 128-byte header that starts with the file's name, then the program:"
od -A d -t x1 -N 16 "$out/ti99-print.fiad"
echo "== Its listing, as the TI-99/4A's LIST would show it after OLD CS1:"
"$cli" list "$out/ti99-print.fiad" | tee "$out/ti99-print.txt"
grep -qx '10 PRINT "UUUUUUUU"' "$out/ti99-print.txt"

echo
echo "== 2. The other way: examples/hello.fiad (10 PRINT \"HELLO FROM TAPE\" / 20 GOTO 10) as tape sound"
"$cli" encode examples/hello.fiad "$out/hello.wav"
echo "== Decoding $out/hello.wav back (its sound starts at once, so no skip time):"
"$cli" decode "$out/hello.wav" --out "$out" --name HELLO --skip-time 0
echo "== Again the decoder listens on after \"Finished.\". A TI-99/4A sends every record twice, and"
echo "== with no skip time after the file it takes the last record's unneeded second copy for the"
echo "== start of another file (\"Record Qty BAD!\", \"Bad Datamark\"); the recording ends before that"
echo "== becomes a file, so only one FIAD is written."
if ! cmp examples/hello.fiad "$out/HELLO.fiad"; then
  echo "== $out/HELLO.fiad differs from examples/hello.fiad" >&2
  exit 1
fi
echo "== $out/HELLO.fiad is byte for byte the FIAD we started from. Its listing:"
"$cli" list "$out/HELLO.fiad"
echo "== Done: play $out/hello.wav into a TI-99/4A's cassette input and type OLD CS1."

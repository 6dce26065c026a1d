#!/bin/sh
# Fails when a fuzz target sees too little of the code, or fails on an input
# it once failed on: the core must be built
# with coverage in the fuzz build, or the fuzzers explore only their own few
# lines. Each target reads its seeds once (-runs=0) and libFuzzer reports the
# coverage edges it reached ("INITED cov: N"); each must reach its floor, set
# well below what the seeds reach with the whole core instrumented (and far
# above the few dozen to two hundred edges a target reaches on its own).
#   fuzz/check_coverage.sh BUILD_DIR
set -eu
build=$1
status=0
for target in "$build"/fuzz/fuzz_*; do
  name=$(basename "$target")
  case "$name" in
    fuzz_debug_import) floor=230 ;;
    # The synthesis is plain arithmetic (bits shifted out, the checksum a
    # sum & 0xFF): few edges, but still far above the target's own few dozen.
    fuzz_fiad_encode) floor=150 ;;
    fuzz_listing) floor=300 ;;
    fuzz_open_file) floor=450 ;;
    fuzz_decode) floor=550 ;;
    fuzz_decode_file) floor=1200 ;;
    fuzz_import) floor=300 ;;
    *) floor=230 ;;
  esac
  options=$(cat "$(dirname "$0")/$name.options" 2>/dev/null || echo -max_len=20000)
  empty=$(mktemp -d)
  # What the fuzzers once found (fuzz/regressions/<target>) is read again too.
  regressions="$(dirname "$0")/regressions/$name"
  [ -d "$regressions" ] || regressions=""
  # shellcheck disable=SC2086
  edges=$("$target" -runs=0 -timeout=30 $options "$empty" "$build/seeds/$name" $regressions 2>&1 |
          sed -n 's/.*INITED cov: \([0-9]*\).*/\1/p' | head -n 1)
  rm -rf "$empty"
  if [ -z "$edges" ]; then
    echo "check_coverage: $name failed on its seeds or regressions (run it on them to see the report)" >&2
    status=1
  elif [ "$edges" -lt "$floor" ]; then
    echo "check_coverage: $name reached $edges coverage edges, fewer than $floor: is the core built with -fsanitize=fuzzer-no-link?" >&2
    status=1
  else
    echo "check_coverage: $name reached $edges coverage edges (at least $floor)"
  fi
done
exit $status

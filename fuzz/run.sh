#!/bin/sh
# Runs every fuzz target of a fuzz build for SECONDS each:
#   fuzz/run.sh BUILD_DIR SECONDS
# Each target starts from its seeds (BUILD_DIR/seeds/<target>, made from the
# test data, and fuzz/regressions/<target>, inputs it once failed on) and keeps what it finds in BUILD_DIR/corpus/<target>. Options of
# its own, if any, are in fuzz/<target>.options; the others take inputs of up
# to 20000 bytes. A crash or a leak stops the run with the target's report.
set -eu
build=$1
seconds=$2
here=$(dirname "$0")
for target in "$build"/fuzz/fuzz_*; do
  name=$(basename "$target")
  options=$(cat "$here/$name.options" 2>/dev/null || echo -max_len=20000)
  mkdir -p "$build/corpus/$name"
  echo "== $name: $seconds s"
  regressions="$here/regressions/$name"
  [ -d "$regressions" ] || regressions=""
  # shellcheck disable=SC2086
  "$target" -max_total_time="$seconds" -print_final_stats=1 $options \
    "$build/corpus/$name" "$build/seeds/$name" $regressions
done

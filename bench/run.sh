#!/bin/sh
# Run every benchmark executable of a build and keep the results.
#
#   sh bench/run.sh BUILD_DIR [benchmark options...]
#
# A benchmark executable is any executable in BUILD_DIR/bin whose name ends in
# _bench (one per area, each added by a folder under bench/). The console
# output goes to the terminal; a JSON copy of each run goes to
# BUILD_DIR/bench-results/NAME.json.
set -eu

build=${1:?usage: sh bench/run.sh BUILD_DIR [benchmark options...]}
shift
bin="$build/bin"
out="$build/bench-results"
mkdir -p "$out"

found=0
for exe in "$bin"/*_bench; do
    [ -f "$exe" ] && [ -x "$exe" ] || continue
    found=1
    name=$(basename "$exe")
    echo "== $name"
    "$exe" --benchmark_out="$out/$name.json" --benchmark_out_format=json "$@"
done

if [ "$found" = 0 ]; then
    echo "bench: no *_bench executable in $bin (configure with -DARX_BENCH=ON and build)" >&2
    exit 1
fi

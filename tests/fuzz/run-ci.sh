#!/bin/sh
# Builds the libFuzzer target in its own build folder and runs it for a short while.
# Usage: tests/fuzz/run-ci.sh [seconds]   (default 60). Needs clang and its fuzzer runtime.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-60}
build=${ARX_FUZZ_BUILD:-$root/build-fuzz-ci}
work=${ARX_FUZZ_WORK:-$build/fuzz-work}

cmake -S "$root" -B "$build" -G Ninja -DARX_FUZZ=ON -DARX_BENCH=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
cmake --build "$build" --target fuzz_dxf_tags -j2

# Seeds: the regression inputs kept in the repository, plus small drawings from the shared
# corpus when it is there.
mkdir -p "$work/corpus" "$work/artifacts"
cp "$root"/tests/dxf/regressions/* "$work/corpus/" 2>/dev/null || true
corpus=${ARX_CORPUS_DIR:-$root/../shared/corpus}
if [ -d "$corpus" ]; then
    find "$corpus" -name '*.dxf' -size -20k | head -n 20 | while read -r f; do
        cp "$f" "$work/corpus/seed-$(basename "$f")"
    done
fi

"$build/bin/fuzz_dxf_tags" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
    -dict="$root/tests/fuzz/dxf.dict" -artifact_prefix="$work/artifacts/" "$work/corpus"

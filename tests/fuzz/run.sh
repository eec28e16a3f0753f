#!/bin/sh
# Builds libFuzzer targets in their own build folder and runs each for a while.
# Usage: tests/fuzz/run.sh [seconds] [dxf] [proxy]   (default: 60 seconds, both targets)
#   dxf    fuzz_dxf_tags, the DXF tag reader, seeded with the kept regression inputs and
#          small drawings of the shared corpus;
#   proxy  fuzz_proxy_graphics, the proxy-picture decoder, seeded with the stored
#          pictures found in the corpus's drawings.
# Needs clang and its fuzzer runtime. ARX_FUZZ_BUILD, ARX_FUZZ_WORK and ARX_CORPUS_DIR
# move the build folder, the work folder and the corpus.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-dxf proxy}
build=${ARX_FUZZ_BUILD:-$root/build-fuzz}
work=${ARX_FUZZ_WORK:-$build/fuzz-work}
corpus=${ARX_CORPUS_DIR:-$root/../shared/corpus}

cmake -S "$root" -B "$build" -G Ninja -DARX_FUZZ=ON -DARX_BENCH=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null

seed_dxf() {
    cp "$root"/tests/dxf/regressions/* "$1/" 2>/dev/null || true
    if [ -d "$corpus" ]; then
        find "$corpus" -name '*.dxf' -size -20k | sort | head -n 20 | while read -r f; do
            cp "$f" "$1/seed-$(basename "$f")"
        done
    fi
}

# The stored pictures (binary chunks of group 310 after a size in 92 or 160).
seed_proxy() {
    [ -d "$corpus" ] || return 0
    /usr/bin/python3 - "$corpus" "$1" <<'PY'
import os, sys
src, dst = sys.argv[1], sys.argv[2]
n = 0
for base, _, files in sorted(os.walk(src)):
    for name in sorted(files):
        if not name.lower().endswith(".dxf"):
            continue
        lines = open(os.path.join(base, name), "rb").read().decode("latin-1").split("\n")
        tags = [(lines[i].strip(), lines[i + 1].strip()) for i in range(0, len(lines) - 1, 2)]
        i = 0
        while i < len(tags):
            if tags[i][0] in ("92", "160") and i + 1 < len(tags) and tags[i + 1][0] == "310":
                j, data = i + 1, b""
                while j < len(tags) and tags[j][0] == "310":
                    try:
                        data += bytes.fromhex(tags[j][1])
                    except ValueError:
                        break
                    j += 1
                if 8 <= len(data) <= 16384:
                    open(os.path.join(dst, "seed-%04d" % n), "wb").write(data)
                    n += 1
                i = j
            else:
                i += 1
PY
}

for t in $targets; do
    case $t in
        dxf) exe=fuzz_dxf_tags; extra="-dict=$root/tests/fuzz/dxf.dict" ;;
        proxy) exe=fuzz_proxy_graphics; extra="" ;;
        *) echo "run.sh: unknown target $t (dxf or proxy)" >&2; exit 2 ;;
    esac
    cmake --build "$build" --target "$exe" -j2
    mkdir -p "$work/$t/corpus" "$work/$t/artifacts"
    "seed_$t" "$work/$t/corpus"
    # shellcheck disable=SC2086
    "$build/bin/$exe" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 $extra \
        -artifact_prefix="$work/$t/artifacts/" "$work/$t/corpus"
done

#!/bin/sh
# Builds the proxy-graphics fuzz target in its own build folder and runs it for a short while.
# Usage: tests/proxy/run-fuzz.sh [seconds]   (default 60). Needs clang and its fuzzer runtime.
# Seeds: the graphics buffers of the shared corpus's drawings, when the corpus is there.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-60}
build=${ARX_FUZZ_BUILD:-$root/build-fuzz-proxy}
work=${ARX_FUZZ_WORK:-$build/fuzz-work}

cmake -S "$root" -B "$build" -G Ninja -DARX_FUZZ=ON -DARX_BENCH=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
cmake --build "$build" --target fuzz_proxy_graphics -j2

mkdir -p "$work/corpus" "$work/artifacts"
corpus=${ARX_CORPUS_DIR:-$root/../shared/corpus}
if [ -d "$corpus" ]; then
    /usr/bin/python3 - "$corpus" "$work/corpus" <<'PY'
import os, sys
src, dst = sys.argv[1], sys.argv[2]
n = 0
for base, _, files in os.walk(src):
    for name in files:
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
fi

"$build/bin/fuzz_proxy_graphics" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/artifacts/" "$work/corpus"

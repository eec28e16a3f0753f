#!/bin/sh
# Load/save benchmark of the DXF layer against ezdxf on the same file.
# Usage: sh bench/host/run.sh BUILD_DIR [TOP_LEVEL_ENTITIES]
# The default makes a drawing of about 100 MB (a million records).
set -eu
build=${1:-build}
count=${2:-340000}
here=$(dirname "$0")
file=${TMPDIR:-/tmp}/arx-bench-drawing.dxf
[ -f "$file.$count" ] || { /usr/bin/python3 "$here/gen_drawing.py" "$file" "$count" && touch "$file.$count"; }
echo "drawing: $file ($(du -m "$file" | cut -f1) MB)"
"$build/bin/dxf_bench" --peak "$file"
ARX_BENCH_DXF=$file "$build/bin/dxf_bench" --benchmark_counters_tabular=true
echo "ezdxf on the same file:"
/usr/bin/python3 "$here/ezdxf_loadsave.py" "$file"

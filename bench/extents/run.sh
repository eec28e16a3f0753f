#!/bin/sh
# Extents benchmark (getGeomExtents of every entity) against ezdxf.bbox on the same drawing.
# Usage: sh bench/extents/run.sh BUILD_DIR [ENTITIES [EZDXF_ENTITIES]]
# The default drawing has a million entities (about 170 MB); ezdxf measures the first 100,000
# of them (0: all; that takes ezdxf about ten minutes) after loading the whole file, which
# alone takes it more than a minute.
set -eu
build=${1:-build}
count=${2:-1000000}
sample=${3:-100000}
here=$(dirname "$0")
tmp=${TMPDIR:-/tmp}
file=$tmp/arx-bench-extents.dxf
if [ ! -f "$file.$count" ]; then
    rm -f "$file".[0-9]*
    /usr/bin/python3 "$here/gen_extents_drawing.py" "$file" "$count" && touch "$file.$count"
fi
echo "drawing: $file ($(du -m "$file" | cut -f1) MB, $count entities)"
echo "load: $(uptime)"
json=$tmp/arx-bench-extents.json
ARX_BENCH_DXF=$file "$build/bin/extents_bench" --benchmark_counters_tabular=true \
    --benchmark_out="$json" --benchmark_out_format=json
echo "the same entities as ezdxf measures:"
"$build/bin/extents_bench" --union "$file" "$sample"
echo "ezdxf on the first $sample entities of the same file (0: all):"
base=$(/usr/bin/python3 "$here/ezdxf_bbox.py" "$file" "$sample")
echo "$base"
echo "load: $(uptime)"
/usr/bin/python3 - "$json" "$base" <<'PY'
import json
import sys

runs = {b['name'].split('/min_time')[0]: b for b in json.load(open(sys.argv[1]))['benchmarks']}
base = dict(kv.split('=', 1) for kv in sys.argv[2].split(' ', 5)[:5])
b = runs.get('BM_GeomExtents')
if not b or 'items_per_second' not in b:
    print('BM_GeomExtents: no result')
else:
    ez = float(base['entities_s'])
    print(f'extents: {b["items_per_second"]:.0f} entities/s = {b["items_per_second"] / ez:.1f} x ezdxf')
PY

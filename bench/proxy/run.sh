#!/bin/sh
# Explode benchmark of proxy entities against ezdxf decoding the same proxies' graphics.
# Usage: sh bench/proxy/run.sh BUILD_DIR [PROXIES [EZDXF_PROXIES]]
# The default drawing has 100,000 proxies (about 300 MB); ezdxf decodes the first 10,000 of
# them (0: all, about a minute more) so that its part stays short.
set -eu
build=${1:-build}
count=${2:-100000}
sample=${3:-10000}
here=$(dirname "$0")
tmp=${TMPDIR:-/tmp}
file=$tmp/arx-bench-proxies.dxf
if [ ! -f "$file.$count" ]; then
    rm -f "$file".[0-9]*
    /usr/bin/python3 "$here/gen_proxy_drawing.py" "$file" "$count" && touch "$file.$count"
fi
echo "drawing: $file ($(du -m "$file" | cut -f1) MB, $count proxies)"
echo "load: $(uptime)"
json=$tmp/arx-bench-proxies.json
ARX_BENCH_PROXY_DXF=$file "$build/bin/proxy_bench" --benchmark_counters_tabular=true \
    --benchmark_out="$json" --benchmark_out_format=json
echo "ezdxf on the first $sample proxies of the same file (0: all):"
base=$(/usr/bin/python3 "$here/ezdxf_proxy.py" "$file" "$sample")
echo "$base"
echo "load: $(uptime)"
/usr/bin/python3 - "$json" "$base" <<'PY'
import json
import sys

runs = {b['name'].split('/min_time')[0]: b for b in json.load(open(sys.argv[1]))['benchmarks']}
base = dict(kv.split('=', 1) for kv in sys.argv[2].split())
ez_proxies, ez_pieces = float(base['proxies_s']), float(base['pieces_s'])
for name, what in (('BM_ExplodeProxies/0', 'all proxies'), ('BM_ExplodeProxies/10000', 'first 10,000')):
    b = runs.get(name)
    if not b or 'items_per_second' not in b:
        print(f'{name}: no result')
        continue
    print(f'explode, {what}: {b["items_per_second"]:.0f} proxies/s = {b["items_per_second"] / ez_proxies:.1f} x ezdxf, '
          f'{b["pieces_per_s"]:.0f} pieces/s = {b["pieces_per_s"] / ez_pieces:.1f} x ezdxf')
PY

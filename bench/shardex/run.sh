#!/bin/sh
# Cleanup benchmark: ExplodeAllProxy and RemoveAllProxy end to end in cadhost (load the
# drawing, run the command, save) against ezdxf doing the same (ezdxf_cleanup.py), in one run.
#
#   sh bench/shardex/run.sh BUILD_DIR [PROXIES [EZDXF_PROXIES [OBJECTS]]]
#
# Drawings (made once, kept in $TMPDIR):
#  - the proxy benchmark drawing of bench/proxy (PROXIES proxies with full pictures, default
#    100,000, about 300 MB): cadhost only, unless EZDXF_FULL=1 (ezdxf needs about ten minutes);
#  - the same kind of drawing with EZDXF_PROXIES proxies (default 10,000): both, the ratio;
#  - OBJECTS objects (default 1,000,000) with sparse handles up to 2^44 and a handle seed of
#    7FFFFFFFFFFFFFFF, 1,000 of them proxies: RemoveAllProxy's scan, and ezdxf removing them.
# Figures: seconds end to end, proxies per second, MB of drawing per second, peak memory.
set -eu
build=${1:-build}
count=${2:-100000}
sample=${3:-10000}
objects=${4:-1000000}
here=$(dirname "$0")
tmp=${TMPDIR:-/tmp}
host="$build/bin/cadhost"
module="$build/bin/Shardex2025x64.arx"
for f in "$host" "$module"; do
    [ -f "$f" ] || { echo "bench: $f not found; build first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CADHOST_REGISTRY="$work/registry.ini"
results="$work/results"
: >"$results"

# generate FILE COUNT GENERATOR...: writes FILE once per COUNT.
generate() {
    file=$1 n=$2
    shift 2
    if [ ! -f "$file.$n" ]; then
        rm -f "$file".[0-9]*
        /usr/bin/python3 "$@" "$file" "$n" && touch "$file.$n"
    fi
}
big="$tmp/arx-bench-proxies.dxf"
small="$tmp/arx-bench-proxies-small.dxf"
sparse="$tmp/arx-bench-sparse.dxf"
generate "$big" "$count" "$here/../proxy/gen_proxy_drawing.py"
generate "$small" "$sample" "$here/../proxy/gen_proxy_drawing.py"
generate "$sparse" "$objects" "$here/gen_sparse_drawing.py"

# record NAME FILE PROXIES cadhost SCRIPT | record NAME FILE PROXIES ezdxf MODE: runs it once,
# keeps seconds and peak memory.
record() {
    name=$1 file=$2 proxies=$3 kind=$4 arg=$5
    rm -f "$work/out.dxf"
    if [ "$kind" = cadhost ]; then
        printf "$arg" >"$work/script-$name.scr"
        set -- "$host" -l "$module" -s "$work/script-$name.scr" "$file"
    else
        set -- /usr/bin/python3 "$here/ezdxf_cleanup.py" "$arg" "$file" "$work/out.dxf"
    fi
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/$name.log" 2>&1 || { cat "$work/$name.log"; exit 1; }
    read -r secs kb <"$work/time"
    echo "$name file=$file size=$(stat -c %s "$file") proxies=$proxies s=$secs kb=$kb" >>"$results"
}
save='SAVEAS\n\n'"$work"'/out.dxf\n'

echo "load: $(uptime)"
for which in small big; do
    eval "file=\$$which"
    n=$([ "$which" = small ] && echo "$sample" || echo "$count")
    record "$which-load-save" "$file" 0 cadhost "$save"
    record "$which-explode" "$file" "$n" cadhost "ExplodeAllProxy\n$save"
    record "$which-remove" "$file" "$n" cadhost "RemoveAllProxy\nNo\n$save"
    if [ "$which" = small ] || [ "${EZDXF_FULL:-0}" = 1 ]; then
        record "$which-ezdxf-explode" "$file" "$n" ezdxf explode
        record "$which-ezdxf-remove" "$file" "$n" ezdxf remove
    fi
done
record sparse-load "$sparse" 0 cadhost ""
record sparse-scan "$sparse" 1000 cadhost "RemoveAllProxy\nNo\n"
record sparse-remove "$sparse" 1000 cadhost "RemoveAllProxy\nNo\n$save"
record sparse-ezdxf-remove "$sparse" 1000 ezdxf remove
grep -h 'Удалено Proxy\|Всего удалено' "$work"/small-*.log "$work"/sparse-scan.log | sort | uniq -c
echo "load: $(uptime)"

/usr/bin/python3 - "$results" <<'PY'
import sys

runs = {}
for line in open(sys.argv[1]):
    name, *kv = line.split()
    runs[name] = {k: v for k, v in (x.split('=', 1) for x in kv)}


def fig(name):
    r = runs[name]
    s, mb, n = float(r['s']), int(r['size']) / 1e6, int(r['proxies'])
    per = f'{n / s:,.0f} proxies/s, ' if n else ''
    return s, f'{s:7.2f} s  ({per}{mb / s:,.1f} MB/s, peak {int(r["kb"]) / 1024:,.0f} MB)'


for which in ('small', 'big'):
    if f'{which}-explode' not in runs:
        continue
    r = runs[f'{which}-explode']
    print(f'\n{r["proxies"]} proxies, {int(r["size"]) / 1e6:,.0f} MB ({r["file"]})')
    print(f'  cadhost load + save          {fig(f"{which}-load-save")[1]}')
    for cmd in ('explode', 'remove'):
        s, text = fig(f'{which}-{cmd}')
        label = 'ExplodeAllProxy' if cmd == 'explode' else 'RemoveAllProxy'
        print(f'  cadhost {label:<20} {text}')
        if f'{which}-ezdxf-{cmd}' in runs:
            es, etext = fig(f'{which}-ezdxf-{cmd}')
            print(f'  ezdxf   {cmd:<20} {etext}')
            print(f'  -> cadhost {es / s:.1f} x ezdxf end to end')
r = runs['sparse-scan']
print(f'\n{int(r["size"]) / 1e6:,.0f} MB drawing, sparse handles, 1,000 proxies ({r["file"]})')
load = float(runs['sparse-load']['s'])
print(f'  cadhost load only            {fig("sparse-load")[1]}')
print(f'  cadhost RemoveAllProxy       {fig("sparse-scan")[1]}  (scan and erase: {float(r["s"]) - load:.2f} s)')
s, text = fig('sparse-remove')
print(f'  cadhost RemoveAllProxy+save  {text}')
es, etext = fig('sparse-ezdxf-remove')
print(f'  ezdxf   remove + save        {etext}')
print(f'  -> cadhost {es / s:.1f} x ezdxf end to end')
PY

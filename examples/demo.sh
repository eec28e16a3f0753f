#!/bin/sh
# The demo of the README:
#  0. the main job: cadhost opens examples/damaged.dxf, loads the recoding
#     module Transkodo2018x32.arx, runs TranskodoCP with "Dos -> Windows" from a
#     script and saves the result to a temporary file; the layer names and texts
#     are shown before and after (as ezdxf reads them);
#  1. cadhost opens examples/damaged.dxf, a drawing whose Cyrillic names and
#     texts were damaged on the way (DOS 866 read as Windows 1251, \U+ escapes),
#     lists what it holds and audits it; each damaged string is then shown with
#     what the DOS -> Windows and escapes -> Windows directions make of it;
#  2. every sample text in examples/sample-texts.txt is recoded in each of the
#     six directions, one line per direction;
#  3. the cleanup module explodes and removes the proxies of examples/proxies.dxf
#     (a copy of it), with the entity counts by type before and after.
#
#   sh examples/demo.sh BUILD_DIR
set -eu

build=${1:-build}
here=$(dirname "$0")
tool="$build/bin/recode-text"
host="$build/bin/cadhost"
for exe in "$tool" "$host"; do
    if [ ! -x "$exe" ]; then
        echo "demo: $exe not found; build first (make build)" >&2
        exit 1
    fi
done

echo "== Transkodo on $here/damaged.dxf: TranskodoCP, \"Dos -> Windows\", saved to a new file"
recoder="$build/bin/Transkodo2018x32.arx"
if [ ! -f "$recoder" ]; then
    echo "demo: $recoder not found; build first (make build)" >&2
    exit 1
fi
repaired=$(mktemp -d)
# Layer names and texts of a drawing, as ezdxf reads them.
names() {
    /usr/bin/python3 - "$1" <<'PY'
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
print('  layers: ' + ', '.join(l.dxf.name for l in doc.layers if l.dxf.name not in ('0', 'Defpoints')))
for e in doc.modelspace().query('TEXT MTEXT'):
    print('  %-5s   %s' % (e.dxftype(), e.dxf.text if e.dxftype() == 'TEXT' else e.text))
PY
}
echo "before:"
names "$here/damaged.dxf"
# The options dialog: the direction, Enter for each of the seven options, Enter for OK.
printf 'TranskodoCP\nDos -> Windows\n\n\n\n\n\n\n\n\nSAVEAS\n\n%s\n' "$repaired/repaired.dxf" >"$repaired/repair.scr"
"$host" -r 22.0 -l "$recoder" -s "$repaired/repair.scr" "$here/damaged.dxf" >"$repaired/log.txt"
grep -e '^Command: [A-Z]' -e 'готово' -e '^Saved' "$repaired/log.txt" | sed -n '1p;2p;$p' | sed 's/^/  | /'
echo "after:"
names "$repaired/repaired.dxf"
rm -rf "$repaired"
echo

echo "== cadhost on $here/damaged.dxf: LIST of everything, then AUDIT"
script=$(mktemp)
listing=$(mktemp)
trap 'rm -f "$script" "$listing"' EXIT
printf 'LIST\nALL\n\nAUDIT\nN\nQUIT\n' >"$script"
"$host" -s "$script" "$here/damaged.dxf" | tee "$listing"
echo
echo "== The damaged strings of the drawing, recoded"
# Every quoted layer name and text of the listing, once each.
grep -o '"[^"]*"' "$listing" | sed 's/^"//; s/"$//' | awk '!seen[$0]++' |
    while IFS= read -r s; do
        printf '%s\n' "$s"
        printf '  %-30s %s\n' "DOS -> Windows" "$(printf '%s\n' "$s" | "$tool" --mode dos2win)"
        printf '  %-30s %s\n' "escapes -> Windows" "$(printf '%s\n' "$s" | "$tool" --mode cyr2win)"
    done
echo

echo "== The sample texts in every direction"
modes=$("$tool" --list-modes)
tab=$(printf '\t')
while IFS= read -r line || [ -n "$line" ]; do
    case $line in
        '#'* | '') continue ;;
    esac
    printf '%s\n' "$line"
    printf '%s\n' "$modes" | while IFS="$tab" read -r number name label; do
        result=$(printf '%s\n' "$line" | "$tool" --mode "$number")
        printf '  %-30s %s\n' "$label" "$result"
    done
    echo
done <"$here/sample-texts.txt"

echo "== Shardex on $here/proxies.dxf: ExplodeAllProxy, then RemoveAllProxy"
module="$build/bin/Shardex2025x64.arx"
if [ ! -f "$module" ]; then
    echo "demo: $module not found; build first (make build)" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -f "$script" "$listing"; rm -rf "$work"' EXIT
cp "$here/proxies.dxf" "$work/plan.dxf"
# Entity counts by type in every block, and the proxy objects, as ezdxf reads the drawing.
count() {
    /usr/bin/python3 - "$1" <<'PY'
import collections, sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
kinds = collections.Counter(e.dxftype() for block in doc.blocks for e in block)
kinds.update(e.dxftype() for e in doc.objects if e.dxftype() == 'ACAD_PROXY_OBJECT')
print('  ' + ', '.join('%s %d' % kv for kv in sorted(kinds.items())))
PY
}
echo "before:"
count "$work/plan.dxf"
printf 'ExplodeAllProxy\nRemoveAllProxy\nNo\nSAVEAS\n\n%s\n' "$work/clean.dxf" >"$work/clean.scr"
CADHOST_REGISTRY="$work/registry.ini" "$host" -l "$module" -s "$work/clean.scr" "$work/plan.dxf" |
    grep -v '^Command: $'
echo "after:"
count "$work/clean.dxf"

#!/bin/sh
# Recoding benchmark: TranskodoFiles end to end in cadhost (dialog answers from a script,
# read, recode "Dos -> Windows", save over the file with a backup) against an ezdxf script
# doing the same work (ezdxf_recode.py), in one run.
#
#   sh bench/transkodo/run.sh BUILD_DIR [FILES [EZDXF_FILES]]
#
# Drawings (made once with bench/host/gen_drawing.py, kept in $TMPDIR): ten sizes from about
# 100 KB to 1 MB (texts, lines with extended data, block references with attributes),
# copied round-robin into FILES files (default 1000); a tiny drawing, 200 copies, for the
# per-file overhead; the 100 MB drawing of bench/host. ezdxf works on the first EZDXF_FILES
# (default 50) of the small files and on a 10 MB drawing of the same kind (on the 100 MB
# one too with EZDXF_FULL=1: several minutes). Every run starts from fresh copies.
# Figures: files per second and MB per second end to end, and cadhost's speed as a multiple
# of ezdxf's (same files or same kind of drawing).
set -eu
build=${1:-build}
files=${2:-1000}
sample=${3:-50}
here=$(dirname "$0")
gen="$here/../host/gen_drawing.py"
tmp=${TMPDIR:-/tmp}
host="$build/bin/cadhost"
module="$build/bin/Transkodo2018x32.arx"
for f in "$host" "$module"; do
    [ -f "$f" ] || { echo "bench: $f not found; build first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CADHOST_REGISTRY="$work/registry.ini"

# drawing FILE ENTITIES: made once.
drawing() {
    [ -f "$1.$2" ] || { /usr/bin/python3 "$gen" "$1" "$2" >/dev/null && touch "$1.$2"; }
}
base="$tmp/arx-bench-transkodo"
for i in 1 2 3 4 5 6 7 8 9 10; do drawing "$base-$i.dxf" $((i * 340)); done
drawing "$base-tiny.dxf" 0
drawing "$base-10mb.dxf" 34000
drawing "$tmp/arx-bench-drawing.dxf" 340000  # shared with bench/host

# fill DIR COUNT SOURCE...: COUNT fresh copies of the sources, round-robin.
fill() {
    dir=$1 n=$2
    shift 2
    rm -rf "$dir"
    mkdir -p "$dir"
    i=0
    while [ "$i" -lt "$n" ]; do
        for src in "$@"; do
            [ "$i" -lt "$n" ] || break
            cp "$src" "$dir/$(printf 'd%05d' "$i").dxf"
            i=$((i + 1))
        done
    done
}
mb() { du -sbc "$@" | tail -1 | awk '{printf "%.1f", $1 / 1048576}'; }
# seconds COMMAND...: wall-clock seconds of one run; its processor seconds (user and
# system) are left in $work/cpu.
seconds() {
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
    read -r wall user sys <"$work/time"
    awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }' >"$work/cpu"
    echo "$wall"
}
cpu() { cat "$work/cpu"; }
# cadhost_files PATTERN: TranskodoFiles with Dos -> Windows over the files the pattern names.
cadhost_files() {
    printf 'TranskodoFiles\nDos -> Windows\n\n\n\n\n\n\n\n\n%s\n\n' "$1" >"$work/batch.scr"
    seconds "$host" -l "$module" -s "$work/batch.scr"
}
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.1f", (s > 0 ? n / s : 0) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", (b > 0 ? a / b : 0) }'; }

echo "load: $(uptime)"
smalls=$(for i in 1 2 3 4 5 6 7 8 9 10; do printf '%s ' "$base-$i.dxf"; done)

# 1. Small drawings.
fill "$work/small" "$files" $smalls
size=$(mb "$work/small")
s=$(cadhost_files "$work/small/*.dxf")
sc=$(cpu)
n=$(grep -c 'Конвертируется файл' "$work/log" || true)
[ "$n" = "$files" ] || { echo "bench: cadhost recoded $n of $files files" >&2; exit 1; }
fill "$work/sample" "$sample" $smalls
sample_mb=$(mb "$work/sample")
se=$(seconds /usr/bin/python3 "$here/ezdxf_recode.py" "$work"/sample/*.dxf)
sec=$(cpu)
echo "small drawings: $files files, $size MB"
echo "  cadhost  $s s (processor $sc s)   $(rate "$files" "$s") files/s   $(rate "$size" "$s") MB/s"
echo "  ezdxf    $se s (processor $sec s; $sample files, $sample_mb MB)   $(rate "$sample" "$se") files/s   $(rate "$sample_mb" "$se") MB/s"
echo "  cadhost / ezdxf: $(ratio "$(rate "$size" "$s")" "$(rate "$sample_mb" "$se")") x in MB/s, $(ratio "$(rate "$size" "$sc")" "$(rate "$sample_mb" "$sec")") x in MB per processor second"

# 2. Per-file overhead: tiny drawings, and the start of cadhost with the module.
fill "$work/tiny" 200 "$base-tiny.dxf"
st=$(cadhost_files "$work/tiny/*.dxf")
stc=$(cpu)
: >"$work/empty.scr"
s0=$(seconds "$host" -l "$module" -s "$work/empty.scr")
echo "tiny drawings ($(du -b "$base-tiny.dxf" | cut -f1) bytes): 200 in $st s: $(awk -v s="$st" 'BEGIN { printf "%.2f", s * 1000 / 200 }') ms per file, $(awk -v s="$stc" 'BEGIN { printf "%.2f", s * 1000 / 200 }') ms of processor (read, recode, save with backup; the rest waits for the disk: each save is synced); cadhost start with the module $s0 s"

# 3. The 100 MB drawing, and a 10 MB one for ezdxf.
fill "$work/big" 1 "$tmp/arx-bench-drawing.dxf"
big_mb=$(mb "$work/big")
sb=$(cadhost_files "$work/big/*.dxf")
sbc=$(cpu)
fill "$work/ten" 1 "$base-10mb.dxf"
ten_mb=$(mb "$work/ten")
s10=$(cadhost_files "$work/ten/*.dxf")
s10c=$(cpu)
fill "$work/ten" 1 "$base-10mb.dxf"
se10=$(seconds /usr/bin/python3 "$here/ezdxf_recode.py" "$work"/ten/*.dxf)
se10c=$(cpu)
echo "100 MB drawing ($big_mb MB): cadhost $sb s (processor $sbc s), $(rate "$big_mb" "$sb") MB/s"
echo "10 MB drawing ($ten_mb MB): cadhost $s10 s (processor $s10c s), $(rate "$ten_mb" "$s10") MB/s; ezdxf $se10 s (processor $se10c s), $(rate "$ten_mb" "$se10") MB/s; cadhost / ezdxf: $(ratio "$se10" "$s10") x, $(ratio "$se10c" "$s10c") x in processor time"
if [ "${EZDXF_FULL:-0}" = 1 ]; then
    fill "$work/big" 1 "$tmp/arx-bench-drawing.dxf"
    seb=$(seconds /usr/bin/python3 "$here/ezdxf_recode.py" "$work"/big/*.dxf)
    echo "100 MB drawing: ezdxf $seb s, $(rate "$big_mb" "$seb") MB/s; cadhost / ezdxf: $(ratio "$seb" "$sb") x"
fi

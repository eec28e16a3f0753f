#!/bin/sh
# Walk benchmark: read the 100 MB drawing of bench/host with its Cyrillic names and texts
# in DOS form, recodeDrawing "Dos -> Windows" with every scope flag, save; against an
# ezdxf script recoding the same places with Python's codecs (ezdxf_walk.py), in one run.
#
#   sh bench/walk/run.sh BUILD_DIR [TOP_LEVEL_ENTITIES]
#
# Figures: wall-clock and processor seconds of read, pass and save, MB of the input per
# second for the pass and end to end, peak memory (and as a multiple of the file), and
# ezdxf's times as multiples of the walk's. ezdxf parses every record when it reads the
# drawing and the host only the records that are opened, so the walk's pass carries the
# parsing that ezdxf's read does: compare end to end.
set -eu
build=${1:-build}
count=${2:-340000}
here=$(dirname "$0")
tmp=${TMPDIR:-/tmp}
plain=$tmp/arx-bench-drawing.dxf
[ -f "$plain.$count" ] || { /usr/bin/python3 "$here/../host/gen_drawing.py" "$plain" "$count" && touch "$plain.$count"; }
dos=$tmp/arx-bench-walk-dos.dxf
[ -f "$dos.$count" ] || { /usr/bin/python3 "$here/dos_drawing.py" "$plain" "$dos" && touch "$dos.$count"; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
echo "drawing: $dos ($(du -m "$dos" | cut -f1) MB, Cyrillic in DOS form)"
echo "walk (load + recodeDrawing Dos -> Windows, all flags + save):"
"$build/bin/walk_bench" "$dos" "$out/walk.dxf" 0 2>"$out/walk.txt" >/dev/null
cat "$out/walk.txt"
echo "ezdxf (the same places with Python's codecs):"
/usr/bin/python3 "$here/ezdxf_walk.py" "$dos" "$out/ezdxf.dxf" >"$out/ezdxf.txt"
cat "$out/ezdxf.txt"
awk '{ v[FILENAME, $1] = $2 } END {
    w = ARGV[1]; e = ARGV[2]
    we = v[w, "load_s"] + v[w, "pass_s"] + v[w, "save_s"]
    wc = v[w, "load_cpu_s"] + v[w, "pass_cpu_s"] + v[w, "save_cpu_s"]
    ec = v[e, "load_cpu_s"] + v[e, "pass_cpu_s"] + v[e, "save_cpu_s"]
    printf "ratios (ezdxf time / walk time): pass %.1fx (processor %.1fx), end to end %.1fx (processor %.1fx)\n",
        v[e, "pass_s"] / v[w, "pass_s"], v[e, "pass_cpu_s"] / v[w, "pass_cpu_s"], v[e, "total_s"] / we, ec / wc
    printf "peak memory: walk %.2fx the file, ezdxf %.2fx the file\n", v[w, "peak_per_file"], v[e, "peak_per_file"]
}' "$out/walk.txt" "$out/ezdxf.txt"

#!/bin/sh
# Recode every sample text in examples/sample-texts.txt in each of the six
# directions and print one line per direction: its label and the result.
#
#   sh examples/demo.sh BUILD_DIR
set -eu

build=${1:-build}
tool="$build/bin/recode-text"
samples="$(dirname "$0")/sample-texts.txt"
if [ ! -x "$tool" ]; then
    echo "demo: $tool not found; build first (make build)" >&2
    exit 1
fi

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
done <"$samples"

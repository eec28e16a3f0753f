#!/bin/sh
# Fails when the editor services (host/ed, host/ui) reach the drawing core past the
# interface: they may include the public headers and, of arxhost's own, only what it
# exports for the host's libraries (host/arx/hostapi.h, host/arx/geometry.h).
# Usage: check_editor.sh SOURCE_ROOT
set -eu
root=$1
found=$(grep -rnE '#[[:space:]]*include[[:space:]]*[<"]host/(core|dxf|proxy|arx)/' "$root/host/ed" "$root/host/ui" \
    2>/dev/null | grep -vE '[<"]host/arx/(hostapi|geometry)\.h[>"]' || true)
names=$(grep -rnE '\b(hostcore|dxf|proxygfx)::' "$root/host/ed" "$root/host/ui" 2>/dev/null || true)
if [ -n "$found$names" ]; then
    echo "the editor reaches past the interface:" >&2
    [ -z "$found" ] || echo "$found" >&2
    [ -z "$names" ] || echo "$names" >&2
    exit 1
fi
echo "the editor uses only the interface and arxhost's exported calls"

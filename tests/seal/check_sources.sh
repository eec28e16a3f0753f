#!/bin/sh
# Fails when a module source (the modules, the drawing walk, the test module)
# includes a header of the host's internals instead of its public interface.
# Usage: check_sources.sh SOURCE_ROOT
set -eu
root=$1
found=$(grep -rnE '#[[:space:]]*include[[:space:]]*[<"]host/(core|dxf|proxy|arx|ed)/' \
    "$root/walk" "$root/transkodo" "$root/shardex" "$root/tests/ed/edtest.cpp" \
    "$root/tests/seal/good_module.cpp" 2>/dev/null || true)
if [ -n "$found" ]; then
    echo "module sources include host internals:" >&2
    echo "$found" >&2
    exit 1
fi
echo "module sources include only the public interface"

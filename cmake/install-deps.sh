#!/bin/sh
# Makes sure the packages the build and the tests need are on this machine.
# On Debian and Ubuntu it installs what is missing with apt-get (through sudo when
# not run as root, after saying so); elsewhere it names what to install and goes on.
# Quiet and quick when everything is there. ARX_NO_INSTALL=1 only checks.
set -eu

packages="cmake g++ make ninja-build libgtest-dev libbenchmark-dev python3 python3-ezdxf libedit-dev"

if ! command -v dpkg-query >/dev/null 2>&1; then
    echo "install-deps: not a Debian system; make sure these are installed: $packages" >&2
    exit 0
fi

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case $status in
        *"install ok installed"*) ;;
        *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0

echo "install-deps: installing missing packages:$missing"
if [ "${ARX_NO_INSTALL:-0}" = 1 ]; then
    echo "install-deps: ARX_NO_INSTALL=1, not installing; the build or some tests may fail" >&2
    exit 0
fi
if [ "$(id -u)" = 0 ]; then
    run=""
elif command -v sudo >/dev/null 2>&1; then
    echo "install-deps: asking sudo for apt-get"
    run="sudo"
else
    echo "install-deps: not root and no sudo; install them by hand:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$run apt-get update -q
# shellcheck disable=SC2086
$run apt-get install -y -q --no-install-recommends $missing

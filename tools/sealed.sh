#!/usr/bin/env bash
# sealed.sh - runs the tests that need no network inside a network namespace that has
# nothing but loopback, so no fault of a test (a stray Enter on Start Scan, a real platform
# left behind a window) can send a packet to the machine's own network.
#
# Usage: sealed.sh up | down | exec CMD [ARGS...]
#   up      make the namespace (lo up, nothing else); nothing happens when it is there
#   down    stop its Wine servers and remove it; no error when nothing is there
#   exec    run CMD inside it (made first if missing) with WINEPREFIX set to the sealed
#           prefix of the architecture of the first Windows program among ARGS (or
#           VANTREL_ARCH), whose persistent wineserver runs inside the namespace: Wine
#           reports the adapters of the namespace its server runs in. The display's socket
#           in /tmp still reaches Xvfb. The command gets VANTREL_SEALED=1 and, in
#           VANTREL_OUTSIDE_ADDRESSES, the addresses of the namespace sealed away from, which
#           the test programs check are nowhere in their adapter list.
#
# Environment: VTL_SEALED_NS (vtl-sealed), VTL_SEALED_WINEPREFIX (/tmp/vantrel-sealed-wine;
# "-x86" or "-x64" is appended).
set -euo pipefail

readonly SCRIPT=${BASH_SOURCE[0]}
tools=$(cd "$(dirname "$SCRIPT")" && pwd)
source "$tools/wine-arch.sh"
source "$tools/wine-server.sh"

log() { printf 'sealed: %s\n' "$*" >&2; }
die() { log "error: $*"; exit 2; }

NS=${VTL_SEALED_NS:-vtl-sealed}
PREFIX_BASE=${VTL_SEALED_WINEPREFIX:-/tmp/vantrel-sealed-wine}
[[ $NS =~ ^[a-z][a-z0-9-]{0,30}$ ]] || die "bad namespace name '$NS'"
STATE_DIR=/run/vantrel-sealed-$NS

require_root() { [[ $(id -u) -eq 0 ]] || die "$1 needs root (network namespaces)"; }

take_lock() {
    mkdir -p "$STATE_DIR"
    exec 9>"$STATE_DIR/lock"
    flock 9
}
drop_lock() { exec 9>&-; }

# Only loopback, and up: anything else would not be sealed.
ensure_namespace() {
    if [[ ! -e /run/netns/$NS ]]; then
        ip netns add "$NS"
    fi
    ip -n "$NS" link set lo up
    local links
    links=$(ip -n "$NS" -o link show | awk -F': ' '{print $2}' | sed 's/@.*//' | grep -vx lo || true)
    [[ -z $links ]] || die "namespace $NS holds more than loopback: $links"
}

# The caller's own addresses (IPv4 and MAC) other than loopback's.
outside_addresses() {
    {
        ip -o -4 addr show | awk '{print $4}' | cut -d/ -f1 | grep -v '^127\.' || true
        ip -o link show | grep -o 'link/ether [0-9a-f:]*' | awk '{print $2}' | grep -v '^00:00:00:00:00:00$' || true
    } | sort -u | tr '\n' ' '
}

cmd_up() {
    require_root up
    take_lock
    ensure_namespace
    drop_lock
}

cmd_down() {
    require_root down
    local arch
    for arch in x86 x64; do stop_wineserver "$PREFIX_BASE-$arch"; done
    if [[ -e /run/netns/$NS ]]; then
        ip netns del "$NS"
    fi
    rm -rf "$STATE_DIR"
}

cmd_exec() {
    (($#)) || die "exec needs a command"
    require_root exec
    local arch prefix outside
    arch=${VANTREL_ARCH:-$(arch_of_command "$@")}
    [[ -n $arch ]] || die "no Windows program among the arguments, and no VANTREL_ARCH"
    prefix=$PREFIX_BASE-$arch
    outside=$(outside_addresses)
    take_lock
    ensure_namespace
    ensure_wine_in "$NS" "$prefix" "$arch" "$STATE_DIR"
    drop_lock
    export VANTREL_ARCH=$arch WINEPREFIX=$prefix VANTREL_SEALED=1 VANTREL_OUTSIDE_ADDRESSES=$outside
    exec ip netns exec "$NS" "$@"
}

case ${1:-} in
    up) cmd_up ;;
    down) cmd_down ;;
    exec) shift; cmd_exec "$@" ;;
    *) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$SCRIPT" >&2; exit 2 ;;
esac

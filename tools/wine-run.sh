#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix (made on first use),
# with Wine's debug output and its Mono/Gecko installers turned off. The loader and the
# prefix follow the program's architecture (its PE header, or VANTREL_ARCH=x86|x64 for a
# Wine built-in such as explorer): 32-bit and 64-bit prefixes never share a directory.
set -euo pipefail

# Prints x86 or x64 for a PE file, nothing for anything else.
pe_arch() {
    local file=$1 offset machine
    [ -f "$file" ] || return 0
    offset=$(od -An -tu4 -j60 -N4 "$file" 2>/dev/null | tr -d ' ')
    [ -n "$offset" ] || return 0
    machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$file" 2>/dev/null | tr -d ' ')
    case "$machine" in
        014c) echo x86 ;;
        8664) echo x64 ;;
    esac
}

arch=${VANTREL_ARCH:-$(pe_arch "${1:-}")}
arch=${arch:-x86}
case "$arch" in
    x86) loader=/usr/lib/wine/wine ;;
    x64) loader=/usr/lib/wine/wine64; export WINELOADER=$loader ;;
    *) echo "wine-run.sh: unknown architecture '$arch'" >&2; exit 2 ;;
esac

export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/vantrel/wineprefix-$arch}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# The virtual LAN makes its own prefix (and keeps its server running, so system.reg may
# not be written yet): never initialise that one here.
if [ ! -f "$WINEPREFIX/system.reg" ] && [ ! -f "$WINEPREFIX/.vantrel-lan-ready" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Parallel test runs may arrive here together: one of them makes the prefix.
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            "$loader" wineboot --init >/dev/null 2>&1 || true
            wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
fi

exec "$loader" "$@"

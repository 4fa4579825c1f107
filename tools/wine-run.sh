#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix (made on first use),
# with Wine's debug output and its Mono/Gecko installers turned off. The loader and the
# prefix follow the program's architecture (its PE header, or VANTREL_ARCH=x86|x64 for a
# Wine built-in such as explorer): 32-bit and 64-bit prefixes never share a directory.
set -euo pipefail
source "$(dirname "$0")/wine-arch.sh"

arch=${VANTREL_ARCH:-$(arch_of_command "$@")}
loader=$(wine_loader "$arch") || { echo "wine-run.sh: unknown architecture '$arch'" >&2; exit 2; }
# Wine's 64-bit loader finds itself only through WINELOADER (as Debian's wine script does).
[[ $arch != x64 ]] || export WINELOADER=$loader

WINEPREFIX=$(wine_prefix "$arch")
export WINEPREFIX
# Quiet but for the loader's errors, so a program that cannot start says why.
export WINEDEBUG="${WINEDEBUG:--all,err+module}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# The virtual LAN and the sealed namespace make their own prefixes and keep their servers
# running (so system.reg may not be written yet): never initialise those here.
if [ ! -f "$WINEPREFIX/system.reg" ] && [ ! -f "$WINEPREFIX/.vantrel-ns-ready" ]; then
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

link_wine_fonts "$WINEPREFIX"

exec "$loader" "$@"

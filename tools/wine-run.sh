#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix (made on first use),
# with Wine's debug output and its Mono/Gecko installers turned off.
set -euo pipefail

export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/vantrel/wineprefix}"
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
            wineboot --init >/dev/null 2>&1 || true
            wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
fi

exec wine "$@"

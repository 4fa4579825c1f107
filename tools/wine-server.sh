# Sourced by the scripts that keep a Wine server inside a network namespace of their own
# (the virtual LAN's scanner, the tests' sealed namespace): Wine reports the adapters of the
# namespace its server runs in, so a prefix's server must never run anywhere else. The
# caller defines log() and die().

# Written into a prefix that such a script made: tools/wine-run.sh never initialises it (its
# server runs for good, so waiting for it to end would never return).
WINE_NS_READY=.vantrel-ns-ready

ns_inode() { stat -L -c %i "/run/netns/$1" 2>/dev/null; }

# Alive and not a zombie (a reaped-late daemon lingers as one and kill -0 still succeeds).
pid_alive() {
    local stat
    read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
    stat=${stat##*) }
    [[ ${stat%% *} != Z ]]
}

wait_pids_gone() {
    local tries pid alive
    for ((tries = 0; tries < 50; tries++)); do
        alive=0
        for pid in "$@"; do pid_alive "$pid" && alive=1; done
        ((alive)) || return 0
        sleep 0.1
    done
    return 1
}

stop_pids() {
    (($#)) || return 0
    kill -TERM "$@" 2>/dev/null || true
    wait_pids_gone "$@" && return 0
    log "killing $* (did not stop in 5 s)"
    kill -KILL "$@" 2>/dev/null || true
    wait_pids_gone "$@" || log "warning: could not stop $*"
}

# PIDs of the wineserver serving PREFIX: it works in a directory named after the
# prefix's device and inode (server-DEV-INO, in hex).
wineserver_pids() {
    local prefix=$1 key dir pid comm cwd
    [[ -d $prefix ]] || return 0
    key=$(printf 'server-%x-%x' "$(stat -L -c %d "$prefix")" "$(stat -L -c %i "$prefix")")
    for dir in /proc/[0-9]*; do
        pid=${dir#/proc/}
        read -r comm 2>/dev/null <"$dir/comm" || continue
        [[ $comm == wineserver* ]] || continue
        cwd=$(readlink "$dir/cwd" 2>/dev/null) || continue
        [[ $cwd == */"$key" ]] && pid_alive "$pid" && echo "$pid"
    done
    return 0
}

stop_wineserver() {
    local prefix=$1
    local -a pids
    mapfile -t pids < <(wineserver_pids "$prefix")
    ((${#pids[@]})) || return 0
    log "stopping the wineserver of $prefix (pid ${pids[*]})"
    # -k also ends the Wine processes attached to it.
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    wait_pids_gone "${pids[@]}" || stop_pids "${pids[@]}"
}

# Makes sure a persistent wineserver for PREFIX runs inside namespace NS, ending one that
# runs elsewhere (the host, or an older incarnation of the namespace). Output goes to LOG.
# Status 0 when it was already there, 10 when it was started now, else a failure.
ensure_wineserver_in() {
    local ns=$1 prefix=$2 logfile=$3 want pid tries
    local -a pids
    mkdir -p "$prefix"
    want=$(ns_inode "$ns")
    [[ -n $want ]] || { log "no namespace $ns"; return 1; }
    mapfile -t pids < <(wineserver_pids "$prefix")
    for pid in "${pids[@]}"; do
        if [[ $(stat -L -c %i "/proc/$pid/ns/net" 2>/dev/null) != "$want" ]]; then
            log "the wineserver of $prefix (pid $pid) runs outside $ns; restarting it"
            stop_wineserver "$prefix"
            pids=()
            break
        fi
    done
    ((${#pids[@]} == 0)) || return 0

    # The daemon must not inherit a caller's lock (fd 9) nor its output, or a caller reading
    # our output through a pipe would wait for it forever.
    mkdir -p "$(dirname "$logfile")"
    ip netns exec "$ns" env WINEPREFIX="$prefix" WINEDEBUG=-all wineserver -p \
        9<&- </dev/null >>"$logfile" 2>&1 || { log "could not start a wineserver in $ns (see $logfile)"; return 1; }
    for ((tries = 0; tries < 50; tries++)); do
        [[ -z $(wineserver_pids "$prefix") ]] || return 10
        sleep 0.1
    done
    log "the wineserver of $prefix did not come up"
    return 1
}

# A prefix whose server lives in namespace NS, made ready there: the server, then the
# prefix itself on first use (the marker is written only after a complete wineboot, so an
# interrupted first run is finished by the next one), else Wine's service processes of a
# server started now. Logs go to DIR. Dies with the caller on a failure.
ensure_wine_in() {
    local ns=$1 prefix=$2 arch=$3 dir=$4 loader status=0
    local -a loader_env=()
    loader=$(wine_loader "$arch") || die "unknown architecture '$arch'"
    [[ $arch != x64 ]] || loader_env=(WINELOADER="$loader")
    ensure_wineserver_in "$ns" "$prefix" "$dir/wineserver.log" || status=$?
    [[ $status -eq 0 || $status -eq 10 ]] || die "no wineserver for $prefix in $ns"

    if [[ ! -f $prefix/$WINE_NS_READY ]]; then
        log "creating the Wine prefix $prefix (once; takes a while)"
        if ! ip netns exec "$ns" env WINEPREFIX="$prefix" WINEDEBUG=-all "${loader_env[@]}" \
            WINEDLLOVERRIDES="mscoree,mshtml=" "$loader" wineboot --init 9<&- </dev/null >"$dir/wineboot.log" 2>&1; then
            cat "$dir/wineboot.log" >&2
            die "wineboot --init failed in $ns"
        fi
        touch "$prefix/$WINE_NS_READY"
    elif ((status == 10)); then
        # Wine's service processes start with the first program of a server and live as
        # long as it; start them here, detached from the caller's output, or a caller
        # reading the command's output (a test runner) would wait for them forever.
        ip netns exec "$ns" env WINEPREFIX="$prefix" WINEDEBUG=-all "${loader_env[@]}" \
            WINEDLLOVERRIDES="mscoree,mshtml=" "$loader" wineboot 9<&- </dev/null >/dev/null 2>&1 || true
    fi
}

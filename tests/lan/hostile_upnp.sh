#!/usr/bin/env bash
# A small LAN (namespaces vthu-*) with two real UPnP media servers and one hostile UPnP device
# (tests/lan/hostile_upnp.py), for each mode given (all when none is): builds it, runs COMMAND in
# the scanner namespace, takes it down. The hosts:
#   h1  the gateway, no UPnP device
#   h2  nas.lan (a DNS name), minidlna "Family NAS"
#   h3  no name but its UPnP one, minidlna "Living Room TV" (location-elsewhere and redirect
#       point here)
#   h4  the hostile device: LAN_HOSTILE_UPNP_ADDR, LAN_HOSTILE_UPNP_MODE in COMMAND's environment;
#       in the dns-name mode it has a DNS name, hostile-N.lan (N its host number)
# COMMAND also gets the LAN's figures (LAN_..., tools/lan-env.sh). With --together one LAN holds
# every mode given at once, on h4, h5, ... (LAN_HOSTILE_UPNP_ADDRS and LAN_HOSTILE_UPNP_MODES,
# comma separated), and COMMAND runs once. COMMAND runs under tools/virtual-lan.sh exec (the LAN's
# own Wine prefix and wineserver), or with --native straight in the scanner namespace. Prints how
# long COMMAND took for each mode; fails when COMMAND failed for any.
#   hostile_upnp.sh [--together] [--native] [MODE...] -- COMMAND [ARGS...]      (as root)
#   hostile_upnp.sh -- tools/wine-run.sh build-x64/tests/lan_tests.exe --gtest_filter='LanUpnp.*'
#   hostile_upnp.sh --native trickle huge -- python3 tools/ask-upnp.py --report ...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tools=$(cd "$here/../../tools" && pwd)
lan=$tools/virtual-lan.sh

together=0 native=0 modes=()
while (($#)); do
    case $1 in
        --together) together=1 ;;
        --native) native=1 ;;
        --) shift; break ;;
        -*) echo "hostile_upnp.sh: unknown option $1" >&2; exit 2 ;;
        *) modes+=("$1") ;;
    esac
    shift
done
(($#)) || { echo "hostile_upnp.sh: no COMMAND (after --)" >&2; exit 2; }
((${#modes[@]})) || read -r -a modes <<<"$(python3 - "$here/hostile_upnp.py" <<'PY'
import importlib.util, sys
found = importlib.util.spec_from_file_location("hostile", sys.argv[1])
module = importlib.util.module_from_spec(found)
found.loader.exec_module(module)
print(" ".join(module.MODES))
PY
)"

export VTL_PREFIX=vthu VTL_NETBIOS_NAMES= VTL_MDNS_NAMES=
trap '"$lan" down >/dev/null 2>&1 || true' EXIT

# Builds the LAN with hostile devices of the modes given, runs COMMAND; prints its time.
run_lan() {
    local label=$1 upnp=,"media:Family NAS","media:Living Room TV" names=,nas.lan, mode addrs="" i start rc
    shift
    i=4
    for mode in "$@"; do
        upnp+=",hostile:$mode"
        names+=",$([[ $mode != dns-name ]] || echo "hostile-$i.lan")"
        i=$((i + 1))
    done
    VTL_HOSTS=$((3 + $#)) VTL_UPNP=$upnp VTL_HOST_NAMES=$names "$lan" up
    eval "$("$lan" info)"
    for ((i = 4; i < 4 + $#; i++)); do
        local a=LAN_HOST_${i}_ADDR
        addrs+=${addrs:+,}${!a}
    done
    export LAN_HOSTILE_UPNP_ADDRS=$addrs LAN_HOSTILE_UPNP_MODES
    LAN_HOSTILE_UPNP_MODES=$(IFS=,; echo "$*")
    export LAN_HOSTILE_UPNP_ADDR=$LAN_HOST_4_ADDR LAN_HOSTILE_UPNP_MODE=$1
    start=$(date +%s%N)
    rc=0
    if ((native)); then
        ip netns exec "$LAN_NS_SCANNER" "$tools/lan-env.sh" "${command[@]}" || rc=$?
    else
        "$lan" exec "$tools/lan-env.sh" "${command[@]}" || rc=$?
    fi
    results+=("$label: $( ((rc == 0)) && echo ok || echo "FAILED (exit $rc)"), $(((($(date +%s%N) - start) / 1000000))) ms")
    ((rc == 0)) || failed=1
    "$lan" down >/dev/null
}

command=("$@") results=() failed=0
if ((together)); then
    run_lan "${modes[*]}" "${modes[@]}"
else
    for mode in "${modes[@]}"; do run_lan "$mode" "$mode"; done
fi
printf 'hostile_upnp.sh: %s\n' "${results[@]}"
exit "$failed"

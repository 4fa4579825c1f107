#!/usr/bin/env bash
# Times Vantrel against nmap -sn -PR and arp-scan --localnet, in the same run and on the
# same virtual LAN: a sparse one (the LAN's default hosts, some named by DNS, some only by
# their own NetBIOS and multicast-DNS responders), the names LAN (the same, each run made again
# with the responders held, so that the names' cost is measured in the same minutes), a dense one (200
# more answering addresses, each with its own MAC) and a lossy one (12 hosts that each drop
# 20 % of the ARP requests they receive, as Wi-Fi loses broadcasts). For each tool: median
# of the runs, the hosts found (mean of the runs), and whether addresses, MACs and names
# agree with the LAN's own list (last run). On the lossy LAN also what the kernel itself
# resolves by 1.2 s after one datagram to every address, the floor a scanner must reach. For
# Vantrel also the click-to-summary time, the window's worst answer to WM_NULL during the
# run and while it renumbers and sorts the rows after the summary (asked every 10 ms from
# another process) and the Wine process's peak resident memory (VmHWM) against its idle
# figure. With BENCH_BASE_DIR, a second build of Vantrel (for example the last release's)
# scans too, just before each run of the first, so that the two compare within one run. The
# display runs a window manager (openbox), as a desktop does. Prints a Markdown table;
# everything runs in the LAN's scanner namespace, and the LAN is taken down at the end.
#
#   bash tools/bench.sh                  (as root)
#   BENCH_RUNS=5 BENCH_BUILD_DIR=build-x64 BENCH_BASE_DIR=../main/build-x64 BENCH_DISPLAY=:78 BENCH_LANS="names dense lossy" bash tools/bench.sh
#   (names: the sparse LAN, each run also with its name responders held)
#   (BENCH_KEEP=1 keeps every run's output)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine-arch.sh

readonly RUNS=${BENCH_RUNS:-5}
readonly BUILD_DIR=${BENCH_BUILD_DIR:-build}
readonly BENCH_X=${BENCH_DISPLAY:-:78}
readonly DENSE_HOSTS=200
readonly LOSSY_HOSTS=12 LOSSY_PERCENT=20
readonly LAN=tools/virtual-lan.sh

readonly BASE_DIR=${BENCH_BASE_DIR:-}

# The peers and the window manager come from Debian itself.
peers=()
for tool in nmap arp-scan openbox; do command -v "$tool" >/dev/null || peers+=("$tool"); done
if ((${#peers[@]})); then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${peers[@]}" >/dev/null
fi

source tools/scan-driver.sh
# The base build's programs first, then this one's: each run_vantrel names its own.
if [[ -n $BASE_DIR ]]; then
    use_build "$BASE_DIR" bench
    base_vantrel_win=$vantrel_win base_driver=$driver
fi
use_build "$BUILD_DIR" bench

work=$(mktemp -d)
cleanup() {
    "$LAN" down >/dev/null 2>&1 || true
    stop_window_manager
    tools/xvfb.sh stop "$BENCH_X" >/dev/null 2>&1 || true
    [[ -n ${BENCH_KEEP:-} ]] && echo "bench: the runs' files are in $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT
tools/xvfb.sh start "$BENCH_X"
export DISPLAY=$BENCH_X
start_window_manager

now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
mean() { awk '{s += $1} END {v = s / NR; printf (v == int(v) ? "%d" : "%.1f"), v}'; }
seconds() { awk -v ms="$1" 'BEGIN {printf "%.2f", ms / 1000}'; }
vmhwm() { awk '/^VmHWM/ {print $2}' "/proc/$1/status"; }

# The LAN's own list: "address|MAC|name|DNS name" per line, MACs as Windows writes them; the
# name is the DNS name, else the one published by multicast DNS, else the NetBIOS name, else
# the friendlyName of the host's own UPnP device (not a hostile one's).
lan_list() {
    local i addr mac name mdns netbios upnp upnp_name own
    {
        echo "$LAN_SCANNER_ADDR|$LAN_SCANNER_MAC|$(hostname)|$(hostname)"
        for ((i = 1; i <= LAN_HOST_COUNT; i++)); do
            addr=LAN_HOST_${i}_ADDR mac=LAN_HOST_${i}_MAC name=LAN_HOST_${i}_NAME
            mdns=LAN_HOST_${i}_MDNS netbios=LAN_HOST_${i}_NETBIOS
            upnp=LAN_HOST_${i}_UPNP upnp_name=LAN_HOST_${i}_UPNP_NAME
            own=
            case ${!upnp:-} in media | gateway) own=${!upnp_name:-} ;; esac
            echo "${!addr}|${!mac}|${!name:-${!mdns:-${!netbios:-$own}}}|${!name}"
        done
    } | sort -t. -k4,4n
}


flush_neighbours() { ip netns exec "$LAN_NS_SCANNER" ip neigh flush all; }

# What the scanner's kernel resolves by itself: one datagram to every address of the
# network, then the complete entries of its neighbour table 1.2 s later (after the one
# repeat of a lost request), plus the scanner itself, as the scanners count.
kernel_resolved() {
    flush_neighbours
    ip netns exec "$LAN_NS_SCANNER" python3 - "$LAN_NETWORK/$LAN_PREFIX_LEN" <<'PY'
import ipaddress, socket, sys, time
network = ipaddress.ip_network(sys.argv[1])
sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
sock.setblocking(False)
start = time.monotonic()
for host in network.hosts():
    try:
        sock.sendto(b"", (str(host), 9))
    except BlockingIOError:
        pass
time.sleep(max(0.0, start + 1.2 - time.monotonic()))
with open("/proc/net/arp") as table:
    rows = [line.split() for line in table.read().splitlines()[1:]]
print(1 + sum(1 for row in rows if int(row[2], 16) & 2 and ipaddress.ip_address(row[0]) in network))
PY
}

# One timed Vantrel run of the build whose driver and program are $3 and $4; appends
# "ms worst_ms idle_kb peak_kb worst_run_ms worst_after_ms" to $1 and its rows to $2. The
# worst answer is the larger of the run's and that of the renumbering and sort after it.
run_vantrel() {
    local figures=$1 rows=$2 run_driver=$3 run_program=$4
    local line pid idle peak ms="" worst="" worst_after="" from to driver_pid
    coproc DRIVER { "$LAN" "${LAN_OPTIONS[@]}" exec tools/wine-run.sh "$run_driver" "$run_program" 2>/dev/null; }
    # Bash forgets a coprocess's descriptors and pid once it has ended: keep our own.
    driver_pid=$DRIVER_PID
    exec {from}<&"${DRIVER[0]}" {to}>&"${DRIVER[1]}"
    # The driver writes Windows line ends.
    while read -r line <&"$from"; do
        line=${line%$'\r'}
        [[ $line == READY* ]] && break
        [[ $line != ERROR* ]] || { echo "bench: $line" >&2; return 1; }
    done
    pid=$(vantrel_pid)
    idle=$(vmhwm "$pid")
    echo go >&"$to"
    : >"$rows"
    while read -r line <&"$from"; do
        line=${line%$'\r'}
        case $line in
            TIME_MS*) ms=${line#TIME_MS } ;;
            WORST_ANSWER_MS*) worst=${line#WORST_ANSWER_MS } ;;
            WORST_ANSWER_AFTER_MS*) worst_after=${line#WORST_ANSWER_AFTER_MS } ;;
            SUMMARY*) echo go >&"$to" ;;
            ROW*) echo "${line#ROW }" >>"$rows" ;;
            ERROR*) echo "bench: $line" >&2; return 1 ;;
            DONE*) break ;;
        esac
    done
    peak=$(vmhwm "$pid")
    echo go >&"$to"
    while read -r line <&"$from"; do
        line=${line%$'\r'}
        [[ $line != EXIT* || $line == "EXIT 0" ]] || echo "bench: vantrel ended with ${line#EXIT }" >&2
    done
    exec {from}<&- {to}>&-
    wait "$driver_pid" 2>/dev/null || true
    echo "$ms $((worst > worst_after ? worst : worst_after)) $idle $peak $worst $worst_after" >>"$figures"
}

# Lists as "address|MAC|name" (MACs upper case with dashes, as the LAN lists them).
vantrel_list() { awk -F'|' '{print $1 "|" $3 "|" $2}' "$1" | sort -t. -k4,4n; }
nmap_list() {
    awk '/^Nmap scan report for/ {if ($NF ~ /^\(/) {a=$NF; gsub(/[()]/, "", a); n=$5} else {a=$NF; n=""}; host[++c]=a; name[c]=n}
         /^MAC Address:/ {mac[c]=$3}
         END {for (i = 1; i <= c; i++) {m=mac[i]; gsub(/:/, "-", m); print host[i] "|" toupper(m) "|" name[i]}}' "$1" |
        sort -t. -k4,4n
}
arpscan_list() {
    awk -F'\t' '$1 ~ /^[0-9.]+$/ {m=$2; gsub(/:/, "-", m); print $1 "|" toupper(m) "|"}' "$1" | sort -u -t. -k4,4n
}

# "yes" when the tool's list matches the LAN's: the given fields (of the LAN's list: $4 when
# given), only the hosts a tool can see (neither peer lists the scanning machine's own MAC,
# arp-scan not even its address).
agrees() {
    local found=$1 expected=$2 fields=$3 lan_fields=${4:-$3}
    if cmp -s <(cut -d'|' -f"$fields" "$found") <(cut -d'|' -f"$lan_fields" "$expected"); then echo yes; else echo NO; fi
}

# The program's names are capitalised; the hosts file's are not.
capitalised() { awk -F'|' 'BEGIN {OFS="|"} {$3 = toupper(substr($3, 1, 1)) substr($3, 2); $4 = toupper(substr($4, 1, 1)) substr($4, 2); print}' "$1"; }

# Sends signal $1 to the LAN's name responders: STOP holds them (a host then answers no name
# query, as one without responders), CONT lets them go on.
signal_responders() {
    local pid
    while read -r pid _; do kill -"$1" "$pid"; done <"$LAN_STATE_DIR/responders/pids"
}

# With PAIRED=1 every run is made twice, Vantrel and nmap, the second time with the LAN's
# name responders held: the names' cost measured in the same minutes, not in another LAN's.
PAIRED=0

TABLE=() LAN_OPTIONS=()
bench_lan() {
    local label=$1
    shift
    LAN_OPTIONS=("$@")
    "$LAN" "$@" up >/dev/null
    set -a
    eval "$("$LAN" "$@" info)"
    set +a
    local dir=$work/$label
    mkdir -p "$dir"
    lan_list >"$dir/lan"
    grep -v "^$LAN_SCANNER_ADDR|" "$dir/lan" >"$dir/lan-others"
    capitalised "$dir/lan" >"$dir/lan-capitalised"
    local cidr=$LAN_NETWORK/$LAN_PREFIX_LEN run start

    for ((run = 1; run <= RUNS; run++)); do
        if [[ -n $BASE_DIR ]]; then
            flush_neighbours
            run_vantrel "$dir/base-figures" "$dir/base-rows-$run" "$base_driver" "$base_vantrel_win"
            wc -l <"$dir/base-rows-$run" >>"$dir/base-found"
        fi
        flush_neighbours
        run_vantrel "$dir/vantrel-figures" "$dir/vantrel-rows-$run" "$driver" "$vantrel_win"
        flush_neighbours
        start=$(now_ms)
        ip netns exec "$LAN_NS_SCANNER" nmap -sn -PR --system-dns "$cidr" >"$dir/nmap-$run"
        echo $(($(now_ms) - start)) >>"$dir/nmap-ms"
        flush_neighbours
        start=$(now_ms)
        ip netns exec "$LAN_NS_SCANNER" arp-scan --localnet -I "$LAN_IFACE" >"$dir/arpscan-$run"
        echo $(($(now_ms) - start)) >>"$dir/arpscan-ms"
        wc -l <"$dir/vantrel-rows-$run" >>"$dir/vantrel-found"
        grep -c '^Nmap scan report for' "$dir/nmap-$run" >>"$dir/nmap-found" || true
        arpscan_list "$dir/arpscan-$run" | wc -l >>"$dir/arpscan-found"
        ((LAN_ARP_LOSS == 0)) || kernel_resolved >>"$dir/kernel-found"
        if ((PAIRED)); then
            signal_responders STOP
            flush_neighbours
            run_vantrel "$dir/held-vantrel-figures" "$dir/held-vantrel-rows-$run" "$driver" "$vantrel_win"
            flush_neighbours
            start=$(now_ms)
            ip netns exec "$LAN_NS_SCANNER" nmap -sn -PR --system-dns "$cidr" >"$dir/held-nmap-$run"
            echo $(($(now_ms) - start)) >>"$dir/held-nmap-ms"
            signal_responders CONT
        fi
    done

    # Correctness from the last run of each tool.
    nmap_list "$dir/nmap-$RUNS" >"$dir/nmap"
    arpscan_list "$dir/arpscan-$RUNS" >"$dir/arpscan"
    grep -v "^$LAN_SCANNER_ADDR|" "$dir/nmap" >"$dir/nmap-others"

    local n_ms a_ms hosts=$(($(wc -l <"$dir/lan")))
    vantrel_row() {
        local name=$1 prefix=$2 v_ms worst idle peak
        v_ms=$(cut -d' ' -f1 "$dir/$prefix-figures" | median)
        worst=$(cut -d' ' -f2 "$dir/$prefix-figures" | sort -n | tail -n1)
        idle=$(cut -d' ' -f3 "$dir/$prefix-figures" | median)
        peak=$(cut -d' ' -f4 "$dir/$prefix-figures" | median)
        vantrel_list "$dir/$prefix-rows-$RUNS" >"$dir/$prefix"
        TABLE+=("| $label ($hosts hosts) | $name | $(seconds "$v_ms") | $(mean <"$dir/$prefix-found") | $(agrees "$dir/$prefix" "$dir/lan-capitalised" 1,2) | $(agrees "$dir/$prefix" "$dir/lan-capitalised" 1,3) | worst answer $worst ms; VmHWM $((idle / 1024)) MB idle, $((peak / 1024)) MB peak |")
        echo "bench: $label: $name: ms per run $(cut -d' ' -f1 "$dir/$prefix-figures" | tr '\n' ' ')| worst answer per run during/after $(awk '{printf "%s/%s ", $5, $6}' "$dir/$prefix-figures")" >&2
    }
    [[ -z $BASE_DIR ]] || vantrel_row "Vantrel ($BASE_DIR)" base
    vantrel_row Vantrel vantrel
    n_ms=$(median <"$dir/nmap-ms")
    a_ms=$(median <"$dir/arpscan-ms")
    # nmap asks DNS only.
    TABLE+=("| $label ($hosts hosts) | nmap -sn -PR | $(seconds "$n_ms") | $(mean <"$dir/nmap-found") | $(agrees "$dir/nmap-others" "$dir/lan-others" 1,2) | $(agrees "$dir/nmap-others" "$dir/lan-others" 1,3 1,4) | own MAC not listed (DNS names only) |")
    TABLE+=("| $label ($hosts hosts) | arp-scan --localnet | $(seconds "$a_ms") | $(mean <"$dir/arpscan-found") | $(agrees "$dir/arpscan" "$dir/lan-others" 1,2) | no names | does not list itself |")
    if ((LAN_ARP_LOSS > 0)); then
        TABLE+=("| $label ($hosts hosts) | the kernel, 1.2 s after one datagram each | 1.20 | $(mean <"$dir/kernel-found") | | no names | the floor: a lost request repeated once |")
    fi
    echo "bench: $label: Vantrel runs (ms): $(cut -d' ' -f1 "$dir/vantrel-figures" | tr '\n' ' ')nmap: $(tr '\n' ' ' <"$dir/nmap-ms")arp-scan: $(tr '\n' ' ' <"$dir/arpscan-ms")" >&2
    echo "bench: $label: hosts found per run: Vantrel $(tr '\n' ' ' <"$dir/vantrel-found")nmap $(tr '\n' ' ' <"$dir/nmap-found")arp-scan $(tr '\n' ' ' <"$dir/arpscan-found")$([[ ! -f $dir/kernel-found ]] || echo "kernel by 1.2 s $(tr '\n' ' ' <"$dir/kernel-found")")" >&2
    if ((PAIRED)); then
        local v_ms held_v held_n
        v_ms=$(cut -d' ' -f1 "$dir/vantrel-figures" | median)
        held_v=$(cut -d' ' -f1 "$dir/held-vantrel-figures" | median)
        held_n=$(median <"$dir/held-nmap-ms")
        vantrel_list "$dir/held-vantrel-rows-$RUNS" >"$dir/held-vantrel"
        TABLE+=("| $label, responders held ($hosts hosts) | Vantrel | $(seconds "$held_v") | $(wc -l <"$dir/held-vantrel-rows-$RUNS") | $(agrees "$dir/held-vantrel" "$dir/lan-capitalised" 1,2) | $(agrees "$dir/held-vantrel" "$dir/lan-capitalised" 1,3 1,4) | worst answer $(cut -d' ' -f2 "$dir/held-vantrel-figures" | sort -n | tail -n1) ms |")
        TABLE+=("| $label, responders held ($hosts hosts) | nmap -sn -PR | $(seconds "$held_n") | $(grep -c '^Nmap scan report for' "$dir/held-nmap-$RUNS" || true) | | | |")
        RATIOS+=("$label: Vantrel with the name responders $(ratio "$v_ms" "$held_v")x its time with them held; $(ratio "$v_ms" "$n_ms")x nmap's time with them, $(ratio "$held_v" "$held_n")x with them held (medians of $RUNS pairs of runs).")
        echo "bench: $label with responders held: Vantrel runs (ms): $(cut -d' ' -f1 "$dir/held-vantrel-figures" | tr '\n' ' ')nmap: $(tr '\n' ' ' <"$dir/held-nmap-ms")" >&2
    fi
    "$LAN" "$@" down >/dev/null
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

RATIOS=()
for lan in ${BENCH_LANS:-names dense}; do
    case $lan in
        sparse) bench_lan sparse ;;
        names) PAIRED=1 && bench_lan names && PAIRED=0 ;;
        dense) bench_lan dense --dense "$DENSE_HOSTS" ;;
        lossy) bench_lan lossy --hosts "$LOSSY_HOSTS" --loss "$LOSSY_PERCENT" ;;
    esac
done

echo "Median of $RUNS runs, seconds from the start to the result (Vantrel: the Start click to the summary box); hosts found: mean of the runs."
echo
echo "| LAN | tool | time (s) | hosts found | addresses and MACs agree with the LAN | names agree | notes |"
echo "|---|---|---|---|---|---|---|"
printf '%s\n' "${TABLE[@]}"
((${#RATIOS[@]} == 0)) || { echo; printf '%s\n' "${RATIOS[@]}"; }

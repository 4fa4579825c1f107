#!/usr/bin/env bash
# virtual-lan.sh - a small LAN made of network namespaces, for running and testing
# Vantrel under Wine without ever reaching the machine's real network.
#
# Usage: virtual-lan.sh [OPTIONS] COMMAND [ARGS...]
#
# Commands
#   up              build the LAN; does nothing if the same LAN is already up and
#                   healthy, rebuilds it if it exists with other parameters or broken
#   down            stop the LAN's Wine server and every process left in the LAN's
#                   namespaces, remove the namespaces, /etc/netns/<ns>/ and the state
#                   directory; no error when nothing is there
#   purge           down, then also delete the LAN's Wine prefix
#   status          describe the LAN; exit 0 up and healthy, 1 broken, 3 down
#   info            print the LAN's figures as shell assignments (LAN_...=...): those
#                   of the running LAN, else those the parameters give, with LAN_UP=0
#   exec CMD [ARGS] run CMD in the scanner namespace with WINEPREFIX set to the LAN's
#                   own prefix for the architecture of the first Windows program among
#                   ARGS (or VANTREL_ARCH=x86|x64; else 32-bit where the machine can run
#                   it), after making sure the prefix exists and a persistent
#                   wineserver for it runs inside the scanner namespace (Wine reports
#                   the adapters of the namespace its wineserver runs in). The rest of
#                   the environment (DISPLAY...) passes through; WINEDLLOVERRIDES
#                   defaults to "mscoree,mshtml=". Exit status is CMD's. Refused when
#                   the LAN is not up.
#   move N NUM      give host N (P-hN) the address BASE.NUM instead of its own, as DHCP
#                   may between two scans: its eth0, the scanner's hosts file (in place,
#                   so namespaces already entered see it) and the state (info) follow, and
#                   the scanner's neighbour entries of both addresses are dropped, as a
#                   departed host's would expire. Only a host without responders or UPnP
#                   device of its own (their answers name its address), not the gateway;
#                   NUM must be free. Works from inside the LAN; up rebuilds the LAN as
#                   configured
#   table           print the hosts P-h1..P-hN the parameters give as markdown tables (the
#                   README's): each host's address, MAC and names, then the UPnP devices
#   help            this text, and the host table
#
# Options and environment (an option wins over its variable)
#   --ns-prefix P     VTL_PREFIX        vtl       namespaces are P-lan, P-scan, P-h1..P-hN
#   --subnet BASE     VTL_SUBNET        10.77.0   first three octets; addresses are BASE.NUM
#   --prefix-len L    VTL_PREFIX_LEN    24        8..30
#   --hosts N         VTL_HOSTS         10        host namespaces P-h1..P-hN (1..64)
#   --dense N         VTL_DENSE         0         N more answering hosts (0..240) on the next
#                                                 free numbers, unnamed, MACs derived; they
#                                                 are macvlan interfaces, 64 to a namespace
#                                                 P-d1..P-dK (LAN_HOST_* lists them after
#                                                 the others; LAN_DENSE_COUNT says how many)
#   --loss PCT        VTL_LOSS          0         share (0..100 %) of the ARP requests each host
#                                                 drops at random, as a Wi-Fi link loses
#                                                 broadcasts (nftables in every host namespace)
#   --scanner NUM     VTL_SCANNER       37        scanner's host number
#   --gateway NUM     VTL_GATEWAY       (table)   gateway's host number, given to P-h1
#   --host-numbers L  VTL_HOST_NUMBERS  (table)   numbers of P-h2..P-hN, comma separated;
#                                                 a short list goes on with the next free ones
#   --names L         VTL_HOST_NAMES    (table)   DNS names (the scanner's hosts file) of
#                                                 P-h1..P-hN, comma separated, an empty field
#                                                 means unnamed, an empty list names nobody
#   --netbios L       VTL_NETBIOS_NAMES (table)   NetBIOS names the hosts answer node-status
#                                                 requests with (nmbd in the host's namespace),
#                                                 the same way; 1-15 of A-Z 0-9 -
#   --mdns L          VTL_MDNS_NAMES    (table)   host names the hosts publish by multicast DNS
#                                                 (avahi-daemon in the host's namespace; the LAN
#                                                 lists them with .local), the same way; 1-63 of
#                                                 a-z 0-9 -
#   --upnp L          VTL_UPNP          (table)   UPnP devices the hosts are, the same way; each
#                                                 field KIND:VALUE (an empty list: none):
#                                       gateway:NAME  miniupnpd with friendly_name NAME,
#                                                     manufacturer "Example Networks", model
#                                                     "HG-200" (h1, the gateway, only); an
#                                                     external veth pair wan0/wan1 of its own
#                                                     (203.0.113.2/24) in h1's namespace
#                                       media:NAME    minidlnad with friendly_name NAME (its
#                                                     maker "Justin Maggard", model "Windows
#                                                     Media Connect compatible (MiniDLNA)");
#                                                     answers only the group search
#                                       hostile:MODE[@I]  tests/lan/hostile_upnp.py --mode MODE
#                                                     (see its help for the modes); location-
#                                                     elsewhere and redirect point at host I's
#                                                     description, I by default the nearest
#                                                     media device before it (else after it),
#                                                     else the gateway device; dns-name gives
#                                                     the host's own DNS name (--names) in
#                                                     its LOCATION
#                                       NAME: 1-63 of A-Z a-z 0-9 space . _ ' ( ) -. Each host
#                                       with a device gets a route for 224.0.0.0/4; up waits
#                                       until each answers a search (tools/ask-upnp.py from the
#                                       scanner namespace) and, but for hostile ones, serves
#                                       its description as configured
#                                       info: LAN_HOST_<n>_UPNP (gateway, media, hostile or
#                                       empty), _UPNP_NAME, _UPNP_MAKER, _UPNP_MODEL (what the
#                                       description says), _UPNP_MODE (hostile), _UPNP_LOCATION
#                                       (what it answers a search with), _UPNP_TARGET (the
#                                       address a hostile device points at)
#   --macs L          VTL_HOST_MACS     (table)   MACs of P-h1..P-hN, comma separated; an empty
#                                                 field (or list) leaves the table's
#   --scanner-mac M   VTL_SCANNER_MAC   derived the same way from the scanner's number
#   --wineprefix DIR  VTL_WINEPREFIX    /tmp/vantrel-lan-wine; "-x86" or "-x64" is
#                                       appended for each architecture's prefix
#   --state-dir DIR   VTL_STATE_DIR     /run/vantrel-lan; lan.env there holds the figures
#   For a prefix other than "vtl" the default Wine prefix and state directory get
#   "-P" appended, so two LANs never share a wineserver.
#
# Layout
#   P-lan    bridge br0, up, no address (IPv6 address generation off on br0 and its
#            ports, so the switch itself never talks on the LAN); one veth port per
#            namespace below, named p-scan, p-h1, ...
#   P-scan   eth0 = scanner address, default route via the gateway; its own
#            /etc/netns/P-scan/{hosts,resolv.conf,nsswitch.conf}: named hosts resolve
#            both ways from the hosts file, every other lookup fails at once
#   P-h1     eth0 = gateway address (no forwarding); with a gateway device also wan0
#            (203.0.113.2/24) and its peer wan1, both inside P-h1
#   P-hI     eth0 = the I-th host number
#   Loopback is up everywhere. Both ends of every veth are created inside these
#   namespaces, so nothing appears in the machine's own network namespace.
#
# Examples
#   sudo tools/virtual-lan.sh up
#   eval "$(tools/virtual-lan.sh info)"; echo "$LAN_SCANNER_ADDR"
#   DISPLAY=:99 tools/virtual-lan.sh exec wine build/vantrel.exe
#   VTL_HOSTS=3 VTL_PREFIX_LEN=26 tools/virtual-lan.sh up
#   tools/virtual-lan.sh down
#
# Hosts
#   P-h1..P-hN are the first N rows of the host table (DEFAULT_HOSTS in this script, printed
#   below); hosts after its last row get the next free numbers and derived MACs, and names
#   or devices only from the options.
#   number   h1's is the gateway's; each other host gets the first number from its row's on
#            that neither the scanner nor a host before it has
#   MAC      a maker's prefix (h1..h4: TP-Link, Intel, Synology, Brother), or none for
#            02:5a:00 (locally administered), then 00:NN:NN with NN:NN the host number in hex
#   names    DNS name: the scanner's hosts file; NetBIOS and mDNS names: what the host's own
#            nmbd and avahi-daemon answer; UPnP device: a field of --upnp
#   An option of a column (--gateway, --host-numbers, --names, --netbios, --mdns, --upnp)
#   replaces that column; --macs replaces the MACs where its fields are not empty.
set -euo pipefail

readonly SCRIPT=${BASH_SOURCE[0]}
source "$(dirname "$SCRIPT")/wine-arch.sh"
source "$(dirname "$SCRIPT")/wine-server.sh"
readonly PROG=virtual-lan

log() { printf '%s: %s\n' "$PROG" "$*" >&2; }
die() { log "error: $*"; exit 2; }

usage() {
    # The header comment above is the help text, the host table ends it.
    sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$SCRIPT"
    echo
    sed -n 's/^./  &/p' <<<"$DEFAULT_HOSTS"
}

# ---------------------------------------------------------------- parameters

OPT_PREFIX=${VTL_PREFIX:-vtl}
OPT_SUBNET=${VTL_SUBNET:-10.77.0}
OPT_PREFIX_LEN=${VTL_PREFIX_LEN:-24}
OPT_HOSTS=${VTL_HOSTS:-10}
OPT_DENSE=${VTL_DENSE:-0}
OPT_LOSS=${VTL_LOSS:-0}
OPT_SCANNER=${VTL_SCANNER:-37}
OPT_GATEWAY=${VTL_GATEWAY:-__default__}
OPT_HOST_NUMBERS=${VTL_HOST_NUMBERS:-}
# __default__: the host table's column. Unset and empty differ here: VTL_HOST_NAMES= means
# "nobody has a name".
OPT_HOST_NAMES=${VTL_HOST_NAMES-__default__}
OPT_NETBIOS_NAMES=${VTL_NETBIOS_NAMES-__default__}
OPT_MDNS_NAMES=${VTL_MDNS_NAMES-__default__}
OPT_UPNP=${VTL_UPNP-__default__}
OPT_HOST_MACS=${VTL_HOST_MACS:-}
OPT_SCANNER_MAC=${VTL_SCANNER_MAC:-}
OPT_WINEPREFIX=${VTL_WINEPREFIX:-}
OPT_STATE_DIR=${VTL_STATE_DIR:-}

# The default LAN, a row per host (see "Hosts" in the help above). Makers' prefixes for the first
# hosts, so that the program has makers to show.
readonly DEFAULT_HOSTS='
host | number | MAC      | DNS name    | NetBIOS name   | mDNS name  | UPnP device
h1   | 1      | b0:be:76 | home-router |                |            | gateway:Home Gateway
h2   | 10     | 00:1b:21 | desktop-pc  | OFFICE-PC      |            |
h3   | 11     | 00:11:32 | nas.lan     |                |            | media:Family NAS
h4   | 12     | 3c:2a:f4 |             | OFFICE-PRINTER |            |
h5   | 13     |          |             |                | kitchen-pi |
h6   | 14     |          | laptop      |                |            |
h7   | 15     |          |             | MEDIA-BOX      | media-box  |
h8   | 16     |          |             |                |            |
h9   | 17     |          |             |                |            | media:Living Room TV
h10  | 18     |          |             |                |            | hostile:location-elsewhere
'

# Parses DEFAULT_HOSTS into one array per column, an element per row: ROW_NUMBER, ROW_MAC,
# ROW_NAME, ROW_NETBIOS, ROW_MDNS and ROW_UPNP. The cells' contents are checked with the
# options' values they stand for.
read_host_table() {
    local line host rows=0
    local -a cells
    ROW_NUMBER=() ROW_MAC=() ROW_NAME=() ROW_NETBIOS=() ROW_MDNS=() ROW_UPNP=()
    while read -r line; do
        [[ -n $line && $line != host* ]] || continue
        rows=$((rows + 1))
        # One field more than the cells, so that empty cells at the end count too.
        IFS='|' read -r -a cells <<<"$line|"
        host=${cells[0]}
        ((${#cells[@]} == 7)) || die "internal: host table row $host has ${#cells[@]} cells, not 7"
        [[ $host == "h$rows" ]] || die "internal: host table row $rows is '$host', not h$rows"
        uint_between "${cells[1]}" 0 255 || die "internal: host table row $host: number '${cells[1]}'"
        [[ -z ${cells[2]} || ${cells[2]} =~ ^[0-9a-f]{2}:[0-9a-f]{2}:[0-9a-f]{2}$ ]] ||
            die "internal: host table row $host: MAC prefix '${cells[2]}'"
        ROW_NUMBER+=("${cells[1]}") ROW_MAC+=("${cells[2]}") ROW_NAME+=("${cells[3]}")
        ROW_NETBIOS+=("${cells[4]}") ROW_MDNS+=("${cells[5]}") ROW_UPNP+=("${cells[6]}")
    done < <(sed -E 's/[[:space:]]*\|[[:space:]]*/|/g' <<<"$DEFAULT_HOSTS")
}

# Parses options from "$@"; leaves the first non-option word and the rest in ARGS.
parse_options() {
    ARGS=()
    while (($#)); do
        case $1 in
            --ns-prefix)    need_value "$@"; OPT_PREFIX=$2; shift 2 ;;
            --subnet)       need_value "$@"; OPT_SUBNET=$2; shift 2 ;;
            --prefix-len)   need_value "$@"; OPT_PREFIX_LEN=$2; shift 2 ;;
            --hosts)        need_value "$@"; OPT_HOSTS=$2; shift 2 ;;
            --dense)        need_value "$@"; OPT_DENSE=$2; shift 2 ;;
            --loss)         need_value "$@"; OPT_LOSS=$2; shift 2 ;;
            --scanner)      need_value "$@"; OPT_SCANNER=$2; shift 2 ;;
            --gateway)      need_value "$@"; OPT_GATEWAY=$2; shift 2 ;;
            --host-numbers) need_value "$@"; OPT_HOST_NUMBERS=$2; shift 2 ;;
            --names)        need_value "$@"; OPT_HOST_NAMES=$2; shift 2 ;;
            --netbios)      need_value "$@"; OPT_NETBIOS_NAMES=$2; shift 2 ;;
            --mdns)         need_value "$@"; OPT_MDNS_NAMES=$2; shift 2 ;;
            --upnp)         need_value "$@"; OPT_UPNP=$2; shift 2 ;;
            --macs)         need_value "$@"; OPT_HOST_MACS=$2; shift 2 ;;
            --scanner-mac)  need_value "$@"; OPT_SCANNER_MAC=$2; shift 2 ;;
            --wineprefix)   need_value "$@"; OPT_WINEPREFIX=$2; shift 2 ;;
            --state-dir)    need_value "$@"; OPT_STATE_DIR=$2; shift 2 ;;
            -h|--help)      ARGS=(help); return ;;
            --)             shift; ARGS=("$@"); return ;;
            -*)             die "unknown option $1 (see --help)" ;;
            *)              ARGS=("$@"); return ;;
        esac
    done
}

need_value() { (($# >= 2)) || die "option $1 needs a value"; }

# A decimal number within LO..HI (leading zeros are decimal, not octal).
uint_between() { [[ $1 =~ ^[0-9]{1,5}$ ]] && ((10#$1 >= $2 && 10#$1 <= $3)); }

ip_to_int() {
    local IFS=. a b c d
    read -r a b c d <<<"$1"
    echo $(((10#$a << 24) | (10#$b << 16) | (10#$c << 8) | 10#$d))
}

int_to_ip() {
    local n=$1
    echo "$(((n >> 24) & 255)).$(((n >> 16) & 255)).$(((n >> 8) & 255)).$((n & 255))"
}

# Lower-case colon form of a MAC given with colons or dashes; fails on anything else.
normalize_mac() {
    local mac=${1//-/:}
    mac=${mac,,}
    [[ $mac =~ ^([0-9a-f]{2}:){5}[0-9a-f]{2}$ ]] || return 1
    # A multicast source address would be refused by the kernel.
    (((16#${mac:0:2} & 1) == 0)) || return 1
    echo "$mac"
}

derived_mac() { printf '%s:00:%02x:%02x' "${2:-02:5a:00}" $((($1 >> 8) & 255)) $(($1 & 255)); }

windows_mac() { local m=${1^^}; echo "${m//:/-}"; }

trim() {
    local s=$1
    s=${s#"${s%%[![:space:]]*}"}
    printf '%s' "${s%"${s##*[![:space:]]}"}"
}

# Names end up in a hosts file: keep to what a hosts file can carry unambiguously.
valid_name() { [[ $1 =~ ^[A-Za-z0-9][A-Za-z0-9._-]*$ ]] && ((${#1} <= 253)); }

valid_netbios_name() { [[ $1 =~ ^[A-Z0-9][A-Z0-9-]{0,14}$ ]]; }
valid_mdns_name() { [[ $1 =~ ^[a-z0-9][a-z0-9-]{0,62}$ ]]; }

# UPnP devices: what each kind says about itself and where it serves its description.
readonly UPNP_GATEWAY_PORT=5000 UPNP_GATEWAY_MAKER="Example Networks" UPNP_GATEWAY_MODEL=HG-200
readonly UPNP_MEDIA_PORT=8200 UPNP_MEDIA_MAKER="Justin Maggard"
readonly UPNP_MEDIA_MODEL="Windows Media Connect compatible (MiniDLNA)"
readonly UPNP_HOSTILE_PORT=49152
readonly HOSTILE_UPNP_MODES=" plain location-elsewhere dns-name redirect huge entities trickle markup latin1 not-http not-http-get refuse long-name "

valid_upnp_name() {
    local pattern="^[A-Za-z0-9][A-Za-z0-9 ._'()-]{0,62}\$"
    [[ $1 =~ $pattern ]]
}

# One field of --upnp: gateway:NAME, media:NAME or hostile:MODE[@HOST].
valid_upnp() {
    [[ $1 == *:* ]] || return 1
    local kind=${1%%:*} value=${1#*:}
    case $kind in
        gateway | media) valid_upnp_name "$value" ;;
        hostile)
            [[ $HOSTILE_UPNP_MODES == *" ${value%@*} "* ]] || return 1
            [[ $value != *@* || ${value#*@} =~ ^[0-9]{1,2}$ ]]
            ;;
        *) return 1 ;;
    esac
}

# Fills the array named $1 with one name per host (the dense hosts none) from the list $2, or
# the host table's column, the array named $3, when $2 is the default; $4 checks each name, $5
# says what a name may be.
host_names() {
    local -n into=$1 column=$3
    local list=$2 check=$4 rule=$5 i n
    local -a names=()
    if [[ $list == __default__ ]]; then
        names=("${column[@]}")
    elif [[ -n $list ]]; then
        IFS=, read -r -a names <<<"$list,"
    fi
    into=()
    for ((i = 0; i < HOST_COUNT; i++)); do
        n=$(trim "${names[i]:-}")
        [[ -z $n ]] || "$check" "$n" || die "host name '$n': $rule"
        into+=("$n")
    done
    # The table names hosts a smaller LAN does not have.
    if [[ $2 != __default__ ]]; then
        for ((i = HOST_COUNT; i < ${#names[@]}; i++)); do
            [[ -z $(trim "${names[i]}") ]] || die "more host names than hosts ($HOST_COUNT)"
        done
    fi
    for ((i = 0; i < DENSE_COUNT; i++)); do into+=(""); done
}

# Validates the parameters and computes the LAN's figures into globals.
compute_lan() {
    [[ $OPT_PREFIX =~ ^[A-Za-z0-9_]([A-Za-z0-9_-]{0,14})$ ]] ||
        die "namespace prefix '$OPT_PREFIX': use 1-15 of A-Z a-z 0-9 _ - (not starting with -)"
    NS_PREFIX=$OPT_PREFIX
    NS_LAN=$NS_PREFIX-lan
    NS_SCAN=$NS_PREFIX-scan

    local suffix=""
    [[ $NS_PREFIX == vtl ]] || suffix=-$NS_PREFIX
    WINEPREFIX_DIR=${OPT_WINEPREFIX:-/tmp/vantrel-lan-wine$suffix}
    STATE_DIR=${OPT_STATE_DIR:-/run/vantrel-lan$suffix}
    [[ $WINEPREFIX_DIR == /?* && $WINEPREFIX_DIR != *$'\n'* ]] || die "Wine prefix must be an absolute path"
    [[ $STATE_DIR == /?* && $STATE_DIR != *$'\n'* ]] || die "state directory must be an absolute path"
    WINEPREFIX_DIR=${WINEPREFIX_DIR%/}
    STATE_DIR=${STATE_DIR%/}
    STATE_FILE=$STATE_DIR/lan.env

    [[ $OPT_SUBNET =~ ^([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})$ ]] ||
        die "subnet base '$OPT_SUBNET': give three octets, e.g. 10.77.0"
    local o
    for o in "${BASH_REMATCH[@]:1}"; do
        ((10#$o <= 255)) || die "subnet base '$OPT_SUBNET': octet $o out of range"
    done
    SUBNET=$((10#${BASH_REMATCH[1]})).$((10#${BASH_REMATCH[2]})).$((10#${BASH_REMATCH[3]}))

    uint_between "$OPT_PREFIX_LEN" 8 30 ||
        die "prefix length '$OPT_PREFIX_LEN': use 8..30"
    PREFIX_LEN=$((10#$OPT_PREFIX_LEN))
    uint_between "$OPT_HOSTS" 1 64 ||
        die "host count '$OPT_HOSTS': use 1..64"
    HOST_COUNT=$((10#$OPT_HOSTS))
    uint_between "$OPT_DENSE" 0 240 || die "dense host count '$OPT_DENSE': use 0..240"
    DENSE_COUNT=$((10#$OPT_DENSE))
    uint_between "$OPT_LOSS" 0 100 || die "ARP loss '$OPT_LOSS': use 0..100 (percent)"
    LOSS=$((10#$OPT_LOSS))

    read_host_table
    local n gateway=$OPT_GATEWAY
    [[ $gateway != __default__ ]] || gateway=${ROW_NUMBER[0]}
    for n in "$OPT_SCANNER" "$gateway"; do
        uint_between "$n" 0 255 || die "host number '$n': use 0..255"
    done
    SCANNER_NUM=$((10#$OPT_SCANNER))

    # Host numbers: h1 is the gateway; h2.. take the list, then the next free numbers; without
    # a list each takes the first free number from its row's on.
    HOST_NUM=("$((10#$gateway))")
    local -A used=([$SCANNER_NUM]=scanner)
    [[ -z ${used[${HOST_NUM[0]}]:-} ]] || die "gateway and scanner both have number ${HOST_NUM[0]}"
    used[${HOST_NUM[0]}]=h1
    local -a listed=()
    [[ -z $OPT_HOST_NUMBERS ]] || IFS=, read -r -a listed <<<"$OPT_HOST_NUMBERS"
    ((${#listed[@]} <= HOST_COUNT - 1)) || die "more host numbers (${#listed[@]}) than hosts after the gateway ($((HOST_COUNT - 1)))"
    local i next=$((HOST_NUM[0] + 1))
    for ((i = 1; i < HOST_COUNT; i++)); do
        if ((i - 1 < ${#listed[@]})); then
            n=$(trim "${listed[i - 1]}")
            uint_between "$n" 0 255 || die "host number '$n': use 0..255"
            n=$((10#$n))
            [[ -z ${used[$n]:-} ]] || die "host number $n is used twice (h$((i + 1)) and ${used[$n]})"
            next=$((n + 1))
        else
            ((${#listed[@]} || i >= ${#ROW_NUMBER[@]})) || next=$((10#${ROW_NUMBER[i]}))
            while [[ -n ${used[$next]:-} ]]; do next=$((next + 1)); done
            n=$next
            next=$((n + 1))
        fi
        HOST_NUM+=("$n")
        used[$n]=h$((i + 1))
    done
    # Dense hosts take the free numbers from 2 up.
    next=2
    for ((i = 0; i < DENSE_COUNT; i++)); do
        while [[ -n ${used[$next]:-} ]]; do next=$((next + 1)); done
        ((next <= 254)) || die "no free host number left for $DENSE_COUNT dense hosts"
        HOST_NUM+=("$next")
        used[$next]=d
    done
    HOST_NS=()
    for ((i = 0; i < HOST_COUNT; i++)); do HOST_NS+=("$NS_PREFIX-h$((i + 1))"); done
    for ((i = 0; i < DENSE_COUNT; i++)); do HOST_NS+=("$NS_PREFIX-d$((i / 64 + 1))"); done

    # Addresses are SUBNET.NUM; the network is the scanner's, and everyone must fit in it.
    local base mask net bcast addr
    base=$(ip_to_int "$SUBNET.0")
    mask=$(((0xffffffff << (32 - PREFIX_LEN)) & 0xffffffff))
    net=$(((base + SCANNER_NUM) & mask))
    bcast=$((net | (~mask & 0xffffffff)))
    MASK=$(int_to_ip "$mask")
    NETWORK=$(int_to_ip "$net")
    BROADCAST=$(int_to_ip "$bcast")
    FIRST_HOST=$(int_to_ip $((net + 1)))
    LAST_HOST=$(int_to_ip $((bcast - 1)))
    for n in "$SCANNER_NUM" "${HOST_NUM[@]}"; do
        addr=$((base + n))
        (((addr & mask) == net)) || die "$SUBNET.$n is outside $NETWORK/$PREFIX_LEN (the scanner's network)"
        ((addr != net && addr != bcast)) || die "$SUBNET.$n is the network or broadcast address of $NETWORK/$PREFIX_LEN"
    done
    SCANNER_ADDR=$SUBNET.$SCANNER_NUM
    GATEWAY_ADDR=$SUBNET.${HOST_NUM[0]}

    # Names, positional: DNS names, and those the hosts' own responders give.
    host_names HOST_NAME "$OPT_HOST_NAMES" ROW_NAME valid_name \
        "use letters, digits, '.', '_', '-' (at most 253)"
    host_names HOST_NETBIOS "$OPT_NETBIOS_NAMES" ROW_NETBIOS valid_netbios_name \
        "use 1-15 of A-Z, 0-9, '-'"
    host_names HOST_MDNS "$OPT_MDNS_NAMES" ROW_MDNS valid_mdns_name "use 1-63 of a-z, 0-9, '-'"
    local -a upnp
    host_names upnp "$OPT_UPNP" ROW_UPNP valid_upnp \
        "use gateway:NAME, media:NAME or hostile:MODE[@HOST] (NAME: 1-63 of A-Z a-z 0-9 space . _ ' ( ) -; MODE:$HOSTILE_UPNP_MODES)"
    compute_upnp "${upnp[@]}"

    # MACs: given, else derived from the host number with the row's prefix.
    local -a macs=()
    local mac
    [[ -z $OPT_HOST_MACS ]] || IFS=, read -r -a macs <<<"$OPT_HOST_MACS,"
    ((${#macs[@]} <= HOST_COUNT + 1)) || die "more MACs than hosts ($HOST_COUNT)"
    local -A mac_used=()
    if [[ -n $OPT_SCANNER_MAC ]]; then
        SCANNER_MAC=$(normalize_mac "$OPT_SCANNER_MAC") || die "scanner MAC '$OPT_SCANNER_MAC' is not a unicast MAC"
    else
        SCANNER_MAC=$(derived_mac "$SCANNER_NUM")
    fi
    mac_used[$SCANNER_MAC]=scanner
    HOST_MAC=()
    for ((i = 0; i < HOST_COUNT; i++)); do
        mac=$(trim "${macs[i]:-}")
        if [[ -n $mac ]]; then
            mac=$(normalize_mac "$mac") || die "MAC '${macs[i]}' of h$((i + 1)) is not a unicast MAC"
        else
            mac=$(derived_mac "${HOST_NUM[i]}" "${ROW_MAC[i]:-}")
        fi
        [[ -z ${mac_used[$mac]:-} ]] || die "MAC $mac is used twice (h$((i + 1)) and ${mac_used[$mac]})"
        mac_used[$mac]=h$((i + 1))
        HOST_MAC+=("$mac")
    done
    for ((i = HOST_COUNT; i < HOST_COUNT + DENSE_COUNT; i++)); do
        mac=$(derived_mac "${HOST_NUM[i]}")
        [[ -z ${mac_used[$mac]:-} ]] || die "MAC $mac of a dense host is already used by ${mac_used[$mac]}"
        mac_used[$mac]=d
        HOST_MAC+=("$mac")
    done
}

# Splits the --upnp fields (one per host) into HOST_UPNP_KIND, HOST_UPNP_VALUE (the name or
# the hostile mode) and HOST_UPNP_TARGET (the host index a hostile device points at, or "").
compute_upnp() {
    local i j field kind value at
    HOST_UPNP_KIND=() HOST_UPNP_VALUE=() HOST_UPNP_TARGET=()
    for ((i = 0; i < HOST_COUNT + DENSE_COUNT; i++)); do
        field=${@:i+1:1}
        kind=${field%%:*} value=${field#*:} at=""
        [[ -n $field ]] || kind="" value=""
        [[ $kind != gateway ]] || ((i == 0)) || die "h$((i + 1)): only h1, the gateway, can be a UPnP gateway"
        if [[ $kind == hostile ]]; then
            if [[ $value == *@* ]]; then
                at=$((10#${value#*@} - 1)) value=${value%@*}
                ((at >= 0 && at < HOST_COUNT && at != i)) || die "h$((i + 1)): no other host h$((at + 1)) to point at"
            elif [[ $value =~ ^(location-elsewhere|redirect)$ ]]; then
                # The nearest device before it, else the first after it; a media device first.
                local want
                for want in media gateway; do
                    for j in $(seq $((i - 1)) -1 0) $(seq $((i + 1)) $((HOST_COUNT - 1))); do
                        [[ -z $at ]] || break 2
                        ! upnp_can_be_target "$j" "$want" "$value" "$@" || at=$j
                    done
                done
                [[ -n $at ]] || die "h$((i + 1)): hostile:$value needs another host with a UPnP device"
            fi
            [[ -z $at || $value =~ ^(location-elsewhere|redirect)$ ]] || die "h$((i + 1)): hostile:$value points nowhere (drop @$((at + 1)))"
            [[ $value != dns-name || -n ${HOST_NAME[i]} ]] || die "h$((i + 1)): hostile:dns-name needs a DNS name of its own (--names)"
        fi
        HOST_UPNP_KIND+=("$kind") HOST_UPNP_VALUE+=("$value") HOST_UPNP_TARGET+=("$at")
    done
}

# Whether host index $1 is a device of kind $2; the rest are the --upnp fields.
upnp_can_be_target() {
    local j=$1 kind=$2
    shift 3
    local field=${@:j+1:1}
    [[ ${field%%:*} == "$kind" ]]
}

# The description's URL that the device of host index $1 answers searches with.
upnp_location() {
    local i=$1 addr=$SUBNET.${HOST_NUM[$1]} at
    case ${HOST_UPNP_KIND[i]} in
        gateway) echo "http://$addr:$UPNP_GATEWAY_PORT/rootDesc.xml" ;;
        media) echo "http://$addr:$UPNP_MEDIA_PORT/rootDesc.xml" ;;
        hostile)
            at=${HOST_UPNP_TARGET[i]}
            case ${HOST_UPNP_VALUE[i]} in
                location-elsewhere) upnp_location "$at" ;;
                dns-name) echo "http://${HOST_NAME[i]}:$UPNP_HOSTILE_PORT/desc.xml" ;;
                refuse) echo "http://$addr:$((UPNP_HOSTILE_PORT + 1))/desc.xml" ;;
                *) echo "http://$addr:$UPNP_HOSTILE_PORT/desc.xml" ;;
            esac
            ;;
    esac
}

upnp_maker() {
    case ${HOST_UPNP_KIND[$1]} in
        gateway) echo "$UPNP_GATEWAY_MAKER" ;;
        media) echo "$UPNP_MEDIA_MAKER" ;;
    esac
}

upnp_model() {
    case ${HOST_UPNP_KIND[$1]} in
        gateway) echo "$UPNP_GATEWAY_MODEL" ;;
        media) echo "$UPNP_MEDIA_MODEL" ;;
    esac
}

# The namespaces of the dense hosts, P-d1..P-dK.
dense_namespaces() {
    local k
    for ((k = 1; k <= (DENSE_COUNT + 63) / 64; k++)); do echo "$NS_PREFIX-d$k"; done
}

# The figures as shell assignments; also the content of the state file.
lan_env() {
    local up=$1 i
    {
        echo "LAN_UP=$up"
        printf '%s=%q\n' \
            LAN_NS_PREFIX "$NS_PREFIX" \
            LAN_NS_BRIDGE "$NS_LAN" \
            LAN_NS_SCANNER "$NS_SCAN" \
            LAN_IFACE eth0 \
            LAN_SUBNET "$SUBNET" \
            LAN_PREFIX_LEN "$PREFIX_LEN" \
            LAN_MASK "$MASK" \
            LAN_NETWORK "$NETWORK" \
            LAN_BROADCAST "$BROADCAST" \
            LAN_FIRST_HOST "$FIRST_HOST" \
            LAN_LAST_HOST "$LAST_HOST" \
            LAN_GATEWAY "$GATEWAY_ADDR" \
            LAN_SCANNER_ADDR "$SCANNER_ADDR" \
            LAN_SCANNER_MAC "$(windows_mac "$SCANNER_MAC")" \
            LAN_SCANNER_MAC_LINK "$SCANNER_MAC" \
            LAN_WINEPREFIX "$WINEPREFIX_DIR" \
            LAN_STATE_DIR "$STATE_DIR" \
            LAN_HOST_COUNT "$((HOST_COUNT + DENSE_COUNT))" \
            LAN_DENSE_COUNT "$DENSE_COUNT" \
            LAN_ARP_LOSS "$LOSS"
        for ((i = 0; i < HOST_COUNT + DENSE_COUNT; i++)); do
            printf 'LAN_HOST_%d_%s=%q\n' \
                $((i + 1)) NS "${HOST_NS[i]}" \
                $((i + 1)) ADDR "$SUBNET.${HOST_NUM[i]}" \
                $((i + 1)) MAC "$(windows_mac "${HOST_MAC[i]}")" \
                $((i + 1)) MAC_LINK "${HOST_MAC[i]}" \
                $((i + 1)) NAME "${HOST_NAME[i]}" \
                $((i + 1)) NETBIOS "${HOST_NETBIOS[i]}" \
                $((i + 1)) MDNS "${HOST_MDNS[i]:+${HOST_MDNS[i]}.local}" \
                $((i + 1)) UPNP "${HOST_UPNP_KIND[i]}"
            [[ -n ${HOST_UPNP_KIND[i]} ]] || continue
            local at=${HOST_UPNP_TARGET[i]} mode="" name=${HOST_UPNP_VALUE[i]}
            [[ ${HOST_UPNP_KIND[i]} != hostile ]] || mode=$name name=""
            printf 'LAN_HOST_%d_%s=%q\n' \
                $((i + 1)) UPNP_NAME "$name" \
                $((i + 1)) UPNP_MAKER "$(upnp_maker "$i")" \
                $((i + 1)) UPNP_MODEL "$(upnp_model "$i")" \
                $((i + 1)) UPNP_MODE "$mode" \
                $((i + 1)) UPNP_LOCATION "$(upnp_location "$i")" \
                $((i + 1)) UPNP_TARGET "${at:+$SUBNET.${HOST_NUM[at]:-}}"
        done
    } | sed "s/=''\$/=/"
}

# What the scanner namespace's resolver files hold.
scan_hosts_file() {
    local i
    printf '127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n'
    for ((i = 0; i < HOST_COUNT; i++)); do
        [[ -z ${HOST_NAME[i]} ]] || printf '%s\t%s\n' "$SUBNET.${HOST_NUM[i]}" "${HOST_NAME[i]}"
    done
}

# glibc then asks 127.0.0.1:53 inside the namespace: nothing listens there, so the
# query is refused at once instead of waiting for a resolver that cannot be reached.
resolv_file() {
    printf '# %s: no resolver on this LAN; lookups outside the hosts file fail at once\n' "$PROG"
    printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n'
}

# The machine's nsswitch.conf with the hosts line pinned, so a machine whose own
# configuration sends lookups elsewhere (mdns, a resolver daemon over D-Bus...)
# cannot carry them out of the LAN.
nsswitch_file() {
    printf '# %s: hosts pinned to the hosts file and the (absent) LAN resolver\n' "$PROG"
    grep -v -E '^[[:space:]]*hosts[[:space:]]*:' /etc/nsswitch.conf || true
    printf 'hosts: files dns\n'
}

# ---------------------------------------------------------------- namespaces

ns_pattern() { echo "^${NS_PREFIX}-(lan|scan|h[0-9]+|d[0-9]+)\$"; }

# The LAN's namespaces that exist now (for any host count).
existing_namespaces() {
    local name rest pattern
    pattern=$(ns_pattern)
    ip netns list 2>/dev/null | while read -r name rest; do
        [[ $name =~ $pattern ]] && echo "$name"
    done
    return 0
}

# Every command that changes the network goes through here, so none can reach the
# machine's own namespace by an empty or foreign name.
in_ns() {
    local ns=$1 pattern
    shift
    pattern=$(ns_pattern)
    [[ $ns =~ $pattern ]] || die "internal: '$ns' is not one of this LAN's namespaces"
    ip -n "$ns" "$@"
}

# The LAN's Wine prefix for one architecture: 32-bit and 64-bit prefixes never share a
# directory, each has its own server in the scanner namespace.
lan_prefix() { echo "$WINEPREFIX_DIR-$1"; }

ensure_wine() {
    mkdir -p "$STATE_DIR"
    ensure_wine_in "$NS_SCAN" "$(lan_prefix "$1")" "$1" "$STATE_DIR"
}

# ---------------------------------------------------------------- build / check / teardown

attach() {
    local ns=$1 port=$2 addr=$3 mac=$4
    in_ns "$NS_LAN" link add "$port" type veth peer name eth0 netns "$ns"
    in_ns "$NS_LAN" link set "$port" addrgenmode none
    in_ns "$NS_LAN" link set "$port" master br0 up
    in_ns "$ns" link set eth0 address "$mac"
    in_ns "$ns" addr add "$addr/$PREFIX_LEN" broadcast "$BROADCAST" dev eth0
    in_ns "$ns" link set eth0 up
}

write_etc_netns() {
    local ns=$1 with_hosts=$2 dir=/etc/netns/$1
    mkdir -p "$dir"
    # ip netns exec binds these over /etc/*, which fails for a file /etc lacks.
    if [[ $with_hosts == yes ]]; then
        [[ -e /etc/hosts ]] || die "/etc/hosts is missing; named hosts cannot be provided"
        scan_hosts_file >"$dir/hosts"
    fi
    [[ ! -e /etc/resolv.conf ]] || resolv_file >"$dir/resolv.conf"
    [[ ! -e /etc/nsswitch.conf ]] || nsswitch_file >"$dir/nsswitch.conf"
}

# The bridge floods each broadcast to every port through one CPU's queue of received frames.
# Linux repeats the unanswered ARP requests of a whole /24 in one timer tick, and 254 of them
# flooded to a dozen ports overflow the default queue (1000 frames): the LAN would lose
# repeated requests that no configured loss drops, which no real switch does. The queue's
# length is the machine's own setting, not a namespace's: raised for a burst of 256 to every
# port, never lowered.
raise_receive_backlog() {
    local now need=$((256 * (HOST_COUNT + (DENSE_COUNT + 63) / 64 + 2)))
    now=$(sysctl -n net.core.netdev_max_backlog 2>/dev/null) || { log "warning: cannot read net.core.netdev_max_backlog"; return 0; }
    ((now < need)) || return 0
    log "raising net.core.netdev_max_backlog from $now to $need (bursts of repeated ARP requests)"
    sysctl -qw net.core.netdev_max_backlog="$need" || log "warning: could not raise net.core.netdev_max_backlog"
}

build_lan() {
    local i ns
    raise_receive_backlog
    ip netns add "$NS_LAN"
    ip netns add "$NS_SCAN"
    for ((i = 1; i <= HOST_COUNT; i++)); do ip netns add "$NS_PREFIX-h$i"; done
    for ns in $(dense_namespaces); do ip netns add "$ns"; done
    for ns in "$NS_LAN" "$NS_SCAN" $(seq -f "$NS_PREFIX-h%g" 1 "$HOST_COUNT") $(dense_namespaces); do
        in_ns "$ns" link set lo up
    done

    in_ns "$NS_LAN" link add br0 type bridge stp_state 0
    # Separately from "up": given together, the link-local address comes first.
    in_ns "$NS_LAN" link set br0 addrgenmode none
    in_ns "$NS_LAN" link set br0 up

    attach "$NS_SCAN" p-scan "$SCANNER_ADDR" "$SCANNER_MAC"
    for ((i = 0; i < HOST_COUNT; i++)); do
        attach "$NS_PREFIX-h$((i + 1))" "p-h$((i + 1))" "$SUBNET.${HOST_NUM[i]}" "${HOST_MAC[i]}"
    done
    build_dense
    for ns in $(host_namespaces); do add_arp_loss "$ns"; done
    in_ns "$NS_SCAN" route add default via "$GATEWAY_ADDR" dev eth0

    write_etc_netns "$NS_SCAN" yes
    write_etc_netns "$NS_LAN" no
    for ((i = 1; i <= HOST_COUNT; i++)); do write_etc_netns "$NS_PREFIX-h$i" no; done
    for ns in $(dense_namespaces); do write_etc_netns "$ns" no; done

    mkdir -p "$STATE_DIR"
    start_responders
    lan_env 1 >"$STATE_FILE.tmp"
    mv -f "$STATE_FILE.tmp" "$STATE_FILE"
}

# ---------------------------------------------------------------- name responders

# Each host with a NetBIOS name runs its own nmbd, each with an mDNS name its own avahi-daemon,
# inside its namespace, with configuration and directories under the state directory. Their
# pids go to $(responders_dir)/pids ("pid namespace program" per line).
responders_dir() { echo "$STATE_DIR/responders"; }

start_responders() {
    local i ns dir addr
    for ((i = 0; i < HOST_COUNT; i++)); do
        [[ -n ${HOST_NETBIOS[i]}${HOST_MDNS[i]} ]] || continue
        ns=$NS_PREFIX-h$((i + 1)) dir=$(responders_dir)/h$((i + 1)) addr=$SUBNET.${HOST_NUM[i]}
        mkdir -p "$dir"
        [[ -z ${HOST_NETBIOS[i]} ]] || start_nmbd "$ns" "$dir" "$addr" "${HOST_NETBIOS[i]}"
        [[ -z ${HOST_MDNS[i]} ]] || start_avahi "$ns" "$dir" "${HOST_MDNS[i]}"
    done
    start_upnp_devices
}

start_nmbd() {
    local ns=$1 dir=$2 addr=$3 name=$4 sub
    command -v nmbd >/dev/null || die "nmbd is missing (tools/setup.sh installs samba)"
    for sub in lock state cache run private ncalrpc; do mkdir -p "$dir/nmbd-$sub"; done
    cat >"$dir/smb.conf" <<CONF
[global]
    netbios name = $name
    workgroup = VANTREL-LAN
    interfaces = $addr/$PREFIX_LEN
    bind interfaces only = yes
    local master = no
    domain master = no
    preferred master = no
    dns proxy = no
    lock directory = $dir/nmbd-lock
    state directory = $dir/nmbd-state
    cache directory = $dir/nmbd-cache
    pid directory = $dir/nmbd-run
    private dir = $dir/nmbd-private
    ncalrpc dir = $dir/nmbd-ncalrpc
    log file = $dir/nmbd.log
    max log size = 200
CONF
    ip netns exec "$ns" nmbd --foreground --no-process-group --configfile="$dir/smb.conf" \
        9<&- </dev/null >>"$dir/nmbd.out" 2>&1 &
    echo "$! $ns nmbd" >>"$(responders_dir)/pids"
}

start_avahi() {
    local ns=$1 dir=$2 name=$3
    command -v avahi-daemon >/dev/null || die "avahi-daemon is missing (tools/setup.sh installs it)"
    cat >"$dir/avahi-daemon.conf" <<CONF
[server]
host-name=$name
domain-name=local
use-ipv4=yes
use-ipv6=no
allow-interfaces=eth0
enable-dbus=no
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
CONF
    # The hosts have no default route: multicast needs one of its own.
    in_ns "$ns" route add 224.0.0.0/4 dev eth0
    # Its pid file and socket paths are fixed: a private /run/avahi-daemon for each, a mount
    # that only this process's mount namespace (made by ip netns exec) sees.
    mkdir -p /run/avahi-daemon
    ip netns exec "$ns" sh -c 'mount -t tmpfs none /run/avahi-daemon && exec avahi-daemon -f "$1" --no-drop-root --no-chroot --no-rlimits' \
        avahi "$dir/avahi-daemon.conf" 9<&- </dev/null >>"$dir/avahi.out" 2>&1 &
    echo "$! $ns avahi-daemon" >>"$(responders_dir)/pids"
}

# Prints a line for every responder that is not running.
check_responders() {
    local i want=0 pid ns program
    for ((i = 0; i < HOST_COUNT; i++)); do
        [[ -z ${HOST_NETBIOS[i]} ]] || want=$((want + 1))
        [[ -z ${HOST_MDNS[i]} ]] || want=$((want + 1))
        [[ -z ${HOST_UPNP_KIND[i]} ]] || want=$((want + 1))
    done
    ((want)) || return 0
    [[ -f $(responders_dir)/pids ]] || { echo "no name responders were started"; return; }
    while read -r pid ns program; do
        pid_alive "$pid" && continue
        echo "$ns: $program (pid $pid) is not running; its last words:"
        tail -n 5 "$(responders_dir)/${ns##*-}/${program%%-*}".{out,log} 2>/dev/null | sed 's/^/    /'
    done <"$(responders_dir)/pids"
    (($(wc -l <"$(responders_dir)/pids") == want)) || echo "not every name responder was started"
}

# Waits until every host answers with the names it was given (nmbd registers its names a
# moment after it starts, avahi-daemon first makes sure nobody else has its name).
wait_responders_answer() {
    local i tries addr line
    local -a addrs=() want=()
    for ((i = 0; i < HOST_COUNT; i++)); do
        [[ -n ${HOST_NETBIOS[i]}${HOST_MDNS[i]} ]] || continue
        addr=$SUBNET.${HOST_NUM[i]}
        addrs+=("$addr")
        want+=("$addr ${HOST_NETBIOS[i]:--} ${HOST_MDNS[i]:+${HOST_MDNS[i]}.local}")
        [[ -n ${HOST_MDNS[i]} ]] || want[-1]+=-
    done
    ((${#addrs[@]})) || return 0
    for ((tries = 0; tries < 60; tries++)); do
        line=$(ip netns exec "$NS_SCAN" python3 "$(dirname "$SCRIPT")/ask-names.py" --wait 0.5 "${addrs[@]}")
        [[ $line != "$(printf '%s\n' "${want[@]}")" ]] || return 0
    done
    log "the name responders do not answer as they should; they answer:"
    printf '%s\n' "$line" >&2
    return 1
}

# ---------------------------------------------------------------- UPnP devices

# Each host with a UPnP device runs it in its namespace, configuration and state under
# $(responders_dir)/hI like the name responders, and with them in the pids file (programs
# minidlnad, miniupnpd, hostile-upnp).
start_upnp_devices() {
    local i ns dir
    for ((i = 0; i < HOST_COUNT; i++)); do
        [[ -n ${HOST_UPNP_KIND[i]} ]] || continue
        ns=$NS_PREFIX-h$((i + 1)) dir=$(responders_dir)/h$((i + 1))
        mkdir -p "$dir"
        # The hosts have no default route: the group's answers and notices need one.
        in_ns "$ns" route replace 224.0.0.0/4 dev eth0
        case ${HOST_UPNP_KIND[i]} in
            gateway) start_miniupnpd "$ns" "$dir" "$i" ;;
            media) start_minidlna "$ns" "$dir" "$i" ;;
            hostile) start_hostile_upnp "$ns" "$dir" "$i" ;;
        esac
    done
}

start_minidlna() {
    local ns=$1 dir=$2 i=$3
    command -v minidlnad >/dev/null || die "minidlnad is missing (tools/setup.sh installs minidlna)"
    mkdir -p "$dir/minidlna-media" "$dir/minidlna-db" "$dir/minidlna-log"
    cat >"$dir/minidlna.conf" <<CONF
media_dir=$dir/minidlna-media
db_dir=$dir/minidlna-db
log_dir=$dir/minidlna-log
network_interface=eth0
port=$UPNP_MEDIA_PORT
friendly_name=${HOST_UPNP_VALUE[i]}
model_name=$UPNP_MEDIA_MODEL
inotify=no
CONF
    # -d: in the foreground, logging to standard output.
    ip netns exec "$ns" minidlnad -d -f "$dir/minidlna.conf" -P "$dir/minidlnad.pid" \
        9<&- </dev/null >>"$dir/minidlnad.out" 2>&1 &
    echo "$! $ns minidlnad" >>"$(responders_dir)/pids"
}

start_miniupnpd() {
    local ns=$1 dir=$2 i=$3
    command -v miniupnpd >/dev/null || die "miniupnpd is missing (tools/setup.sh installs it)"
    # Its external interface must be another than the one it listens on: a veth pair whose
    # both ends stay in the gateway's namespace, with an address of a documentation range.
    in_ns "$ns" link add wan0 type veth peer name wan1
    in_ns "$ns" link set wan0 addrgenmode none
    in_ns "$ns" link set wan1 addrgenmode none
    in_ns "$ns" addr add 203.0.113.2/24 dev wan0
    in_ns "$ns" link set wan1 up
    in_ns "$ns" link set wan0 up
    cat >"$dir/miniupnpd.conf" <<CONF
ext_ifname=wan0
listening_ip=eth0
port=$UPNP_GATEWAY_PORT
enable_upnp=yes
enable_natpmp=no
secure_mode=yes
system_uptime=no
uuid=$(printf '6e5f1b7c-9a1d-4a8e-8b47-%012x' "${HOST_NUM[i]}")
friendly_name=${HOST_UPNP_VALUE[i]}
manufacturer_name=$UPNP_GATEWAY_MAKER
model_name=$UPNP_GATEWAY_MODEL
allow 1024-65535 $NETWORK/$PREFIX_LEN 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
CONF
    ip netns exec "$ns" miniupnpd -d -f "$dir/miniupnpd.conf" -P "$dir/miniupnpd.pid" \
        9<&- </dev/null >>"$dir/miniupnpd.out" 2>&1 &
    echo "$! $ns miniupnpd" >>"$(responders_dir)/pids"
}

start_hostile_upnp() {
    local ns=$1 dir=$2 i=$3 at=${HOST_UPNP_TARGET[$3]} target=""
    local script
    script=$(cd "$(dirname "$SCRIPT")/../tests/lan" && pwd)/hostile_upnp.py
    [[ -f $script ]] || die "$script is missing"
    [[ -z $at ]] || target=$(upnp_location "$at")
    [[ ${HOST_UPNP_VALUE[i]} != dns-name ]] || target=$(upnp_location "$i")
    # It ends by itself, too, once its directory is gone.
    ip netns exec "$ns" python3 "$script" --mode "${HOST_UPNP_VALUE[i]}" --address "$SUBNET.${HOST_NUM[i]}" \
        --port "$UPNP_HOSTILE_PORT" --target "$target" --lifeline "$dir" \
        9<&- </dev/null >>"$dir/hostile.out" 2>&1 &
    echo "$! $ns hostile-upnp" >>"$(responders_dir)/pids"
}

# Waits until every device answers a search from the scanner namespace as the program asks,
# and each but the hostile ones serves its description with its own name, maker and model.
wait_upnp_answer() {
    local i tries addr line searches
    local -a addrs=() want=() hostile=()
    for ((i = 0; i < HOST_COUNT; i++)); do
        [[ -n ${HOST_UPNP_KIND[i]} ]] || continue
        addr=$SUBNET.${HOST_NUM[i]}
        addrs+=("$addr")
        case ${HOST_UPNP_KIND[i]} in
            # minidlna's socket is bound to the group's address: no answer to a unicast search.
            media) searches=group ;;
            *) searches=group+unicast ;;
        esac
        if [[ ${HOST_UPNP_KIND[i]} == hostile ]]; then
            hostile+=("$addr")
            want+=("$addr"$'\t'"$searches"$'\t-\t-\t-')
        else
            want+=("$addr"$'\t'"$searches"$'\t'"${HOST_UPNP_VALUE[i]}"$'\t'"$(upnp_maker "$i")"$'\t'"$(upnp_model "$i")")
        fi
    done
    ((${#addrs[@]})) || return 0
    for ((tries = 0; tries < 40; tries++)); do
        line=$(ip netns exec "$NS_SCAN" python3 "$(dirname "$SCRIPT")/ask-upnp.py" --wait 0.5 \
            --no-get "$(IFS=,; echo "${hostile[*]}")" "${addrs[@]}")
        [[ $line != "$(printf '%s\n' "${want[@]}")" ]] || return 0
    done
    log "the UPnP devices do not answer as they should; they answer:"
    printf '%s\n' "$line" >&2
    return 1
}

# Dense hosts: one port per namespace, eth0 without an address, and a macvlan interface
# mvN per host on it. Each answers ARP only for its own address, with its own MAC.
build_dense() {
    local ns k i
    k=0
    for ns in $(dense_namespaces); do
        k=$((k + 1))
        in_ns "$NS_LAN" link add "p-d$k" type veth peer name eth0 netns "$ns"
        in_ns "$NS_LAN" link set "p-d$k" addrgenmode none
        in_ns "$NS_LAN" link set "p-d$k" master br0 up
        in_ns "$ns" link set eth0 addrgenmode none
        in_ns "$ns" link set eth0 up
        ip netns exec "$ns" sysctl -qw net.ipv4.conf.all.arp_ignore=1 net.ipv4.conf.all.arp_announce=2
    done
    for ns in $(dense_namespaces); do
        for ((i = HOST_COUNT; i < HOST_COUNT + DENSE_COUNT; i++)); do
            [[ ${HOST_NS[i]} == "$ns" ]] || continue
            echo "link add mv$i link eth0 address ${HOST_MAC[i]} type macvlan mode bridge"
            echo "link set mv$i addrgenmode none"
            echo "addr add $SUBNET.${HOST_NUM[i]}/$PREFIX_LEN broadcast $BROADCAST dev mv$i"
            echo "link set mv$i up"
        done | in_ns "$ns" -batch - || die "could not build the dense hosts of $ns"
    done
}

# Every namespace that answers for hosts: P-h1..P-hN, then P-d1..P-dK.
host_namespaces() {
    seq -f "$NS_PREFIX-h%g" 1 "$HOST_COUNT"
    dense_namespaces
}

# The rule by which a host namespace loses ARP requests; nothing without loss. Each request
# is drawn on its own (a dense namespace draws for each of its hosts' interfaces).
arp_loss_rule() {
    ((LOSS > 0)) || return 0
    echo "arp operation request numgen random mod 100 < $LOSS drop"
}

add_arp_loss() {
    local ns=$1
    ((LOSS > 0)) || return 0
    [[ $ns =~ $(ns_pattern) ]] || die "internal: '$ns' is not one of this LAN's namespaces"
    ip netns exec "$ns" nft -f - <<NFT || die "could not set the ARP loss of $ns (is nftables installed?)"
table arp vtl_loss {
    chain input {
        type filter hook input priority 0; policy accept;
        $(arp_loss_rule)
    }
}
NFT
}

# Prints a line for a host namespace whose ARP loss is not as built.
check_arp_loss() {
    local ns rules
    for ns in $(host_namespaces); do
        rules=$(ip netns exec "$ns" nft list table arp vtl_loss 2>/dev/null | grep -o 'arp operation request.*drop' || true)
        [[ $rules == "$(arp_loss_rule)" ]] || echo "$ns: ARP loss is not $LOSS %"
    done
}

# Prints one line per dense host that is not up with its address and MAC.
check_dense() {
    local ns i links addrs
    for ns in $(dense_namespaces); do
        links=$(in_ns "$ns" -br link show 2>/dev/null) || { echo "$ns: missing"; continue; }
        addrs=$(in_ns "$ns" -4 -o addr show 2>/dev/null) || true
        for ((i = HOST_COUNT; i < HOST_COUNT + DENSE_COUNT; i++)); do
            [[ ${HOST_NS[i]} == "$ns" ]] || continue
            [[ $links =~ (^|$'\n')mv$i@eth0[[:space:]]+UP[[:space:]]+${HOST_MAC[i]} ]] || echo "$ns: mv$i is not up with ${HOST_MAC[i]}"
            [[ $addrs == *" mv$i    inet $SUBNET.${HOST_NUM[i]}/$PREFIX_LEN "* ]] || echo "$ns: mv$i lacks $SUBNET.${HOST_NUM[i]}"
        done
    done
}

# Checks one member's eth0: up with carrier, the MAC, the address and broadcast.
check_member() {
    local ns=$1 addr=$2 mac=$3 port=$4 line
    line=$(in_ns "$ns" -br link show dev eth0 2>/dev/null) || { echo "$ns: no eth0"; return; }
    [[ $line =~ [[:space:]]UP[[:space:]] ]] || echo "$ns: eth0 is not up"
    [[ " $line " == *" $mac "* ]] || echo "$ns: eth0 MAC is not $mac"
    line=$(in_ns "$ns" -4 -o addr show dev eth0 2>/dev/null) || true
    [[ $line == *" inet $addr/$PREFIX_LEN brd $BROADCAST "* ]] || echo "$ns: eth0 lacks $addr/$PREFIX_LEN brd $BROADCAST"
    line=$(in_ns "$NS_LAN" -o link show dev "$port" 2>/dev/null) || { echo "$NS_LAN: no port $port"; return; }
    [[ $line == *" master br0 "* ]] || echo "$NS_LAN: $port is not on br0"
}

# Prints one line per fault of the LAN described by the globals; none when healthy.
check_lan() {
    local i ns line
    local -a want have
    want=("$NS_LAN" "$NS_SCAN")
    for ((i = 1; i <= HOST_COUNT; i++)); do want+=("$NS_PREFIX-h$i"); done
    mapfile -t -O "${#want[@]}" want < <(dense_namespaces)
    mapfile -t have < <(existing_namespaces | sort)
    if [[ "$(printf '%s\n' "${want[@]}" | sort)" != "$(printf '%s\n' "${have[@]}")" ]]; then
        echo "namespaces are [${have[*]}], expected [${want[*]}]"
        return
    fi
    for ns in "${want[@]}"; do
        [[ $(in_ns "$ns" -br link show dev lo 2>/dev/null) == *UNKNOWN* ]] || echo "$ns: loopback is down"
    done
    line=$(in_ns "$NS_LAN" -br link show dev br0 2>/dev/null) || true
    [[ $line =~ [[:space:]]UP[[:space:]] ]] || echo "$NS_LAN: br0 missing or not up"
    line=$(in_ns "$NS_LAN" -o addr show 2>/dev/null | grep -v '^[0-9]*: lo ' | cut -d' ' -f2 | sort -u | tr '\n' ' ')
    [[ -z $line ]] || echo "$NS_LAN: the switch has addresses on $line"
    check_member "$NS_SCAN" "$SCANNER_ADDR" "$SCANNER_MAC" p-scan
    for ((i = 0; i < HOST_COUNT; i++)); do
        check_member "$NS_PREFIX-h$((i + 1))" "$SUBNET.${HOST_NUM[i]}" "${HOST_MAC[i]}" "p-h$((i + 1))"
    done
    check_dense
    check_arp_loss
    check_responders
    [[ $(in_ns "$NS_SCAN" route show default 2>/dev/null) == "default via $GATEWAY_ADDR dev eth0"* ]] ||
        echo "$NS_SCAN: no default route via $GATEWAY_ADDR"
    cmp -s /etc/netns/"$NS_SCAN"/hosts <(scan_hosts_file) || echo "/etc/netns/$NS_SCAN/hosts is not as built"
    [[ ! -e /etc/resolv.conf ]] || cmp -s /etc/netns/"$NS_SCAN"/resolv.conf <(resolv_file) ||
        echo "/etc/netns/$NS_SCAN/resolv.conf is not as built"
    [[ -f $STATE_FILE ]] || echo "state file $STATE_FILE is missing"
}

# Waits briefly for links to report carrier after a build.
check_lan_settled() {
    local faults tries
    for ((tries = 0; tries < 20; tries++)); do
        faults=$(check_lan)
        [[ -n $faults ]] || return 0
        sleep 0.1
    done
    printf '%s\n' "$faults"
    return 1
}

teardown() {
    local ns pattern dir pid prefix arch
    local -a namespaces pids prefixes=("$WINEPREFIX_DIR")

    # The running LAN may have been built with another Wine prefix.
    if [[ -f $STATE_FILE ]]; then
        prefix=$(sed -n 's/^LAN_WINEPREFIX=//p' "$STATE_FILE")
        [[ -z $prefix || $prefix == "$WINEPREFIX_DIR" ]] || prefixes+=("$prefix")
    fi
    for prefix in "${prefixes[@]}"; do
        for arch in x86 x64; do stop_wineserver "$prefix-$arch"; done
    done

    # The name responders by their pids first, then whatever else is left in the LAN.
    if [[ -f $(responders_dir)/pids ]]; then
        pids=()
        while read -r pid _; do pid_alive "$pid" && pids+=("$pid"); done <"$(responders_dir)/pids"
        ((${#pids[@]} == 0)) || stop_pids "${pids[@]}"
    fi
    rm -rf -- "$(responders_dir)"

    mapfile -t namespaces < <(existing_namespaces)
    # A namespace outlives its name while any process is inside it, with its links.
    pids=()
    for ns in "${namespaces[@]}"; do
        for pid in $(ip netns pids "$ns" 2>/dev/null); do
            [[ $pid == "$$" ]] || pids+=("$pid")
        done
    done
    if ((${#pids[@]})); then
        log "stopping processes left in the LAN: ${pids[*]}"
        stop_pids "${pids[@]}"
    fi
    # Members first, the bridge last: its ports go away with the members' ends.
    for ns in "${namespaces[@]}"; do
        [[ $ns == "$NS_LAN" ]] || ip netns delete "$ns"
    done
    for ns in "${namespaces[@]}"; do
        [[ $ns != "$NS_LAN" ]] || ip netns delete "$ns"
    done

    pattern=$(ns_pattern)
    for dir in /etc/netns/"$NS_PREFIX"-*; do
        [[ -d $dir && $(basename "$dir") =~ $pattern ]] && rm -rf -- "$dir"
    done
    rmdir /etc/netns 2>/dev/null || true
    if [[ -d $STATE_DIR ]]; then
        rm -f -- "$STATE_DIR"/{lan.env,lan.env.tmp,wineboot.log,wineserver.log}
        rmdir -- "$STATE_DIR" 2>/dev/null || log "warning: $STATE_DIR holds other files; left in place"
    fi
}

lan_exists() {
    [[ -n $(existing_namespaces) || -f $STATE_FILE ]] && return 0
    compgen -G "/etc/netns/$NS_PREFIX-*" >/dev/null
}

# ---------------------------------------------------------------- commands

require_root() { ((EUID == 0)) || die "$1 needs root (network namespaces)"; }

# Serialises the commands that change the LAN or its Wine prefix. The lock is on
# this script, so it leaves no file behind.
take_lock() { exec 9<"$SCRIPT"; flock 9; }
drop_lock() { exec 9<&-; }

# From inside one of the LAN's namespaces a teardown would pull the floor away.
refuse_inside_lan() {
    local here pattern
    here=$(ip netns identify $$ 2>/dev/null || true)
    pattern=$(ns_pattern)
    [[ ! $here =~ $pattern ]] || die "run this from outside the LAN (now in $here)"
}

BUILDING=0
on_exit() {
    local rc=$?
    if ((BUILDING && rc != 0)); then
        log "build failed; removing the partial LAN"
        set +e
        teardown
    fi
}

cmd_up() {
    require_root up
    refuse_inside_lan
    take_lock
    if [[ -f $STATE_FILE ]] && cmp -s "$STATE_FILE" <(lan_env 1) && [[ -z $(check_lan) ]]; then
        log "LAN $NS_PREFIX is already up"
        return 0
    fi
    if lan_exists; then
        log "rebuilding LAN $NS_PREFIX (other parameters, or not complete)"
        teardown
    fi
    BUILDING=1
    trap on_exit EXIT
    build_lan
    # A responder now and then ends at its start (seen with nmbd, not yet explained): its
    # last words are logged above, and the LAN is built once more.
    if ! check_lan_settled >&2; then
        log "the LAN did not come up as built; building it once more"
        teardown
        build_lan
        check_lan_settled >&2 || die "the LAN did not come up as built"
    fi
    wait_responders_answer || die "the LAN's name responders did not come up"
    wait_upnp_answer || die "the LAN's UPnP devices did not come up"
    BUILDING=0
    log "LAN $NS_PREFIX is up: scanner $SCANNER_ADDR/$PREFIX_LEN in $NS_SCAN, gateway $GATEWAY_ADDR, hosts: $((HOST_COUNT + DENSE_COUNT))$( ((LOSS == 0)) || echo ", ARP loss $LOSS %")"
}

cmd_down() {
    require_root down
    refuse_inside_lan
    take_lock
    teardown
    log "LAN $NS_PREFIX is down"
}

cmd_purge() {
    cmd_down
    # The state file is gone by now, so the configured prefixes are the ones removed.
    local prefix arch
    for arch in x86 x64; do
        prefix=$(lan_prefix "$arch")
        if [[ -d $prefix ]]; then
            rm -rf -- "$prefix"
            log "removed the Wine prefix $prefix"
        fi
    done
}

# Replaces the parameters' figures with those of the running LAN.
load_state() {
    [[ -f $STATE_FILE ]] || return 1
    # shellcheck disable=SC1090
    source "$STATE_FILE"
    local i
    NS_PREFIX=$LAN_NS_PREFIX NS_LAN=$LAN_NS_BRIDGE NS_SCAN=$LAN_NS_SCANNER
    SUBNET=$LAN_SUBNET PREFIX_LEN=$LAN_PREFIX_LEN MASK=$LAN_MASK
    NETWORK=$LAN_NETWORK BROADCAST=$LAN_BROADCAST FIRST_HOST=$LAN_FIRST_HOST LAST_HOST=$LAN_LAST_HOST
    GATEWAY_ADDR=$LAN_GATEWAY SCANNER_ADDR=$LAN_SCANNER_ADDR SCANNER_NUM=${LAN_SCANNER_ADDR##*.}
    SCANNER_MAC=$LAN_SCANNER_MAC_LINK WINEPREFIX_DIR=$LAN_WINEPREFIX
    DENSE_COUNT=${LAN_DENSE_COUNT:-0} HOST_COUNT=$((LAN_HOST_COUNT - ${LAN_DENSE_COUNT:-0})) LOSS=${LAN_ARP_LOSS:-0}
    HOST_NUM=() HOST_MAC=() HOST_NAME=() HOST_NS=() HOST_NETBIOS=() HOST_MDNS=()
    HOST_UPNP_KIND=() HOST_UPNP_VALUE=() HOST_UPNP_TARGET_ADDR=()
    for ((i = 1; i <= LAN_HOST_COUNT; i++)); do
        local a=LAN_HOST_${i}_ADDR m=LAN_HOST_${i}_MAC_LINK n=LAN_HOST_${i}_NAME s=LAN_HOST_${i}_NS
        local b=LAN_HOST_${i}_NETBIOS d=LAN_HOST_${i}_MDNS u=LAN_HOST_${i}_UPNP
        local un=LAN_HOST_${i}_UPNP_NAME um=LAN_HOST_${i}_UPNP_MODE ut=LAN_HOST_${i}_UPNP_TARGET
        HOST_UPNP_KIND+=("${!u:-}")
        HOST_UPNP_VALUE+=("${!un:-}${!um:-}")
        HOST_UPNP_TARGET_ADDR+=("${!ut:-}")
        HOST_NUM+=("${!a##*.}")
        HOST_MAC+=("${!m}")
        HOST_NAME+=("${!n}")
        HOST_NETBIOS+=("${!b:-}")
        d=${!d:-}
        HOST_MDNS+=("${d%.local}")
        HOST_NS+=("${!s}")
    done
}

cmd_status() {
    local faults i pid ns
    if ! load_state; then
        if [[ -n $(existing_namespaces) ]]; then
            echo "LAN $NS_PREFIX: broken (namespaces without state: $(existing_namespaces | tr '\n' ' '))"
            return 1
        fi
        echo "LAN $NS_PREFIX: down"
        return 3
    fi
    faults=$(check_lan)
    if [[ -n $faults ]]; then
        echo "LAN $NS_PREFIX: broken"
        echo "  ${faults//$'\n'/$'\n'  }"
        return 1
    fi
    echo "LAN $NS_PREFIX: up ($NETWORK/$PREFIX_LEN, bridge br0 in $NS_LAN$( ((LOSS == 0)) || echo ", hosts drop $LOSS % of ARP requests"))"
    printf '  %-12s %-15s %-17s %s\n' "$NS_SCAN" "$SCANNER_ADDR" "$(windows_mac "$SCANNER_MAC")" "scanner, default via $GATEWAY_ADDR"
    for ((i = 0; i < HOST_COUNT + DENSE_COUNT; i++)); do
        printf '  %-12s %-15s %-17s %s\n' "${HOST_NS[i]}" "$SUBNET.${HOST_NUM[i]}" \
            "$(windows_mac "${HOST_MAC[i]}")" "${HOST_NAME[i]:-(unnamed)}$( ((i)) || echo ', gateway')$([[ -z ${HOST_NETBIOS[i]} ]] || echo ", NetBIOS ${HOST_NETBIOS[i]}")$([[ -z ${HOST_MDNS[i]} ]] || echo ", mDNS ${HOST_MDNS[i]}.local")$(upnp_status "$i")"
    done
    local arch prefix
    for arch in x86 x64; do
        prefix=$(lan_prefix "$arch")
        pid=$(wineserver_pids "$prefix" | head -n1)
        if [[ -n $pid ]]; then
            ns=$(ip netns identify "$pid" 2>/dev/null || true)
            echo "  wineserver pid $pid in ${ns:-the host namespace} for $prefix"
        else
            echo "  no wineserver for $prefix (exec starts one)"
        fi
    done
}

# How status describes the UPnP device of host index $1 (loaded from the state).
upnp_status() {
    local i=$1
    case ${HOST_UPNP_KIND[i]} in
        gateway | media) echo ", UPnP ${HOST_UPNP_KIND[i]} '${HOST_UPNP_VALUE[i]}'" ;;
        hostile) echo ", UPnP hostile ${HOST_UPNP_VALUE[i]}${HOST_UPNP_TARGET_ADDR[i]:+ -> ${HOST_UPNP_TARGET_ADDR[i]}}" ;;
    esac
}

cmd_info() {
    if [[ -f $STATE_FILE ]]; then
        cat "$STATE_FILE"
    else
        lan_env 0
    fi
}

# One row of a markdown table; an empty cell is "| |".
markdown_row() {
    local row="|" cell
    for cell; do row+=" ${cell:+$cell }|"; done
    echo "$row"
}

host_label() { echo "h$(($1 + 1))$( (($1)) || echo ', the gateway')"; }

# The hosts P-h1..P-hN as the parameters give them (not the dense ones), as the README shows them.
cmd_table() {
    local i at device name maker
    markdown_row host address MAC "DNS name" "NetBIOS name" "mDNS name" "UPnP device"
    echo "|---|---|---|---|---|---|---|"
    for ((i = 0; i < HOST_COUNT; i++)); do
        markdown_row "$(host_label "$i")" "$SUBNET.${HOST_NUM[i]}" "$(windows_mac "${HOST_MAC[i]}")" \
            "${HOST_NAME[i]}" "${HOST_NETBIOS[i]}" "${HOST_MDNS[i]:+${HOST_MDNS[i]}.local}" "${HOST_UPNP_KIND[i]}"
    done
    [[ -n $(printf '%s' "${HOST_UPNP_KIND[@]:0:HOST_COUNT}") ]] || return 0
    echo
    markdown_row host device friendlyName "manufacturer, modelName"
    echo "|---|---|---|---|"
    for ((i = 0; i < HOST_COUNT; i++)); do
        name=${HOST_UPNP_VALUE[i]} maker="$(upnp_maker "$i"), $(upnp_model "$i")"
        case ${HOST_UPNP_KIND[i]} in
            gateway) device="\`miniupnpd\` (an Internet gateway)" ;;
            media) device="\`minidlna\` (a media server)" ;;
            hostile)
                at=${HOST_UPNP_TARGET[i]}
                device="hostile: \`tests/lan/hostile_upnp.py --mode $name\`${at:+, pointing at h$((at + 1))}"
                name="see its mode" maker="see its mode"
                ;;
            *) continue ;;
        esac
        markdown_row "$(host_label "$i")" "$device" "$name" "$maker"
    done
}

cmd_move() {
    (($# == 2)) || die "move needs a host number and an address number"
    require_root move
    load_state || die "LAN $NS_PREFIX is not up (run: $0 up)"
    local host=$1 num=$2 i
    uint_between "$host" 2 "$HOST_COUNT" || die "host '$host': use 2..$HOST_COUNT (h1 is the gateway)"
    uint_between "$num" 1 254 || die "address number '$num': use 1..254"
    i=$((10#$host - 1)) num=$((10#$num))
    [[ -z ${HOST_NETBIOS[i]}${HOST_MDNS[i]}${HOST_UPNP_KIND[i]} ]] ||
        die "host $host answers for itself (NetBIOS, mDNS or UPnP); move a host without responders"
    local new=$SUBNET.$num old=$SUBNET.${HOST_NUM[i]} taken
    [[ $new != "$old" ]] || return 0
    [[ $(ip_to_int "$new") -gt $(ip_to_int "$NETWORK") && $(ip_to_int "$new") -lt $(ip_to_int "$BROADCAST") ]] ||
        die "$new is not a host address of $NETWORK/$PREFIX_LEN"
    for taken in "$SCANNER_NUM" "${HOST_NUM[@]}"; do
        ((taken != num)) || die "$new is taken"
    done
    take_lock
    in_ns "${HOST_NS[i]}" addr del "$old/$PREFIX_LEN" dev eth0
    in_ns "${HOST_NS[i]}" addr add "$new/$PREFIX_LEN" broadcast "$BROADCAST" dev eth0
    in_ns "$NS_SCAN" neigh del "$old" dev eth0 2>/dev/null || true
    in_ns "$NS_SCAN" neigh del "$new" dev eth0 2>/dev/null || true
    HOST_NUM[i]=$num
    scan_hosts_file >/etc/netns/"$NS_SCAN"/hosts
    sed "s/^LAN_HOST_${host}_ADDR=.*/LAN_HOST_${host}_ADDR=$new/" "$STATE_FILE" >"$STATE_FILE.tmp"
    mv -f "$STATE_FILE.tmp" "$STATE_FILE"
    drop_lock
    log "moved ${HOST_NS[i]} from $old to $new"
}

cmd_exec() {
    (($#)) || die "exec needs a command"
    require_root exec
    load_state || die "LAN $NS_PREFIX is not up (run: $0 up)"
    local faults
    faults=$(check_lan)
    [[ -z $faults ]] || die "LAN $NS_PREFIX is not healthy; run up again:"$'\n'"$faults"
    local arch=${VANTREL_ARCH:-$(arch_of_command "$@")}
    take_lock
    ensure_wine "$arch"
    drop_lock
    export VANTREL_ARCH=$arch
    export WINEPREFIX
    WINEPREFIX=$(lan_prefix "$arch")
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree,mshtml=}
    exec ip netns exec "$NS_SCAN" "$@"
}

main() {
    parse_options "$@"
    set -- "${ARGS[@]}"
    (($#)) || { usage >&2; exit 2; }
    local cmd=$1
    shift
    if [[ $cmd != exec && $cmd != move ]]; then
        parse_options "$@"
        ((${#ARGS[@]} == 0)) || [[ ${ARGS[0]} == help ]] || die "unexpected argument '${ARGS[0]}' after $cmd"
        [[ ${ARGS[0]:-} != help ]] || cmd=help
    fi
    [[ $cmd == help ]] || compute_lan
    case $cmd in
        up)     cmd_up ;;
        down)   cmd_down ;;
        purge)  cmd_purge ;;
        status) cmd_status ;;
        info)   cmd_info ;;
        exec)   cmd_exec "$@" ;;
        move)   cmd_move "$@" ;;
        table)  cmd_table ;;
        help)   usage ;;
        *)      die "unknown command '$cmd' (see --help)" ;;
    esac
}

main "$@"

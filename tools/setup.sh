#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (as root): the mingw-w64
# cross compilers for i686 and x86_64, Wine with 32-bit support and its fonts, Xvfb and a window
# manager for the benchmark's display, GoogleTest's source,
# iproute2, Python and xmllint for the checks that run natively, and the IEEE registries of MAC
# address blocks (ieee-data) that the build compiles in; the host compiler for the natively built
# parser tests; samba's nmbd and avahi-daemon, the name responders of the virtual LAN's hosts,
# and minidlna and miniupnpd (nftables flavour), its UPnP devices.
set -euo pipefail

packages=(
    cmake make
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
    wine wine64 wine32:i386 fonts-wine
    xvfb xauth x11-utils imagemagick openbox
    googletest iproute2 nftables procps util-linux
    python3 libxml2-utils ieee-data
    g++ samba avahi-daemon
    minidlna miniupnpd miniupnpd-nftables
)

missing=()
for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]}; run this script as root to install them" >&2
    exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# The name responders run only inside the virtual LAN's namespaces: their services must not
# start in this machine's own network. A policy of our own goes again afterwards.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\n# vantrel setup: no service starts while packages are installed\nexit 101\n' >"$policy"
    chmod 755 "$policy"
    trap 'rm -f "$policy"' EXIT
fi
# miniupnpd asks whether to start at boot and on which interfaces: never here.
debconf-set-selections <<'SEL'
miniupnpd miniupnpd/start_daemon boolean false
miniupnpd miniupnpd/iface string
miniupnpd miniupnpd/listen string
SEL
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
# minidlna's package enables its service for the next boot; that would serve this machine's
# own network. Only what this run installed is switched off.
for service in minidlna miniupnpd; do
    [[ " ${missing[*]} " == *" $service "* ]] || continue
    update-rc.d "$service" disable >/dev/null 2>&1 || true
    if command -v deb-systemd-helper >/dev/null; then
        deb-systemd-helper disable "$service.service" >/dev/null 2>&1 || true
    fi
done

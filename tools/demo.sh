#!/usr/bin/env bash
# The program's main job on a fresh machine: sets the machine up, builds, brings up the
# virtual LAN, and runs Vantrel inside it under Xvfb with Wine's virtual desktop (so the
# caption and frame are drawn). Screenshots go to out/. Everything it starts it stops.
#
#   bash tools/demo.sh            (as root: namespaces and packages need it)
set -euo pipefail
cd "$(dirname "$0")/.."

readonly DISPLAY_NUMBER=:77
readonly DESKTOP_SIZE=1100x800

bash tools/setup.sh
bash tools/build.sh

cleanup() {
    tools/virtual-lan.sh down >/dev/null 2>&1 || true
    tools/xvfb.sh stop "$DISPLAY_NUMBER"
}
trap cleanup EXIT

# The 32-bit program is the one we ship; where this machine cannot execute 32-bit programs,
# the same sources built for x86_64 run instead.
program=build/vantrel.exe
if ! tools/wine-run.sh "$PWD/build/arch_probe.exe" >/dev/null 2>&1; then
    program=build-x64/vantrel.exe
fi
echo "running $program ($(source tools/wine-arch.sh; pe_arch "$program"))"

tools/virtual-lan.sh up
tools/xvfb.sh start "$DISPLAY_NUMBER"
export DISPLAY=$DISPLAY_NUMBER
mkdir -p out

VANTREL_ARCH=$(source tools/wine-arch.sh; pe_arch "$program") \
    tools/virtual-lan.sh exec tools/wine-run.sh explorer "/desktop=Vantrel,$DESKTOP_SIZE" "$program" &
desktop=$!

# The window is up once Wine's desktop shows more than its empty background.
for _ in $(seq 60); do
    sleep 1
    colours=$(import -window root -colors 16 -format '%k' info: 2>/dev/null || echo 0)
    [ "${colours:-0}" -gt 4 ] && break
done
sleep 2
import -window root -crop "$DESKTOP_SIZE+0+0" out/vantrel.png
echo "screenshot: out/vantrel.png"

kill "$desktop" 2>/dev/null || true
wait "$desktop" 2>/dev/null || true

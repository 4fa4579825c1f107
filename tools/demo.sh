#!/usr/bin/env bash
# The program's main job on a fresh machine: sets the machine up, builds, brings up the
# virtual LAN, runs Vantrel inside it under Xvfb with Wine's virtual desktop (so the
# caption and frame are drawn), and scans the LAN as a user would: Start Scan, the
# summary, OK. Screenshots of the summary and of the finished list go to out/.
# Everything it starts it stops.
#
#   bash tools/demo.sh            (as root: namespaces and packages need it)
#   DEMO_BUILD_DIR=build-x64 bash tools/demo.sh   (the 64-bit build even where 32-bit runs)
set -euo pipefail
cd "$(dirname "$0")/.."

readonly DISPLAY_NUMBER=${DEMO_DISPLAY:-:77}
readonly DESKTOP_SIZE=1100x800

bash tools/setup.sh
bash tools/build.sh

# The 32-bit program is the one we ship; where this machine cannot execute 32-bit programs,
# the same sources built for x86_64 run instead.
source tools/wine-arch.sh
BUILD_DIR=${DEMO_BUILD_DIR:-$(build_dir x86)}
if [[ -z ${DEMO_BUILD_DIR:-} ]] && ! wine_runs_arch x86; then
    BUILD_DIR=$(build_dir x64)
fi
echo "running $BUILD_DIR/vantrel.exe ($(pe_arch "$BUILD_DIR/vantrel.exe"))"
driver=$(realpath "$BUILD_DIR/tests/scan_driver.exe")
vantrel_win="Z:$(realpath "$BUILD_DIR/vantrel.exe")"
vantrel_win=${vantrel_win//\//\\}

cleanup() {
    tools/virtual-lan.sh down >/dev/null 2>&1 || true
    tools/xvfb.sh stop "$DISPLAY_NUMBER"
}
trap cleanup EXIT

tools/virtual-lan.sh up
tools/xvfb.sh start "$DISPLAY_NUMBER"
export DISPLAY=$DISPLAY_NUMBER
mkdir -p out

shot() {
    sleep 0.5  # the last repaint
    import -window root -crop "$DESKTOP_SIZE+0+0" "$1"
    echo "screenshot: $1"
}

# The driver starts Vantrel on the virtual desktop and works its window; each line it
# reads lets it go on, so the screenshots are taken at the right moments.
coproc DRIVER { tools/virtual-lan.sh exec tools/wine-run.sh explorer "/desktop=Vantrel,$DESKTOP_SIZE" \
    "$driver" "$vantrel_win" 2>/dev/null; }
driver_pid=$DRIVER_PID
exec {from}<&"${DRIVER[0]}" {to}>&"${DRIVER[1]}"
while read -r line <&"$from"; do
    line=${line%$'\r'}
    echo "$line"
    case $line in
        READY) echo go >&"$to" ;;
        SUMMARY*) shot out/vantrel-summary.png; echo go >&"$to" ;;
        DONE) shot out/vantrel.png; echo go >&"$to" ;;
        ERROR*) break ;;
    esac
done
exec {from}<&- {to}>&-
wait "$driver_pid" 2>/dev/null || true

#!/usr/bin/env bash
# Closes the real program at each moment of a scan of the virtual LAN and prints how long the
# process took to end after the close, and its exit code: before any run (idle), while the
# probes wait for their answers (probes), while the summary is up (summary), right after OK
# while the rows are renumbered and sorted (sort). Each moment is tried N times (default 5);
# the line gives the median and the worst. Ends with status 1 when an exit code is not 0.
# Name look-ups that block are no moment here (the LAN answers every look-up at once): the
# window tests close the window while look-ups block.
#
#   bash tools/close-timing.sh [N]            (as root)
#   CLOSE_BUILD_DIR=build CLOSE_DISPLAY=:77 bash tools/close-timing.sh 3
set -euo pipefail
cd "$(dirname "$0")/.."

readonly TRIES=${1:-5}
readonly BUILD_DIR=${CLOSE_BUILD_DIR:-build-x64}
readonly CLOSE_X=${CLOSE_DISPLAY:-:77}
readonly LAN=tools/virtual-lan.sh

source tools/scan-driver.sh
use_build "$BUILD_DIR" close-timing

start_display_and_lan "$CLOSE_X"

failed=0
echo "| moment | close to exit, median | worst | exit codes |"
echo "|---|---|---|---|"
for moment in idle probes summary sort; do
    times=() codes=()
    for ((try = 1; try <= TRIES; try++)); do
        out=$("$LAN" exec tools/wine-run.sh "$driver" "$vantrel_win" "$moment" 2>/dev/null | tr -d '\r') || true
        ms=$(awk '$1 == "CLOSE_TO_EXIT_MS" {print $2}' <<<"$out")
        code=$(awk '$1 == "EXIT" {print $2}' <<<"$out")
        if [[ -z $ms || -z $code ]]; then
            echo "close-timing: $moment: $(grep -m1 ERROR <<<"$out" || echo "no figures from the driver")" >&2
            failed=1
            continue
        fi
        times+=("$ms") codes+=("$code")
        [[ $code == 0 ]] || failed=1
    done
    ((${#times[@]})) || continue
    sorted=$(printf '%s\n' "${times[@]}" | sort -n)
    median=$(sed -n "$(((${#times[@]} + 1) / 2))p" <<<"$sorted")
    worst=$(tail -1 <<<"$sorted")
    echo "| $moment | $median ms | $worst ms | ${codes[*]} |"
done
exit "$failed"

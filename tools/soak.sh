#!/usr/bin/env bash
# Scans the virtual LAN many times in a row through the real program, one Wine process for
# all of them, and checks that it stays as it was: after the first and the last scan (and
# in summary, after every one) the Wine process's thread count and resident memory from
# /proc, the summary, and every scan whose summary differs from the first one's. Ends with
# status 1 when a summary differs, the thread count after a scan is not the one after the
# first, or resident memory grew by more than 5 MB from the first scan to the last.
#
#   bash tools/soak.sh [N]          (as root; N defaults to 100)
#   SOAK_BUILD_DIR=build-x64 SOAK_DISPLAY=:79 bash tools/soak.sh 20
set -euo pipefail
cd "$(dirname "$0")/.."

readonly SCANS=${1:-100}
readonly BUILD_DIR=${SOAK_BUILD_DIR:-build-x64}
readonly SOAK_X=${SOAK_DISPLAY:-:79}
readonly LAN=tools/virtual-lan.sh
readonly MAX_GROWTH_KB=5120

source tools/scan-driver.sh
use_build "$BUILD_DIR" soak

start_display_and_lan "$SOAK_X"
eval "$("$LAN" info)"

field() { awk -v name="$2:" '$1 == name {print $2}' "/proc/$1/status"; }

coproc DRIVER { "$LAN" exec tools/wine-run.sh "$driver" "$vantrel_win" 2>/dev/null; }
driver_pid=$DRIVER_PID
exec {from}<&"${DRIVER[0]}" {to}>&"${DRIVER[1]}"

# Reads the driver's lines up to one starting with $1; the SUMMARY line's text goes to
# $summary. Fails on ERROR or when the driver ends.
summary=""
read_until() {
    local line
    while read -r line <&"$from"; do
        line=${line%$'\r'}
        case $line in
            SUMMARY*) summary=${line#SUMMARY } ;;
            ERROR*) echo "soak: $line" >&2; return 1 ;;
        esac
        [[ $line == "$1"* ]] && return 0
    done
    echo "soak: the driver ended" >&2
    return 1
}

read_until READY
pid=$(vantrel_pid)
[[ -n $pid ]] || { echo "soak: no vantrel.exe process" >&2; exit 1; }
echo "idle: threads $(field "$pid" Threads), resident $(field "$pid" VmRSS) kB"

first_summary="" first_threads="" first_rss="" failed=0 threads="" rss=""
for ((scan = 1; scan <= SCANS; scan++)); do
    echo go >&"$to"
    read_until SUMMARY
    echo go >&"$to"
    read_until DONE
    # The window is idle again: the run's threads are gone (or going).
    threads=$(field "$pid" Threads) rss=$(field "$pid" VmRSS)
    for ((wait = 0; wait < 20 && scan > 1 && threads != first_threads; wait++)); do
        sleep 0.05
        threads=$(field "$pid" Threads)
    done
    if ((scan == 1)); then
        first_summary=$summary first_threads=$threads first_rss=$rss
        echo "after scan 1: threads $threads, resident $rss kB, summary: $summary"
    else
        [[ $summary == "$first_summary" ]] || { echo "scan $scan: summary differs: $summary"; failed=1; }
        [[ $threads == "$first_threads" ]] || { echo "scan $scan: $threads threads after the scan"; failed=1; }
    fi
    if ((scan < SCANS)); then echo again >&"$to"; fi
done
echo "after scan $SCANS: threads $threads, resident $rss kB, summary: $summary"
growth=$((rss - first_rss))
echo "resident memory from scan 1 to scan $SCANS: $growth kB"
((growth <= MAX_GROWTH_KB)) || { echo "soak: resident memory grew by more than $MAX_GROWTH_KB kB"; failed=1; }

echo close >&"$to"
while read -r line <&"$from"; do
    line=${line%$'\r'}
    [[ $line != EXIT* ]] || echo "program ended with exit code ${line#EXIT }"
done
exec {from}<&- {to}>&-
wait "$driver_pid" 2>/dev/null || true
exit "$failed"

# Sourced by the scripts that work the real program through tests/driver/ScanDriver.cpp
# (benchmark, soak): the two programs of a build, and the Wine process of vantrel.exe.

# Sets $vantrel_win (the program's Windows path) and $driver for the build in $1; exits
# when either program is missing. $2 names the calling script in the message.
use_build() {
    local dir=$1 file
    for file in "$dir/vantrel.exe" "$dir/tests/scan_driver.exe"; do
        [[ -f $file ]] || { echo "$2: $file is missing; build first" >&2; exit 2; }
    done
    vantrel_win="Z:$(realpath "$dir/vantrel.exe")"
    vantrel_win=${vantrel_win//\//\\}
    driver=$(realpath "$dir/tests/scan_driver.exe")
}

# The Wine process of vantrel.exe in the scanner namespace $LAN_NS_SCANNER.
vantrel_pid() {
    local pid
    for pid in $(ip netns pids "$LAN_NS_SCANNER"); do
        tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qi 'vantrel\.exe' &&
            ! tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qi scan_driver && { echo "$pid"; return; }
    done
}

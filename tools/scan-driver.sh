# Sourced by the scripts that work the real program through tests/driver/ScanDriver.cpp
# (benchmark, soak, close timing): the two programs of a build, the Wine process of
# vantrel.exe, and a private display with a window manager, as on a desktop (without one,
# Wine waits 2 s in the window's thread whenever a captioned window goes).
source tools/wine-arch.sh

# Sets $vantrel_win (the program's Windows path), $vantrel_win_dir (the build) and $driver
# for the build in $1; exits
# when either program is missing. $2 names the calling script in the message.
use_build() {
    local dir=$1 file
    for file in "$dir/vantrel.exe" "$dir/tests/scan_driver.exe"; do
        [[ -f $file ]] || { echo "$2: $file is missing; build first" >&2; exit 2; }
    done
    vantrel_win_dir=$dir
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

# A window manager on $DISPLAY, as on a desktop: it takes a closing captioned window at once.
start_window_manager() {
    openbox >/dev/null 2>&1 &
    window_manager_pid=$!
    # Ready once it has taken the root window's selection for its screen.
    for _ in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    echo "openbox did not start on $DISPLAY" >&2
    return 1
}

stop_window_manager() {
    [[ -z ${window_manager_pid:-} ]] || kill "$window_manager_pid" 2>/dev/null || true
    window_manager_pid=""
}

# For the scripts that work the default virtual LAN: starts the private display $1 with a
# window manager, and the LAN; when the script exits, takes them down.
start_display_and_lan() {
    script_display=$1
    trap stop_display_and_lan EXIT
    tools/xvfb.sh start "$script_display"
    export DISPLAY=$script_display
    start_window_manager
    tools/virtual-lan.sh up >/dev/null
}

stop_display_and_lan() {
    tools/virtual-lan.sh down >/dev/null 2>&1 || true
    stop_window_manager
    tools/xvfb.sh stop "$script_display" >/dev/null 2>&1 || true
}

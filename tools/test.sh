#!/usr/bin/env bash
# Sets up the machine if needed, builds both architectures, and runs every test (unit tests
# under Wine, window tests under Xvfb, discovery, probes and the whole program inside the
# virtual LAN) for each architecture this machine's Wine can execute. Some kernels cannot
# execute 32-bit programs at all; there the 64-bit suite runs alone. Fails if no suite
# could run or any suite fails. Arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh

tested=() untested=() failed=()
for arch in x86 x64; do
    case "$arch" in
        x86) dir=build ;;
        x64) dir=build-x64 ;;
    esac
    # Run a tiny program of that architecture rather than guess from the machine's name.
    if ! timeout 300 tools/wine-run.sh "$PWD/$dir/arch_probe.exe" >/dev/null 2>&1; then
        echo "== $arch: this machine's Wine cannot execute $arch programs; its suite is skipped"
        untested+=("$arch")
        continue
    fi
    # Let the probe's Wine session end: a window test joining a session begun without a
    # display gets no desktop.
    WINEPREFIX=$(source tools/wine-arch.sh; wine_prefix "$arch") wineserver -w
    echo "== $arch: running the test suite in $dir/"
    if (cd "$dir" && ctest --output-on-failure "$@"); then
        tested+=("$arch")
    else
        failed+=("$arch")
    fi
done

echo "== tested: ${tested[*]:-none}${failed:+; failed: ${failed[*]}}${untested:+; could not run here: ${untested[*]}}"
[ ${#failed[@]} -eq 0 ] || exit 1
[ ${#tested[@]} -gt 0 ] || { echo "no architecture could be tested on this machine" >&2; exit 1; }

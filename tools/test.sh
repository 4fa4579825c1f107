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

source tools/wine-arch.sh
tested=() untested=() failed=()
for arch in x86 x64; do
    dir=$(build_dir "$arch")
    if ! wine_runs_arch "$arch"; then
        echo "== $arch: this machine's Wine cannot execute $arch programs; its suite is skipped"
        untested+=("$arch")
        continue
    fi
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

#!/usr/bin/env bash
# Configures (once) and builds both architectures: build/ holds the 32-bit program we ship
# for Windows, build-x64/ the same sources for x86_64 (it also runs under a 64-bit-only Wine).
#   tools/build.sh [x86|x64 ...]    (default: both)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine-arch.sh

arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(x86 x64)
for arch in "${arches[@]}"; do
    case "$arch" in
        x86) toolchain=cmake/mingw-i686.cmake ;;
        x64) toolchain=cmake/mingw-x86_64.cmake ;;
        *) echo "build.sh: unknown architecture '$arch'" >&2; exit 2 ;;
    esac
    dir=$(build_dir "$arch")
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
    fi
    cmake --build "$dir" -j"$(nproc)"
done

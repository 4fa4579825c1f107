#!/usr/bin/env bash
# Sets up the machine if needed, builds, and runs every test (unit tests under Wine,
# window tests under Xvfb, discovery and probe tests inside the virtual LAN).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh
cd build
ctest --output-on-failure "$@"

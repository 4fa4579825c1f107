#!/usr/bin/env bash
# Runs a command with the virtual LAN's figures (LAN_*) in its environment, so a test
# program can compare what it discovers with what the LAN really is.
set -euo pipefail
set -a
eval "$("$(dirname "$0")/virtual-lan.sh" info)"
# The LAN's own tool, for a test that changes the LAN while it runs (move).
LAN_TOOL=$(cd "$(dirname "$0")" && pwd)/virtual-lan.sh
set +a
exec "$@"

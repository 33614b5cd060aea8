#!/bin/bash
# Runs the whole test suite: installs what is missing, builds both deliverables,
# then runs every test under Wine in a fresh private prefix on a private display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
scripts/build.sh
source scripts/wine-session.sh

export KELVANE_SCREEN
ctest --test-dir build/x64 --output-on-failure --timeout 300 "$@"

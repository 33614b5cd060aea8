#!/bin/bash
# Builds both programs, then runs Kelvane's main job under Wine against a
# demonstration desktop: save, scramble, restore, with positions shown.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
scripts/build.sh
source scripts/wine-session.sh

export KELVANE_BUILD_DIR="$root/build/x64"
python3 scripts/demo.py

#!/bin/bash
# Runs the whole test suite: installs what is missing (the i386 runtime too),
# checks the formatting of the C++ sources (scripts/check-format.sh), builds
# both deliverables, then runs every test under Wine in a fresh private prefix
# on a private display: the x86-64 build's suite, then the i386 build's, then
# the tests of damaged and odd input against a hardened build
# (scripts/test-hardened.sh). Extra arguments go to both ctest runs and leave
# the hardened run out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
# Before any prefix exists: a prefix made earlier cannot run 32-bit programs.
scripts/install-i386-runtime.sh
status=0
scripts/check-format.sh || status=1
scripts/build.sh
source scripts/wine-session.sh

export KELVANE_SCREEN
for build in build/x64 build/x86; do
    echo "=== $build"
    ctest --test-dir "$build" --output-on-failure --timeout 600 "$@" || status=1
done
if (($# == 0)); then
    scripts/test-hardened.sh || status=1
fi
exit $status

#!/bin/bash
# Runs the whole test suite: installs what is missing (the i386 runtime too),
# checks the formatting of the C++ sources (scripts/check-format.sh), builds
# both deliverables and checks a release package of them
# (scripts/assemble-package.sh), then runs every test under Wine in a fresh private prefix
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
# The release package of the programs under test holds exactly its files.
package_dir=$(mktemp -d)
scripts/assemble-package.sh "$package_dir" "$(git log -1 --format=%ct)" build/x64/Kelvane64.exe \
    build/x64/Kelvane64w.exe build/x86/Kelvane.exe build/x86/Kelvanew.exe >/dev/null || status=1
rm -rf "$package_dir"
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

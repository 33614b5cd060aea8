#!/bin/bash
# Makes the release package of the commit checked out: builds the four programs
# in fresh build folders of their own (build/package-x64, build/package-x86,
# without the tests), checks them as scripts/build.sh does, and writes
#   dist/Kelvane-<version>.zip   Kelvane64.exe, Kelvane64w.exe, Kelvane.exe,
#                                Kelvanew.exe, README.md, LICENSE and
#                                THIRD-PARTY-NOTICES.txt, nothing else
#   dist/SHA256SUMS              the zip's and the four programs' SHA-256
# It refuses to run when the working tree differs from the commit, untracked
# files included: the package must be what the commit builds. Two runs on one
# commit give the same bytes, wherever the clone is (see
# scripts/check-reproducible.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

changes=$(git status --porcelain --untracked-files=all)
if [[ -n $changes ]]; then
    echo "The working tree differs from commit $(git rev-parse --short HEAD); commit or remove these first:" >&2
    echo "$changes" >&2
    exit 1
fi
scripts/install-deps.sh

# The zip's dates are the commit's, whatever the caller's environment says: a
# package is named by its commit alone.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH

build() {
    local dir=$1 toolchain=$2
    rm -rf "$dir"
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DKELVANE_BUILD_TESTS=OFF >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}
build build/package-x64 cmake/mingw-x86_64.cmake
build build/package-x86 cmake/mingw-i686.cmake
programs=(build/package-x64/Kelvane64.exe build/package-x64/Kelvane64w.exe build/package-x86/Kelvane.exe
    build/package-x86/Kelvanew.exe)
scripts/check-program.sh "${programs[0]}" pei-x86-64 CUI
scripts/check-program.sh "${programs[1]}" pei-x86-64 GUI
scripts/check-program.sh "${programs[2]}" pei-i386 CUI
scripts/check-program.sh "${programs[3]}" pei-i386 GUI

zip=$(scripts/assemble-package.sh dist "$SOURCE_DATE_EPOCH" "${programs[@]}")

echo "${zip#dist/}, commit $(git rev-parse --short HEAD):"
python3 -c 'import sys, zipfile; print("\n".join("  " + name for name in zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip"
cat dist/SHA256SUMS
echo "Built with:"
dpkg-query -W -f='  ${Package} ${Version}\n' g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 mingw-w64-common mingw-w64-x86-64-dev mingw-w64-i686-dev \
    nlohmann-json3-dev cmake python3 "zlib1g:$(dpkg --print-architecture)"

#!/bin/bash
# Builds both deliverables, each with its tests and desktop fixture, side by
# side: build/x64/Kelvane64.exe and Kelvane64w.exe (the windowless one),
# build/x86/Kelvane.exe and Kelvanew.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# The toolchain is fixed when a build folder is first configured.
configure() {
    local dir=$1 toolchain=$2
    shift 2
    if [[ -f $dir/CMakeCache.txt ]]; then
        cmake -S . -B "$dir" "$@" >/dev/null
    else
        cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    fi
}
configure build/x64 cmake/mingw-x86_64.cmake
cmake --build build/x64 -j"$(nproc)"
configure build/x86 cmake/mingw-i686.cmake
cmake --build build/x86 -j"$(nproc)"

# Each program: its own machine type and subsystem, only system DLLs, its resources.
scripts/check-program.sh build/x64/Kelvane64.exe pei-x86-64 CUI
scripts/check-program.sh build/x64/Kelvane64w.exe pei-x86-64 GUI
scripts/check-program.sh build/x86/Kelvane.exe pei-i386 CUI
scripts/check-program.sh build/x86/Kelvanew.exe pei-i386 GUI

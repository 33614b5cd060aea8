#!/bin/bash
# Builds both deliverables, each with its tests and desktop fixture, side by
# side: build/x64/Kelvane64.exe and build/x86/Kelvane.exe.
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

# Each program: its own machine type, only system DLLs, and its resources (the
# string table and the manifest) in the image.
check() {
    local exe=$1 format=$2 resources
    x86_64-w64-mingw32-objdump -f "$exe" | grep -q "file format $format" ||
        { echo "$exe is not $format" >&2; exit 1; }
    if x86_64-w64-mingw32-objdump -p "$exe" | grep "DLL Name" |
        grep -viqE "(kernel32|user32|advapi32|shell32|msvcrt|ole32|comctl32)\.dll"; then
        echo "$exe imports a non-system DLL" >&2
        exit 1
    fi
    resources=$(x86_64-w64-mingw32-windres -i "$exe" -O rc)
    for entry in '101, "Software\\Brenlow\\DeskTop"' '102, "Layout %d x %d"' '103, "Multi-Monitor"' 'RT_MANIFEST'; do
        grep -qF "$entry" <<<"$resources" || { echo "$exe lacks the resource $entry" >&2; exit 1; }
    done
}
check build/x64/Kelvane64.exe pei-x86-64
check build/x86/Kelvane.exe pei-i386

#!/bin/bash
# Builds both deliverables: build/x64/Kelvane64.exe (with the tests and the
# desktop fixture) and build/x86/Kelvane.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake -S . -B build/x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/x64 -j"$(nproc)"
cmake -S . -B build/x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
    -DKELVANE_BUILD_TESTS=OFF >/dev/null
cmake --build build/x86 -j"$(nproc)"

# Both programs must run without DLLs of their own.
for exe in build/x64/Kelvane64.exe build/x86/Kelvane.exe; do
    if x86_64-w64-mingw32-objdump -p "$exe" 2>/dev/null | grep -i "DLL Name" | grep -viqE "(kernel32|user32|advapi32|shell32|msvcrt|ole32|comctl32)\.dll"; then
        echo "$exe imports a non-system DLL" >&2
        exit 1
    fi
done

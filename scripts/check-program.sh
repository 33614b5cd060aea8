#!/bin/bash
# Checks one built program: its machine type, that it imports only system DLLs,
# and that its resources (the string table, the manifest and the version
# resource) are in the image.
#   scripts/check-program.sh PROGRAM FORMAT     (FORMAT: pei-x86-64 or pei-i386)
set -euo pipefail
(($# == 2)) || { echo "usage: $0 PROGRAM FORMAT" >&2; exit 2; }
exe=$1 format=$2

x86_64-w64-mingw32-objdump -f "$exe" | grep -q "file format $format" ||
    { echo "$exe is not $format" >&2; exit 1; }
if x86_64-w64-mingw32-objdump -p "$exe" | grep "DLL Name" |
    grep -viqE "(kernel32|user32|gdi32|advapi32|shell32|msvcrt|ole32|comctl32)\.dll"; then
    echo "$exe imports a non-system DLL" >&2
    exit 1
fi
resources=$(x86_64-w64-mingw32-windres -i "$exe" -O rc)
for entry in '101, "Software\\Brenlow\\DeskTop"' '102, "Layout %d x %d"' '103, "Multi-Monitor"' 'RT_MANIFEST' \
    'VERSIONINFO'; do
    grep -qF "$entry" <<<"$resources" || { echo "$exe lacks the resource $entry" >&2; exit 1; }
done

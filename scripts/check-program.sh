#!/bin/bash
# Checks one built program: its machine type, its subsystem, that it imports
# only system DLLs, and that its resources (the string table, the manifest, the
# icon and the version resource) are in the image.
#   scripts/check-program.sh PROGRAM FORMAT SUBSYSTEM
#   (FORMAT: pei-x86-64 or pei-i386; SUBSYSTEM: CUI for a console program, GUI for a windowless one)
set -euo pipefail
(($# == 3)) || { echo "usage: $0 PROGRAM FORMAT SUBSYSTEM" >&2; exit 2; }
exe=$1 format=$2 subsystem=$3

x86_64-w64-mingw32-objdump -f "$exe" | grep -q "file format $format" ||
    { echo "$exe is not $format" >&2; exit 1; }
# Read whole first: grep -q stops early, and pipefail would count objdump's broken pipe.
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
grep -qE "^Subsystem.*\(Windows $subsystem\)" <<<"$headers" ||
    { echo "$exe is not of the Windows $subsystem subsystem" >&2; exit 1; }
if x86_64-w64-mingw32-objdump -p "$exe" | grep "DLL Name" |
    grep -viqE "(kernel32|user32|gdi32|advapi32|shell32|msvcrt|ole32|comctl32|wtsapi32)\.dll"; then
    echo "$exe imports a non-system DLL" >&2
    exit 1
fi
resources=$(x86_64-w64-mingw32-windres -i "$exe" -O rc)
for entry in '101, "Software\\Brenlow\\DeskTop"' '102, "Layout %d x %d"' '103, "Multi-Monitor"' 'RT_MANIFEST' \
    'RT_GROUP_ICON' 'VERSIONINFO'; do
    grep -qF "$entry" <<<"$resources" || { echo "$exe lacks the resource $entry" >&2; exit 1; }
done

#!/bin/bash
# Puts the four built programs into the release package:
#   scripts/assemble-package.sh OUT_DIR EPOCH KELVANE64_EXE KELVANE64W_EXE KELVANE_EXE KELVANEW_EXE
# writes OUT_DIR/Kelvane-<version>.zip (the programs, README.md, LICENSE and
# THIRD-PARTY-NOTICES.txt, nothing else; every member dated EPOCH) and
# OUT_DIR/SHA256SUMS (the zip's and the programs' SHA-256), then reads the zip
# back: it must hold exactly those files, intact, the programs as built.
# scripts/package.sh makes the release with it; the test command checks a
# package of the programs it tests.
set -euo pipefail
(($# == 6)) || { echo "usage: $0 OUT_DIR EPOCH KELVANE64_EXE KELVANE64W_EXE KELVANE_EXE KELVANEW_EXE" >&2; exit 2; }
out=$1 epoch=$2
programs=("$3" "$4" "$5" "$6")
root=$(cd "$(dirname "$0")/.." && pwd)

# The version as the banner prints it: the build with three digits.
version_number() { sed -n "s/^#define KELVANE_VERSION_$1 \([0-9][0-9]*\)\$/\1/p" "$root/app/version.h"; }
version=$(printf '%d.%d.%d.%03d' "$(version_number MAJOR)" "$(version_number MINOR)" "$(version_number PATCH)" \
    "$(version_number BUILD)")

mkdir -p "$out"
zip=$out/Kelvane-$version.zip
rm -f "$zip" "$out/SHA256SUMS"
contents=("${programs[@]}" "$root/README.md" "$root/LICENSE" "$root/THIRD-PARTY-NOTICES.txt")
"$root/scripts/release-zip.py" "$zip" "$epoch" "${contents[@]}"

python3 - "$zip" "${contents[@]}" <<'PYTHON'
import os, sys, zipfile
archive, paths = zipfile.ZipFile(sys.argv[1]), sys.argv[2:]
expected = ["Kelvane.exe", "Kelvane64.exe", "Kelvane64w.exe", "Kelvanew.exe", "LICENSE", "README.md", "THIRD-PARTY-NOTICES.txt"]
if archive.namelist() != expected:
    sys.exit(f"{sys.argv[1]} holds {archive.namelist()}, not {expected}")
if archive.testzip() is not None:
    sys.exit(f"{sys.argv[1]}: {archive.testzip()} is damaged")
for path in paths:
    if path.endswith(".exe") and archive.read(os.path.basename(path)) != open(path, "rb").read():
        sys.exit(f"{sys.argv[1]}: {os.path.basename(path)} differs from {path}")
PYTHON

{
    (cd "$out" && sha256sum "$(basename "$zip")")
    for program in "${programs[@]}"; do
        (cd "$(dirname "$program")" && sha256sum "$(basename "$program")")
    done
} >"$out/SHA256SUMS"
echo "$zip"

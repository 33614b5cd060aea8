#!/bin/bash
# Fails when a C++ file of the repository is not formatted as .clang-format
# says, and names the files. The formatter is Debian's clang-format-14: other
# versions format some constructs differently. `scripts/check-format.sh --fix`
# formats them in place instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

formatter=clang-format-14
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ ${1:-} == --fix ]]; then
    "$formatter" -i "${files[@]}"
    exit 0
fi
unformatted=()
for file in "${files[@]}"; do
    "$formatter" --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if ((${#unformatted[@]})); then
    echo "Not formatted as .clang-format says (fix with scripts/check-format.sh --fix):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "Formatting: ${#files[@]} files as .clang-format says."

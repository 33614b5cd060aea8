#!/bin/bash
# Checks that the release package is reproducible: clones the commit checked
# out twice, into temporary folders at paths of different lengths, runs
# scripts/package.sh in each and compares the two programs, the zip and the
# checksum list byte for byte, printing each one's SHA-256. It makes two
# package builds, several minutes, so it is not part of scripts/test.sh.
# Uncommitted changes are not in the clones: it checks the commit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

commit=$(git rev-parse HEAD)
if [[ -n $(git status --porcelain --untracked-files=all) ]]; then
    echo "Note: the working tree has changes; they are not checked, commit $commit is." >&2
fi
work=$(mktemp -d /tmp/kelvane-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
clones=("$work/a" "$work/second-clone/of/the/same/commit")
for clone in "${clones[@]}"; do
    git clone --quiet --no-checkout "$root" "$clone"
    git -C "$clone" checkout --quiet --detach "$commit"
    echo "=== scripts/package.sh in $clone"
    # The log stays outside the clone, which must stay clean for the script.
    (cd "$clone" && scripts/package.sh >"$clone.log" 2>&1) || { cat "$clone.log" >&2; exit 1; }
    sed -n '/^Kelvane /,$p' "$clone.log"
done

status=0
cd "${clones[0]}"
for file in dist/*.zip dist/SHA256SUMS build/package-x64/Kelvane64{,w}.exe build/package-x86/Kelvane{,w}.exe; do
    for clone in "${clones[@]}"; do
        sha256sum "$clone/$file"
    done
    cmp "${clones[0]}/$file" "${clones[1]}/$file" || status=1
done
if ((status == 0)); then
    echo "Reproducible: commit $commit gives the same package in both clones."
else
    echo "NOT reproducible: the files above differ between the clones of commit $commit." >&2
fi
exit $status

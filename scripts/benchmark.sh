#!/bin/bash
# Benchmarks save and restore against synthetic desktops of 100, 500 and 2000
# icons under Wine, and writes docs/benchmark.md (the table), docs/benchmark.csv
# and docs/benchmark.png (time per icon against the number of icons). Then it
# restores a full desktop (every grid point of a 1920 x 1040 work area covered
# twice) and adds that table to docs/benchmark.md, with
# docs/benchmark-full-desktop.csv. Last, it measures the watcher on an idle
# desktop of 100 and of 1000 icons and adds that table too.
#   scripts/benchmark.sh [--sizes 100,500,2000] [--runs 3] [--one-run-above 500]
#                        [--baseline <Kelvane64-counting.exe of another build>]
# A baseline runs the full desktop a second time with that program: the before
# and after of a change.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

sized=()
full=()
while (($#)); do
    if [[ $1 == --baseline && $# -ge 2 ]]; then
        baseline=$(realpath "$2")
        full+=(--baseline "Z:${baseline//\//\\}")
        shift 2
    else
        sized+=("$1")
        shift
    fi
done

scripts/install-deps.sh
dpkg-query -W -f='${Status}' gnuplot-nox 2>/dev/null | grep -q "install ok installed" ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends gnuplot-nox >/dev/null
scripts/build.sh
# 2000 icons and as many free points for the scrambled case need a large work
# area: 85 columns by 64 rows of the 75-pixel grid.
export KELVANE_SCREEN=6400x4800x24
source scripts/wine-session.sh

mkdir -p docs
"$WINE64" build/x64/bench/benchmark.exe --out "Z:$root/docs/benchmark" "${sized[@]}"

# One line a scenario, in the order the benchmark ran them.
mapfile -t scenarios < <(tail -n +2 docs/benchmark.csv | cut -d'"' -f2 | awk '!seen[$0]++')
plots=()
for scenario in "${scenarios[@]}"; do
    plots+=("\"< grep -F '\\\"$scenario\\\",' docs/benchmark.csv\" using 2:4 with linespoints title \"$scenario\"")
done
gnuplot <<PLOT
set terminal pngcairo size 1000,900
set output "docs/benchmark.png"
set title "Kelvane64 under Wine: time per icon"
set xlabel "icons on the desktop"
set ylabel "milliseconds per icon"
set logscale xy
set xrange [80:2500]
set key below vertical font ",9"
set datafile separator ","
plot $(IFS=,; echo "${plots[*]}")
PLOT
# The full desktop on the work area of a 1920 x 1080 screen less a 40-pixel
# taskbar: 26 columns by 14 rows of the 75-pixel grid, 364 points.
(
    export KELVANE_SCREEN=1920x1040x24
    source scripts/wine-session.sh
    "$WINE64" build/x64/bench/benchmark.exe --full-desktop --out "Z:$root/docs/benchmark-full-desktop" "${full[@]}"
)
{
    echo
    echo "## Full desktop: every grid point of a 1920 x 1040 work area covered twice"
    echo
    echo "No evicted icon can find a free point. Calls per moved icon count every read, write and message."
    echo
    cat docs/benchmark-full-desktop.md
} >>docs/benchmark.md
rm docs/benchmark-full-desktop.md
"$WINE64" build/x64/bench/benchmark.exe --watcher --out "Z:$root/docs/benchmark-watcher"
{
    echo
    echo "## The watcher on an idle desktop"
    echo
    echo "\`watch /s 5 /w 1\` for a minute in which nothing moves, then the time from a move to its save."
    echo
    cat docs/benchmark-watcher.md
} >>docs/benchmark.md
rm docs/benchmark-watcher.md
echo "Wrote docs/benchmark.md, docs/benchmark.csv, docs/benchmark-full-desktop.csv and docs/benchmark.png"

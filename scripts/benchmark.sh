#!/bin/bash
# Benchmarks save and restore against synthetic desktops of 100, 500 and 2000
# icons under Wine, each scenario interleaved round by round with its floor, and
# writes docs/benchmark.md (the goals' table and the scenarios' table),
# docs/benchmark.csv, docs/benchmark-goals.csv and docs/benchmark.png (time per
# icon against the number of icons, and where each goal stands). Then it
# restores a full desktop (every grid point of a 1920 x 1040 work area covered
# twice) and adds that table to docs/benchmark.md, with
# docs/benchmark-full-desktop.csv. Last, it measures the watcher on an idle
# desktop of 100 and of 1000 icons and adds that table too.
#   scripts/benchmark.sh [--sizes 100,500,2000] [--runs 5] [--one-run-above 500]
#                        [--baseline <Kelvane64-counting.exe of another build>]
#                        [--goals-before <docs/benchmark-goals.csv of an earlier run>]
# A baseline runs the full desktop a second time with that program: the before
# and after of a change. The goals of an earlier run stand beside this run's as
# "before" and "after", in the table and the plot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

sized=()
full=()
before=
while (($#)); do
    if [[ $1 == --baseline && $# -ge 2 ]]; then
        baseline=$(realpath "$2")
        full+=(--baseline "Z:${baseline//\//\\}")
        shift 2
    elif [[ $1 == --goals-before && $# -ge 2 ]]; then
        # Copied first: the earlier run's csv may be the one this run replaces.
        [[ -r $2 ]] || { echo "cannot read $2" >&2; exit 2; }
        before=$(mktemp /tmp/kelvane-goals-before.XXXXXX.csv)
        cp "$2" "$before"
        sized+=(--goals-before "Z:${before//\//\\}")
        shift 2
    else
        sized+=("$1")
        shift
    fi
done
load_start=$(uptime | sed 's/.*load average: //')
started=$(date +%s)

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
mv docs/benchmark.md docs/benchmark-scenarios.md

# One line a scenario, in the order the benchmark ran them; below, one a goal
# with its limit, and the earlier run's beside it.
mapfile -t scenarios < <(tail -n +2 docs/benchmark.csv | cut -d'"' -f2 | awk '!seen[$0]++')
plots=()
for scenario in "${scenarios[@]}"; do
    plots+=("\"< grep -F '\\\"$scenario\\\",' docs/benchmark.csv\" using 2:10 with linespoints title \"$scenario\"")
done
mapfile -t goals < <(tail -n +2 docs/benchmark-goals.csv | cut -d'"' -f2 | awk '!seen[$0]++')
goal_plots=()
goals_title="median, bars from the least to the greatest round; dashed: the limit"
[[ -z $before ]] || goals_title+="; dotted: before"
for i in "${!goals[@]}"; do
    goal=${goals[$i]}
    select="\"< grep -F '\\\"$goal\\\",'"
    goal_plots+=("$select docs/benchmark-goals.csv\" using 2:4:5:6 with yerrorlines linecolor $((i + 1)) title \"$goal\"")
    goal_plots+=("$select docs/benchmark-goals.csv\" using 2:3 with lines dashtype 2 linecolor $((i + 1)) notitle")
    if [[ -n $before ]]; then
        goal_plots+=("$select $before\" using 2:4 with linespoints dashtype 3 linecolor $((i + 1)) notitle")
    fi
done
gnuplot <<PLOT
set terminal pngcairo size 1000,1600
set output "docs/benchmark.png"
set multiplot layout 2,1
set title "Kelvane64 under Wine: time per icon"
set xlabel "icons on the desktop"
set ylabel "milliseconds per icon"
set logscale xy
set xrange [80:2500]
set key below vertical font ",9"
set datafile separator ","
plot $(IFS=,; echo "${plots[*]}")
set title "The goals: each restore against a save of the same desktop\\n($goals_title)"
set ylabel "ratio"
unset logscale y
plot $(IFS=,; echo "${goal_plots[*]}")
unset multiplot
PLOT
# The full desktop on the work area of a 1920 x 1080 screen less a 40-pixel
# taskbar: 26 columns by 14 rows of the 75-pixel grid, 364 points.
(
    export KELVANE_SCREEN=1920x1040x24
    source scripts/wine-session.sh
    "$WINE64" build/x64/bench/benchmark.exe --full-desktop --out "Z:$root/docs/benchmark-full-desktop" "${full[@]}"
)
"$WINE64" build/x64/bench/benchmark.exe --watcher --out "Z:$root/docs/benchmark-watcher"
load_end=$(uptime | sed 's/.*load average: //')
{
    echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') in $((($(date +%s) - started + 30) / 60)) minutes, build included;" \
        "load average (1, 5 and 15 minutes) $load_start at the start, $load_end at the end."
    echo
    echo "## Goals"
    echo
    echo "Each restore against a save of the same desktop, measured in the same rounds: the ratio of the medians," \
        "and in brackets the least and the greatest ratio a single round gave."
    echo
    cat docs/benchmark-goals.md
    echo
    echo "## Save and restore"
    echo
    echo "Each scenario after its floor in every round: the medians and, in brackets, the least and the greatest" \
        "run; the ratio to the floor is the medians'."
    echo
    cat docs/benchmark-scenarios.md
    echo
    echo "## Full desktop: every grid point of a 1920 x 1040 work area covered twice"
    echo
    echo "No evicted icon can find a free point. Calls per moved icon count every read, write and message."
    echo
    cat docs/benchmark-full-desktop.md
    echo
    echo "## The watcher on an idle desktop"
    echo
    echo "\`watch /s 5 /w 1\` for a minute in which nothing moves, then the time from a move to its save."
    echo
    cat docs/benchmark-watcher.md
} >docs/benchmark.md
rm docs/benchmark-goals.md docs/benchmark-scenarios.md docs/benchmark-full-desktop.md docs/benchmark-watcher.md
[[ -z $before ]] || rm "$before"
echo "Wrote docs/benchmark.md, docs/benchmark.csv, docs/benchmark-goals.csv, docs/benchmark-full-desktop.csv" \
    "and docs/benchmark.png"

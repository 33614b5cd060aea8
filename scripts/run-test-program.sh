#!/bin/bash
# Runs one Windows test program for CTest and the hardened run:
#   scripts/run-test-program.sh LOADER PROGRAM [ARGUMENTS...]
#
# Now and then a new Wine process dies in Wine's own start-up, before the
# program's first instruction, and ends at once without a word. A test program
# always prints something (GoogleTest's first line, Wine's report of a crash),
# so a run that failed in silence never ran: it is started again, at most
# twice, and the log says so. A run that printed anything stands as it is.
set -uo pipefail
(($# >= 2)) || { echo "usage: $0 LOADER PROGRAM [ARGUMENTS...]" >&2; exit 2; }

output=$(mktemp)
trap 'rm -f "$output"' EXIT
for attempt in 1 2 3; do
    "$@" >"$output" 2>&1
    status=$?
    if ((status == 0)) || [[ -s $output ]]; then
        break
    fi
    echo "$2 ended with $status before printing anything (attempt $attempt of 3)" >&2
done
cat "$output"
exit $status

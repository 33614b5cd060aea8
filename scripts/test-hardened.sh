#!/bin/bash
# Runs the end-to-end tests that feed the program damaged stored layouts, odd
# layout names and generated command lines against a hardened x86-64 build of
# it (build/x64-hardened, configured with KELVANE_HARDENED: stack protection
# and checked buffer functions), with Wine's heap checking turned on for the
# program. A stack overrun then ends the program with a failure code, and a
# heap overrun puts Wine's "err:heap" report on the program's standard error:
# the tests check both. Extra arguments go to the test program.
#
# Runs in the caller's Wine session when there is one (scripts/test.sh),
# otherwise in a fresh one of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

build=build/x64-hardened
if [[ -z ${KELVANE_WINE_SESSION:-} ]]; then
    scripts/install-deps.sh
fi
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
        -DKELVANE_HARDENED=ON >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target kelvane e2e_tests desktop_fixture
# The guard must really be in the program: its failure handler is linked in.
x86_64-w64-mingw32-nm "$build/Kelvane64.exe" | grep __stack_chk_fail >/dev/null ||
    { echo "$build/Kelvane64.exe has no stack protection" >&2; exit 1; }

if [[ -z ${KELVANE_WINE_SESSION:-} ]]; then
    source scripts/wine-session.sh
fi
# Heap tail and free checking, parameter and whole-heap validation, for this
# program's image name only.
"$WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\Kelvane64.exe' \
    /v GlobalFlag /t REG_DWORD /d 0xF0 /f >/dev/null 2>&1
echo "=== $build"
status=0
(
    cd "$build/tests"
    # Not doctor's report: it feeds the program no odd input, and under the heap
    # checks the program's own COM calls can outlast the folder view's budget.
    WINEDEBUG=-all,err+heap "$root/scripts/run-test-program.sh" "$WINE64" ./e2e_tests.exe \
        --gtest_filter='StoredData.*:LayoutNames.*:CommandLine.*:-CommandLine.Doctor*' "$@"
) || status=1
"$WINE64" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\Kelvane64.exe' \
    /f >/dev/null 2>&1
exit $status

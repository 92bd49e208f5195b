#!/usr/bin/env bash
# End-to-end suite: the real Windows build under Wine, headless with Xvfb.
# Each test_*.sh gets a fresh copy of one booted template prefix.
# Usage: tests/e2e/run.sh [--app DIR] [--prefix win64|win32] [--windows VERSION] BUILD_DIR [TEST_NAME...]
#   BUILD_DIR    the build of the tools, the driver and the names (and of rtouch.exe)
#   --app DIR    rtouch.exe from DIR instead (an x86 build, a release build)
#   --prefix     win32: a pure 32-bit prefix (WINEARCH=win32); its tools and
#                driver must be x86 builds. Default win64 (32-bit programs run on WOW64)
#   --windows    the version the prefix reports (winxp, winxp64, win7, win10);
#                default Wine's own (Windows 7)
# RTOUCH_E2E_SUITE: another folder of test_*.sh to run (default this one).
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
suite=${RTOUCH_E2E_SUITE:-$root/tests/e2e}
app_build="" arch=win64 windows=""
while [ $# -gt 0 ]; do
    case $1 in
        --app) app_build=$(cd "${2:?--app DIR}" && pwd) || exit 2; shift 2 ;;
        --prefix) arch=${2:?--prefix win64|win32}; shift 2 ;;
        --windows) windows=${2:?--windows VERSION}; shift 2 ;;
        --*) echo "unknown option $1" >&2; exit 2 ;;
        *) break ;;
    esac
done
case $arch in win64 | win32) ;; *) echo "--prefix takes win64 or win32, not $arch" >&2; exit 2 ;; esac
build=$(cd "${1:?build dir}" && pwd)
shift
source "$root/scripts/lib/wine.sh"
# Each program with the loader of its architecture (see bin/wine).
export PATH="$root/tests/e2e/bin:$PATH"
# The names the scripts use for resource ids and block fields, written by
# the build.
export RTOUCH_NAMES="$build/tests/e2e/e2e_names.sh"
[ -f "$RTOUCH_NAMES" ] || { echo "no $RTOUCH_NAMES: build the win64 (or win32) preset first" >&2; exit 1; }

work=$(mktemp -d /tmp/rtouch-e2e.XXXXXX)
cleanup() {
    for p in "$work"/prefix-*; do [ -d "$p" ] && WINEPREFIX="$p" wineserver -k >/dev/null 2>&1; done
    [ -n "${RTOUCH_XVFB_PID:-}" ] && kill "$RTOUCH_XVFB_PID" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

[ -f "${app_build:-$build}/rtouch.exe" ] || { echo "no rtouch.exe in ${app_build:-$build}" >&2; exit 1; }
if [ "$arch" = win32 ]; then export WINEARCH=win32; else unset WINEARCH; fi
export RTOUCH_APP_BUILD="${app_build:-$build}" RTOUCH_WINDOWS="$windows"

wine_display || exit 1
wine_template "$work/template" "$windows"
# A prefix of another architecture would test the wrong programs.
grep -q "^#arch=$arch" "$work/template/system.reg" ||
    { echo "the template prefix is not $arch: $(grep -m1 '^#arch=' "$work/template/system.reg")" >&2; exit 1; }

tests=("$@")
if [ ${#tests[@]} -eq 0 ]; then
    for t in "$suite"/test_*.sh; do tests+=("$(basename "$t" .sh)"); done
fi

passed=0
failed=0
for name in "${tests[@]}"; do
    wine_prefix "$work/template" "$work/prefix-$name"
    # A server that stays: by default it ends the prefix's services (the
    # driver and its state with them) 3 s after the last program exits, a
    # gap that a loaded machine can leave between two steps of a test.
    wineserver -p >/dev/null 2>&1
    wine_settle "$build/rtouchctl.exe" params
    export RTOUCH_BUILD="$build" RTOUCH_ROOT="$root" RTOUCH_ARTIFACTS="$build/e2e-artifacts"
    mkdir -p "$RTOUCH_ARTIFACTS"
    start=$(date +%s)
    if bash "$suite/$name.sh" >"$work/$name.log" 2>&1; then
        passed=$((passed + 1))
        echo "PASS $name ($(( $(date +%s) - start )) s)"
    else
        failed=$((failed + 1))
        echo "FAIL $name ($(( $(date +%s) - start )) s)"
        sed 's/^/    /' "$work/$name.log"
        # What still ran tells a crash from a hang.
        echo "    Windows processes at the end (pid, seconds, command):"
        ps -eo pid=,etimes=,args= | grep -F '.exe' | grep -v grep | cut -c1-120 | sed 's/^/      /'
    fi
    wineserver -k >/dev/null 2>&1
    rm -rf "$work/prefix-$name"
done
echo "e2e: $passed passed, $failed failed"
[ "$failed" = 0 ]

#!/usr/bin/env bash
# Start-up of rtouch.exe under Wine as a ratio: the time from starting it to
# its tray icon, against the time from starting an empty Win32 program of
# ours (bench/empty/) to its window, both started the same way (wine in the
# background, the e2e tool polling), alternately, in one warm Wine prefix.
# A measurement, not a test. Prints the medians and their ratio.
# Usage: bench/startup_ratio.sh [RTOUCH_EXE] [RUNS]
#   RTOUCH_EXE default build/release-x64/rtouch.exe; RUNS default 15.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
app=$(realpath "${1:-build/release-x64/rtouch.exe}")
runs=${2:-15}
tool=$PWD/build/win64/tests/e2e/e2e_tool.exe
[ -f "$app" ] && [ -f "$tool" ] || { echo "build release-x64 and win64 first (scripts/package)"; exit 1; }
source scripts/lib/wine.sh

# Every wait is bounded: past its bound the measurement says where it
# stopped and ends. Progress goes to standard error.
WAIT_SECONDS=60
BOOT_SECONDS=300
stage=""
say() { stage=$*; echo "startup_ratio: $*" >&2; }
# Runs "$@" for at most $1 seconds.
bounded() {
    local limit=$1 rc=0
    shift
    timeout -k 5 "$limit" "$@" || rc=$?
    if [ $rc = 124 ] || [ $rc = 137 ]; then
        echo "startup_ratio: stopped at '$stage': $* did not end in $limit s" >&2
        exit 1
    fi
    return $rc
}
# Waits at most WAIT_SECONDS for background process $1 to end.
bounded_wait() {
    local deadline=$((SECONDS + WAIT_SECONDS))
    while kill -0 "$1" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] ||
            { echo "startup_ratio: stopped at '$stage': the program did not end in $WAIT_SECONDS s" >&2; exit 1; }
        sleep 0.1
    done
    wait "$1"
}

wine_workdir rtouch-startup
say "building the empty program"
bounded $BOOT_SECONDS x86_64-w64-mingw32-g++ -std=c++20 -Os -DUNICODE -D_UNICODE -municode -mwindows -static -s \
    bench/empty/EmptyWindow_win32.cpp -o "$work/empty.exe" || exit 1
wine_display || exit 1
say "booting a prefix"
export WINEPREFIX="$work/prefix"
export -f wine_template wine_registry wine_version
bounded $BOOT_SECONDS bash -c 'wine_template "$WINEPREFIX"'
# A server that stays up between the runs: every start is a warm one.
wineserver -p
cp "$app" "$work/rtouch.exe"

# Seconds from starting $1 until `e2e_tool $2...` succeeds; then closes it.
measure() {
    local exe=$1 start end
    shift
    start=$EPOCHREALTIME
    wine "$exe" >/dev/null 2>&1 &
    local pid=$!
    bounded $WAIT_SECONDS wine "$tool" "$@" >/dev/null || { echo "no start: $exe" >&2; return 1; }
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }'
    if [ "$exe" = "$work/rtouch.exe" ]; then
        bounded $WAIT_SECONDS wine "$tool" post main 0x111 40001 0 >/dev/null
    else
        local window
        window=$(bounded $WAIT_SECONDS wine "$tool" wait-window RtouchEmptyWindow Empty 1000)
        bounded $WAIT_SECONDS wine "$tool" send "$window" 0x10 0 0 >/dev/null
    fi
    bounded_wait "$pid"
}

# One start of each to warm the server and the file cache.
say "warm-up starts"
measure "$work/rtouch.exe" wait-tray-icons 1 15000 >/dev/null || exit 1
measure "$work/empty.exe" wait-window RtouchEmptyWindow Empty 15000 >/dev/null || exit 1
: >"$work/rtouch.times"
: >"$work/empty.times"
for i in $(seq "$runs"); do
    say "run $i of $runs: rtouch.exe"
    measure "$work/rtouch.exe" wait-tray-icons 1 15000 >>"$work/rtouch.times" || exit 1
    say "run $i of $runs: the empty program"
    measure "$work/empty.exe" wait-window RtouchEmptyWindow Empty 15000 >>"$work/empty.times" || exit 1
done
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
r=$(median "$work/rtouch.times")
e=$(median "$work/empty.times")
printf 'runs %d each, medians: rtouch.exe start to tray icon %.3f s, empty program start to window %.3f s, ratio %.2f\n' \
    "$runs" "$r" "$e" "$(awk -v a="$r" -v b="$e" 'BEGIN { print a / b }')"

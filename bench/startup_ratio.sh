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

wine_workdir rtouch-startup
x86_64-w64-mingw32-g++ -std=c++20 -Os -DUNICODE -D_UNICODE -municode -mwindows -static -s \
    bench/empty/EmptyWindow_win32.cpp -o "$work/empty.exe" || exit 1
wine_display || exit 1
wine_template "$work/prefix"
export WINEPREFIX="$work/prefix"
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
    wine "$tool" "$@" >/dev/null || { echo "no start: $exe" >&2; return 1; }
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }'
    if [ "$exe" = "$work/rtouch.exe" ]; then
        wine "$tool" post main 0x111 40001 0 >/dev/null
    else
        wine "$tool" send "$(wine "$tool" wait-window RtouchEmptyWindow Empty 1000)" 0x10 0 0 >/dev/null
    fi
    wait "$pid"
}

# One start of each to warm the server and the file cache.
measure "$work/rtouch.exe" wait-tray-icons 1 15000 >/dev/null
measure "$work/empty.exe" wait-window RtouchEmptyWindow Empty 15000 >/dev/null
: >"$work/rtouch.times"
: >"$work/empty.times"
for _ in $(seq "$runs"); do
    measure "$work/rtouch.exe" wait-tray-icons 1 15000 >>"$work/rtouch.times" || exit 1
    measure "$work/empty.exe" wait-window RtouchEmptyWindow Empty 15000 >>"$work/empty.times" || exit 1
done
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
r=$(median "$work/rtouch.times")
e=$(median "$work/empty.times")
printf 'runs %d each, medians: rtouch.exe start to tray icon %.3f s, empty program start to window %.3f s, ratio %.2f\n' \
    "$runs" "$r" "$e" "$(awk -v a="$r" -v b="$e" 'BEGIN { print a / b }')"

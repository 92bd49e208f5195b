#!/usr/bin/env bash
# End-to-end performance of the Windows build under Wine, over the substitute
# driver (a benchmark, not a test: it reports figures and fails only when it
# cannot measure):
#  - idle CPU of rtouch.exe with the driver attached and nobody touching,
#    over IDLE_SECONDS (default 30), with the driver host (winedevice.exe)
#    and wineserver beside it;
#  - the time from a touch report being queued in the driver to the first
#    key message of its gesture in the focused window, over GESTURES
#    (default 100) pinch steps (key_viewer.exe --measure).
# Usage: bench/e2e_performance.sh BUILD_DIR [IDLE_SECONDS [GESTURES]]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: bench/e2e_performance.sh BUILD_DIR [IDLE_SECONDS [GESTURES]]}" && pwd)
idle_seconds=${2:-30}
gestures=${3:-100}
source "$root/scripts/lib/wine.sh"

wine_workdir rtouch-perf

wine_display || exit 1
wine_template "$work/prefix"
export WINEPREFIX="$work/prefix"
tool() { wine "$build/tests/e2e/e2e_tool.exe" "$@"; }

wine "$build/rtouchctl.exe" install >/dev/null || { echo "driver install failed"; exit 1; }
wine "$build/rtouch.exe" >/dev/null 2>&1 &
tool wait-window ZRN_RTouch Fennimore 15000 >/dev/null || { echo "rtouch.exe did not start"; exit 1; }
worker_rva=$(x86_64-w64-mingw32-nm "$build/rtouch.exe" | awk '$3 == "ThreadRunning" { print $1 }')
base=$(x86_64-w64-mingw32-objdump -p "$build/rtouch.exe" | awk '$1 == "ImageBase" { print $2 }')
deadline=$((SECONDS + 10))
until [ "$(tool read-u32 main "$(printf '0x%x' $((16#$worker_rva - 16#$base)))" | tr -d '\r')" = 1 ]; do
    [ $SECONDS -lt $deadline ] || { echo "the touch worker did not start"; exit 1; }
done

# The Linux processes of this prefix whose command line matches $1.
prefix_pids() {
    local pid
    for pid in $(pgrep -f "$1"); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$pid"
    done
}
# User plus system CPU time of processes, in clock ticks.
cpu_ticks() {
    local pid sum=0
    for pid in "$@"; do sum=$((sum + $(awk '{ print $14 + $15 }' "/proc/$pid/stat"))); done
    echo $sum
}

app=$(prefix_pids 'rtouch\.exe')
hosts=$(prefix_pids 'winedevice\.exe')
server=$(prefix_pids 'wineserver')
[ -n "$app" ] || { echo "no rtouch.exe process"; exit 1; }
hz=$(getconf CLK_TCK)
echo "== Idle CPU over $idle_seconds s, driver attached, no touch (percent of one core)"
app_before=$(cpu_ticks $app)
hosts_before=$(cpu_ticks $hosts)
server_before=$(cpu_ticks $server)
start=$(date +%s%N)
# Waiting is the measurement here: the processes are left alone meanwhile.
sleep "$idle_seconds"
elapsed_ns=$(( $(date +%s%N) - start ))
report() {  # NAME TICKS
    awk -v t="$2" -v hz="$hz" -v ns="$elapsed_ns" -v n="$1" \
        'BEGIN { printf "%-34s %6.2f %%\n", n, 100 * t / hz / (ns / 1e9) }'
}
report "rtouch.exe (the touch worker)" $(( $(cpu_ticks $app) - app_before ))
report "winedevice.exe (the driver hosts)" $(( $(cpu_ticks $hosts) - hosts_before ))
report "wineserver" $(( $(cpu_ticks $server) - server_before ))

echo "== Report queued in the driver -> first key message of its gesture in the focused window"
wine "$build/tests/e2e/key_viewer.exe" --measure "$gestures" | tr -d '\r' | grep -v '^gesture '

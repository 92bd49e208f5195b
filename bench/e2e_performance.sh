#!/usr/bin/env bash
# End-to-end performance of the Windows build under Wine, over the substitute
# driver (a benchmark, not a test: it reports figures and fails only when it
# cannot measure):
#  - per idle second, with the driver attached and nobody touching, against
#    the substitute's 2 ms read wait, against a driver that fails a read at
#    once (read wait 0) and against one that answers a read at once with a
#    report saying "no touch": the driver calls and interface lookups of
#    rtouch.exe (counted in a second run traced with WINEDEBUG), and the CPU
#    of rtouch.exe, of the driver host (winedevice.exe) and of wineserver
#    over IDLE_SECONDS (default 30), untraced;
#  - the time from a touch report being queued in the driver to the first
#    key message of its gesture in the focused window, over GESTURES
#    (default 100) pinch steps of fingers held down, and over PAUSED
#    (default 10) new contacts each after PAUSE_MS (default 3000) at rest,
#    when the worker has gone idle (key_viewer.exe --measure).
# Usage: bench/e2e_performance.sh BUILD_DIR [IDLE_SECONDS [GESTURES [PAUSED [PAUSE_MS]]]]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: bench/e2e_performance.sh BUILD_DIR [IDLE_SECONDS [GESTURES [PAUSED [PAUSE_MS]]]]}" && pwd)
idle_seconds=${2:-30}
gestures=${3:-100}
paused=${4:-10}
pause_ms=${5:-3000}
source "$root/scripts/lib/wine.sh"

wine_workdir rtouch-perf

wine_display || exit 1
wine_template "$work/prefix"
export WINEPREFIX="$work/prefix"
tool() { wine "$build/tests/e2e/e2e_tool.exe" "$@"; }

wine "$build/rtouchctl.exe" install >/dev/null || { echo "driver install failed"; exit 1; }
worker_rva=$(x86_64-w64-mingw32-nm "$build/rtouch.exe" | awk '$3 == "ThreadRunning" { print $1 }')
base=$(x86_64-w64-mingw32-objdump -p "$build/rtouch.exe" | awk '$1 == "ImageBase" { print $2 }')
worker_offset=$(printf '0x%x' $((16#$worker_rva - 16#$base)))

# The Linux processes of this prefix whose command line matches $1.
prefix_pids() {
    local pid
    for pid in $(pgrep -f "$1"); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$pid"
    done
}
# User plus system CPU time of processes, in clock ticks.
cpu_ticks() {
    local pid sum=0
    for pid in "$@"; do sum=$((sum + $(awk '{ print $14 + $15 }' "/proc/$pid/stat"))); done
    echo $sum
}
hz=$(getconf CLK_TCK)

# Starts rtouch.exe (its standard error into $1, traced with the WINEDEBUG
# channels $2) and waits for its worker.
start_app() {
    WINEDEBUG=${2:--all} wine "$build/rtouch.exe" >/dev/null 2>"$1" &
    tool wait-window ZRN_RTouch Fennimore 15000 >/dev/null || { echo "rtouch.exe did not start"; exit 1; }
    local deadline=$((SECONDS + 10))
    until [ "$(tool read-u32 main "$worker_offset" | tr -d '\r')" = 1 ]; do
        [ $SECONDS -lt $deadline ] || { echo "the touch worker did not start"; exit 1; }
    done
    app=$(prefix_pids 'rtouch\.exe')
    [ -n "$app" ] || { echo "no rtouch.exe process"; exit 1; }
}
stop_app() {
    kill $app
    while [ -n "$(prefix_pids 'rtouch\.exe')" ]; do :; done
}
# Nanoseconds since the epoch.
now_ns() { date +%s%N; }
per_second() {  # NAME COUNT NS
    awk -v c="$2" -v ns="$3" -v n="$1" 'BEGIN { printf "%-34s %8.1f\n", n, c / (ns / 1e9) }'
}
percent() {  # NAME TICKS NS
    awk -v t="$2" -v hz="$hz" -v ns="$3" -v n="$1" \
        'BEGIN { printf "%-34s %8.2f %%\n", n, 100 * t / hz / (ns / 1e9) }'
}

# Calls in a trace: the system call under DeviceIoControl, and the
# interface lookup's first call.
count_calls() { grep -c "$1" "$2" || true; }

# The idle figures against the driver's current read wait ($1 names it).
measure_idle() {
    echo "== Idle, $1, driver attached, no touch (per second; CPU in percent of one core)"
    # Counted in a traced run: its tracing costs CPU, so the CPU figures come
    # from a run of its own.
    start_app "$work/trace" trace+setupapi,trace+file
    local lines start calls lookups elapsed
    # Only what the idle worker does: the start is over once it runs.
    lines=$(wc -l <"$work/trace")
    start=$(now_ns)
    # Waiting is the measurement here: the processes are left alone meanwhile.
    sleep "$count_seconds"
    elapsed=$(( $(now_ns) - start ))
    tail -n +"$((lines + 1))" "$work/trace" >"$work/idle-trace"
    stop_app
    # The start-up looked the interface up and sent the block: a trace
    # without them cannot count either.
    [ "$(count_calls ':SetupDiGetClassDevs' "$work/trace")" -gt 0 ] &&
        [ "$(count_calls ':NtDeviceIoControlFile (' "$work/trace")" -gt 0 ] ||
        { echo "the trace shows no lookup or driver call"; exit 1; }
    calls=$(count_calls ':NtDeviceIoControlFile (' "$work/idle-trace")
    lookups=$(count_calls ':SetupDiGetClassDevs' "$work/idle-trace")
    per_second "driver calls of rtouch.exe" "$calls" "$elapsed"
    per_second "interface lookups of rtouch.exe" "$lookups" "$elapsed"

    start_app /dev/null
    local hosts server app_before hosts_before server_before
    hosts=$(prefix_pids 'winedevice\.exe')
    server=$(prefix_pids 'wineserver')
    app_before=$(cpu_ticks $app)
    hosts_before=$(cpu_ticks $hosts)
    server_before=$(cpu_ticks $server)
    start=$(now_ns)
    sleep "$idle_seconds"
    elapsed=$(( $(now_ns) - start ))
    local app_ticks=$(( $(cpu_ticks $app) - app_before ))
    local hosts_ticks=$(( $(cpu_ticks $hosts) - hosts_before ))
    local server_ticks=$(( $(cpu_ticks $server) - server_before ))
    percent "rtouch.exe (the touch worker)" $app_ticks "$elapsed"
    percent "winedevice.exe (the driver hosts)" $hosts_ticks "$elapsed"
    percent "wineserver" $server_ticks "$elapsed"
    percent "the whole stack" $((app_ticks + hosts_ticks + server_ticks)) "$elapsed"
    stop_app
}

count_seconds=$(( idle_seconds < 10 ? idle_seconds : 10 ))
echo "load average: $(cut -d ' ' -f 1-3 /proc/loadavg)"
measure_idle "the substitute's 2 ms read wait"
wine "$build/rtouchctl.exe" read-wait 0 >/dev/null || { echo "cannot set the read wait"; exit 1; }
measure_idle "a driver that fails a read at once"
wine "$build/rtouchctl.exe" read-wait 2 >/dev/null || { echo "cannot set the read wait"; exit 1; }
no_touch_reads() { wine "$build/driver/rtouchdrv_check.exe" no-touch-reads "$1" || { echo "cannot set no-touch reads"; exit 1; }; }
no_touch_reads 1
measure_idle "a driver that answers a read at once with no touch"
no_touch_reads 0
echo "load average: $(cut -d ' ' -f 1-3 /proc/loadavg)"

start_app /dev/null
echo "== Report queued in the driver -> first key message of its gesture in the focused window"
echo "-- fingers held down, the worker busy"
wine "$build/tests/e2e/key_viewer.exe" --measure "$gestures" | tr -d '\r' | grep -v '^gesture '
echo "-- a new contact after $pause_ms ms at rest, the worker idle"
wine "$build/tests/e2e/key_viewer.exe" --measure "$paused" "$pause_ms" | tr -d '\r' | grep -v '^gesture '

#!/usr/bin/env bash
# Runs: default x86-native
# The driver's input handling fuzzed from user mode while rtouch.exe runs
# over it: every code of both devices and random ones, random sizes and
# contents, several threads at once, while the device is unplugged and
# replugged (rtouchdrv_fuzz). The driver host keeps running, the driver's
# state holds together, the application recovers (one worker, and a
# gesture goes through it) and, once it has closed, every command check
# passes as on a fresh driver.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

FUZZ="$RTOUCH_BUILD/driver/rtouchdrv_fuzz.exe"
FUZZ_SECONDS=20
FUZZ_THREADS=4
FUZZ_SEED=12

# The Wine driver hosts of this test's prefix.
driver_hosts() {
    local p
    for p in $(pgrep -f 'winedevice\.exe'); do
        tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"
    done | sort | paste -sd ' '
}

install_driver
hosts=$(driver_hosts)
[ -n "$hosts" ] || fail "no driver host found for this prefix"
start_app
wait_worker 1
start_viewer

# (The interface lookup's diagnostics while unplugged are left out.)
wine "$FUZZ" $FUZZ_SECONDS $FUZZ_THREADS $FUZZ_SEED >"$ROAD_WORK/fuzz.out"
status=$?
grep -E '^(ok|FAIL|calls|[0-9]+ failed)' "$ROAD_WORK/fuzz.out"
[ "$status" = 0 ] || fail "the fuzz run found faults"
expect_eq "$(driver_hosts)" "$hosts" "the driver host kept running"
expect_eq "$(driver_field plugged):$(driver_field queue)" "1:0" "driver-state after the fuzz"

# The application follows the last plug-in: connected, one worker, and
# gestures through it once the device comes back once more.
ctl unplug || fail "unplug"
wait_status "$TEXT_DETACHED"
wait_worker 0
ctl plug || fail "plug"
wait_status "$TEXT_ATTACHED"
wait_worker 1
expect_eq "$(workers)" 1 "one worker after the fuzz"
focus_viewer
expect_received "Right Arrow" CWCircle
expect_alive "after the fuzz"

tool post main $WM_COMMAND $IDM_CLOSE 0 || fail "post Close"
wait_exit "$APP_PID" 10 || fail "the application did not close"
wine "$DRVCHECK" commands >"$ROAD_WORK/commands.out" || fail "command checks after the fuzz: $(grep FAIL "$ROAD_WORK/commands.out")"
echo "ok: every command check passes after the fuzz"

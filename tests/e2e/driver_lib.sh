# shellcheck disable=SC2034 # the names it sets are for the scripts that source it
# Helpers for the end-to-end tests of the substitute driver; sourced by
# test_driver_*.sh (and by tests that need the driver under rtouch.exe).
# Every wait polls with a time limit; nothing sleeps for a fixed time.
set -u

CTL="$RTOUCH_BUILD/rtouchctl.exe"
DRVCHECK="$RTOUCH_BUILD/driver/rtouchdrv_check.exe"

# Bounded: a hung rtouchctl is a failure with its arguments, not a hang.
ctl() {
    local status=0 start=$EPOCHREALTIME
    timeout "$E2E_CALL_LIMIT" wine "$CTL" "$@" || status=$?
    note_call "$start" $status rtouchctl "$@"
    [ $status = 124 ] && echo "rtouchctl $* did not end within $E2E_CALL_LIMIT s" >&2
    return $status
}
# `rtouchctl params`, `solve` or `calibrate` ($1) with the default map of
# the system the prefix plays.
system_ctl() {
    local command=$1
    shift
    if [ "$LEGACY_SYSTEM" = 1 ]; then ctl "$command" --legacy "$@"; else ctl "$command" "$@"; fi
}

source "$RTOUCH_ROOT/tests/e2e/assert_lib.sh"

# The state and exit code of the driver's service ("STOPPED 1077").
driver_service_state() {
    wine sc query rtouchdrv 2>/dev/null | tr -d '\r' |
        awk '$1 == "STATE" { s = $4 } $1 == "WIN32_EXIT_CODE" { e = $3 } END { print s, e }'
}

# Installs the driver from the build and checks that the probe finds it.
# With --no-retry (the test that proves installing) a lost device fails.
install_driver() {
    local out status=0 err service
    err=$(mktemp)
    out=$(ctl install 2>"$err") || status=$?
    # Wine's services.exe gives a service start ServicesPipeTimeout (10 s
    # unless the prefix sets it) and ends the driver host when it takes
    # longer, as on a loaded machine; the install then asks a stopped
    # service to enumerate its devices, which is refused, and the device
    # never starts ("touch interface did not appear"). Only that case is
    # installed once more, after an uninstall, and it is said in the
    # test's output (counted by the runner); any other state fails.
    if [ "$status" = 2 ] && grep -q "touch interface did not appear" "$err"; then
        service=$(driver_service_state)
        echo "the driver service after the failed install: $service" >&2
        if [ "${1:-}" != --no-retry ] && [ "${service% *}" = STOPPED ]; then
            note_retry "install_driver: the driver service did not start in time ($service), the device was never started"
            ctl uninstall >/dev/null 2>&1
            status=0
            out=$(ctl install 2>"$err") || status=$?
        fi
    fi
    cat "$err" >&2
    rm -f "$err"
    [ "$status" = 0 ] || fail "install ended with status $status: '$out'"
    expect_eq "$out" "installed" "install"
    out=$(ctl probe) || fail "probe after install ended with status $?: '$out'"
    expect_eq "$(tail -n 1 <<<"$out")" "present" "probe after install"
}

# Reads the driver's state once into DRIVER (keys: block, sends, queue,
# rate, plugged, waiting, taken, taken-span-us): a check of several fields
# sees one moment.
driver_snapshot() {
    local key value
    declare -gA DRIVER=()
    while read -r key value; do DRIVER[$key]=$value; done < <(tool driver-state | tr -d '\r')
    [ -n "${DRIVER[queue]:-}" ] || fail "cannot read the driver's state"
}

# One value of the driver's state (a key of driver_snapshot).
driver_field() {
    driver_snapshot
    echo "${DRIVER[$1]}"
}

# Waits up to $3 seconds (default 10) until field $1 of the driver's state
# reads $2 (or, as ">=N", at least N), in one process.
wait_driver() { tool wait-driver "$1" "$2" $((${3:-10} * 1000)) || fail "driver $1 did not become $2"; }

# Waits up to $2 seconds until the driver's queue holds $1 entries.
wait_queue() { wait_driver queue "$1" "$2"; }

# The worker's next read: once it returns, the worker has handled what came
# before (a stale channel renewed, a block asked for) and is inside a read
# begun after it. Its read is held, released, and the next one waited for;
# what it posted to the main window is then handled (round_trip, where
# the application's helpers are sourced).
worker_next_read() {
    hold_reads 1
    wait_driver waiting 1
    hold_reads 0
    hold_reads 1
    wait_driver waiting 1
    hold_reads 0
    if declare -F round_trip >/dev/null; then round_trip; fi
}

# Holds the driver's reads (1): a read waits inside the driver until a
# report is due or they are released (0), which ends every waiting read.
hold_reads() { tool hold-reads "$1" || fail "hold-reads $1"; }

# Writes a trace of $1 distinct reports (deterministic values) to $2.
make_trace() {
    awk -v n="$1" 'BEGIN {
        print "# generated"
        for (i = 0; i < n; i++)
            printf "%d %d %d %d %d %d %d %d\n", (i * 37) % 4096, (i * 91) % 4096,
                   100 + i % 500, 900 + (i * 7) % 60000, i % 256, 255 - i % 256, 10, 12
    }' >"$2"
}

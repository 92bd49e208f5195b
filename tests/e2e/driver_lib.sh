# Helpers for the end-to-end tests of the substitute driver; sourced by
# test_driver_*.sh (and by tests that need the driver under rtouch.exe).
# Every wait polls with a time limit; nothing sleeps for a fixed time.
set -u

CTL="$RTOUCH_BUILD/rtouchctl.exe"
DRVCHECK="$RTOUCH_BUILD/driver/rtouchdrv_check.exe"

ctl() { wine "$CTL" "$@"; }
# `rtouchctl params`, `solve` or `calibrate` ($1) with the default map of
# the system the prefix plays.
system_ctl() {
    local command=$1
    shift
    if [ "$LEGACY_SYSTEM" = 1 ]; then ctl "$command" --legacy "$@"; else ctl "$command" "$@"; fi
}

source "$RTOUCH_ROOT/tests/e2e/assert_lib.sh"

# Installs the driver from the build and checks that the probe finds it.
install_driver() {
    local out
    out=$(ctl install) || fail "install ended with status $?: '$out'"
    expect_eq "$out" "installed" "install"
    out=$(ctl probe) || fail "probe after install ended with status $?: '$out'"
    expect_eq "$(tail -n 1 <<<"$out")" "present" "probe after install"
}

# One value of `rtouchctl driver-state` (block, sends, queue, rate, plugged,
# waiting).
driver_field() {
    local state
    state=$(ctl driver-state) || return 1
    sed -n "s/^$1 //p" <<<"$state" | tr -d '\r'
}

# Waits up to $2 seconds until the driver's queue holds $1 entries.
wait_queue() {
    local deadline=$((SECONDS + $2))
    until [ "$(driver_field queue)" = "$1" ]; do
        [ $SECONDS -lt $deadline ] || fail "queue length stayed $(driver_field queue), expected $1"
    done
}

# Writes a trace of $1 distinct reports (deterministic values) to $2.
make_trace() {
    awk -v n="$1" 'BEGIN {
        print "# generated"
        for (i = 0; i < n; i++)
            printf "%d %d %d %d %d %d %d %d\n", (i * 37) % 4096, (i * 91) % 4096,
                   100 + i % 500, 900 + (i * 7) % 60000, i % 256, 255 - i % 256, 10, 12
    }' >"$2"
}

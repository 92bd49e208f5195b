#!/usr/bin/env bash
# Runs: default x86-native
# The driver's command codes from user mode: right and wrong sizes, unknown
# codes, prompt failure of a read on an empty queue, the fault knobs and an
# unplug under an open handle (rtouchdrv_check prints one line per check).
source "$RTOUCH_ROOT/tests/e2e/driver_lib.sh"

install_driver
wine "$DRVCHECK" commands || fail "command checks"

# The fault knobs and reset as later tests use them: injected read failures
# are skipped by record, reset empties the driver.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_trace 2 "$work/trace"
ctl feed "$work/trace" --rate 1000 || fail "feed"
wine "$DRVCHECK" faults 3 0 0 || fail "set faults"
expect_eq "$(ctl record --count 2 | tr -d '\r')" "$(grep -v '^#' "$work/trace")" \
    "record skips injected read failures"
ctl feed "$work/trace" --rate 1000 || fail "feed"
wine "$DRVCHECK" reset || fail "reset"
expect_eq "$(driver_field queue):$(driver_field rate):$(driver_field sends)" "0:125:0" \
    "driver-state after reset"

#!/usr/bin/env bash
# Runs: default x86-native
# Surprise removal as Windows does it: a handle opened before an unplug
# fails every request after it, even once the device is back; a read that
# waits in the driver fails the moment the device goes, however long its
# wait; a waiting read can be cancelled (rtouchdrv_check prints one line
# per check).
source "$RTOUCH_ROOT/tests/e2e/driver_lib.sh"

install_driver
wine "$DRVCHECK" removal || fail "removal checks"
expect_eq "$(driver_field plugged):$(driver_field waiting)" "1:0" "driver-state after the checks"

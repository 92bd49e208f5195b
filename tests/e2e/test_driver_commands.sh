#!/usr/bin/env bash
# The driver's command codes from user mode: right and wrong sizes, unknown
# codes, prompt failure of a read on an empty queue, the fault knobs and an
# unplug under an open handle (rtouchdrv_check prints one line per check).
source "$RTOUCH_ROOT/tests/e2e/driver_lib.sh"

install_driver
wine "$DRVCHECK" commands || fail "command checks"

#!/usr/bin/env bash
# The device goes and comes back while a calibration session runs, inside
# the second of failed reads after which the session probes the driver.
# The old handle is dead for good after the removal, so the session must
# go on with a new channel: the touches fed afterwards finish the run.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

install_driver
start_app
wait_worker 1
open_general
tool post "$GENERAL" $WM_COMMAND 1049 0 || fail "post Calibration"
session=$(wait_new_popup "$GENERAL") || fail "no calibration window"
wait_worker 0
tool plug-cycles 1 5000 || fail "unplug and replug"
expect_eq "$(driver_field plugged)" 1 "the device is back"
ctl feed "$RTOUCH_ROOT/examples/calibration.trace" --rate 200 || fail "feed"
box=$(tool wait-window "#32770" 信息 30000) || fail "the session did not finish on the new handle"
tool click "$box" 1
tool wait-gone "$session" 5000 || fail "calibration window still there"
expect_eq "$(driver_field queue)" 0 "the session read every touch"
wait_worker 1
expect_alive "after the run"

#!/usr/bin/env bash
# The device goes and comes back while the worker is held inside a read,
# and device notices keep coming: once that read returns there is exactly
# one worker, and each gesture arrives once.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

install_driver
start_app
wait_worker 1
start_viewer

# The driver holds every read with no report due: the worker sits in its
# read while the device goes and comes back.
tool read-wait 3000 || fail "read-wait"
t0=$SECONDS
out=$(ctl unplug 2>&1) || fail "unplug: $out"
wait_status "装置已移除"
ctl plug || fail "plug"
wait_status "装置已连接"
for _ in 1 2 3; do tool post main $WM_DEVICECHANGE $DBT_DEVNODES_CHANGED 0 || fail "post a device notice"; done
echo "unplug and plug seen in $((SECONDS - t0)) s; workers now $(workers)"
tool read-wait 2 || fail "read-wait"
# The held read returns with the first report of the gesture.
expect_received "Right Arrow" CWCircle
wait_worker 1
expect_eq "$(workers)" 1 "one worker after the held read returned"
expect_received "Left Arrow|CTRL + Scroll Up|CTRL + Scroll Up" CCWCircle PinchOut
expect_eq "$(workers)" 1 "one worker at the end"
expect_alive "at the end"

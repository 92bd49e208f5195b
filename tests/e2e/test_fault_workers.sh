#!/usr/bin/env bash
# The device goes and comes back while the last worker has not yet ended
# (it is held, suspended, where it stands) and device notices keep coming:
# no second worker starts beside it, and once it runs again it ends and
# exactly one worker follows, through which each gesture arrives once.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

start_road

held=$(tool suspend-at main "$WORKER_RVA" | tr -d '\r') || fail "suspend the worker"
expect_eq "$held" 1 "the worker held"
out=$(ctl unplug 2>&1) || fail "unplug: $out"
wait_status "$TEXT_DETACHED"
ctl plug || fail "plug"
# The arrival is handled: the status line is written where a worker starts.
wait_status "$TEXT_ATTACHED"
for _ in 1 2 3; do tool post main $WM_DEVICECHANGE $DBT_DEVNODES_CHANGED 0 || fail "post a device notice"; done
# Counted once the main thread has handled the notices: a worker they
# started would exist by then.
round_trip
expect_eq "$(workers)" 1 "no second worker while the last one has not ended"

released=$(tool resume-at main "$WORKER_RVA" | tr -d '\r') || fail "resume the worker"
expect_eq "$released" 1 "the worker released"
expect_received "Right Arrow" CWCircle
wait_worker 1
expect_eq "$(workers)" 1 "one worker after the held one ended"
expect_alive "at the end"

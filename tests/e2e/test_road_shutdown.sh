#!/usr/bin/env bash
# The tray menu's Close while the worker is inside a read: the application
# stays (tray icon and all) until that read completes, then exits with 0.
# The driver holds the worker's read until the test releases it, as a
# controller that answers slowly would.
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"

install_driver
start_app
wait_worker 1
hold_reads 1
wait_driver waiting 1
# Sent, so it returns once the command has been handled: the worker is
# asked to stop and the command comes back through the queue.
tool send main $WM_COMMAND $IDM_CLOSE 0 >/dev/null || fail "send IDM_CLOSE"
round_trip
kill -0 "$APP_PID" 2>/dev/null || fail "the application ended before the worker's read completed"
expect_eq "$(tool tray-icons)" "1" "tray icon kept while the read is held"
expect_eq "$(driver_field waiting)" 1 "the worker still inside its read"
hold_reads 0
wait_exit "$APP_PID" 10 || fail "the application did not end after the read completed"
expect_eq "$EXIT_CODE" "0" "exit code once the held read completed"
tool wait-tray-icons 0 5000 || fail "tray icon left behind"
echo "ok: tray icon removed"

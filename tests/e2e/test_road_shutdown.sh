#!/usr/bin/env bash
# Runs: default winxp x86-wow64 x86-native
# The tray menu's Close while the worker is inside a read: the application
# stays (tray icon and all) until that read completes, then exits with 0.
# The driver holds the worker's read until the test releases it, as a
# controller that answers slowly would. The session's end (WM_ENDSESSION)
# ends it as Close does, without waiting for the read.
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

# The session ends, or the Restart Manager closes the program for an update
# (ENDSESSION_CLOSEAPP): it ends as by Close (the worker stopped, nothing
# sent, the icon removed), without waiting for the held read to complete.
start_app
wait_worker 1
hold_reads 1
wait_driver waiting 1
sends=$(driver_field sends)
expect_eq "$(tool send main $WM_QUERYENDSESSION 0 $ENDSESSION_CLOSEAPP | tr -d '\r')" 1 "the session may end"
tool send main $WM_ENDSESSION 1 $ENDSESSION_CLOSEAPP >/dev/null || fail "send WM_ENDSESSION"
wait_exit "$APP_PID" 10 || fail "WM_ENDSESSION did not end the application"
expect_eq "$EXIT_CODE" "0" "exit code after WM_ENDSESSION"
expect_eq "$(driver_field sends)" "$sends" "nothing sent at the session's end"
tool wait-tray-icons 0 5000 || fail "tray icon left behind after WM_ENDSESSION"
echo "ok: WM_ENDSESSION ended the application as Close does"
hold_reads 0

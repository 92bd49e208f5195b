#!/usr/bin/env bash
# The tray menu's Close while the worker is inside a read: the application
# stays (tray icon and all) until that read completes, then exits with 0.
# The driver is made to hold every read for a few seconds, as a controller
# that answers slowly would. The session's end (WM_ENDSESSION) ends it as
# Close does, without that wait.
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"

HOLD_MS=3000
install_driver
start_app
wait_worker 1
tool read-wait $HOLD_MS || fail "read-wait"
# The worker's next read (at once: the previous one took 2 ms) waits HOLD_MS.
start=$(date +%s%N)
tool post main $WM_COMMAND $IDM_CLOSE 0 || fail "post IDM_CLOSE"
# Watched for 1.5 s after Close: still there, tray icon and all; the
# command keeps coming back while the worker's read is pending.
while [ $(( ($(date +%s%N) - start) / 1000000 )) -lt 1500 ]; do
    kill -0 "$APP_PID" 2>/dev/null || fail "the application ended before the worker's read completed"
    expect_eq "$(tool tray-icons)" "1" "tray icon kept while the read is pending" >/dev/null
done
echo "ok: the application and its tray icon stayed 1.5 s into the held read"
wait_exit "$APP_PID" 10 || fail "the application did not end after the read completed"
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
expect_eq "$EXIT_CODE" "0" "exit code"
[ "$elapsed_ms" -ge $((HOLD_MS - 500)) ] || fail "ended after $elapsed_ms ms, before the read could complete"
echo "ok: ended $elapsed_ms ms after Close, once the read held for $HOLD_MS ms completed"
tool wait-tray-icons 0 5000 || fail "tray icon left behind"
echo "ok: tray icon removed"

# The session ends, or the Restart Manager closes the program for an update
# (ENDSESSION_CLOSEAPP): it ends as by Close (the worker stopped, nothing
# sent, the icon removed), without waiting for the held read to complete.
WM_QUERYENDSESSION=0x11
WM_ENDSESSION=0x16
ENDSESSION_CLOSEAPP=0x1
tool read-wait 0 || fail "read-wait 0"
start_app
wait_worker 1
tool read-wait $HOLD_MS || fail "read-wait"
sends=$(driver_field sends)
expect_eq "$(tool send main $WM_QUERYENDSESSION 0 $ENDSESSION_CLOSEAPP | tr -d '\r')" 1 "the session may end"
tool send main $WM_ENDSESSION 1 $ENDSESSION_CLOSEAPP >/dev/null || fail "send WM_ENDSESSION"
wait_exit "$APP_PID" 10 || fail "WM_ENDSESSION did not end the application"
expect_eq "$EXIT_CODE" "0" "exit code after WM_ENDSESSION"
expect_eq "$(driver_field sends)" "$sends" "nothing sent at the session's end"
tool wait-tray-icons 0 5000 || fail "tray icon left behind after WM_ENDSESSION"
echo "ok: WM_ENDSESSION ended the application as Close does"

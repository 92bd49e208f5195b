#!/usr/bin/env bash
# The tray menu's Close while the worker is inside a read: the application
# stays (tray icon and all) until that read completes, then exits with 0.
# The driver is made to hold every read for a few seconds, as a controller
# that answers slowly would.
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

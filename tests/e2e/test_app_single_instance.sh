#!/usr/bin/env bash
# Runs: default
# Only one copy runs: the identity is the class "ZRN_RTouch" with the title
# "Fennimore" together, and copies started at the same moment leave one.
source "$RTOUCH_ROOT/tests/e2e/app_lib.sh"

# A window of the class under another title is no running copy.
decoy_out=$(mktemp)
tool hold-window ZRN_RTouch "Not Fennimore" 30000 >"$decoy_out" &
deadline=$((SECONDS + 15))
until grep -q '^ready' "$decoy_out"; do
    [ $SECONDS -lt $deadline ] || fail "decoy window not created"
    sleep 0.05
done
start_app
echo "ok: started beside a decoy of the same class"

first=$(tool info main) || fail "no main window"
second_status=0
# The limit only keeps a hang from stalling the run: the second copy must
# end on its own while the first runs on.
timeout 20 wine "$APP" >/dev/null 2>&1 || second_status=$?
expect_eq "$second_status" "0" "second start's exit code"
expect_eq "$(tool info main)" "$first" "first copy untouched"
expect_eq "$(tool tray-icons)" "1" "still one tray icon"
kill -0 "$APP_PID" || fail "first copy ended"

tool post "$(sed -n 's/^ready //p' "$decoy_out")" $WM_CLOSE 0 0
rm -f "$decoy_out"

# Four copies at once, none running before: before either has a window
# each would pass the window test. Three end with 0, one stays.
tool post main $WM_COMMAND $IDM_CLOSE 0 || fail "post IDM_CLOSE"
wait_exit "$APP_PID" 10 || fail "the first copy did not end"
pids=()
for _ in 1 2 3 4; do
    wine "$APP" >/dev/null 2>&1 &
    pids+=($!)
done
tool wait-window ZRN_RTouch Fennimore 15000 >/dev/null || fail "no main window"
tool wait-tray-icons 1 10000 || fail "no tray icon"
deadline=$((SECONDS + 15))
until [ "$(for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && echo "$p"; done | wc -l)" -le 1 ]; do
    [ $SECONDS -lt $deadline ] || fail "more than one of four copies started at once kept running"
    sleep 0.05
done
for p in "${pids[@]}"; do
    kill -0 "$p" 2>/dev/null && { APP_PID=$p; continue; }
    status=0
    wait "$p" || status=$?
    expect_eq "$status" "0" "exit code of a copy that found another"
done
expect_eq "$(tool tray-icons)" "1" "one tray icon after four copies at once"
kill -0 "$APP_PID" || fail "no copy kept running"

#!/usr/bin/env bash
# Only one copy runs: the identity is the class "ZRN_RTouch" with the title
# "Fennimore" together.
source "$RTOUCH_ROOT/tests/e2e/app_lib.sh"

# A window of the class under another title is no running copy.
decoy_out=$(mktemp)
tool hold-window ZRN_RTouch "Not Fennimore" 30000 >"$decoy_out" &
decoy_pid=$!
deadline=$((SECONDS + 15))
until grep -q '^ready' "$decoy_out"; do
    [ $SECONDS -lt $deadline ] || fail "decoy window not created"
    sleep 0.05
done
start_app
echo "ok: started beside a decoy of the same class"

first=$(tool info main) || fail "no main window"
start=$SECONDS
second_status=0
timeout 20 wine "$APP" >/dev/null 2>&1 || second_status=$?
expect_eq "$second_status" "0" "second start's exit code"
[ $((SECONDS - start)) -le 5 ] || fail "second start did not exit at once"
expect_eq "$(tool info main)" "$first" "first copy untouched"
expect_eq "$(tool tray-icons)" "1" "still one tray icon"
kill -0 "$APP_PID" || fail "first copy ended"

tool post "$(sed -n 's/^ready //p' "$decoy_out")" $WM_CLOSE 0 0
rm -f "$decoy_out"

#!/usr/bin/env bash
# Runs: default
# The dialogs with the substitute driver: the close boxes of the parameters
# and mapping dialogs send exactly one block each (Enter sends none), and a
# completed calibration run sends the solved block, restarts the worker and
# says so under 信息.
source "$RTOUCH_ROOT/tests/e2e/dialog_lib.sh"
source "$RTOUCH_ROOT/tests/e2e/driver_lib.sh"

# Waits until the driver has had $1 parameter blocks in all.
wait_sends() { wait_driver sends "$1"; }

install_driver
start_app
wait_sends 1
echo "ok: start-up sent one block"

tool post main $WM_COMMAND $IDC_MAIN_PARAMETERS 0 || fail "post IDC_MAIN_PARAMETERS"
params=$(tool wait-popup main 5000) || fail "parameters dialog did not open"
tool key "$params" $VK_RIGHT
wait_live DoubleClickArea 1500 5
tool key "$params" $VK_RETURN
tool wait-gone "$params" 5000 || fail "Enter did not end the dialog"
expect_eq "$(driver_field sends)" 1 "Enter sends nothing"
tool post main $WM_COMMAND $IDC_MAIN_PARAMETERS 0 || fail "post IDC_MAIN_PARAMETERS"
params=$(tool wait-popup main 5000) || fail "parameters dialog did not reopen"
close_by_box "$params"
wait_sends 2
expect_block "$(driver_field block)" "$(live_block)" "parameters close box sent the live block once"

expect_eq "$(tool item-enabled main $IDC_MAIN_GENERAL)" "1" "General button enabled with the driver"
open_general
mapping=$(open_from "$GENERAL" $IDC_GESTURE_MAPPING)
tool post "$mapping" $WM_COMMAND $IDM_MAP_CLEAR_ALL 0 || fail "post ClearAll"
zero_map=$(printf '0%.0s' {1..56})
wait_live_map "$zero_map" 5
close_by_box "$mapping"
wait_sends 3
block=$(driver_field block)
expect_eq "$(block_field "$block" GestureMap)" "$zero_map" "mapping close box sent the new map"
expect_block "$block" "$(live_block)" "... within the whole live block"

# The calibration run: once the session's window is up (the worker is
# stopped by then), the trace of a user taking the nine targets is fed.
tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
session=$(wait_new_popup "$GENERAL") || fail "no calibration window"
# The first target, a black disc of 10 pixels round the screen's centre,
# where the screen shows it although the window's frame moves its client
# area inward: black 4 pixels left of and above the centre, not 6 right of
# and below it (where a disc drawn a frame's width off would reach).
read -r width height < <(xdpyinfo | awk '/dimensions:/ { split($2, s, "x"); print s[1], s[2] }')
IFS=, read -r origin_x origin_y _ _ <<<"$(tool client-rect "$session")"
[ "$origin_x,$origin_y" != "0,0" ] || fail "the calibration window has no frame: the check shows nothing"
cx=$((width / 2))
cy=$((height / 2))
# A target is drawn on a tick whose read succeeds: no-touch reports show it.
wine "$DRVCHECK" no-touch-reads 1 || fail "no-touch reads on"
wait_output "screen_pixels $((cx - 4)) $cy $cx $((cy - 4))" "000000 000000" 10 ||
    fail "the first target is not at the screen's centre"
wine "$DRVCHECK" no-touch-reads 0 || fail "no-touch reads off"
[[ "$(screen_pixels $((cx + 6)) $cy $cx $((cy + 6)))" != *000000* ]] || fail "the first target is off the centre"
echo "ok: the first target at the screen's centre ($cx,$cy), the client area starting at $origin_x,$origin_y"
screenshot "$session" calibration_target
ctl feed "$RTOUCH_ROOT/examples/calibration.trace" --rate 200 || fail "feed"
box=$(tool wait-window "#32770" "$TITLE_MESSAGE" 20000) || fail "no outcome box under $TITLE_MESSAGE"
expect_eq "$(tool item-text "$box" $MSGBOX_TEXT)" "$TEXT_CALIBRATION_FINISHED" "outcome: finished"
screenshot "$box" calibration_finished
tool click "$box" $IDOK
tool wait-gone "$box" 5000 || fail "outcome box did not end"
tool wait-gone "$session" 5000 || fail "calibration window still there"
expect_eq "$(tool wait-popup main 1000)" "$GENERAL" "GENERAL stays open"
wait_sends 4
block=$(driver_field block)
expect_block "$block" "$(live_block)" "the run sent the live block"
# The console tool runs the same session on the same trace, one line a tick.
solved=$(system_ctl calibrate "$(winepath -w "$RTOUCH_ROOT/examples/calibration.trace")" --hex | tr -d '\r' | tail -n 1)
for field in CalX CalY ScaleX ScaleY ScaleSlope AxisFlags; do
    expect_eq "$(block_field "$block" $field)" "$(block_field "$solved" $field)" "$field as solved reached the driver"
done
expect_eq "$(block_field "$block" CalOrientation)" "0000" "CalOrientation is the current orientation"
expect_eq "$(block_field "$block" GestureMap)" "$zero_map" "a finished run keeps the other settings"
wait_worker 1
echo "ok: the worker runs again"

#!/usr/bin/env bash
# Runs: default
# The GENERAL dialog without a driver: served on command IDC_MAIN_GENERAL although its
# button is disabled; labels; Esc and Enter do nothing; the calibration run
# ends unfinished, resets the block to the defaults and keeps the dialog
# open; the close box ends it.
source "$RTOUCH_ROOT/tests/e2e/dialog_lib.sh"

start_app
restore_main
expect_eq "$(tool item-enabled main $IDC_MAIN_GENERAL)" "0" "General button disabled without a driver"
open_general
expect_eq "$(info_field class "$GENERAL")" "#32770" "GENERAL is a dialog"
expect_eq "$(info_field title "$GENERAL")" "$TEXT_GENERAL" "GENERAL title"
expect_eq "$(tool item-text "$GENERAL" $IDC_SETTING_GROUP)" "设定" "Setting group label"
expect_eq "$(tool item-text "$GENERAL" $IDC_CALIBRATE)" "校 准" "Calibration button label"
expect_eq "$(tool item-text "$GENERAL" $IDC_TEST_GROUP)" "测试" "Test group label"
expect_eq "$(tool item-text "$GENERAL" $IDC_DRAW_TEST)" "绘 图 测 试" "DrawTest button label"
tool item-text "$GENERAL" $IDC_GESTURE_MAPPING >/dev/null && fail "template IDD_GENERAL has no GestureMapping button"
tool item-text "$GENERAL" $IDC_FIRMWARE_UPGRADE >/dev/null && fail "template IDD_GENERAL has no FirmwareUpgrade button"
expect_eq "$(info_field enabled)" "0" "main window disabled while GENERAL is open"
screenshot "$GENERAL" general_dialog

# Esc and Enter go through the dialog manager as typed keys; the button
# state posted after them is handled after them.
tool key "$GENERAL" $VK_ESCAPE || fail "post Esc"
tool key "$GENERAL" $VK_RETURN || fail "post Enter"
tool post-item "$GENERAL" $IDC_DRAW_TEST $BM_SETSTATE 1 0 || fail "post button state"
tool wait-pushed "$GENERAL" $IDC_DRAW_TEST 5000 || fail "button state not handled"
expect_eq "$(tool wait-popup main 1000)" "$GENERAL" "Esc and Enter leave GENERAL open, nothing else opened"
tool post-item "$GENERAL" $IDC_DRAW_TEST $BM_SETSTATE 0 0

# The main window's commands from another program while GENERAL is open:
# the window is disabled, but posted messages still arrive. They open
# nothing; the button state posted after them is handled after them.
for command in $IDC_MAIN_GENERAL $IDC_MAIN_PARAMETERS $IDC_MAIN_ABOUT; do
    tool post main $WM_COMMAND "$command" 0 || fail "post command $command"
done
tool post-item "$GENERAL" $IDC_DRAW_TEST $BM_SETSTATE 1 0 || fail "post button state"
tool wait-pushed "$GENERAL" $IDC_DRAW_TEST 5000 || fail "button state not handled"
expect_eq "$(tool wait-popup main 1000)" "$GENERAL" "commands 201, 202, 203 open nothing over GENERAL"
tool post-item "$GENERAL" $IDC_DRAW_TEST $BM_SETSTATE 0 0

# Make the live block differ from the defaults: clear the gesture map.
mapping=$(open_from "$GENERAL" $IDC_GESTURE_MAPPING)
tool post "$mapping" $WM_COMMAND $IDM_MAP_CLEAR_ALL 0 || fail "post ClearAll"
wait_live_map "$(printf '0%.0s' {1..56})" 5
close_by_box "$mapping"

# The calibration run without a driver: the session cannot start, the run
# reports it unfinished and the whole block returns to the defaults.
tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
answer_box "$TITLE_NO_DEVICE" "$TEXT_NO_DEVICE" $IDOK
box=$(tool wait-window "#32770" "$TITLE_WARNING" 10000) || fail "no outcome box under $TITLE_WARNING"
expect_eq "$(tool item-text "$box" $MSGBOX_TEXT)" "$TEXT_CALIBRATION_NOT_FINISHED" "outcome: not finished"
screenshot "$box" calibration_outcome
tool click "$box" $IDOK
tool wait-gone "$box" 5000 || fail "outcome box did not end"
expect_eq "$(tool wait-popup main 1000)" "$GENERAL" "GENERAL stays open after the run"
expect_eq "$(info_field title "$GENERAL")" "$TEXT_GENERAL" "GENERAL still shows its title"
expect_block "$(live_block)" "$(tool read-bytes main "$DEFAULT_PARAMS" "$BLOCK_SIZE")" \
    "unfinished run: the whole live block is the defaults"
# Without the driver no worker is wanted after the run: the next arrival
# sends the block and starts one.
expect_eq "$(tool read-u32 main "$(symbol_rva StopThread)")" "1" "StopThread 1 after the run"
wait_worker 0
echo "ok: no worker"

close_by_box "$GENERAL"
echo "ok: the close box ends GENERAL"
expect_eq "$(info_field enabled)" "1" "main window enabled again"

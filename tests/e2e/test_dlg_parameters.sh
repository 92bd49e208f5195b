#!/usr/bin/env bash
# Runs: default x86-native
# Prefix: changed (it ends the server to restart the program on a parameters file)
# The parameters dialog (main window command IDC_MAIN_PARAMETERS, which no control
# carries): labels, the six sliders over the live block, a keyboard step
# stored when the key is released, Esc does nothing, Enter ends it; a field
# outside its slider's range (from the parameters file) shows at the range
# end and keeps its value until that slider moves.
source "$RTOUCH_ROOT/tests/e2e/dialog_lib.sh"

open_parameters() {
    tool post main $WM_COMMAND $IDC_MAIN_PARAMETERS 0 || fail "post IDC_MAIN_PARAMETERS"
    PARAMS=$(tool wait-popup main 5000) || fail "parameters dialog did not open"
}

sliders() {
    local name
    for name in IDC_DOUBLE_CLICK_SLIDER IDC_CONSTANT_TOUCH_SLIDER IDC_RIGHT_CLICK_SLIDER IDC_SINGLE_TOUCH_SLIDER \
        IDC_PINCH_SLIDER IDC_PAN_SLIDER; do
        echo "$name $(tool trackbar "$PARAMS" "${!name}")"
    done
}

start_app
open_parameters
expect_eq "$(info_field title "$PARAMS")" "参数" "parameters dialog caption"
labels=""
for name in IDC_DOUBLE_CLICK_GROUP IDC_CONSTANT_TOUCH_GROUP IDC_RIGHT_CLICK_GROUP IDC_GESTURE_SCALE_GROUP \
    IDC_DOUBLE_CLICK_SMALLER IDC_CONSTANT_TOUCH_SMALLER IDC_RIGHT_CLICK_SMALLER IDC_SINGLE_TOUCH_SMALLER \
    IDC_PINCH_SMALLER IDC_PAN_SMALLER IDC_DOUBLE_CLICK_LARGER IDC_CONSTANT_TOUCH_LARGER IDC_RIGHT_CLICK_LARGER \
    IDC_SINGLE_TOUCH_LARGER IDC_PINCH_LARGER IDC_PAN_LARGER IDC_SINGLE_TOUCH_LABEL IDC_PINCH_LABEL IDC_PAN_LABEL; do
    labels+="$(tool item-text "$PARAMS" "${!name}")|"
done
expect_eq "$labels" \
    "鼠标左键双击区域|触摸稳定度|鼠标右键触发时间|手势比例|较小|较小|较小|较小|较小|较小|较大|较大|较大|较大|较大|较大|单指|Pinch|Pan|" \
    "group and slider labels"
expect_eq "$(info_field enabled)" "0" "main window disabled while the dialog is open"
# Slider, minimum, maximum, position (the default block), page size.
expect_eq "$(sliders | tr '\n' '|')" \
    "IDC_DOUBLE_CLICK_SLIDER 10 100 20 5|IDC_CONSTANT_TOUCH_SLIDER 10 100 50 5|IDC_RIGHT_CLICK_SLIDER 1 10 10 1|\
IDC_SINGLE_TOUCH_SLIDER 300 1500 350 100|IDC_PINCH_SLIDER 8 80 24 8|IDC_PAN_SLIDER 500 3000 800 100|" \
    "slider ranges, positions and page sizes"

# The first slider has the focus. Esc first: the step after it is handled
# after it, so once the slider moved the Esc was handled and did nothing.
tool key "$PARAMS" $VK_ESCAPE
tool key "$PARAMS" $VK_RIGHT
wait_output "tool trackbar $PARAMS $IDC_DOUBLE_CLICK_SLIDER" "10 100 21 5" 5 || fail "arrow key did not move the slider"
expect_eq "$(info_field title "$PARAMS")" "参数" "Esc leaves the dialog open"
wait_live DoubleClickArea 1500 5
echo "ok: an arrow step stores DoubleClickArea 21"
tool key "$PARAMS" $VK_TAB
tool key "$PARAMS" $VK_NEXT
wait_live ConstantTouch 3700 5
echo "ok: a page step stores ConstantTouch 55"
screenshot "$PARAMS" parameters_dialog

tool key "$PARAMS" $VK_RETURN
tool wait-gone "$PARAMS" 5000 || fail "Enter did not end the dialog"
echo "ok: Enter ends the dialog"
expect_eq "$(info_field enabled)" "1" "main window enabled again"
open_parameters
expect_eq "$(tool trackbar "$PARAMS" $IDC_DOUBLE_CLICK_SLIDER) / $(tool trackbar "$PARAMS" $IDC_CONSTANT_TOUCH_SLIDER)" "10 100 21 5 / 10 100 55 5" \
    "reopened on the stored values"
close_by_box "$PARAMS"
echo "ok: the close box ends the dialog"

# A parameters file with DoubleClickArea 200 and PanScale 100, both outside
# their sliders' ranges; the rest the defaults.
block=$(tool read-bytes main "$DEFAULT_PARAMS" "$BLOCK_SIZE") || fail "read DefaultParams"
block=$(block_with "$(block_with "$block" DoubleClickArea c800)" PanScale 6400)
xxd -r -p <<<"$block" >"$WINEPREFIX/drive_c/windows/ZRNParameters.dat"
wineserver -k
wait_exit "$APP_PID" 10 >/dev/null || fail "application did not end"
# The next program starts a new session, and a program started while that
# session settles may end at once without a word (the tray's wait did so
# once): a persistent server, settled as the runner settles a prefix.
wineserver -w
wineserver -p >/dev/null 2>&1
wine_settle "$RTOUCH_BUILD/rtouchctl.exe" params || fail "the new session did not settle"
start_app
open_parameters
expect_eq "$(tool trackbar "$PARAMS" $IDC_DOUBLE_CLICK_SLIDER) / $(tool trackbar "$PARAMS" $IDC_PAN_SLIDER)" "10 100 100 5 / 500 3000 500 100" \
    "out-of-range fields show at the nearest range end"
tool key "$PARAMS" $VK_TAB
tool key "$PARAMS" $VK_RIGHT
wait_live ConstantTouch 3300 5
expect_eq "$(live_field DoubleClickArea) $(live_field PanScale)" "c800 6400" "unmoved sliders keep the file's values"

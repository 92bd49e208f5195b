#!/usr/bin/env bash
# The parameters dialog (main window command 202, which no control
# carries): labels, the six sliders over the live block, a keyboard step
# stored when the key is released, Esc does nothing, Enter ends it; a field
# outside its slider's range (from the parameters file) shows at the range
# end and keeps its value until that slider moves.
source "$RTOUCH_ROOT/tests/e2e/dialog_lib.sh"

VK_ESCAPE=0x1B

open_parameters() {
    tool post main $WM_COMMAND 202 0 || fail "post command 202"
    PARAMS=$(tool wait-popup main 5000) || fail "parameters dialog did not open"
}

sliders() {
    local id
    for id in 1057 1058 1059 1060 1062 1061; do echo "$id $(tool trackbar "$PARAMS" $id)"; done
}

start_app
open_parameters
expect_eq "$(info_field title "$PARAMS")" "参数" "parameters dialog caption"
labels=""
for id in 1026 1081 1082 1083 1084 1085 1086 1087 1088 1089 1090 1091 1092 1093 1094 1095 1096 1097 1098; do
    labels+="$(tool item-text "$PARAMS" $id)|"
done
expect_eq "$labels" \
    "鼠标左键双击区域|触摸稳定度|鼠标右键触发时间|手势比例|较小|较小|较小|较小|较小|较小|较大|较大|较大|较大|较大|较大|单指|Pinch|Pan|" \
    "group and slider labels"
expect_eq "$(info_field enabled)" "0" "main window disabled while the dialog is open"
# Id, minimum, maximum, position (the default block), page size.
expect_eq "$(sliders | tr '\n' '|')" \
    "1057 10 100 20 5|1058 10 100 50 5|1059 1 10 10 1|1060 300 1500 350 100|1062 8 80 24 8|1061 500 3000 800 100|" \
    "slider ranges, positions and page sizes"

# The first slider has the focus. Esc first: the step after it is handled
# after it, so once the slider moved the Esc was handled and did nothing.
tool key "$PARAMS" $VK_ESCAPE
tool key "$PARAMS" $VK_RIGHT
wait_output "tool trackbar $PARAMS 1057" "10 100 21 5" 5 || fail "arrow key did not move the slider"
expect_eq "$(info_field title "$PARAMS")" "参数" "Esc leaves the dialog open"
wait_output "live_bytes 126 2" 1500 5 || fail "DoubleClickArea not stored"
echo "ok: an arrow step stores DoubleClickArea 21"
tool key "$PARAMS" $VK_TAB
tool key "$PARAMS" $VK_NEXT
wait_output "live_bytes 128 2" 3700 5 || fail "ConstantTouch not stored"
echo "ok: a page step stores ConstantTouch 55"
screenshot "$PARAMS" parameters_dialog

tool key "$PARAMS" $VK_RETURN
tool wait-gone "$PARAMS" 5000 || fail "Enter did not end the dialog"
echo "ok: Enter ends the dialog"
expect_eq "$(info_field enabled)" "1" "main window enabled again"
open_parameters
expect_eq "$(tool trackbar "$PARAMS" 1057) / $(tool trackbar "$PARAMS" 1058)" "10 100 21 5 / 10 100 55 5" \
    "reopened on the stored values"
tool click-caption "$PARAMS" close || fail "no close box"
tool wait-gone "$PARAMS" 5000 || fail "the close box did not end the dialog"
echo "ok: the close box ends the dialog"

# A parameters file with DoubleClickArea 200 and PanScale 100, both outside
# their sliders' ranges; the rest the defaults.
block=$(tool read-bytes main "$DEFAULT_PARAMS" 180)
block="${block:0:252}c800${block:256:12}6400${block:272}"
xxd -r -p <<<"$block" >"$WINEPREFIX/drive_c/windows/ZRNParameters.dat"
wineserver -k
wait_exit "$APP_PID" 10 >/dev/null || fail "application did not end"
start_app
open_parameters
expect_eq "$(tool trackbar "$PARAMS" 1057) / $(tool trackbar "$PARAMS" 1061)" "10 100 100 5 / 500 3000 500 100" \
    "out-of-range fields show at the nearest range end"
tool key "$PARAMS" $VK_TAB
tool key "$PARAMS" $VK_RIGHT
wait_output "live_bytes 128 2" 3300 5 || fail "ConstantTouch not stored"
expect_eq "$(live_bytes 126 2) $(live_bytes 134 2)" "c800 6400" "unmoved sliders keep the file's values"

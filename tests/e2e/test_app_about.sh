#!/usr/bin/env bash
# Runs: default
# The about box: its texts; OK and the close box end it, Esc does not.
source "$RTOUCH_ROOT/tests/e2e/app_lib.sh"

about_text=$'ZRN Pellmark\n\nVersion: 02AUG10\n\nTouch gestures become keystrokes.\nOpen it from its tray icon.'

open_about() {
    tool post main $WM_COMMAND $IDC_MAIN_ABOUT 0 || fail "post IDC_MAIN_ABOUT"
    about=$(tool wait-popup main 5000) || fail "about box did not open"
}

start_app
restore_main
open_about
expect_eq "$(info_field class "$about")" "#32770" "about box is a dialog"
expect_eq "$(info_field title "$about")" "关  于" "about box title"
expect_eq "$(tool item-text "$about" $IDOK)" "确定" "OK button text"
expect_eq "$(tool item-text "$about" $IDC_ABOUT_TEXT)" "$about_text" "about text"
expect_eq "$(info_field enabled)" "0" "main window disabled while the box is open"
screenshot "$about" about_box
tool click "$about" $IDOK
tool wait-gone "$about" 5000 || fail "OK did not end the about box"
echo "ok: OK ends it"

open_about
# Esc goes through the dialog manager as a typed key. A button state change
# posted after it is handled after it, so once the button shows pushed the
# Esc was handled too.
tool key "$about" $VK_ESCAPE || fail "post Esc"
tool post-item "$about" $IDOK $BM_SETSTATE 1 0 || fail "post button state"
tool wait-pushed "$about" $IDOK 5000 || fail "button state not handled"
expect_eq "$(info_field title "$about")" "关  于" "Esc leaves the about box open"

close_by_box "$about"
echo "ok: the close box ends it"
expect_eq "$(info_field enabled)" "1" "main window enabled again"

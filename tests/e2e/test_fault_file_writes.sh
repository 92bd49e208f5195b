#!/usr/bin/env bash
# Runs: default
# A whole session of use (start, gestures, every dialog, a calibration, a
# mapping saved under a name the user typed, shutdown) writes that one
# file and nothing else on drive C:, the parameters file least of all.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

# Every file under drive_c with its size and modification time, and every
# folder (a folder's time changes with what is written inside).
snapshot() {
    (cd "$WINEPREFIX/drive_c" && find . \( -type d -printf 'd - - %p\n' \) -o -printf '%y %s %T@ %p\n' | sort -k4)
}

install_driver
snapshot >"$ROAD_WORK/before"

start_app
wait_worker 1
start_viewer
expect_received "Right Arrow|CTRL + Scroll Up|CTRL + Scroll Up" CWCircle PinchOut

open_general
mapping=$(open_from "$GENERAL" $IDC_GESTURE_MAPPING)
saveas=$(open_from "$mapping" $IDM_MAP_SAVE_AS)
tool set-text "$saveas" $FILE_NAME_BOX 'C:\users\Public\gestures.map' || fail "type the file name"
press_ok "$saveas"
wait_output "stat -c %s '$WINEPREFIX/drive_c/users/Public/gestures.map' 2>/dev/null" 28 5 ||
    fail "Save As did not write the map"
close_by_box "$mapping"

draw=$(open_from "$GENERAL" $IDC_DRAW_TEST)
tool click "$draw" $IDC_DRAW_EXIT || fail "Exit of the drawing test"
tool wait-gone "$draw" 5000 || fail "drawing test still there"

tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
session=$(wait_new_popup "$GENERAL") || fail "no calibration window"
ctl feed "$RTOUCH_ROOT/examples/calibration.trace" --rate 400 || fail "feed"
box=$(tool wait-window "#32770" "$TITLE_MESSAGE" 30000) || fail "the calibration did not finish"
tool click "$box" $IDOK
tool wait-gone "$session" 5000 || fail "calibration window still there"
close_by_box "$GENERAL"

tool post main $WM_COMMAND $IDC_MAIN_PARAMETERS 0 || fail "post IDC_MAIN_PARAMETERS"
params=$(tool wait-popup main 5000) || fail "parameters dialog did not open"
tool key "$params" $VK_RIGHT
close_by_box "$params"

focus_viewer
expect_received "CTRL + Scroll Down|CTRL + Scroll Down" PinchIn
close_app "after the session"

snapshot >"$ROAD_WORK/after"
# The paths that were added, removed or changed.
changes=$(diff "$ROAD_WORK/before" "$ROAD_WORK/after" | sed -n 's/^[<>] //p' | cut -d ' ' -f 4- | sort -u)
expect_eq "$changes" "./users/Public/gestures.map" "the one file written is the one named in Save As"

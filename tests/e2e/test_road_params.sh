#!/usr/bin/env bash
# Runs: default x86-wow64 x86-native
# A parameters file in C:\windows with a full custom map (the default map
# of a current system, plus keys for the four straight strokes): the block
# sent at start is the file's as the application loads it, and the four
# strokes, which only the file maps, reach the focused viewer as its
# entries (the other ten entries are the defaults that test_road_gestures
# follows end to end).
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"

# Strokes: SHIFT + Right Arrow, SHIFT + Left Arrow, Delete (key row 246, a
# byte beyond the dialog's list), CTRL + SHIFT + ALT + Down Arrow; then the
# default map of codes 5..14.
defaults=$(ctl params --hex | tr -d '\r')
default_map=$(block_field "$defaults" GestureMap)
MAP=0205020300f60606${default_map:16}
block=$(block_with "$defaults" GestureMap "$MAP")
xxd -r -p <<<"$block" >"$WINEPREFIX/drive_c/windows/ZRNParameters.dat"

install_driver
start_app
expect_eq "$(tool item-text main $IDC_MAIN_STATUS)" "$TEXT_ATTACHED" "status line with the driver"
expect_eq "$(tool item-enabled main $IDC_MAIN_GENERAL)" "1" "General enabled"
wait_worker 1
expect_eq "$(driver_field sends)" 1 "one block sent at start"
expect_block "$(driver_field block)" "$(ctl params --params 'C:\windows\ZRNParameters.dat' --orientation 0 --hex | tr -d '\r')" \
    "the block sent is the parameters file's"
expect_eq "$(live_map)" "$MAP" "the live map is the file's"

start_viewer
expect_received "$(map_labels "$MAP" RHori. LHori. UVert. DVert.)" RHori. LHori. UVert. DVert.
# Delete as the keyboard sends it: an extended key (without the flag it
# reads as the keypad's '.').
expect_eq "$(grep -o 'key down 0x2E .*' "$ROAD_WORK/viewer.log" | tr -d '\r' | sort -u)" \
    "key down 0x2E mods=none scan=0x53 ext=1" "Delete's scan code and extended flag"

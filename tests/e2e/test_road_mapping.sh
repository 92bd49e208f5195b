#!/usr/bin/env bash
# Runs: default winxp x86-wow64 x86-native
# A gesture map entry changed in the mapping dialog (GENERAL, command IDC_GESTURE_MAPPING)
# changes what the next gesture sends at once; the dialog's close box
# sends the block with the new map at offsets 152..179.
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"

start_road

open_general
mapping=$(open_from "$GENERAL" $IDC_GESTURE_MAPPING)
# The gesture list has the focus: down to CWCircle (6), then its modifier
# four rows down to CTRL+SHIFT and its key from Right Arrow (5) to A (9).
for _ in 1 2 3 4 5 6; do tool key "$mapping" $VK_DOWN; done
wait_output "tool combo $mapping $IDC_GESTURE_COMBO" 6 5 || fail "CWCircle not selected"
tool key "$mapping" $VK_TAB
for _ in 1 2 3 4; do tool key "$mapping" $VK_DOWN; done
tool key "$mapping" $VK_TAB
for _ in 1 2 3 4; do tool key "$mapping" $VK_DOWN; done
default_map=$(live_map) || fail "read the live map"
custom_map=${default_map:0:24}0409${default_map:28}
wait_live_map "$custom_map" 5
echo "ok: the mapping dialog set CWCircle to CTRL+SHIFT + A"

# The live map is what the worker reads: the next circle sends the new keys.
focus_viewer
expect_received "CTRL + SHIFT + A" CWCircle
expect_eq "$(driver_field sends)" 1 "nothing sent before the close box"

close_by_box "$mapping"
wait_sends 2
block=$(driver_field block)
expect_eq "$(block_field "$block" GestureMap)" "$custom_map" "the block sent on the close box carries the map"
expect_block "$block" "$(live_block)" "... within the whole live block"
# After the close box the edited map stays the one the gestures use.
focus_viewer
expect_received "CTRL + SHIFT + A" CWCircle

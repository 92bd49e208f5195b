#!/usr/bin/env bash
# Runs: default win10 x86-wow64 x86-native
# The road of a touch with the driver attached before start: the status
# line and General button, the one block sent at start (the defaults of
# this system), then every gesture fed to the driver reaches the focused
# viewer as its default-map keys or wheel step; the four straight strokes
# (unmapped by default) and taps send nothing.
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"

install_driver
start_app
expect_eq "$(tool item-text main $IDC_MAIN_STATUS)" "$TEXT_ATTACHED" "status line with the driver"
expect_eq "$(tool item-enabled main $IDC_MAIN_GENERAL)" "1" "General enabled"
wait_worker 1
expect_eq "$(driver_field sends)" 1 "one block sent at start"
# Wine reports Windows 7 (major version 6) and orientation 0 here.
expect_block "$(driver_field block)" "$(ctl params --orientation 0 --hex | tr -d '\r')" \
    "the block sent is the default block of a current system"

start_viewer
# Each gesture's trace ends with the finger lifted. The expected lines are
# the default map's entries; strokes and taps in between send nothing, so
# only the order and count of what arrives tells.
expect_received "Right Arrow|Left Arrow|CTRL + .|CTRL + ,|Right Arrow|Left Arrow" \
    RHori. CWCircle CCWCircle UVert. RArc LArc Tap RPan LPan
# Keys as a keyboard sends them: with their scan codes, the arrows as
# extended keys (without the flag they would read as the keypad's).
expect_eq "$(grep -o 'key down 0x\(25\|27\|BC\|BE\) .*' "$ROAD_WORK/viewer.log" | tr -d '\r' | sort -u | paste -sd '|')" \
    "key down 0x25 mods=none scan=0x4B ext=1|key down 0x27 mods=none scan=0x4D ext=1|key down 0xBC mods=CTRL scan=0x33 ext=0|key down 0xBE mods=CTRL scan=0x34 ext=0" \
    "the keys' scan codes and extended flags"
expect_received "Scroll Up|Scroll Up|Scroll Down|Scroll Down|CTRL + Scroll Down|CTRL + Scroll Down|CTRL + Scroll Up|CTRL + Scroll Up" \
    LHori. UPan DVert. DPan TwoFingerTap PinchIn Tap PinchOut
expect_eq "$(driver_field queue)" 0 "every report was read"
expect_eq "$(driver_field sends)" 1 "gestures send no block"

# The ALT and CTRL + ALT rows, end to end: a map with them in a parameters
# file read at the next start. RHori. (entry 0) sends ALT + Up Arrow (rows
# 3 and 4), LHori. (entry 1) CTRL + ALT + B (rows 5 and 10).
close_app "before the ALT rows"
defaults=$(system_ctl params --orientation 0 --hex | tr -d '\r')
map=$(block_field "$defaults" GestureMap)
map=0304050a${map:8}
xxd -r -p <<<"$(block_with "$defaults" GestureMap "$map")" >"$WINEPREFIX/drive_c/windows/ZRNParameters.dat"
sends=$(driver_field sends)
start_app
wait_sends $((sends + 1))
expect_eq "$(live_map)" "$map" "the map of the parameters file is live"
wait_worker 1
focus_viewer
expect_received "ALT + Up Arrow|CTRL + ALT + B" RHori. LHori.

#!/usr/bin/env bash
# Runs: default
# Display-change notices with odd sizes (none, under ten pixels, the
# largest a notice can carry) while the drawing test is up: each is
# taken as the screen size, the grid is painted over it without harm, and
# the next opening of the drawing test covers the real screen again.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

SCREEN_WIDTH=$(symbol_rva ScreenWidth)
SCREEN_HEIGHT=$(symbol_rva ScreenHeight)

start_app
open_general
draw=$(open_from "$GENERAL" $IDC_DRAW_TEST)
real=$(info_field rect "$draw")
for size in 0x0 9x7 65535x65535 65535x1; do
    w=${size%x*}
    h=${size#*x}
    tool post main $WM_DISPLAYCHANGE 32 $(((h << 16) | w)) || fail "post display change $size"
    tool post "$draw" $WM_PAINT 0 0 || fail "post paint"
    # Posted after both: the notice and the paint are handled when it is.
    tool round-trip "$draw" $IDC_DRAW_EXIT 10000 || fail "the drawing test does not answer after $size"
    expect_eq "$(tool read-u32 main "$SCREEN_WIDTH")x$(tool read-u32 main "$SCREEN_HEIGHT")" "$size" \
        "a $size display taken as the screen size"
done
expect_alive "after odd display sizes"
tool click "$draw" $IDC_DRAW_EXIT || fail "Exit of the drawing test"
tool wait-gone "$draw" 5000 || fail "drawing test still there"
draw=$(open_from "$GENERAL" $IDC_DRAW_TEST)
expect_eq "$(info_field rect "$draw")" "$real" "the drawing test covers the real screen again"

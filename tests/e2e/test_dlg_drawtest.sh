#!/usr/bin/env bash
# Runs: default
# The drawing test: full screen, a black grid line every tenth, Exit and
# Clear sized from the screen; strokes of the real mouse are drawn red and
# Clear brings back the bare grid.
source "$RTOUCH_ROOT/tests/e2e/dialog_lib.sh"

BLACK=000000
RED=FF0000

start_app
open_general
draw=$(open_from "$GENERAL" $IDC_DRAW_TEST)
read -r width height < <(xdpyinfo | awk '/dimensions:/ { split($2, s, "x"); print s[1], s[2] }')
expect_eq "$(info_field rect "$draw")" "0,0,$width,$height" "drawing test covers the screen"
expect_eq "$(tool item-rect "$draw" $IDC_DRAW_EXIT)" "$((width / 100)),$((height / 100)),$((width / 20)),$((height / 20)) 离开" \
    "Exit button place, size and label"
expect_eq "$(tool item-rect "$draw" $IDC_DRAW_CLEAR)" \
    "$((width / 10 + width / 100)),$((height / 100)),$((width / 20)),$((height / 20)) 清除" \
    "Clear button place, size and label"

# Client coordinates to screen coordinates.
IFS=, read -r cx cy _ _ <<<"$(tool client-rect "$draw")"
sx=$((width / 10))
sy=$((height / 10))
background=$(screen_pixels $((cx + sx / 2)) $((cy + 5 * sy + sy / 2)))

# A point on every grid line, away from the buttons and the other lines.
grid_points=()
for k in $(seq 0 9); do
    grid_points+=($((cx + k * sx)) $((cy + 5 * sy + sy / 2)) $((cx + 5 * sx + sx / 2)) $((cy + k * sy)))
done
grid_black=$(printf "$BLACK %.0s" $(seq 20))
wait_output "screen_pixels ${grid_points[*]}" "${grid_black% }" 10 || fail "grid lines not at tenths"
echo "ok: 10 vertical and 10 horizontal grid lines at tenths"
[ "$background" != "$BLACK" ] || fail "cell interior is black"

# A horizontal stroke through the middle of row 4 and a vertical one
# through column 7. Points on a straight line stay on it however many of
# the moves the system merges.
row_y=$((cy + 4 * sy + sy / 2))
col_x=$((cx + 7 * sx + sx / 2))
stroke_h=($((cx + 2 * sx + 20)) "$row_y" $((cx + 3 * sx - 10)) "$row_y" $((cx + 3 * sx + 10)) "$row_y" $((cx + 4 * sx - 20)) "$row_y")
stroke_v=("$col_x" $((cy + sy + 20)) "$col_x" $((cy + 2 * sy - 10)) "$col_x" $((cy + 2 * sy + 10)) "$col_x" $((cy + 3 * sy - 20)))
red4="$RED $RED $RED $RED"
bare4="$background $background $background $background"

draw_stroke() {  # X0 Y0 X1 Y1 ... : press at the first point, move through the rest
    local args=(mousemove "$1" "$2" mousedown 1)
    shift 2
    while [ $# -ge 2 ]; do
        args+=(mousemove "$1" "$2")
        shift 2
    done
    xdotool "${args[@]}" mouseup 1
}

draw_stroke "${stroke_h[@]}"
wait_output "screen_pixels ${stroke_h[*]}" "$red4" 10 || fail "horizontal stroke not drawn red"
echo "ok: mouse stroke drawn red"
draw_stroke "${stroke_v[@]}"
wait_output "screen_pixels ${stroke_v[*]}" "$red4" 10 || fail "vertical stroke not drawn red"
echo "ok: second stroke drawn red"
import -window root "$RTOUCH_ARTIFACTS/drawing_test.png"

# Clear, clicked with the mouse.
IFS=, read -r bx by bw bh < <(tool item-rect "$draw" $IDC_DRAW_CLEAR | cut -d' ' -f1)
xdotool mousemove $((cx + bx + bw / 2)) $((cy + by + bh / 2)) click 1
wait_output "screen_pixels ${stroke_h[*]} ${stroke_v[*]}" "$bare4 $bare4" 10 || fail "Clear left strokes"
expect_eq "$(screen_pixels "${grid_points[@]}")" "${grid_black% }" "Clear shows the bare grid"
import -window root "$RTOUCH_ARTIFACTS/drawing_test_cleared.png"

draw_stroke "${stroke_h[@]}"
wait_output "screen_pixels ${stroke_h[*]}" "$red4" 10 || fail "stroke after Clear not red"
echo "ok: the stroke pen stays red after Clear"

IFS=, read -r bx by bw bh < <(tool item-rect "$draw" $IDC_DRAW_EXIT | cut -d' ' -f1)
xdotool mousemove $((cx + bx + bw / 2)) $((cy + by + bh / 2)) click 1
tool wait-gone "$draw" 5000 || fail "Exit did not end the drawing test"
expect_eq "$(tool wait-popup main 1000)" "$GENERAL" "back on GENERAL after Exit"

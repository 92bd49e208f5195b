#!/usr/bin/env bash
# Runs: default
# The main window: a tray double-click shows it at a fifth of the screen,
# minimizing hides it into the tray again, and its close box does nothing.
source "$RTOUCH_ROOT/tests/e2e/app_lib.sh"

start_app
read -r width height < <(xdpyinfo | awk '/dimensions:/ { split($2, s, "x"); print s[1], s[2] }')
x=$((width / 5))
y=$((height / 5))

restore_main
expect_eq "$(info_field rect)" "$x,$y,$((x + 420)),$((y + 200))" "restored at a fifth of the screen, 420 x 200"
expect_eq "$(info_field iconic)" "0" "restored, not minimized"
screenshot main main_window

tool post main $WM_SYSCOMMAND $SC_MINIMIZE 0
tool wait-visible main 0 5000 || fail "minimize did not hide the window"
expect_eq "$(info_field iconic)" "0" "hidden without being minimized"
expect_eq "$(tool tray-icons)" "1" "tray icon stays"

# This time a real double-click on the icon.
tool click-window "$(tool tray-icon)" double || fail "no tray icon to click"
tool wait-visible main 1 5000 || fail "double-click on the tray icon did not show the window"
expect_eq "$(info_field rect)" "$x,$y,$((x + 420)),$((y + 200))" "restored at its old place"

# The close box is dead: the system menu has no Close. A click on the
# minimize box afterwards is handled after the close click (same input
# queue), so once it has hidden the window the close click was handled too.
tool click-caption main close || fail "no close box found"
tool click-caption main min || fail "no minimize box found"
tool wait-visible main 0 5000 || fail "minimize box did not hide the window"
kill -0 "$APP_PID" || fail "the close box ended the application"
expect_eq "$(info_field title)" "Fennimore" "main window still there after the close box"

# A restarting shell takes every icon away, then announces itself: the icon
# comes back, once however often the announcement comes, and a double-click
# on it still shows the window. The double-click posted after an
# announcement is handled after it.
tool tray-delete main || fail "the icon could not be removed from outside"
tool wait-tray-icons 0 5000 || fail "the icon stayed after its removal"
tool taskbar-created || fail "announce a new shell"
tool wait-tray-icons 1 5000 || fail "the icon did not come back after TaskbarCreated"
# Announced again while the icon is there (a shell that announces itself
# twice, another program's broadcast): the very same icon stays shown, one
# of it, turn after turn. Each look comes after a round trip through the
# main window's queue, which handles the broadcast first.
icon=$(tool tray-icon) || fail "no tray icon after the announcement"
for turn in 1 2; do
    tool taskbar-created || fail "announce the shell again ($turn)"
    round_trip
    expect_eq "$(tool tray-icons)" "1" "one icon after announcement $turn of a shell that has it"
    expect_eq "$(tool shown-tray-icons)" "1" "the icon shown after announcement $turn of a shell that has it"
    expect_eq "$(tool tray-icon)" "$icon" "the same icon after announcement $turn, never taken out"
done
restore_main
tool post main $WM_SYSCOMMAND $SC_MINIMIZE 0
tool wait-visible main 0 5000 || fail "minimize did not hide the window"
tool click-window "$(tool tray-icon)" double || fail "no tray icon to click"
tool wait-visible main 1 5000 || fail "double-click on the icon that came back did not show the window"

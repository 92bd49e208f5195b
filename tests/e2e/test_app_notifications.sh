#!/usr/bin/env bash
# Runs: default
# Display and device notices: a display change stores the new screen size;
# a device notice without a driver changes nothing the user sees.
source "$RTOUCH_ROOT/tests/e2e/app_lib.sh"

start_app
width_rva=$(symbol_rva ScreenWidth)
height_rva=$(symbol_rva ScreenHeight)
read -r width height < <(xdpyinfo | awk '/dimensions:/ { split($2, s, "x"); print s[1], s[2] }')
expect_eq "$(tool read-u32 main "$width_rva")" "$width" "screen width at start"
expect_eq "$(tool read-u32 main "$height_rva")" "$height" "screen height at start"

# Sent, so the handler has run when the call returns. lParam: 800 x 600.
tool send main $WM_DISPLAYCHANGE 24 $(((600 << 16) | 800)) >/dev/null || fail "send display change"
expect_eq "$(tool read-u32 main "$width_rva")" "800" "screen width after a display change"
expect_eq "$(tool read-u32 main "$height_rva")" "600" "screen height after a display change"

before=$(tool info main) || fail "no main window"
tool send main $WM_DEVICECHANGE $DBT_DEVNODES_CHANGED 0 >/dev/null || fail "send device change"
expect_eq "$(tool info main)" "$before" "main window unchanged by a device notice"
expect_eq "$(tool item-text main $IDC_MAIN_STATUS)" "$TEXT_DETACHED" "status line after a device notice"
expect_eq "$(tool item-enabled main $IDC_MAIN_GENERAL)" "0" "General button after a device notice"
expect_eq "$(tool tray-icons)" "1" "tray icon after a device notice"
kill -0 "$APP_PID" || fail "application ended"

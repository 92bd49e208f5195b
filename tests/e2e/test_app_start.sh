#!/usr/bin/env bash
# Runs: default winxp win10 x86-wow64 x86-native
# Start-up without a driver: only the tray icon (with its tip) shows; the
# hidden main window holds the status "device removed" and a disabled
# General button.
source "$RTOUCH_ROOT/tests/e2e/app_lib.sh"

start_app
expect_eq "$(info_field class)" "ZRN_RTouch" "main window class"
expect_eq "$(info_field title)" "Fennimore" "main window title"
expect_eq "$(info_field visible)" "0" "main window hidden"
expect_eq "$(tool tray-icons)" "1" "one tray icon"
tool hover "$(tool tray-icon)" || fail "no tray icon to point at"
tip=$(tool wait-shown tooltips_class32 5000) || fail "no tip over the tray icon"
expect_eq "$(info_field title "$tip")" "双击鼠标左键放大" "tray tip"
expect_eq "$(tool item-text main $IDC_MAIN_STATUS)" "$TEXT_DETACHED" "status line"
expect_eq "$(tool item-enabled main $IDC_MAIN_GENERAL)" "0" "General button disabled"
expect_eq "$(tool item-text main $IDC_MAIN_GENERAL)" "$TEXT_GENERAL" "General button text"
expect_eq "$(tool item-enabled main $IDC_MAIN_ABOUT)" "1" "About button enabled"
expect_eq "$(tool item-text main $IDC_MAIN_ABOUT)" "关  于" "About button text"
expect_eq "$(tool read-u32 main "$(symbol_rva StopThread)")" "1" "no worker wanted"
expect_eq "$(tool read-u32 main "$(symbol_rva ThreadRunning)")" "0" "no worker running"
# Wine's shell is version 6 under every Windows version: the whole record,
# 976 bytes in a 64-bit process, 956 in a 32-bit one.
record=976
[ "$APP_X86" = 1 ] && record=956
expect_eq "$(tool read-u32 main "$(symbol_rva TrayIconData)")" "$record" "tray record size"
kill -0 "$APP_PID" || fail "application not running"

#!/usr/bin/env bash
# Runs: default
# Shutdown: the tray menu's Close (IDM_CLOSE), chosen by a user or sent by
# another program, and a window close end the process with exit code 0 and
# remove the tray icon.
source "$RTOUCH_ROOT/tests/e2e/app_lib.sh"

start_app
close_app "from the tray menu"

start_app
tool post main $WM_CLOSE 0 0 || fail "post WM_CLOSE"
wait_exit "$APP_PID" 10 || fail "WM_CLOSE did not end the application"
expect_eq "$EXIT_CODE" "0" "exit code after WM_CLOSE"
tool wait-tray-icons 0 5000 || fail "tray icon left behind after WM_CLOSE"
echo "ok: tray icon removed after WM_CLOSE"

# As a user: right-click the icon, choose "关闭" in its menu.
start_app
tool click-window "$(tool tray-icon)" right || fail "no tray icon to click"
menu=$(tool wait-menu 5000) || fail "no tray menu"
tool click-window "$menu" left
wait_exit "$APP_PID" 10 || fail "the tray menu's Close did not end the application"
expect_eq "$EXIT_CODE" "0" "exit code after choosing Close in the tray menu"
tool wait-tray-icons 0 5000 || fail "tray icon left behind after the tray menu"
echo "ok: tray icon removed after the tray menu"

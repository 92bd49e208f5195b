#!/usr/bin/env bash
# /AUTOSTART=0 and /D=DIR; a later install without them upgrades in the
# same folder and turns start at sign-in on.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

dir='C:\Kiosk Apps\rtouch'
# /D= takes the rest of the command line, unquoted: two words here, which
# wine joins with a space.
run_setup /S /AUTOSTART=0 '/D=C:\Kiosk' 'Apps\rtouch'
expect_eq "$SETUP_EXIT" "0" "install exit code"
expect_installed "$dir"
[ ! -e "$INSTDIR_UNIX" ] || fail "something went to the default folder"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "no Run value with /AUTOSTART=0"

run_setup /S
expect_eq "$SETUP_EXIT" "0" "second install exit code"
expect_installed "$dir"
[ ! -e "$INSTDIR_UNIX" ] || fail "the upgrade went to the default folder"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "\"$dir\\rtouch.exe\"" "Run value after the upgrade"

run_setup /S /AUTOSTART=0
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "an upgrade with /AUTOSTART=0 removes the Run value"

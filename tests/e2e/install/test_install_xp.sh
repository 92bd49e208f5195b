#!/usr/bin/env bash
# Windows XP (the prefix reports 5.2, XP x64's version) has no UAC and its
# shell cannot be asked to start a program: the upgrade starts the rtouch
# it closed itself, as the user signed in at the desktop it runs as.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

run_setup /S
expect_eq "$SETUP_EXIT" "0" "first install"
wine reg add 'HKCU\Software\Wine' /v Version /d winxp64 /f >/dev/null || fail "reg add"
start_installed
old=$(rtouch_pids)
run_setup /S
expect_eq "$SETUP_EXIT" "0" "upgrade over the running program"
wait_pids_gone "$old" 5 || fail "the old rtouch.exe still runs"
window=$(tool wait-window ZRN_RTouch Fennimore 15000) || fail "rtouch was not started again"
# Its parent has ended: the setup, not the shell (which still runs).
expect_eq "$(tool parent-program "$window" | tr -d '\r')" "gone" "the setup itself started rtouch.exe"

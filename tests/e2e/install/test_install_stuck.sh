#!/usr/bin/env bash
# A window of rtouch's class made by another program (anyone can make one)
# stops neither setup nor uninstaller, and is left alone. The installed
# rtouch.exe that ignores the close command (stood in for by the test tool
# copied over it): setup and uninstall give up after their bounded wait,
# with exit code 3, and change nothing. The same for a program file that
# another process keeps open, as a copy of rtouch in another user's
# session does.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

# Runs program $1 (the tool by default) holding a window of rtouch's class
# that ignores the close command.
hold() {
    wine "${1:-$TOOL}" hold-window ZRN_RTouch Fennimore 60000 >"$RTOUCH_ARTIFACTS/hold.log" 2>&1 &
    HOLD_PID=$!
    tool wait-window ZRN_RTouch Fennimore 15000 >/dev/null || fail "no stand-in window"
}
unhold() {
    tool send "$(tool wait-window ZRN_RTouch Fennimore 1000)" 0x10 0 0 >/dev/null
    wait "$HOLD_PID"
}

hold
run_setup /S "/LOG=C:\\setup.log"
expect_eq "$SETUP_EXIT" "0" "setup beside another program's window of rtouch's class"
setup_log "$DRIVE_C/setup.log" | grep -q "is not rtouch's: left alone" || fail "the log does not say why the window was left"
run_uninstall
expect_eq "$UNINSTALL_EXIT" "0" "uninstall beside that window"
wait_uninstaller_done
expect_removed
kill -0 "$HOLD_PID" 2>/dev/null && tool wait-window ZRN_RTouch Fennimore 0 >/dev/null ||
    fail "the other program's window did not stay"
echo "ok: another program's window of rtouch's class is left alone"
unhold

run_setup /S
expect_eq "$SETUP_EXIT" "0" "install"
cp "$TOOL" "$INSTDIR_UNIX/rtouch.exe"
sums=$(cd "$INSTDIR_UNIX" && sha256sum *)
hold "$INSTDIR\\rtouch.exe"
start=$SECONDS
run_setup /S
expect_eq "$SETUP_EXIT" "3" "the upgrade beside an rtouch.exe that does not close"
# Given up on its own: the stand-in still holds its window.
kill -0 "$HOLD_PID" 2>/dev/null || fail "setup ended only after the stand-in had gone"
echo "ok: setup gave up after $((SECONDS - start)) s, with the window still there"
expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum *)" "$sums" "installed files untouched by the failed upgrade"
run_uninstall
wait_uninstaller_done
expect_eq "$UNINSTALL_EXIT" "3" "the uninstaller beside an rtouch.exe that does not close"
expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum *)" "$sums" "installed files untouched by the failed uninstall"
unhold

# rtouchctl.exe held open by another process: no window to close, but the
# file cannot be replaced or deleted.
registry=$(registry_state)
hold_file "$INSTDIR\\rtouchctl.exe"
run_setup /S
expect_eq "$SETUP_EXIT" "3" "the upgrade beside a file in use"
expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum *)" "$sums" "installed files untouched by the upgrade"
expect_eq "$(registry_state)" "$registry" "registry untouched by the upgrade"
# In place (_?=, last and unquoted like /D=), so that its exit code comes back.
read -ra in_place <<<"_?=$INSTDIR"
uninstall_exit=0
wine "$INSTDIR\\uninstall.exe" /S "${in_place[@]}" >>"$RTOUCH_ARTIFACTS/setup.log" 2>&1 || uninstall_exit=$?
expect_eq "$uninstall_exit" "3" "the uninstaller beside a file in use"
expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum *)" "$sums" "installed files untouched by the uninstaller"
expect_eq "$(registry_state)" "$registry" "registry untouched by the uninstaller"
kill "$HOLD_PID" 2>/dev/null
wait "$HOLD_PID" 2>/dev/null
true

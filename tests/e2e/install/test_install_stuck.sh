#!/usr/bin/env bash
# A window of rtouch's class that ignores the close command: setup and
# uninstall give up after their bounded wait, with a non-zero exit code,
# and change nothing.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

hold() {
    tool hold-window ZRN_RTouch Fennimore 60000 >"$RTOUCH_ARTIFACTS/hold.log" 2>&1 &
    HOLD_PID=$!
    tool wait-window ZRN_RTouch Fennimore 15000 >/dev/null || fail "no stand-in window"
}

hold
start=$SECONDS
run_setup /S
[ "$SETUP_EXIT" != 0 ] || fail "setup succeeded beside a window that does not close"
echo "ok: setup gave up with exit code $SETUP_EXIT after $((SECONDS - start)) s"
[ $((SECONDS - start)) -le 30 ] || fail "setup waited too long"
[ ! -e "$INSTDIR_UNIX" ] || fail "setup created the install folder"
wine reg query "$UNINSTALL_KEY" >/dev/null 2>&1 && fail "setup wrote the Uninstall entry"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "no Run value"
tool send "$(tool wait-window ZRN_RTouch Fennimore 1000)" 0x10 0 0 >/dev/null
wait "$HOLD_PID"

# Installed, then a stuck window: neither an upgrade nor the uninstaller
# touches the files.
run_setup /S
expect_eq "$SETUP_EXIT" "0" "install without the stand-in"
sums=$(cd "$INSTDIR_UNIX" && sha256sum *)
hold
run_setup /S
[ "$SETUP_EXIT" != 0 ] || fail "the upgrade succeeded beside a window that does not close"
expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum *)" "$sums" "installed files untouched by the failed upgrade"
run_uninstall
wait_uninstaller_done
expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum *)" "$sums" "installed files untouched by the failed uninstall"
expect_installed

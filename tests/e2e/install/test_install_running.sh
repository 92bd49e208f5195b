#!/usr/bin/env bash
# Arches: x64 x86
# Installing over a running rtouch.exe closes it through its tray command,
# replaces the files and has the desktop's shell start the new one (never
# the elevated setup itself); uninstalling while it runs
# closes it and removes everything but a file of the user's own.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

make_user_files
run_setup /S
expect_eq "$SETUP_EXIT" "0" "first install"
start_installed
old=$(rtouch_pids)
[ -n "$old" ] || fail "no running rtouch.exe"

# An older build in place: the upgrade must put the release's files back.
echo "older" >"$INSTDIR_UNIX/rtouchctl.exe"
run_setup /S '/LOG=C:\setup.log'
expect_eq "$SETUP_EXIT" "0" "install over the running program"
for said in "Closing rtouch (process " "Starting rtouch again on this desktop"; do
    setup_log "$DRIVE_C/setup.log" | grep -qF "$said" || fail "the log does not say: $said"
done
rm "$DRIVE_C/setup.log"
wait_pids_gone "$old" 5 || fail "the old rtouch.exe still runs"
echo "ok: the old rtouch.exe is gone"
tool wait-window ZRN_RTouch Fennimore 15000 >/dev/null || fail "no rtouch.exe after the upgrade"
tool wait-tray-icons 1 10000 || fail "no tray icon after the upgrade"
new=$(rtouch_pids)
expect_eq "$(echo "$new" | wc -w)" "1" "one rtouch.exe runs again"
tr '\0' ' ' <"/proc/$new/cmdline" | grep -qF "$INSTDIR\\rtouch.exe" || fail "the new process is not the installed program"
expect_eq "$(tool parent-program "$(tool wait-window ZRN_RTouch Fennimore 1000)" | tr -d '\r')" "explorer.exe" \
    "the shell, not the setup, started rtouch.exe again"
expect_installed
expect_eq "$(reg_query "$RUN_KEY" | tr -d '\r' | grep -c 'rtouch')" "1" "one Run value"
expect_user_files_intact "after the upgrade"

# A map file the user saved into the program's folder.
echo "mine" >"$INSTDIR_UNIX/mine.map"
run_uninstall
wait_pids_gone "$new" 15 || fail "the uninstaller left rtouch.exe running"
echo "ok: the uninstaller closed rtouch.exe"
wait_uninstaller_done
for f in rtouch.exe rtouchctl.exe uninstall.exe; do
    [ ! -e "$INSTDIR_UNIX/$f" ] || fail "$f left"
done
expect_eq "$(cat "$INSTDIR_UNIX/mine.map")" "mine" "the user's file in the folder stays"
rm "$INSTDIR_UNIX/mine.map"
rmdir "$INSTDIR_UNIX"
expect_removed
expect_user_files_intact "after uninstall"
expect_eq "$(rtouch_pids)" "" "nothing started by the uninstaller"

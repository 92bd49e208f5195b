#!/usr/bin/env bash
# The NSIS setup beside copies of rtouch that it cannot close (another
# user's session, stood in for by a mapping of the program file as a
# running copy holds it): the upgrade moves the held file aside, writes a
# new file under its name and leaves the old one to the next restart (exit
# code 3010); the uninstaller removes the rest the same way. The registered
# quiet uninstall returns once it has ended, with its exit code. Run as
# SYSTEM, setup and uninstaller built with NSIS 3.12 or later do their work;
# built with an older one, they refuse before any plug-in is unpacked.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

SESSION_MANAGER='HKLM\System\CurrentControlSet\Control\Session Manager'
inode() { stat -c %i "$INSTDIR_UNIX/$1"; }
# A Unix exit status keeps the low 8 bits of 3010.
RESTART_EXIT=$((3010 % 256))
pending_renames() { reg_query "$SESSION_MANAGER" /v PendingFileRenameOperations | tr -d '\r'; }

# Maps $1 (a file in the install folder) as a running program does.
hold_image() { hold_with hold-image "$INSTDIR\\$1"; }
# Ends the stand-in (its Windows process: ending the shell's job leaves it).
release() {
    local pids
    pids=$(prefix_pids 'e2e_tool\.exe hold-image')
    [ -z "$pids" ] || kill $pids
    wait "$HOLD_PID" 2>/dev/null
    wait_pids_gone "$pids" 10 || fail "the stand-in did not end"
}

run_setup /S
expect_eq "$SETUP_EXIT" "0" "first install"
old=$(inode rtouch.exe)
hold_image rtouch.exe
run_setup /S
expect_eq "$SETUP_EXIT" "$RESTART_EXIT" "upgrade beside a running copy in another session"
expect_installed
[ "$(inode rtouch.exe)" != "$old" ] || fail "the new rtouch.exe was written into the held file"
expect_eq "$(inode rtouch.exe.1.old)" "$old" "the held file moved aside as rtouch.exe.1.old"
pending_renames | grep -qF 'rtouch.exe.1.old' || fail "the old file is not due for deletion at the restart"
echo "ok: the old rtouch.exe goes at the next restart"
release
# The next run removes what the restart did not.
run_setup /S
expect_eq "$SETUP_EXIT" "0" "upgrade with nothing held"
[ ! -e "$INSTDIR_UNIX/rtouch.exe.1.old" ] || fail "the earlier run's old file stays"
expect_installed

hold_image rtouchctl.exe
run_uninstall
expect_eq "$UNINSTALL_EXIT" "$RESTART_EXIT" "uninstall beside a running copy in another session"
[ ! -e "$INSTDIR_UNIX/rtouch.exe" ] && [ ! -e "$INSTDIR_UNIX/rtouchctl.exe" ] || fail "a program file left under its name"
expect_no_key "$UNINSTALL_KEY" "Uninstall entry left"
pending_renames | grep -qF 'rtouchctl.exe.1.old' || fail "the held rtouchctl.exe is not due for deletion at the restart"
echo "ok: removed; the held rtouchctl.exe goes at the next restart"
release
wait_uninstaller_done
rm -rf "$INSTDIR_UNIX"

# Nothing held: when the registered command returns, the programs and the
# registry entries are gone; uninstall.exe and the folder go right after.
run_setup /S
expect_eq "$SETUP_EXIT" "0" "install again"
seen=$(wc -l <"$RTOUCH_ARTIFACTS/setup.log")
WINEDEBUG=-all,trace+file run_uninstall
expect_eq "$UNINSTALL_EXIT" "0" "quiet uninstall exit code"
# The copy that removes uninstall.exe (nsX.tmp\nsX.tmp.exe in the
# temporary folder) runs from a folder that the call creating it
# (disposition 2, FILE_CREATE) gives its descriptor.
calls=$(tail -n +"$((seen + 1))" "$RTOUCH_ARTIFACTS/setup.log" | grep -a 'NtCreateFile')
copy=$(grep -a -o -E 'Temp\\\\ns[^"\\]*\.tmp\\\\ns[^"\\]*\.tmp\.exe"' <<<"$calls" | head -n 1)
[ -n "$copy" ] || fail "no clean-up copy in a folder of its own"
grep -a -F "${copy%\\\\*}\" " <<<"$calls" | grep -a ' disp=2 ' | grep -qv 'sec=(nil)' ||
    fail "the clean-up copy's folder was not created with its descriptor"
echo "ok: the clean-up copy's folder created protected"
[ ! -e "$INSTDIR_UNIX/rtouch.exe" ] && [ ! -e "$INSTDIR_UNIX/rtouchctl.exe" ] || fail "programs left on return"
expect_no_key "$UNINSTALL_KEY" "Uninstall entry left on return"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "no Run value on return"
echo "ok: the uninstall had ended when its command returned"
wait_uninstaller_done
expect_removed

# SYSTEM: the profile folder of the account is the one ProfileList gives
# S-1-5-18 (here made the Wine user's, which Wine never runs as SYSTEM).
run_setup /S
expect_eq "$SETUP_EXIT" "0" "install before the SYSTEM runs"
profile_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\ProfileList\S-1-5-18'
wine reg add "$profile_key" /v ProfileImagePath /t REG_EXPAND_SZ /d "C:\\users\\$WINE_USER" /f /reg:64 >/dev/null ||
    fail "reg add"
temp="$DRIVE_C/users/$WINE_USER/Temp"
before=$(drive_c_listing)
registry=$(registry_state)
# The NSIS that built the setup, from its version information.
nsis=$(/usr/bin/python3 -c '
import re, sys
text = open(sys.argv[1], "rb").read().decode("utf-16-le", "replace")
found = re.search("Built with NSIS v([0-9]+)[.]([0-9]+)", text)
print("%d%03d" % (int(found[1]), int(found[2])) if found else "0")' "$SETUP")
if [ "$nsis" -ge 3012 ]; then
    run_setup /S
    expect_eq "$SETUP_EXIT" "0" "setup as SYSTEM (NSIS 3.12 or later)"
    run_uninstall
    expect_eq "$UNINSTALL_EXIT" "0" "uninstall as SYSTEM (NSIS 3.12 or later)"
    wait_uninstaller_done
    expect_removed
else
    run_setup /S
    expect_eq "$SETUP_EXIT" "6" "setup as SYSTEM"
    run_uninstall
    expect_eq "$UNINSTALL_EXIT" "6" "uninstall as SYSTEM"
    expect_eq "$(find "$temp" -iname '*.dll' | wc -l)" "0" "plug-ins unpacked into the temporary folder"
    diff <(echo "$before") <(drive_c_listing) || fail "drive_c changed"
    expect_eq "$(registry_state)" "$registry" "registry unchanged"
fi
wine reg delete "$profile_key" /f /reg:64 >/dev/null 2>&1

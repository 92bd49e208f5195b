#!/usr/bin/env bash
# /AUTOSTART=0 and /D=DIR; a later install without them upgrades in the
# same folder and turns start at sign-in on. A folder outside Program Files
# gets a protected descriptor before any file goes in (Wine does not keep
# it, so the calls are read from Wine's trace); a folder that cannot take
# it, or that holds files other than rtouch's, stops the setup with exit
# code 4 and nothing installed.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

# Linux refuses to change the mode of /proc/1, so Wine cannot apply the
# descriptor there.
before=$(drive_c_listing)
run_setup /S '/D=Z:\proc\1'
expect_eq "$SETUP_EXIT" "4" "setup into a folder that cannot be protected"
reg_query "$UNINSTALL_KEY" >/dev/null 2>&1 && fail "setup wrote the Uninstall entry"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "no Run value"
[ ! -e /proc/1/rtouch.exe ] || fail "a file went into the folder"
diff <(echo "$before") <(drive_c_listing) || fail "drive_c changed"
echo "ok: nothing installed"

# A folder that holds files of its own keeps its permissions: protecting it
# would re-permission them all through inheritance.
mkdir -p "$DRIVE_C/Tools"
echo "a user's notes" >"$DRIVE_C/Tools/notes.txt"
before=$(drive_c_listing)
run_setup /S '/D=C:\Tools'
expect_eq "$SETUP_EXIT" "4" "setup into a folder that holds other files"
reg_query "$UNINSTALL_KEY" >/dev/null 2>&1 && fail "setup wrote the Uninstall entry"
diff <(echo "$before") <(drive_c_listing) || fail "drive_c changed"
expect_eq "$(cat "$DRIVE_C/Tools/notes.txt")" "a user's notes" "the folder's own file as it was"
rm -r "$DRIVE_C/Tools"

dir='C:\Kiosk Apps\rtouch'
# /D= takes the rest of the command line, unquoted: two words here, which
# wine joins with a space.
SETUP_EXIT=0
WINEDEBUG=-all,trace+security,trace+advapi wine "$SETUP" /S /AUTOSTART=0 '/D=C:\Kiosk' 'Apps\rtouch' \
    >"$RTOUCH_ARTIFACTS/setup-trace-$ARCH.log" 2>&1 || SETUP_EXIT=$?
expect_eq "$SETUP_EXIT" "0" "install exit code"
sddl='O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)'
grep -qF "ConvertStringSecurityDescriptorToSecurityDescriptorW L\"$sddl\", 1," "$RTOUCH_ARTIFACTS/setup-trace-$ARCH.log" ||
    fail "the descriptor string was not converted"
echo "ok: descriptor $sddl (owner Administrators; SYSTEM, Administrators full; Users read and execute; protected)"
# Owner and DACL, protected: 0x80000005.
grep -qF "SetNamedSecurityInfoW L\"C:\\\\Kiosk Apps\\\\rtouch\" 1 -2147483643 " "$RTOUCH_ARTIFACTS/setup-trace-$ARCH.log" ||
    fail "the install folder's owner and protected DACL were not set"
echo "ok: set on the install folder: owner and protected DACL"
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


#!/usr/bin/env bash
# /AUTOSTART=0 and /D=DIR; a later install without them upgrades in the
# same folder and turns start at sign-in on. Outside Program Files, every
# folder the setup creates on the way gets the protected descriptor in the
# call that creates it, and an existing install folder gets it through a
# handle (Wine does not keep descriptors, so the calls are read from its
# trace); a folder that cannot take it, that holds files other than
# rtouch's, or whose parent another user could rename (Wine derives a
# folder's descriptor from its Unix mode: 0777 gives Everyone delete
# rights) stops the setup with exit code 4 and nothing installed.
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

# A folder that holds files of its own (a user's, or a system folder
# directly in Program Files) keeps its permissions: protecting it would
# re-permission them all through inheritance.
mkdir -p "$DRIVE_C/Tools"
echo "a user's notes" >"$DRIVE_C/Tools/notes.txt"
for folder in 'C:\Tools' "C:\\$PROGRAM_FILES\\Common Files"; do
    before=$(drive_c_listing)
    SETUP_EXIT=0
    # Unquoted: /D= takes the rest of the command line, which wine joins.
    WINEDEBUG=-all,trace+file wine "$SETUP" /S /D=$folder >"$RTOUCH_ARTIFACTS/setup-trace-own-$ARCH.log" 2>&1 ||
        SETUP_EXIT=$?
    expect_eq "$SETUP_EXIT" "4" "setup into $folder, which holds other files"
    # Not even opened to change its permissions (WRITE_DAC | WRITE_OWNER).
    grep -F "name=L\"\\\\??\\\\${folder//\\/\\\\}\" " "$RTOUCH_ARTIFACTS/setup-trace-own-$ARCH.log" |
        grep -q 'access=001e0080' && fail "the setup changed the permissions of $folder"
    reg_query "$UNINSTALL_KEY" >/dev/null 2>&1 && fail "setup wrote the Uninstall entry"
    diff <(echo "$before") <(drive_c_listing) || fail "drive_c changed"
done
expect_eq "$(cat "$DRIVE_C/Tools/notes.txt")" "a user's notes" "the folder's own file as it was"
rm -r "$DRIVE_C/Tools"

# A parent folder that any user may rename: the install folder inside it
# could be swapped for a user's own.
mkdir -p "$DRIVE_C/Shared"
chmod 0777 "$DRIVE_C/Shared"
before=$(drive_c_listing)
run_setup /S '/D=C:\Shared\rtouch'
expect_eq "$SETUP_EXIT" "4" "setup below a folder that any user may rename"
reg_query "$UNINSTALL_KEY" >/dev/null 2>&1 && fail "setup wrote the Uninstall entry"
diff <(echo "$before") <(drive_c_listing) || fail "drive_c changed"
echo "ok: nothing installed, no folder created"
rm -r "$DRIVE_C/Shared"

dir='C:\Kiosk Apps\rtouch'
trace=$RTOUCH_ARTIFACTS/setup-trace-$ARCH.log
# /D= takes the rest of the command line, unquoted: two words here, which
# wine joins with a space.
SETUP_EXIT=0
WINEDEBUG=-all,trace+security,trace+file wine "$SETUP" /S /AUTOSTART=0 '/D=C:\Kiosk' 'Apps\rtouch' >"$trace" 2>&1 ||
    SETUP_EXIT=$?
expect_eq "$SETUP_EXIT" "0" "install exit code"
sddl='O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)'
grep -qF "ConvertStringSecurityDescriptorToSecurityDescriptorW L\"$sddl\", 1," "$trace" ||
    fail "the descriptor string was not converted"
echo "ok: descriptor $sddl (owner Administrators; SYSTEM, Administrators full; Users read and execute; protected)"
# The first call that creates each folder (disposition 2, FILE_CREATE)
# carries a descriptor.
for folder in 'C:\\Kiosk Apps' 'C:\\Kiosk Apps\\rtouch'; do
    grep -F 'name=L"\\??\\'"$folder"'" ' "$trace" | grep -m1 ' disp=2 ' | grep -qv 'sec=(nil)' ||
        fail "$folder was created without its descriptor"
done
echo "ok: C:\Kiosk Apps and the install folder each created with the descriptor"
expect_installed "$dir"
[ ! -e "$INSTDIR_UNIX" ] || fail "something went to the default folder"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "no Run value with /AUTOSTART=0"

SETUP_EXIT=0
WINEDEBUG=-all,trace+file wine "$SETUP" /S >"$trace" 2>&1 || SETUP_EXIT=$?
expect_eq "$SETUP_EXIT" "0" "second install exit code"
# READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES (and
# SYNCHRONIZE), without delete sharing.
grep -F 'name=L"\\??\\C:\\Kiosk Apps\\rtouch" ' "$trace" | grep -q 'access=001e0080 .*sharing=00000003' ||
    fail "the existing install folder was not opened to set its descriptor"
echo "ok: the existing install folder protected through a handle"
expect_installed "$dir"
[ ! -e "$INSTDIR_UNIX" ] || fail "the upgrade went to the default folder"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "\"$dir\\rtouch.exe\"" "Run value after the upgrade"

run_setup /S /AUTOSTART=0
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "an upgrade with /AUTOSTART=0 removes the Run value"


#!/usr/bin/env bash
# Arches: x64 x86
# /AUTOSTART=0|1, kept for the next run, and /D=DIR. Every folder the setup
# creates gets the protected descriptor in the call that creates it, and an
# existing install folder gets it through a handle (Wine does not keep
# descriptors, so the calls are read from its trace); a folder that cannot
# take it, that holds files other than rtouch's, whose path another user
# could take over (Wine derives a folder's descriptor from its Unix mode:
# 0777 gives Everyone delete rights; the owner is always the Wine user) or
# a leftover that is not a plain administrators' file stops the setup with
# exit code 4, nothing installed and no folder re-permissioned.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

# Linux refuses to change the mode of /proc/1, so Wine cannot apply the
# descriptor there.
before=$(drive_c_listing)
run_setup /S '/D=Z:\proc\1'
expect_eq "$SETUP_EXIT" "4" "setup into a folder that cannot be protected"
expect_no_key "$UNINSTALL_KEY" "setup wrote the Uninstall entry"
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
    WINEDEBUG=-all,trace+file wine "$SETUP" "${SETUP_ARGS[@]}" /S /D=$folder >"$RTOUCH_ARTIFACTS/setup-trace-own-$ARCH.log" 2>&1 ||
        SETUP_EXIT=$?
    expect_eq "$SETUP_EXIT" "4" "setup into $folder, which holds other files"
    # Not even opened to change its permissions (WRITE_DAC | WRITE_OWNER).
    grep -F "name=L\"\\\\??\\\\${folder//\\/\\\\}\" " "$RTOUCH_ARTIFACTS/setup-trace-own-$ARCH.log" |
        grep -q 'access=001e0080' && fail "the setup changed the permissions of $folder"
    expect_no_key "$UNINSTALL_KEY" "setup wrote the Uninstall entry"
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
expect_no_key "$UNINSTALL_KEY" "setup wrote the Uninstall entry"
diff <(echo "$before") <(drive_c_listing) || fail "drive_c changed"
echo "ok: nothing installed, no folder created"
rm -r "$DRIVE_C/Shared"

# Outside Program Files every folder of the path, the install folder too,
# must belong to SYSTEM, Administrators or TrustedInstaller. Wine makes the
# Wine user the owner of every folder, as Windows does for a folder that
# an administrator made unelevated: refused, nothing created.
run_setup /S '/D=C:\Kiosk\rtouch'
expect_eq "$SETUP_EXIT" "4" "setup below a folder that belongs to the installing account"
[ ! -e "$DRIVE_C/Kiosk" ] || fail "the setup created C:\Kiosk"
expect_no_key "$UNINSTALL_KEY" "setup wrote the Uninstall entry"
echo "ok: nothing installed, no folder created"

trace=$RTOUCH_ARTIFACTS/setup-trace-$ARCH.log
SETUP_EXIT=0
WINEDEBUG=-all,trace+security,trace+file wine "$SETUP" "${SETUP_ARGS[@]}" /S /AUTOSTART=0 >"$trace" 2>&1 || SETUP_EXIT=$?
expect_eq "$SETUP_EXIT" "0" "install exit code"
sddl='O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)'
grep -qF "ConvertStringSecurityDescriptorToSecurityDescriptorW L\"$sddl\", 1," "$trace" ||
    fail "the descriptor string was not converted"
echo "ok: descriptor $sddl (owner Administrators; SYSTEM, Administrators full; Users read and execute; protected)"
# The first call that creates the folder (disposition 2, FILE_CREATE)
# carries a descriptor.
grep -F 'name=L"\\??\\'"${INSTDIR//\\/\\\\}"'" ' "$trace" | grep -m1 ' disp=2 ' | grep -qv 'sec=(nil)' ||
    fail "the install folder was created without its descriptor"
echo "ok: the install folder created with the descriptor"
expect_installed
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "no Run value with /AUTOSTART=0"
expect_eq "$(reg_value 'HKLM\Software\rtouch' AutoStart)" "0" "the choice kept"

# Without options the kept choice holds; the command line wins over it and
# is kept in turn.
SETUP_EXIT=0
WINEDEBUG=-all,trace+file wine "$SETUP" "${SETUP_ARGS[@]}" /S >"$trace" 2>&1 || SETUP_EXIT=$?
expect_eq "$SETUP_EXIT" "0" "second install exit code"
# READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES (and
# SYNCHRONIZE), without delete sharing.
grep -F 'name=L"\\??\\'"${INSTDIR//\\/\\\\}"'" ' "$trace" | grep -q 'access=001e0080 .*sharing=00000003' ||
    fail "the existing install folder was not opened to set its descriptor"
echo "ok: the existing install folder protected through a handle"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "an upgrade without options keeps /AUTOSTART=0"
run_setup /S /AUTOSTART=1
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "\"$INSTDIR\\rtouch.exe\"" "Run value with /AUTOSTART=1"
run_setup /S
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "\"$INSTDIR\\rtouch.exe\"" "Run value kept by an upgrade without options"
run_setup /S /AUTOSTART=0
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "an upgrade with /AUTOSTART=0 removes the Run value"

# An installation of 1.0 kept no choice: its Run value decides (here none),
# and the log says so.
wine reg delete 'HKLM\Software\rtouch' /v AutoStart /f "$REG_VIEW" >/dev/null || fail "reg delete"
run_setup /S '/LOG=C:\setup.log'
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "an upgrade from 1.0 without a Run value keeps start at sign-in off"
setup_log "$DRIVE_C/setup.log" | grep -qF 'Start at sign-in off: the earlier installation kept no choice: its Run value.' ||
    fail "the log does not give the choice's reason"
setup_log "$DRIVE_C/setup.log" | tail -n 1 | grep -qx 'exit code 0' || fail "the log does not end with the exit code"

# A newer installation: refused (exit code 9) with nothing changed, unless
# /ALLOWDOWNGRADE.
wine reg add "$UNINSTALL_KEY" /v DisplayVersion /d 9.0.0 /f "$REG_VIEW" >/dev/null || fail "reg add"
sums=$(cd "$INSTDIR_UNIX" && sha256sum ./*)
state=$(registry_state)
run_setup /S
expect_eq "$SETUP_EXIT" "9" "the setup over a newer installation"
expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum ./*)" "$sums" "files untouched by the refused downgrade"
expect_eq "$(registry_state)" "$state" "registry untouched by the refused downgrade"
run_setup /S /ALLOWDOWNGRADE
expect_eq "$SETUP_EXIT" "0" "the downgrade asked for"
expect_eq "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" "$VERSION" "this version installed"

# /PARAMETERS=FILE: a file that fails rtouchctl's check (zeros: no
# calibration) stops the setup with exit code 10, nothing changed; the
# defaults' block is put in place by rtouchctl keep; an upgrade without
# the switch leaves it.
mkdir -p "$DRIVE_C/kit"
head -c 180 /dev/zero >"$DRIVE_C/kit/bad.dat"
wine "$INSTDIR\\rtouchctl.exe" params --params 'C:\no-such-file.dat' --orientation 0 --hex 2>/dev/null | tr -d '\r' |
    xxd -r -p >"$DRIVE_C/kit/good.dat"
rm -f "$PARAMS_FILE"
state=$(registry_state)
run_setup /S '/PARAMETERS=C:\kit\bad.dat'
expect_eq "$SETUP_EXIT" "10" "the setup with a parameters file that fails the check"
[ ! -e "$PARAMS_FILE" ] || fail "the refused parameters file was put in place"
expect_eq "$(registry_state)" "$state" "registry untouched by the refused parameters file"
for options in '/PARAMETERS=C:\kit\good.dat' ''; do
    # shellcheck disable=SC2086
    run_setup /S $options
    expect_eq "$SETUP_EXIT" "0" "the setup with '$options'"
    cmp -s "$DRIVE_C/kit/good.dat" "$PARAMS_FILE" || fail "the parameters file after the setup with '$options'"
done
echo "ok: /PARAMETERS= checked first, put in place, kept by an upgrade without it"

# Another name of a user's file elsewhere (a hard link) in the install
# folder stops the setup with exit code 4: a leftover of an earlier run
# before the setup changes anything, a program file once the setup has
# protected the folder, which then gets its earlier descriptor back through
# a second handle (Wine keeps no descriptor to compare).
echo "a user's file" >"$DRIVE_C/linked.txt"
ln "$DRIVE_C/linked.txt" "$INSTDIR_UNIX/rtouch.exe.1.old"
protect_handles() {
    grep -F 'name=L"\\??\\'"${INSTDIR//\\/\\\\}"'" ' "$trace" | grep -c 'access=001e0080'
}
for file in rtouch.exe.1.old rtouch.exe; do
    if [ "$file" = rtouch.exe ]; then
        rm "$INSTDIR_UNIX/rtouch.exe.1.old" "$INSTDIR_UNIX/rtouch.exe"
        ln "$DRIVE_C/linked.txt" "$INSTDIR_UNIX/rtouch.exe"
    fi
    sums=$(cd "$INSTDIR_UNIX" && sha256sum ./*)
    SETUP_EXIT=0
    WINEDEBUG=-all,trace+file wine "$SETUP" "${SETUP_ARGS[@]}" /S >"$trace" 2>&1 || SETUP_EXIT=$?
    expect_eq "$SETUP_EXIT" "4" "setup beside $file, a hard link"
    expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum ./*)" "$sums" "the install folder's files"
    [ "$file" = rtouch.exe ] || expect_eq "$(protect_handles)" "0" "handles to protect the folder"
done
expect_eq "$(protect_handles)" "2" "handles to set the install folder's descriptor (protect, put back)"

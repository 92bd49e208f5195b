#!/usr/bin/env bash
# Kinds: msi
# The package's life on a fleet machine: refused beside the setup program's
# installation and for a folder outside Program Files; an older build,
# then this one with AUTOSTART=0 as a major upgrade while a program file is
# in use (3010; after the restart one entry, the release's files, no Run
# value); the older build again refused as a
# downgrade with nothing changed; the uninstall leaves drive_c and the
# registry as before.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"
source "$RTOUCH_ROOT/scripts/lib/msi.sh"

# An older build of the same package: version 0.9, its rtouchctl.exe not
# the release's, so that the upgrade has to replace it.
OLD_VERSION=0.9
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && /usr/bin/python3 -m zipfile -e "$RTOUCH_DIST/rtouch-$VERSION-$ARCH.zip" .)
echo "older" >>"$work/rtouchctl.exe"
cp "$RTOUCH_BUILD/shell/resources/rtouch_large.ico" "$work/rtouch.ico"
build_msi "$OLD_VERSION" "$ARCH" "$work" "$work/old.msi" || fail "could not build the older package"
old_msi=$(winepath -w "$work/old.msi")

make_user_files
before=$(drive_c_listing)
registry=$(registry_state)

# Beside the setup program's installation: two owners of one folder.
run_setup /S
expect_eq "$SETUP_EXIT" "0" "the setup program's install"
sums=$(cd "$INSTDIR_UNIX" && sha256sum *)
install_quiet
expect_eq "$SETUP_EXIT" "1603" "the package beside the setup program's installation"
expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum *)" "$sums" "the setup program's files untouched"
[ -z "$(uninstall_key)" ] || fail "the package registered itself"
run_uninstall
wait_uninstaller_done

run_msiexec /i "$(winepath -w "$MSI")" /qn 'INSTALLDIR=C:\Kiosk\rtouch'
expect_eq "$SETUP_EXIT" "1603" "INSTALLDIR outside Program Files"
[ ! -e "$DRIVE_C/Kiosk" ] || fail "the package created C:\\Kiosk"
[ ! -e "$INSTDIR_UNIX" ] || fail "the package installed into Program Files"
diff <(echo "$before") <(drive_c_listing) || fail "drive_c changed"
echo "ok: refused with nothing installed"

run_msiexec /i "$old_msi" /qn
expect_eq "$SETUP_EXIT" "0" "the older build's install"
expect_eq "$(reg_value "$(uninstall_key)" DisplayVersion)" "$OLD_VERSION" "the older build installed"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "\"$INSTDIR\\rtouch.exe\"" "Run value of the older build"

# rtouchctl.exe held open, as by a copy in another session: Windows
# Installer writes the new file beside it and asks for a restart, which
# puts it in place; the new version is registered at once.
hold_file "$INSTDIR\\rtouchctl.exe"
install_quiet 0
expect_eq "$SETUP_EXIT" "3010" "the upgrade beside a file in use: done at the next restart"
expect_eq "$(reg_value "$(uninstall_key)" DisplayVersion)" "$VERSION" "this version registered"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "an upgrade with AUTOSTART=0 removes the Run value"
kill "$HOLD_PID" 2>/dev/null
wait "$HOLD_PID" 2>/dev/null
wine wineboot -r >>"$RTOUCH_ARTIFACTS/setup.log" 2>&1 || fail "the restart failed"
expect_installed

sums=$(cd "$INSTDIR_UNIX" && sha256sum *)
state=$(registry_state)
run_msiexec /i "$old_msi" /qn
expect_eq "$SETUP_EXIT" "1603" "the older build over this one"
expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum *)" "$sums" "files untouched by the refused downgrade"
expect_eq "$(registry_state)" "$state" "registry untouched by the refused downgrade"
grep -aq 'WIX_DOWNGRADE_DETECTED' "$RTOUCH_ARTIFACTS/msiexec-$ARCH-$MSIEXEC_RUNS.log" ||
    fail "no downgrade in the log"
echo "ok: downgrade refused"

uninstall_quiet
expect_eq "$SETUP_EXIT" "0" "uninstall exit code"
expect_removed
expect_user_files_intact "after uninstall"
diff <(echo "$before") <(drive_c_listing) || fail "drive_c differs after install and uninstall"
expect_eq "$(registry_state)" "$registry" "registry values as before"
echo "ok: drive_c listing as before"

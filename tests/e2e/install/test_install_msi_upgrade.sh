#!/usr/bin/env bash
# Kinds: msi
# Arches: x64 x86
# The package's life on a fleet machine: refused for a folder outside
# Program Files; an older build, then this one with AUTOSTART=0 as a major
# upgrade while a program file is in use (3010; after the restart one
# entry, the release's files, no Run value); what detection rules see (the
# UpgradeCode's one product, the file version, msiexec /x of the older
# package); the same package again changes nothing; the older build again
# refused as a downgrade with nothing changed; msiexec /x of the package
# leaves drive_c and the registry as before. The x86 package, which the
# runner has only a 64-bit prefix for, is refused there with nothing changed.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"
source "$RTOUCH_ROOT/scripts/lib/msi.sh"

if [ "$ARCH" = x86 ]; then
    before=$(drive_c_listing)
    registry=$(registry_state)
    run_msiexec /i "$(winepath -w "$MSI")" /qn /norestart
    # (Wine's log leaves out a launch condition's message.)
    expect_eq "$SETUP_EXIT" "1603" "the x86 package on 64-bit Windows"
    diff <(echo "$before") <(drive_c_listing) || fail "drive_c changed"
    expect_eq "$(registry_state)" "$registry" "registry untouched"
    echo "ok: the x86 package refused on 64-bit Windows, nothing changed"
    exit 0
fi

# An older build of the same package: build 0, its rtouchctl.exe not the
# release's, so that the upgrade has to replace it.
OLD_VERSION=${VERSION%.*}.0
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

# Detection: the UpgradeCode (packed as Windows Installer writes it) has
# this build alone, rtouch.exe has this build's version, the older
# package is no longer installed.
packed() { /usr/bin/python3 -c 'import sys; h = sys.argv[1].strip("{}").replace("-", "")
print("".join(h[a:b][::-1] for a, b in ((0, 8), (8, 12), (12, 16))) + "".join(h[i + 1] + h[i] for i in range(16, 32, 2)))' "$1"; }
product_of() { msiinfo export "$1" Property | tr -d '\r' | awk -F '\t' -v p="$2" '$1 == p { print $2 }'; }
codes_key="HKLM\\Software\\Classes\\Installer\\UpgradeCodes\\$(packed "$(product_of "$MSI" UpgradeCode)")"
expect_eq "$(reg_query "$codes_key" | tr -d '\r' | awk '$2 ~ /^REG_/ { print $1 }')" \
    "$(packed "$(product_of "$MSI" ProductCode)")" "the UpgradeCode's products"
expect_eq "$(/usr/bin/python3 -c 'import sys, pefile; f = pefile.PE(sys.argv[1]).VS_FIXEDFILEINFO[0]
print(f"{f.FileVersionMS >> 16}.{f.FileVersionMS & 65535}.{f.FileVersionLS >> 16}")' "$INSTDIR_UNIX/rtouch.exe")" \
    "$VERSION" "rtouch.exe's file version"
# Windows answers 1605 (not installed); Wine runs the older package, whose
# downgrade refusal answers 1603. Either way this build stays.
run_msiexec /x "$old_msi" /qn
[[ $SETUP_EXIT == 1605 || $SETUP_EXIT == 1603 ]] || fail "msiexec /x of the older package: $SETUP_EXIT"
expect_installed
run_msiexec /i "$(winepath -w "$MSI")" /qn /norestart
expect_eq "$SETUP_EXIT" "0" "the same package again"
expect_installed
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "the same package again keeps the Run value off"

sums=$(cd "$INSTDIR_UNIX" && sha256sum *)
state=$(registry_state)
run_msiexec /i "$old_msi" /qn
expect_eq "$SETUP_EXIT" "1603" "the older build over this one"
expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum *)" "$sums" "files untouched by the refused downgrade"
expect_eq "$(registry_state)" "$state" "registry untouched by the refused downgrade"
grep -aq 'WIX_DOWNGRADE_DETECTED' "$RTOUCH_ARTIFACTS/msiexec-$ARCH-$MSIEXEC_RUNS.log" ||
    fail "no downgrade in the log"
echo "ok: downgrade refused"

expect_msi_removal_clean "$before" "$registry" "the upgrades"
echo "ok: drive_c listing as before"

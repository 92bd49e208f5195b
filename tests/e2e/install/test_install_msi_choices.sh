#!/usr/bin/env bash
# Kinds: msi
# An administrator's choice of start at sign-in lasts: an older build
# installed with it, then this build without it keeps it (stored under
# HKLM\Software\rtouch); the command line wins over the stored choice; a
# transform written by scripts/msi-transform sets it where no command line
# can (Group Policy). Table-driven; each case ends with the removal, after
# which nothing is left.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"
source "$RTOUCH_ROOT/scripts/lib/msi.sh"

CHOICES_KEY='HKLM\Software\rtouch'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && /usr/bin/python3 -m zipfile -e "$RTOUCH_DIST/rtouch-$VERSION-$ARCH.zip" .)
cp "$RTOUCH_BUILD/shell/resources/rtouch_large.ico" "$work/rtouch.ico"
build_msi 1.0.0 "$ARCH" "$work" "$work/old.msi" || fail "could not build the older package"
old_msi=$(winepath -w "$work/old.msi")
"$RTOUCH_ROOT/scripts/msi-transform" "$MSI" "$work/off.mst" AUTOSTART=0 || fail "could not write the transform"
transform=$(winepath -w "$work/off.mst")

before=$(drive_c_listing)
registry=$(registry_state)

# the older build's options | this build's options | Run value and stored choice after
cases=(
    "AUTOSTART=0||"
    "||1"
    "AUTOSTART=0|AUTOSTART=1|1"
    "|TRANSFORMS=$transform|"
)
for entry in "${cases[@]}"; do
    IFS='|' read -r old_options new_options want <<<"$entry"
    # shellcheck disable=SC2086
    run_msiexec /i "$old_msi" /qn /norestart $old_options
    expect_eq "$SETUP_EXIT" "0" "the older build ($old_options)"
    # shellcheck disable=SC2086
    run_msiexec /i "$(winepath -w "$MSI")" /qn /norestart $new_options
    expect_eq "$SETUP_EXIT" "0" "this build ($new_options) over the older one ($old_options)"
    expect_eq "$(reg_value "$(uninstall_key)" DisplayVersion)" "$VERSION" "this build installed"
    expect_eq "$(reg_value "$RUN_KEY" rtouch)" "${want:+\"$INSTDIR\\rtouch.exe\"}" \
        "Run value after '$old_options', then '$new_options'"
    expect_eq "$(reg_value "$CHOICES_KEY" AutoStart)" "${want:-0}" "the stored choice"

    run_msiexec /x "$(winepath -w "$MSI")" /qn /norestart
    expect_eq "$SETUP_EXIT" "0" "the removal"
    expect_removed
    expect_no_key "$CHOICES_KEY" "$CHOICES_KEY left"
    diff <(echo "$before") <(drive_c_listing) || fail "drive_c differs after the removal"
    expect_eq "$(registry_state)" "$registry" "registry values as before"
done
echo "ok: start at sign-in as chosen last"

# PARAMETERSFILE: a file that fails rtouchctl's check fails the install
# with nothing changed; a good one is installed by the older build, kept
# by the upgrade that names none, and left by the removal.
params="$DRIVE_C/windows/ZRNParameters.dat"
wine "$work/rtouchctl.exe" params --hex 2>/dev/null | tr -d '\r' | xxd -r -p >"$work/good.dat"
[ "$(stat -c %s "$work/good.dat")" = 180 ] || fail "no default block to install"
head -c 180 /dev/urandom >"$work/bad.dat"
run_msiexec /i "$(winepath -w "$MSI")" /qn /norestart "PARAMETERSFILE=$(winepath -w "$work/bad.dat")"
# Windows ends a failed custom action with 1603, Wine with 1627.
[[ $SETUP_EXIT == 1603 || $SETUP_EXIT == 1627 ]] || fail "a parameters file that fails the check: $SETUP_EXIT"
diff <(echo "$before") <(drive_c_listing) || fail "drive_c changed by the refused install"
expect_eq "$(registry_state)" "$registry" "registry untouched by the refused install"
run_msiexec /i "$old_msi" /qn /norestart "PARAMETERSFILE=$(winepath -w "$work/good.dat")"
expect_eq "$SETUP_EXIT" "0" "the older build with a parameters file"
cmp -s "$work/good.dat" "$params" || fail "the parameters file was not installed"
run_msiexec /i "$(winepath -w "$MSI")" /qn /norestart
expect_eq "$SETUP_EXIT" "0" "the upgrade without a parameters file"
cmp -s "$work/good.dat" "$params" || fail "the upgrade changed the parameters file"
run_msiexec /x "$(winepath -w "$MSI")" /qn /norestart
cmp -s "$work/good.dat" "$params" || fail "the removal took the parameters file"
echo "ok: PARAMETERSFILE checked, installed, kept and left"

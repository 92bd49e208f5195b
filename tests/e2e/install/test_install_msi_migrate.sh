#!/usr/bin/env bash
# Kinds: msi
# A machine that has the setup program's installation moves to the package
# by one quiet msiexec: the setup's uninstaller, programs-list
# entry and shortcut go, its choice of start at sign-in carries over, one
# programs-list entry is left; the package's removal then leaves drive_c
# and the registry as before the setup. Table-driven: with start at sign-in
# and without it, and the x86 setup of a release that still installed on
# 64-bit Windows (one owner: its folder, its 32-bit registry view's entry,
# Run value and choice go too). After each move a repair brings back a
# deleted Run value and shortcut, and only as chosen. (A setup in another
# folder cannot be had under Wine, where every folder belongs to the user
# and the setup refuses it.)
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

SETUP_SHORTCUT="$DRIVE_C/ProgramData/Microsoft/Windows/Start Menu/Programs/rtouch.lnk"
make_user_files
before=$(drive_c_listing)
registry=$(registry_state)

# The x86 setup's folder and registry view on 64-bit Windows.
SETUP32_DIR_UNIX="$DRIVE_C/Program Files (x86)/rtouch"
reg32_value() { REG_VIEW=/reg:32 reg_value "$@"; }

# setup architecture | setup options | Run value expected after the move
cases=(
    "x64|/S|yes"
    "x64|/S /AUTOSTART=0|no"
    "x86|/S /ALLOWX86ON64=1|yes"
)
for entry in "${cases[@]}"; do
    IFS='|' read -r setup_arch options run <<<"$entry"
    # shellcheck disable=SC2086
    SETUP="$RTOUCH_DIST/rtouch-$VERSION-$setup_arch-setup.exe" run_setup $options
    expect_eq "$SETUP_EXIT" "0" "the $setup_arch setup program's install ($options)"
    setup_dir=$INSTDIR_UNIX
    [ "$setup_arch" = x86 ] && setup_dir=$SETUP32_DIR_UNIX
    [ -f "$setup_dir/uninstall.exe" ] || fail "no uninstall.exe from the setup program"

    install_quiet
    [[ $SETUP_EXIT == 0 || $SETUP_EXIT == 3010 ]] || fail "the package over the setup program's install: $SETUP_EXIT"
    expect_installed
    # No uninstall.exe: the programs alone.
    expect_eq "$(cd "$INSTDIR_UNIX" && echo *)" "rtouch.exe rtouchctl.exe" "the install folder's files"
    expect_no_key "$UNINSTALL_KEY" "the setup program's programs-list entry left"
    [ ! -e "$SETUP_SHORTCUT" ] || fail "the setup program's shortcut left"
    [ ! -e "$SETUP32_DIR_UNIX" ] || fail "the x86 setup's folder left: $(ls -A "$SETUP32_DIR_UNIX")"
    expect_eq "$(REG_VIEW=/reg:32 reg_query "$UNINSTALL_ROOT" /s | tr -d '\r' | grep -c 'DisplayName *REG_SZ *rtouch$')" \
        "0" "no programs-list entry in the 32-bit view"
    expect_eq "$(reg32_value "$RUN_KEY" rtouch)$(reg32_value 'HKLM\Software\rtouch' AutoStart)" "" \
        "no Run value or choice in the 32-bit view"
    want_run=
    [ "$run" = yes ] && want_run="\"$INSTDIR\\rtouch.exe\""
    expect_eq "$(reg_value "$RUN_KEY" rtouch)" "$want_run" "start at sign-in taken over"
    echo "ok: the package took over the $setup_arch setup program's install ($options)"

    # The documented repair (Wine's msiexec takes /f with a package
    # path as no product: the same request through the properties).
    wine reg delete "$RUN_KEY" /v rtouch /f "$REG_VIEW" >/dev/null 2>&1
    rm -f "$SHORTCUT"
    run_msiexec /i "$(winepath -w "$MSI")" REINSTALL=ALL REINSTALLMODE=amus /qn /norestart
    expect_eq "$SETUP_EXIT" "0" "the repair"
    expect_installed
    expect_eq "$(reg_value "$RUN_KEY" rtouch)" "$want_run" "the repair's Run value"
    expect_eq "$(reg_value 'HKLM\Software\rtouch' AutoStart)" "$([ "$run" = yes ] && echo 1 || echo 0)" \
        "the repair's stored choice"
    echo "ok: the repair restored the shortcut and the Run value as chosen"

    expect_msi_removal_clean "$before" "$registry" "the $setup_arch setup ($options) and the package"
    echo "ok: nothing left"
done

# An x86 package of a release that installed on 64-bit Windows (with
# ALLOWX86ON64=1; built here without its refusal), then this package: the
# x86 product is removed within the install, one programs-list entry.
source "$RTOUCH_ROOT/scripts/lib/msi.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && /usr/bin/python3 -m zipfile -e "$RTOUCH_DIST/rtouch-$VERSION-x86.zip" .)
cp "$RTOUCH_BUILD/shell/resources/rtouch_large.ico" "$work/rtouch.ico"
build_msi "${VERSION%.*}.0" x86 "$work" "$work/x86.msi" || fail "could not build the x86 package"
msibuild "$work/x86.msi" -q "DELETE FROM LaunchCondition WHERE Condition = 'NOT VersionNT64'" || fail "could not take the refusal out"
run_msiexec /i "$(winepath -w "$work/x86.msi")" /qn /norestart
expect_eq "$SETUP_EXIT" "0" "the x86 package on 64-bit Windows"
[ -f "$SETUP32_DIR_UNIX/rtouch.exe" ] || fail "the x86 package installed no rtouch.exe"
install_quiet
expect_eq "$SETUP_EXIT" "0" "this package over the x86 one"
expect_installed
[ ! -e "$SETUP32_DIR_UNIX" ] || fail "the x86 package's folder left"
expect_eq "$(reg32_value "$RUN_KEY" rtouch)" "" "the x86 package's Run value"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "\"$INSTDIR\\rtouch.exe\"" "this package's Run value"
echo "ok: the x64 package took the x86 package's place"
expect_msi_removal_clean "$before" "$registry" "the x86 package and this one"

#!/usr/bin/env bash
# Kinds: msi
# A machine that has the setup program's installation moves to the package
# by one quiet msiexec: the setup's uninstaller, programs-list
# entry and shortcut go, its choice of start at sign-in carries over, one
# programs-list entry is left; the package's removal then leaves drive_c
# and the registry as before the setup. Table-driven: with start at sign-in
# and without it. (A setup in another folder cannot be had under Wine, where
# every folder belongs to the user and the setup refuses it.)
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

SETUP_SHORTCUT="$DRIVE_C/ProgramData/Microsoft/Windows/Start Menu/Programs/rtouch.lnk"
make_user_files
before=$(drive_c_listing)
registry=$(registry_state)

# setup options | Run value expected after the move
cases=(
    "/S|yes"
    "/S /AUTOSTART=0|no"
)
for entry in "${cases[@]}"; do
    IFS='|' read -r options run <<<"$entry"
    # shellcheck disable=SC2086
    run_setup $options
    expect_eq "$SETUP_EXIT" "0" "the setup program's install ($options)"
    [ -f "$INSTDIR_UNIX/uninstall.exe" ] || fail "no uninstall.exe from the setup program"

    install_quiet
    [[ $SETUP_EXIT == 0 || $SETUP_EXIT == 3010 ]] || fail "the package over the setup program's install: $SETUP_EXIT"
    expect_installed
    # No uninstall.exe: the programs alone.
    expect_eq "$(cd "$INSTDIR_UNIX" && echo *)" "rtouch.exe rtouchctl.exe" "the install folder's files"
    expect_no_key "$UNINSTALL_KEY" "the setup program's programs-list entry left"
    [ ! -e "$SETUP_SHORTCUT" ] || fail "the setup program's shortcut left"
    if [ "$run" = yes ]; then
        expect_eq "$(reg_value "$RUN_KEY" rtouch)" "\"$INSTDIR\\rtouch.exe\"" "Run value taken over"
    else
        expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "start at sign-in stays off"
    fi
    echo "ok: the package took over the setup program's install ($options)"

    expect_msi_removal_clean "$before" "$registry" "the setup ($options) and the package"
    echo "ok: nothing left"
done

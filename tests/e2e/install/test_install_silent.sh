#!/usr/bin/env bash
# Kinds: nsis msi
# Arches: x64 x86
# Silent install into a fresh prefix and silent uninstall: everything the
# installer puts down, checked from outside; afterwards drive_c and the
# registry are as before and the user's parameters and map files never
# changed. The setup program refuses where the package is installed.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

# The runner's prefix is 64-bit Windows, which the x86 package refuses
# (test_install_msi_upgrade checks that refusal).
if [ "$KIND:$ARCH" = msi:x86 ]; then
    echo "ok: nothing to install: the x86 package is for 32-bit Windows"
    exit 0
fi

make_user_files
before=$(drive_c_listing)
registry=$(registry_state)

install_quiet
expect_eq "$SETUP_EXIT" "0" "silent install exit code"
expect_installed
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "\"$INSTDIR\\rtouch.exe\"" "Run value: start at sign-in"
# Nothing ran before, so a silent install starts nothing.
expect_eq "$(rtouch_pids)" "" "no rtouch.exe started"
expect_user_files_intact "after install"
if [ "$KIND" = msi ]; then
    # The setup program where the package is installed: refused (exit code
    # 7), the package's files and its one programs-list entry as they were.
    sums=$(cd "$INSTDIR_UNIX" && sha256sum ./*)
    run_setup /S
    expect_eq "$SETUP_EXIT" "7" "the setup program where the package is installed"
    expect_eq "$(cd "$INSTDIR_UNIX" && sha256sum ./*)" "$sums" "the package's files"
    expect_no_key "$UNINSTALL_KEY" "the setup program added a programs-list entry"
    expect_eq "$(reg_value "$RUN_KEY" rtouch)" "\"$INSTDIR\\rtouch.exe\"" "the package's Run value"
fi

uninstall_quiet
[ "$KIND" = nsis ] || expect_eq "$SETUP_EXIT" "0" "silent uninstall exit code"
expect_removed
expect_user_files_intact "after uninstall"
diff <(echo "$before") <(drive_c_listing) || fail "drive_c differs after install and uninstall"
echo "ok: drive_c listing as before"
expect_eq "$(registry_state)" "$registry" "registry values as before"

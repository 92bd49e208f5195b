#!/usr/bin/env bash
# Kinds: nsis msi
# Arches: x64 x86
# Silent install into a fresh prefix and silent uninstall: everything the
# installer puts down, checked from outside; afterwards drive_c and the
# registry are as before and the user's parameters and map files never
# changed. The setup program refuses where the package is installed. One
# setup installation per machine: the x86 setup refuses 64-bit Windows
# unless told; the x64 setup takes over the x86 one's.
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

[ "$KIND" = nsis ] || exit 0
if [ "$ARCH" = x86 ]; then
    SETUP_EXIT=0
    wine "$SETUP" /S >>"$RTOUCH_ARTIFACTS/setup.log" 2>&1 || SETUP_EXIT=$?
    expect_eq "$SETUP_EXIT" "8" "the x86 setup on 64-bit Windows"
    diff <(echo "$before") <(drive_c_listing) || fail "drive_c changed"
    exit 0
fi
source "$RTOUCH_ROOT/scripts/lib/deps.sh"
reason=$(rtouch_wine32_skip_reason)
[ -z "$reason" ] || { echo "skip: the x86 setup needs 32-bit Wine ($reason)"; exit 0; }
x86_dir="$DRIVE_C/Program Files (x86)/rtouch"
SETUP_EXIT=0
wine "$RTOUCH_DIST/rtouch-$VERSION-x86-setup.exe" /S /ALLOWX86ON64=1 /AUTOSTART=0 >>"$RTOUCH_ARTIFACTS/setup.log" 2>&1 ||
    SETUP_EXIT=$?
expect_eq "$SETUP_EXIT" "0" "the x86 setup with /ALLOWX86ON64=1"
[ -f "$x86_dir/uninstall.exe" ] || fail "no x86 installation"
install_quiet
expect_eq "$SETUP_EXIT" "0" "the x64 setup over the x86 one's installation"
expect_installed
[ ! -e "$x86_dir" ] || fail "the x86 installation's folder left: $(ls -A "$x86_dir")"
REG_VIEW=/reg:32 expect_no_key "$UNINSTALL_KEY" "the x86 programs-list entry left"
expect_eq "$(REG_VIEW=/reg:32 reg_value 'HKLM\Software\rtouch' AutoStart)" "" "the x86 choice left"
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "the x86 installation's choice (no start at sign-in) taken over"
uninstall_quiet
expect_removed
diff <(echo "$before") <(drive_c_listing) || fail "drive_c differs after the takeover and the uninstall"
echo "ok: the x64 setup took over the x86 one's installation"

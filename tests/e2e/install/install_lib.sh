# Helpers for the installer tests; sourced by tests/e2e/install/test_*.sh.
# Every wait polls with a time limit; nothing sleeps for a fixed time.
set -u
source "$RTOUCH_ROOT/tests/e2e/assert_lib.sh"

WINE_USER=$(id -un)

TOOL="$RTOUCH_BUILD/tests/e2e/e2e_tool.exe"
VERSION=$(sed -n 's/^project(rtouch VERSION \([0-9.]*\).*/\1/p' "$RTOUCH_ROOT/CMakeLists.txt")
# The package under test (run.sh runs every test for each): its Program
# Files folder and registry view in a 64-bit prefix. With 32-bit Wine
# installed a plain `wine reg` sees the 32-bit view only, so every query
# names its view.
ARCH=${RTOUCH_INSTALL_ARCH:-x64}
case $ARCH in
    x64) PROGRAM_FILES='Program Files' REG_VIEW=/reg:64 ;;
    x86) PROGRAM_FILES='Program Files (x86)' REG_VIEW=/reg:32 ;;
    *) fail "unknown architecture $ARCH" ;;
esac
SETUP="$RTOUCH_DIST/rtouch-$VERSION-$ARCH-setup.exe"
DRIVE_C="$WINEPREFIX/drive_c"
INSTDIR="C:\\$PROGRAM_FILES\\rtouch"
INSTDIR_UNIX="$DRIVE_C/$PROGRAM_FILES/rtouch"
SHORTCUT="$DRIVE_C/ProgramData/Microsoft/Windows/Start Menu/Programs/rtouch.lnk"
RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
UNINSTALL_ROOT='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
UNINSTALL_KEY="$UNINSTALL_ROOT\\rtouch"
# The user's files that neither the installer nor the uninstaller may touch.
PARAMS_FILE="$DRIVE_C/windows/ZRNParameters.dat"
MAP_FILE="$DRIVE_C/users/$WINE_USER/Documents/kiosk.map"

[ -f "$SETUP" ] || fail "no installer $SETUP (run scripts/package)"

tool() { wine "$TOOL" "$@"; }
reg_query() { wine reg query "$@" "$REG_VIEW"; }

# Runs the installer with ARGS to its end; SETUP_EXIT is its exit code.
# Output goes to a file: a program the installer starts inherits it.
run_setup() {
    SETUP_EXIT=0
    wine "$SETUP" "$@" >>"$RTOUCH_ARTIFACTS/setup.log" 2>&1 || SETUP_EXIT=$?
}

# Runs the registered quiet uninstall command to its end (it runs in place,
# _?= and the folder last): UNINSTALL_EXIT is its exit code.
run_uninstall() {
    local command
    command=$(reg_value "$UNINSTALL_KEY" QuietUninstallString)
    [ -n "$command" ] || fail "no QuietUninstallString"
    # "C:\...\uninstall.exe" /S _?=C:\...
    local exe=${command#\"} args
    exe=${exe%%\"*}
    read -ra args <<<"${command#\""$exe"\" }"
    UNINSTALL_EXIT=0
    wine "$exe" "${args[@]}" >>"$RTOUCH_ARTIFACTS/setup.log" 2>&1 || UNINSTALL_EXIT=$?
}

# Waits until the uninstaller's copy in the temporary folder (ns*.tmp.exe),
# which deletes uninstall.exe and the folder once the uninstaller has
# ended, has ended too.
wait_uninstaller_done() {
    local deadline=$((SECONDS + 30))
    while [ -n "$(prefix_pids 'ns[^\\/]*\.tmp\.exe')" ]; do
        [ $SECONDS -lt $deadline ] || fail "the uninstaller's cleanup did not end"
        sleep 0.1
    done
}

# The data of value NAME under KEY, or nothing when it does not exist.
reg_value() {
    reg_query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v n="$2" '$1 == n && $2 ~ /^REG_/ { sub(/^ *[^ ]+ +REG_[A-Z_0-9]+ */, ""); print; exit }'
}

source "$RTOUCH_ROOT/scripts/lib/wine.sh"
prefix_pids() { wine_prefix_pids "$@"; }
rtouch_pids() { prefix_pids '(^|[\\/])rtouch\.exe'; }

# Starts the installed rtouch.exe as a sign-in would and waits for its tray icon.
start_installed() {
    wine "${1:-$INSTDIR}\\rtouch.exe" >/dev/null 2>&1 &
    tool wait-window ZRN_RTouch Fennimore 15000 >/dev/null || fail "installed rtouch.exe did not start"
    tool wait-tray-icons 1 10000 || fail "no tray icon"
}

# Writes the user's parameters file and a map file; remembers their hashes.
make_user_files() {
    mkdir -p "$(dirname "$MAP_FILE")"
    head -c 180 /dev/urandom >"$PARAMS_FILE"
    head -c 28 /dev/urandom >"$MAP_FILE"
    USER_FILES_SUM=$(sha256sum "$PARAMS_FILE" "$MAP_FILE")
}
expect_user_files_intact() {
    expect_eq "$(sha256sum "$PARAMS_FILE" "$MAP_FILE" 2>&1)" "$USER_FILES_SUM" "parameters and map files unchanged ($1)"
}

# What the installer puts down, checked from outside; $1 the install folder.
expect_installed() {
    local dir=${1:-$INSTDIR} unix
    unix="$DRIVE_C/$(printf '%s' "${dir#C:\\}" | tr '\\' /)"
    local f
    for f in rtouch.exe rtouchctl.exe uninstall.exe; do
        [ -f "$unix/$f" ] || fail "$f not installed in $dir"
    done
    echo "ok: rtouch.exe, rtouchctl.exe, uninstall.exe in $dir"
    # The very programs of the portable zip.
    /usr/bin/python3 - "$RTOUCH_DIST/rtouch-$VERSION-$ARCH.zip" "$unix" <<'PY' || fail "installed programs differ from the release"
import sys, zipfile, pathlib
z = zipfile.ZipFile(sys.argv[1])
for name in ("rtouch.exe", "rtouchctl.exe"):
    assert z.read(name) == (pathlib.Path(sys.argv[2]) / name).read_bytes(), name
PY
    echo "ok: installed programs are the release's"
    [ -f "$SHORTCUT" ] || fail "no Start-menu shortcut"
    grep -qaF "$dir\\rtouch.exe" "$SHORTCUT" || fail "the shortcut does not lead to $dir\\rtouch.exe"
    echo "ok: Start-menu shortcut to rtouch.exe"
    expect_eq "$(reg_value "$UNINSTALL_KEY" DisplayName)" "rtouch" "DisplayName"
    expect_eq "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" "$VERSION" "DisplayVersion"
    expect_eq "$(reg_value "$UNINSTALL_KEY" Publisher)" "ZRN" "Publisher"
    expect_eq "$(reg_value "$UNINSTALL_KEY" DisplayIcon)" "$dir\\rtouch.exe,0" "DisplayIcon"
    expect_eq "$(reg_value "$UNINSTALL_KEY" InstallLocation)" "$dir" "InstallLocation"
    expect_eq "$(reg_value "$UNINSTALL_KEY" UninstallString)" "\"$dir\\uninstall.exe\" _?=$dir" "UninstallString"
    expect_eq "$(reg_value "$UNINSTALL_KEY" QuietUninstallString)" "\"$dir\\uninstall.exe\" /S _?=$dir" "QuietUninstallString"
    expect_eq "$(reg_value "$UNINSTALL_KEY" NoModify)" "0x1" "NoModify"
    expect_eq "$(reg_value "$UNINSTALL_KEY" NoRepair)" "0x1" "NoRepair"
    local size
    size=$(reg_value "$UNINSTALL_KEY" EstimatedSize)
    [ $((size)) -ge 200 ] && [ $((size)) -le 2048 ] || fail "EstimatedSize $size KB"
    echo "ok: EstimatedSize $((size)) KB"
    expect_eq "$(reg_query "$UNINSTALL_ROOT" 2>/dev/null | tr -d '\r' | grep -ci 'rtouch')" "1" "one Uninstall entry"
}

# Everything the installer put down is gone.
expect_removed() {
    [ ! -e "$INSTDIR_UNIX" ] || fail "install folder left: $(ls -A "$INSTDIR_UNIX")"
    [ ! -e "$SHORTCUT" ] || fail "shortcut left"
    expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "no Run value"
    reg_query "$UNINSTALL_KEY" >/dev/null 2>&1 && fail "Uninstall entry left"
    echo "ok: files, shortcut, Run value and Uninstall entry removed"
}

# A listing of drive_c without what Wine itself writes as it runs
# programs (temporary files, its own logs and caches).
drive_c_listing() {
    (cd "$DRIVE_C" && find . -path ./users/"$WINE_USER"/Temp -prune -o -path ./windows/temp -prune -o \
        -path ./windows/Installer -prune -o -printf '%y %p\n') | sort
}

# What the installer keeps in the registry: its Uninstall entry and the Run
# values, as reg prints them.
registry_state() {
    { reg_query "$UNINSTALL_KEY"; reg_query "$RUN_KEY"; } 2>&1 | tr -d '\r'
}

# Waits up to $2 seconds until no process of pid list $1 runs any more.
wait_pids_gone() {
    local deadline=$((SECONDS + $2)) pid
    for pid in $1; do
        while [ -r "/proc/$pid/environ" ] && [ -n "$(tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null)" ]; do
            [ $SECONDS -lt $deadline ] || return 1
            sleep 0.1
        done
    done
}

# shellcheck disable=SC2034 # the names it sets are for the scripts that source it
# Helpers for the installer tests; sourced by tests/e2e/install/test_*.sh.
# Every wait polls with a time limit; nothing sleeps for a fixed time.
set -u
source "$RTOUCH_ROOT/tests/e2e/assert_lib.sh"

WINE_USER=$(id -un)

TOOL="$RTOUCH_BUILD/tests/e2e/e2e_tool.exe"
VERSION=$(cat "$RTOUCH_ROOT/VERSION")
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

# The package kind under test (run.sh runs each test for every kind it
# names in its "Kinds:" line): nsis, the setup program; msi, the Windows
# Installer package.
KIND=${RTOUCH_INSTALL_KIND:-nsis}
MSI="$RTOUCH_DIST/rtouch-$VERSION-$ARCH.msi"
case $KIND in
    nsis) [ -f "$SETUP" ] || fail "no installer $SETUP (run scripts/package)" ;;
    msi)
        [ -f "$MSI" ] || fail "no package $MSI (run scripts/package)"
        # Wine's msi puts a per-machine package's shortcuts in the user's
        # Start menu; Windows puts them in the all-users one.
        SHORTCUT="$DRIVE_C/users/$WINE_USER/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/rtouch.lnk"
        ;;
    *) fail "unknown package kind $KIND" ;;
esac

# Each test's own logs (setup, msiexec, holds), by its name, architecture
# and package kind: the folder the run names is shared by every test and
# shard.
RTOUCH_ARTIFACTS=$RTOUCH_ARTIFACTS/$(basename "$0" .sh)-$ARCH-$KIND
mkdir -p "$RTOUCH_ARTIFACTS" || fail "cannot make the log folder $RTOUCH_ARTIFACTS"

# `reg query` ARGS in the package's registry view: status 0 with the
# answer, 1 when the key or value is not there (as reg says). Anything else
# is no answer and fails the test: a check that something is gone must not
# pass on a query that never ran.
reg_query() {
    local status=0 file=${RTOUCH_E2E_FILES:-${TMPDIR:-/tmp}}/.reg-$BASHPID.err out said
    out=$(wine reg query "$@" "$REG_VIEW" 2>"$file") || status=$?
    said=$(<"$file")
    rm -f "$file"
    # reg says what it did not find on its standard output.
    [ $status = 1 ] && [[ $out == *"Unable to find"* ]] && return 1
    [ -z "$said" ] || echo "$said" >&2
    [ $status = 0 ] && { printf '%s\n' "$out"; return 0; }
    said="$out${said:+ $said}"
    fail "reg query $* $REG_VIEW ended with status $status: ${said:-without a word; $(unexplained_end_state)}"
}

# Fails the test with $2 when key $1 is there (reg_query fails it when
# the query gives no answer).
expect_no_key() {
    ! reg_query "$1" >/dev/null || fail "$2"
}

# The x86 setup refuses 64-bit Windows unless told: the 64-bit prefix
# stands in for 32-bit Windows here. Every run of the setup passes these.
SETUP_ARGS=()
[ "$ARCH" = x64 ] || SETUP_ARGS=(/ALLOWX86ON64=1)

# Runs the installer with ARGS to its end; SETUP_EXIT is its exit code.
# Output goes to a file: a program the installer starts inherits it.
run_setup() {
    SETUP_EXIT=0
    wine "$SETUP" "${SETUP_ARGS[@]}" "$@" >>"$RTOUCH_ARTIFACTS/setup.log" 2>&1 || SETUP_EXIT=$?
}

# The setup's log (/LOG=) $1, as text.
setup_log() { iconv -f UTF-16 -t UTF-8 "$1" | tr -d '\r'; }

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

# Runs msiexec with ARGS (no spaces within one) to its end, with a verbose
# log in the artifacts; SETUP_EXIT is its exit code. Wine hands Linux only
# the low byte of an exit code (1603 arrives as 67): cmd prints all of it.
run_msiexec() {
    local log
    MSIEXEC_RUNS=$((MSIEXEC_RUNS + 1))
    log=$(winepath -w "$RTOUCH_ARTIFACTS/msiexec-$ARCH-$MSIEXEC_RUNS.log")
    SETUP_EXIT=$(wine cmd /c "start /wait msiexec.exe $* /l*v $log & echo %errorlevel%" \
        2>>"$RTOUCH_ARTIFACTS/setup.log" | tr -d '\r' | tail -n 1)
}
MSIEXEC_RUNS=0

# The package's Uninstall key: named by the setup, or by the package's
# ProductCode, found through its DisplayName.
uninstall_key() {
    [ "$KIND" = msi ] || { echo "$UNINSTALL_KEY"; return; }
    reg_query "$UNINSTALL_ROOT" /s | tr -d '\r' |
        awk '/^HKEY/ { key = $0 } key ~ /\\{[-0-9A-F]+}$/ && $1 == "DisplayName" && $3 == "rtouch" { sub(/^HKEY_LOCAL_MACHINE/, "HKLM", key); print key; exit }'
}

# A quiet install of the package under test, with AUTOSTART=0 (the NSIS
# setup's /AUTOSTART=0) when $1 is 0; SETUP_EXIT is its exit code.
install_quiet() {
    case $KIND in
        nsis) run_setup /S ${1:+/AUTOSTART=$1} ;;
        msi) run_msiexec /i "$(winepath -w "$MSI")" /qn /norestart ${1:+AUTOSTART=$1} ;;
    esac
}

# The registered quiet uninstall, waited for: UNINSTALL_EXIT is the
# setup's uninstaller's exit code, SETUP_EXIT msiexec's.
uninstall_quiet() {
    case $KIND in
        nsis) run_uninstall; wait_uninstaller_done ;;
        msi)
            local command
            command=$(reg_value "$(uninstall_key)" UninstallString)
            [[ $command == MsiExec.exe\ /X\{*\} ]] || fail "UninstallString '$command'"
            run_msiexec "${command#MsiExec.exe }" /qn /norestart
            ;;
    esac
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
    reg_query "$1" /v "$2" | tr -d '\r' |
        awk -v n="$2" '$1 == n && $2 ~ /^REG_/ { sub(/^ *[^ ]+ +REG_[A-Z_0-9]+ */, ""); print; exit }'
}

prefix_pids() { wine_prefix_pids "$@"; }
rtouch_pids() { prefix_pids '(^|[\\/])rtouch\.exe'; }

# Starts the installed rtouch.exe as a sign-in would and waits for its tray icon.
start_installed() {
    wine "${1:-$INSTDIR}\\rtouch.exe" >/dev/null 2>&1 &
    tool wait-window ZRN_RTouch Fennimore 15000 >/dev/null || fail "installed rtouch.exe did not start"
    tool wait-tray-icons 1 10000 || fail "no tray icon"
}

# Keeps FILE (a Windows path) open in another process, as a copy of rtouch
# in another user's session keeps its program; HOLD_PID is that process.
hold_file() { hold_with hold-file "$1"; }

# Runs the tool's SUBCOMMAND ($1: hold-file, hold-image) on FILE ($2) in the
# background until it says it holds the file; HOLD_PID is that process.
# A log of its own for each hold: a "ready" left by an earlier one must not
# be taken for this one's.
hold_with() {
    local log
    log=$(mktemp "$RTOUCH_ARTIFACTS/$1.XXXXXX.log")
    (exec wine "$TOOL" "$1" "$2" 60000 >"$log" 2>&1) &
    HOLD_PID=$!
    local deadline=$((SECONDS + 15))
    until grep -q ready "$log"; do
        [ $SECONDS -lt $deadline ] || fail "$1 did not take $2"
        sleep 0.1
    done
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
    local f files=(rtouch.exe rtouchctl.exe)
    [ "$KIND" = msi ] || files+=(uninstall.exe)
    for f in "${files[@]}"; do
        [ -f "$unix/$f" ] || fail "$f not installed in $dir"
    done
    echo "ok: ${files[*]} in $dir"
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
    local key
    key=$(uninstall_key)
    expect_eq "$(reg_value "$key" DisplayName)" "rtouch" "DisplayName"
    expect_eq "$(reg_value "$key" DisplayVersion)" "$VERSION" "DisplayVersion"
    expect_eq "$(reg_value "$key" Publisher)" "ZRN" "Publisher"
    expect_eq "$(reg_value "$key" NoModify)" "0x1" "NoModify"
    expect_eq "$(reg_value "$key" NoRepair)" "0x1" "NoRepair"
    expect_eq "$(reg_query "$UNINSTALL_ROOT" /s | tr -d '\r' | grep -c 'DisplayName *REG_SZ *rtouch$')" "1" \
        "one Uninstall entry"
    if [ "$KIND" = msi ]; then
        # Wine's msi writes neither DisplayIcon nor EstimatedSize.
        expect_eq "$(reg_value "$key" InstallLocation)" "$dir\\" "InstallLocation"
        expect_eq "$(reg_value "$key" UninstallString)" "MsiExec.exe /X${key##*\\}" "UninstallString"
        return
    fi
    expect_eq "$(reg_value "$UNINSTALL_KEY" DisplayIcon)" "$dir\\rtouch.exe,0" "DisplayIcon"
    expect_eq "$(reg_value "$UNINSTALL_KEY" InstallLocation)" "$dir" "InstallLocation"
    expect_eq "$(reg_value "$UNINSTALL_KEY" UninstallString)" "\"$dir\\uninstall.exe\" _?=$dir" "UninstallString"
    expect_eq "$(reg_value "$UNINSTALL_KEY" QuietUninstallString)" "\"$dir\\uninstall.exe\" /S _?=$dir" "QuietUninstallString"
    local size
    size=$(reg_value "$UNINSTALL_KEY" EstimatedSize)
    [ $((size)) -ge 200 ] && [ $((size)) -le 2048 ] || fail "EstimatedSize $size KB"
    echo "ok: EstimatedSize $((size)) KB"
}

# Everything the installer put down is gone.
expect_removed() {
    [ ! -e "$INSTDIR_UNIX" ] || fail "install folder left: $(ls -A "$INSTDIR_UNIX")"
    [ ! -e "$SHORTCUT" ] || fail "shortcut left"
    expect_eq "$(reg_value "$RUN_KEY" rtouch)" "" "no Run value"
    if [ "$KIND" = msi ]; then
        [ -z "$(uninstall_key)" ] || fail "Uninstall entry left"
    else
        expect_no_key "$UNINSTALL_KEY" "Uninstall entry left"
    fi
    echo "ok: files, shortcut, Run value and Uninstall entry removed"
}

# A listing of drive_c without what Wine itself writes as it runs
# programs (temporary files, its own logs and caches).
drive_c_listing() {
    (cd "$DRIVE_C" && find . -path ./users/"$WINE_USER"/Temp -prune -o -path ./windows/temp -prune -o \
        -path ./windows/Installer -prune -o -printf '%y %p\n') | sort
}

# What the installer keeps in the registry: its Uninstall entry, the Run
# values and the stored choices (and for the package, Windows Installer's
# records of products, features and components), one line per value with
# its key. Keys left empty do not count: Windows keeps them too.
registry_state() {
    local keys=("$UNINSTALL_KEY" "$RUN_KEY" 'HKLM\Software\rtouch') key
    [ "$KIND" = nsis ] || keys+=("$UNINSTALL_ROOT" 'HKLM\Software\Classes\Installer'
        'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData')
    for key in "${keys[@]}"; do reg_query "$key" /s; done | tr -d '\r' |
        awk '/^HKEY/ { key = $0; next } /^reg:/ { key = ""; next } key != "" && NF { print key ":" $0 }'
}

# Removes the package by msiexec /x and checks that nothing is left: the
# installer's files and entries, drive_c as listing $1 had it and the
# registry values as state $2 (drive_c_listing, registry_state taken
# before the install); $3 says after what.
expect_msi_removal_clean() {
    run_msiexec /x "$(winepath -w "$MSI")" /qn /norestart
    expect_eq "$SETUP_EXIT" "0" "msiexec /x of the package ($3)"
    expect_removed
    expect_user_files_intact "after the removal ($3)"
    diff <(echo "$1") <(drive_c_listing) || fail "drive_c differs after $3 and the removal"
    expect_eq "$(registry_state)" "$2" "registry values as before ($3)"
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

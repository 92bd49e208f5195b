#!/usr/bin/env bash
# End-to-end suite: the real Windows build under Wine, headless with Xvfb.
# The tests run in shards side by side, each shard on its own Xvfb display
# in its own copy of one booted template prefix, which is reset after every
# test to what it was before (see reset_prefix).
# Usage: tests/e2e/run.sh [--app DIR] [--prefix win64|win32] [--windows VERSION] [--shards N]
#                         BUILD_DIR [TEST_NAME...]
#   BUILD_DIR    the build of the tools, the driver and the names (and of rtouch.exe)
#   --app DIR    rtouch.exe from DIR instead (an x86 build, a release build)
#   --prefix     win32: a pure 32-bit prefix (WINEARCH=win32); its tools and
#                driver must be x86 builds. Default win64 (32-bit programs run on WOW64)
#   --windows    the version the prefix reports (winxp, winxp64, win7, win10);
#                default Wine's own (Windows 7)
#   --shards N   how many shards (default RTOUCH_E2E_SHARDS, else 2 on a
#                machine of two cores or more, else 1)
# RTOUCH_E2E_SUITE: another folder of test_*.sh to run (default this one).
# RTOUCH_E2E_FRESH=1: a fresh copy of the template for every test.
# RTOUCH_E2E_CHECK_RESET=1: after each reset, end the server and compare
#   the registry with the fresh prefix's (slow; finds what a test leaves).
# Each run writes its tests' times to BUILD_DIR/timings/<run>.txt (seconds,
# test, result); the next run balances its shards by them.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
suite=${RTOUCH_E2E_SUITE:-$root/tests/e2e}
app_build="" arch=win64 windows=""
shards=${RTOUCH_E2E_SHARDS:-$(($(nproc) >= 2 ? 2 : 1))}
while [ $# -gt 0 ]; do
    case $1 in
        --app) app_build=$(cd "${2:?--app DIR}" && pwd) || exit 2; shift 2 ;;
        --prefix) arch=${2:?--prefix win64|win32}; shift 2 ;;
        --windows) windows=${2:?--windows VERSION}; shift 2 ;;
        --shards) shards=${2:?--shards N}; shift 2 ;;
        --*) echo "unknown option $1" >&2; exit 2 ;;
        *) break ;;
    esac
done
case $arch in win64 | win32) ;; *) echo "--prefix takes win64 or win32, not $arch" >&2; exit 2 ;; esac
[[ $shards =~ ^[1-9][0-9]*$ ]] || { echo "--shards takes a number from 1, not $shards" >&2; exit 2; }
build=$(cd "${1:?build dir}" && pwd)
shift
source "$root/scripts/lib/wine.sh"
source "$root/scripts/lib/deps.sh"
# Each program with the loader of its architecture (see bin/wine).
export PATH="$root/tests/e2e/bin:$PATH"
# The names the scripts use for resource ids and block fields, written by
# the build.
export RTOUCH_NAMES="$build/tests/e2e/e2e_names.sh"
[ -f "$RTOUCH_NAMES" ] || { echo "no $RTOUCH_NAMES: build the win64 (or win32) preset first" >&2; exit 1; }
app=${app_build:-$build}/rtouch.exe
[ -f "$app" ] || { echo "no rtouch.exe in ${app_build:-$build}" >&2; exit 1; }

# A 32-bit prefix or a 32-bit rtouch.exe needs 32-bit Wine: where the probe
# finds none, the run is skipped in one line.
if [ "$arch" = win32 ] || x86_64-w64-mingw32-objdump -f "$app" | grep -q 'file format pei-i386'; then
    reason=$(rtouch_no_wine32_reason)
    [ "${RTOUCH_WINE32:-}" = 0 ] && reason=${reason:-RTOUCH_WINE32=0}
    if [ -n "$reason" ]; then
        echo "e2e skipped: this run needs 32-bit Wine ($reason)"
        exit 0
    fi
fi
# Tests that package or build again find the packages checked.
export RTOUCH_DEPS_CHECKED=1 RTOUCH_WINE32=${RTOUCH_WINE32:-$([ -z "$(rtouch_no_wine32_reason)" ] && echo 1 || echo 0)}

tests=("$@")
if [ ${#tests[@]} -eq 0 ]; then
    for t in "$suite"/test_*.sh; do tests+=("$(basename "$t" .sh)"); done
fi
for name in "${tests[@]}"; do
    [ -f "$suite/$name.sh" ] || { echo "no test $suite/$name.sh" >&2; exit 2; }
done
[ "$shards" -gt ${#tests[@]} ] && shards=${#tests[@]}

# The run's name in the timings folder: the suite and what the options change.
label=$(basename "$suite")
[ "$label" = e2e ] || label=e2e-$label
[ -n "${RTOUCH_INSTALL_ARCH:-}" ] && label+=-$RTOUCH_INSTALL_ARCH
[ -n "$app_build" ] && label+=-app-$(basename "$app_build")
[ "$arch" = win32 ] && label+=-win32
[ -n "$windows" ] && label+=-$windows
timings=$build/timings
mkdir -p "$timings"

work=$(mktemp -d /tmp/rtouch-e2e.XXXXXX)
shard_pids=()
cleanup() {
    [ ${#shard_pids[@]} -gt 0 ] && kill "${shard_pids[@]}" 2>/dev/null && wait
    for p in "$work"/template "$work"/prefix-*; do [ -d "$p" ] && WINEPREFIX="$p" wineserver -k >/dev/null 2>&1; done
    for p in "$work"/xvfb-* ; do [ -f "$p" ] && kill "$(cat "$p")" 2>/dev/null; done
    [ -n "${RTOUCH_XVFB_PID:-}" ] && kill "$RTOUCH_XVFB_PID" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

if [ "$arch" = win32 ]; then export WINEARCH=win32; else unset WINEARCH; fi
export RTOUCH_APP_BUILD="${app_build:-$build}" RTOUCH_WINDOWS="$windows"
export RTOUCH_BUILD="$build" RTOUCH_ROOT="$root" RTOUCH_ARTIFACTS="$build/e2e-artifacts"
mkdir -p "$RTOUCH_ARTIFACTS"

wine_display || exit 1
# RTOUCH_E2E_TEMPLATES: a folder that keeps the booted templates for the
# next runs (scripts/test makes one for its runs). The version is set after
# the boot: another version's template is a copy of the default one.
if [ -n "${RTOUCH_E2E_TEMPLATES:-}" ]; then
    template=$RTOUCH_E2E_TEMPLATES/$arch-${windows:-default}
    base=$RTOUCH_E2E_TEMPLATES/$arch-default
    if [ ! -f "$template/system.reg" ]; then
        rm -rf "$template.new"
        if [ -n "$windows" ] && [ -f "$base/system.reg" ]; then
            cp -a "$base" "$template.new" && wine_version "$template.new" "$windows" &&
                WINEPREFIX="$template.new" wineserver -w
        else
            wine_template "$template.new" "$windows"
        fi
        rm -rf "$template" && mv "$template.new" "$template"
    fi
else
    template=$work/template
    wine_template "$template" "$windows"
fi
# A prefix of another architecture would test the wrong programs.
grep -q "^#arch=$arch" "$template/system.reg" ||
    { echo "the template prefix is not $arch: $(grep -m1 '^#arch=' "$template/system.reg")" >&2; exit 1; }

# Registry files without what changes on every start (times, the drivers'
# date stamps), for RTOUCH_E2E_CHECK_RESET.
registry_snapshot() {
    local r
    for r in system user userdef; do
        grep -v -e '^#time=' -e '^"DriverDateData"=' "$WINEPREFIX/$r.reg" | sed 's/^\(\[.*\]\) [0-9]*$/\1/'
    done
}

# The build number of the Windows version the prefix reports.
windows_build() {
    wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v CurrentBuild 2>/dev/null |
        tr -d '\r' | awk '$1 == "CurrentBuild" { print $3 }'
}

# The keys that tests add and the reset deletes: the driver's interface
# class (its uninstall leaves the key) and what the file dialogs remember.
reset_keys=$(mktemp --tmpdir="$work" --suffix=.reg)
{
    echo 'Windows Registry Editor Version 5.00'
    echo
    echo '[-HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\DeviceClasses\{781EF630-72B2-11D2-B852-00C04FAD5171}]'
    echo '[-HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32]'
    echo '[-HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Advanced]'
} >"$reset_keys"

# A fresh copy of the template at $WINEPREFIX, its session settled.
new_prefix() {
    WINEPREFIX=$1 wineserver -k >/dev/null 2>&1
    wine_prefix "$template" "$1"
    wine_session "$build/rtouchctl.exe" params || return 1
    PREFIX_BUILD=$(windows_build)
    if [ "${RTOUCH_E2E_CHECK_RESET:-0}" = 1 ]; then
        wineserver -k && wineserver -w
        registry_snapshot >"$1.registry"
        wine_session "$build/rtouchctl.exe" params || return 1
    fi
}

# Returns the prefix to what new_prefix left: ends what the test started
# (first its programs, so that nothing holds the driver, then the driver,
# then whatever is left, the desktop included: its tray keeps the icons of
# ended programs), gives the prefix back the template's Windows version
# and drive_c the template's files. Says why when it cannot.
reset_prefix() {
    [ "$(wine_prefix_pids 'wineserver')" = "$WINE_SESSION_SERVER" ] || { echo "the test ended the server"; return 1; }
    wine_end_programs 'winedevice\.exe' || return 1
    if [ -e "$WINEPREFIX/drive_c/windows/system32/drivers/rtouchdrv.sys" ]; then
        timeout 60 wine "$build/rtouchctl.exe" uninstall >/dev/null 2>&1 || { echo "rtouchctl uninstall failed"; return 1; }
    fi
    wine_end_programs || return 1
    # winecfg cannot give a prefix back the version it was booted with.
    [ "$(windows_build)" = "$PREFIX_BUILD" ] || { echo "the test changed the Windows version"; return 1; }
    wine reg import "$reset_keys" >/dev/null 2>&1 || { echo "could not delete the keys tests add"; return 1; }
    wine_restore_files "$template"
    wine_session_intact 2>&1 || return 1
    if [ "${RTOUCH_E2E_CHECK_RESET:-0}" = 1 ]; then
        wineserver -k && wineserver -w
        diff "$WINEPREFIX.registry" <(registry_snapshot) | grep '^[<>]' | head -n 40 |
            { ! grep . && echo "the reset left the registry as it was (checked)"; } || return 1
        return 2
    fi
}

# Runs the tests $2... one after the other in shard $1, on a display of its
# own (the first shard on the run's); prints each test's result as one
# block, and its time to $work/times-$1.
run_shard() {
    local n=$1 name start seconds result why out reset pid prefix=$work/prefix-$1 ready=0 passed=0 failed=0
    shift
    if [ "$n" -gt 1 ]; then
        unset DISPLAY
        wine_display || exit 1
        echo "$RTOUCH_XVFB_PID" >"$work/xvfb-$n"
    fi
    export WINEPREFIX=$prefix
    for name in "$@"; do
        out=$work/$name.out
        : >"$out"
        if [ $ready = 0 ] && ! new_prefix "$prefix" >"$work/$name.log" 2>&1; then
            why="the prefix did not start"
        else
            why=""
            ready=1
            start=$EPOCHREALTIME
            bash "$suite/$name.sh" >"$work/$name.log" 2>&1 || why="the test failed"
            seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')
        fi
        if [ -z "$why" ]; then result=PASS; passed=$((passed + 1)); else result=FAIL; failed=$((failed + 1)); fi
        echo "$result $name (${seconds:-0} s)" >>"$out"
        if [ -n "$why" ]; then
            sed 's/^/    /' "$work/$name.log" >>"$out"
            # What still ran tells a crash from a hang.
            { echo "    Windows processes of the prefix at the end (pid, seconds, command):"
              for pid in $(wine_programs); do ps -o pid=,etimes=,args= -p "$pid"; done | cut -c1-120 | sed 's/^/      /'
            } >>"$out"
        fi
        echo "${seconds:-0} $name $result" >>"$work/times-$n"
        # After a failure a fresh copy: what a test left half done must not
        # fail the next one.
        if [ "${RTOUCH_E2E_FRESH:-0}" = 1 ] || [ -n "$why" ]; then
            ready=0
        elif ! reset="$(reset_prefix)"; then
            ready=0
            case $reset in
                *"(checked)"*) echo "    $reset" >>"$out" ;;
                *) echo "    (reset: $reset; the next test gets a fresh copy)" >>"$out" ;;
            esac
        fi
        flock "$work/out.lock" cat "$out"
        unset seconds
    done
    wineserver -k >/dev/null 2>&1
    echo "$passed $failed" >"$work/counts-$n"
}

# Shards of about equal time by the last known times (a test not timed yet
# counts 10 s): the longest test first, each to the shard with least so far.
known=$(cat "$timings"/*.txt 2>/dev/null | grep -v "^#" | awk '{ t[$2] = $1 } END { for (n in t) print n, t[n] }')
[ -f "$timings/$label.txt" ] && known+=$'\n'$(awk '{ print $2, $1 }' "$timings/$label.txt")
declare -A load=() members=()
for line in $(for name in "${tests[@]}"; do
    t=$(awk -v n="$name" '$1 == n { t = $2 } END { print t + 0 ? t : 10 }' <<<"$known")
    echo "$t:$name"
done | sort -t: -k1,1 -rn); do
    best=1
    for ((s = 2; s <= shards; s++)); do
        (($(awk -v a="${load[$s]:-0}" -v b="${load[$best]:-0}" 'BEGIN { print (a < b) }'))) && best=$s
    done
    load[$best]=$(awk -v a="${load[$best]:-0}" -v b="${line%%:*}" 'BEGIN { print a + b }')
    members[$best]+=" ${line#*:}"
done

for ((s = 1; s <= shards; s++)); do
    # shellcheck disable=SC2086
    run_shard "$s" ${members[$s]} &
    shard_pids+=($!)
done
wait "${shard_pids[@]}"
shard_pids=()

passed=0
failed=0
for ((s = 1; s <= shards; s++)); do
    read -r p f 2>/dev/null <"$work/counts-$s" || { p=0; f=1; echo "shard $s ended early"; }
    passed=$((passed + p))
    failed=$((failed + f))
done
cat "$work"/times-* 2>/dev/null | sort -rn >"$timings/$label.txt"
echo "e2e: $passed passed, $failed failed"
[ "$failed" = 0 ]

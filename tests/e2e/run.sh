#!/usr/bin/env bash
# End-to-end suite: the real Windows build under Wine, headless with Xvfb.
# The tests run in shards side by side, each shard on its own Xvfb display
# in its own copy of one booted template prefix, which is reset after every
# test to what it was before (see reset_prefix).
# Usage: tests/e2e/run.sh [--app DIR] [--prefix win64|win32] [--windows VERSION] [--shards N]
#                         [--kind KIND] BUILD_DIR [TEST_NAME...]
#   BUILD_DIR    the build of the tools, the driver and the names (and of rtouch.exe)
#   --app DIR    rtouch.exe from DIR instead (an x86 build, a release build)
#   --prefix     win32: a pure 32-bit prefix (WINEARCH=win32); its tools and
#                driver must be x86 builds. Default win64 (32-bit programs run on WOW64)
#   --windows    the version the prefix reports (winxp, winxp64, win7, win10);
#                default Wine's own (Windows 7)
#   --shards N   how many shards (default RTOUCH_E2E_SHARDS, else 2 on a
#                machine of two cores or more, else 1)
#   --kind KIND  without TEST_NAMEs: the tests whose "# Runs:" header line
#                names KIND (default: every test)
# A test's header says which runs it belongs to: "# Runs: default winxp
# win10 x86-wow64 x86-native" (none: default only), and "# Prefix: changed"
# when it leaves the prefix so that a reset cannot undo it (a failed reset
# after any other test fails that test).
# RTOUCH_E2E_SUITE: another folder of test_*.sh to run (default this one).
# RTOUCH_E2E_FRESH=1: a fresh copy of the template for every test.
# RTOUCH_E2E_CHECK_RESET: "last" (default) after the last test of each shard
#   that keeps its prefix, 1 after every test, 0 never: end the server after
#   the reset and compare the registry with a fresh prefix's; a difference
#   fails that test.
# RTOUCH_E2E_TIMEOUT: seconds a test may take (default 180): on expiry its
#   process group is ended and it fails, listing what still ran.
# RTOUCH_E2E_RUN_TIMEOUT: seconds the whole run may take (default 3600): a
#   test not started by then fails as not run.
# RTOUCH_RESULTS: the run's record (scripts/lib/results.sh), one line a test.
# A test gets a folder of its own in RTOUCH_E2E_FILES for what its programs
# say (the helpers keep each call of a Windows program there); a failed
# test's report ends with the last lines of each of its files.
# Each run writes its tests' times to BUILD_DIR/timings/<run>.txt (seconds,
# test, result); the next run balances its shards by them.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
suite=${RTOUCH_E2E_SUITE:-$root/tests/e2e}
app_build="" arch=win64 windows="" kind=""
shards=${RTOUCH_E2E_SHARDS:-$(($(nproc) >= 2 ? 2 : 1))}
while [ $# -gt 0 ]; do
    case $1 in
        --app) app_build=$(cd "${2:?--app DIR}" && pwd) || exit 2; shift 2 ;;
        --prefix) arch=${2:?--prefix win64|win32}; shift 2 ;;
        --windows) windows=${2:?--windows VERSION}; shift 2 ;;
        --shards) shards=${2:?--shards N}; shift 2 ;;
        --kind) kind=${2:?--kind KIND}; shift 2 ;;
        --*) echo "unknown option $1" >&2; exit 2 ;;
        *) break ;;
    esac
done
case $arch in win64 | win32) ;; *) echo "--prefix takes win64 or win32, not $arch" >&2; exit 2 ;; esac
[[ $shards =~ ^[1-9][0-9]*$ ]] || { echo "--shards takes a number from 1, not $shards" >&2; exit 2; }
# The runs a test can belong to.
kinds="default winxp win10 x86-wow64 x86-native"
[ -z "$kind" ] || [[ " $kinds " == *" $kind "* ]] || { echo "--kind takes one of $kinds, not $kind" >&2; exit 2; }
test_timeout=${RTOUCH_E2E_TIMEOUT:-180}
run_timeout=${RTOUCH_E2E_RUN_TIMEOUT:-3600}
for t in "$test_timeout" "$run_timeout"; do
    [[ $t =~ ^[1-9][0-9]*$ ]] || { echo "RTOUCH_E2E_TIMEOUT and RTOUCH_E2E_RUN_TIMEOUT take seconds, not $t" >&2; exit 2; }
done
check_reset=${RTOUCH_E2E_CHECK_RESET:-last}
case $check_reset in 0 | 1 | last) ;; *) echo "RTOUCH_E2E_CHECK_RESET takes 0, 1 or last, not $check_reset" >&2; exit 2 ;; esac
run_deadline=$((SECONDS + run_timeout))
build=${1:?build dir}
shift
source "$root/scripts/lib/wine.sh"
source "$root/scripts/lib/deps.sh"

tests=("$@")
# Every test's "# Runs:" line names known runs: a mistyped one would drop
# the test from a run without a word.
for t in "$suite"/test_*.sh; do
    read -r -a named <<<"$(sed -n 's/^# Runs: //p' "$t")"
    for k in "${named[@]}"; do
        [[ " $kinds " == *" $k "* ]] || { echo "$t: unknown run \"$k\" in its # Runs: line (known: $kinds)" >&2; exit 2; }
    done
done
if [ ${#tests[@]} -eq 0 ]; then
    for t in "$suite"/test_*.sh; do
        runs=$(sed -n 's/^# Runs: //p' "$t")
        if [ -z "$kind" ] || [[ " ${runs:-default} " == *" $kind "* ]]; then tests+=("$(basename "$t" .sh)"); fi
    done
fi
for name in "${tests[@]}"; do
    [ -f "$suite/$name.sh" ] || { echo "no test $suite/$name.sh" >&2; exit 2; }
done
[ ${#tests[@]} -gt 0 ] || { echo "no test in $suite${kind:+ of the $kind run}: a run of nothing proves nothing" >&2; exit 2; }

# The run's name in the timings folder and the record: the suite and what
# the options change.
label=$(basename "$suite")
[ "$label" = e2e ] || label=e2e-$label
[ -n "${RTOUCH_INSTALL_KIND:-}" ] && label+=-$RTOUCH_INSTALL_KIND
[ -n "${RTOUCH_INSTALL_ARCH:-}" ] && label+=-$RTOUCH_INSTALL_ARCH
[ -n "$app_build" ] && label+=-app-$(basename "$app_build")
[ "$arch" = win32 ] && label+=-win32
[ -n "$windows" ] && label+=-$windows

# A 32-bit prefix or a 32-bit rtouch.exe needs 32-bit Wine: where there is
# none, each test is listed as skipped with the reason (failed where
# RTOUCH_REQUIRE_WINE32=1).
app=${app_build:-$build}/rtouch.exe
if [ "$arch" = win32 ] || { [ -f "$app" ] && x86_64-w64-mingw32-objdump -f "$app" | grep -q 'file format pei-i386'; }; then
    reason=$(rtouch_wine32_skip_reason)
    if [ -n "$reason" ]; then
        status=0
        for name in "${tests[@]}"; do
            result_skip wine32 "$label/$name" "needs 32-bit Wine: $reason" || status=1
        done
        exit $status
    fi
fi
build=$(cd "$build" && pwd) || exit 1
# The names the scripts use for resource ids and block fields, written by
# the build.
export RTOUCH_NAMES="$build/tests/e2e/e2e_names.sh"
[ -f "$RTOUCH_NAMES" ] || { echo "no $RTOUCH_NAMES: build the win64 (or win32) preset first" >&2; exit 1; }
app=${app_build:-$build}/rtouch.exe
[ -f "$app" ] || { echo "no rtouch.exe in ${app_build:-$build}" >&2; exit 1; }
# Each program with the loader of its architecture and without address
# randomization (see bin/wine).
export PATH="$root/tests/e2e/bin:$PATH"
setarch "$(uname -m)" -R true 2>/dev/null ||
    echo "note: this machine refuses to turn address randomization off (setarch -R): about one Wine start in ten thousand may end at once with exit code 1"
timings=$build/timings
mkdir -p "$timings"
# Tests that package or build again find the packages checked.
export RTOUCH_DEPS_CHECKED=1 RTOUCH_WINE32_SKIP="${RTOUCH_WINE32_SKIP-$(rtouch_no_wine32_reason)}"
[ "$shards" -gt ${#tests[@]} ] && shards=${#tests[@]}

work=$(mktemp -d /tmp/rtouch-e2e.XXXXXX)
shard_pids=()
cleanup() {
    [ ${#shard_pids[@]} -gt 0 ] && kill "${shard_pids[@]}" 2>/dev/null && wait
    # A test runs in a process group of its own, which a shard's end leaves.
    for p in "$work"/running-*; do [ -f "$p" ] && kill -KILL -- "-$(cat "$p")" 2>/dev/null; done
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
    # Read the same way at the start and at each reset, only a change of it
    # matters: either registry view.
    timeout 60 wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v CurrentBuild 2>/dev/null |
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

# The desktop's shell windows, which a signed-in Windows desktop always
# has and a setup asks to start a program as the signed-in user. Wine's
# desktop registers them once, at its start, with the COM service that it
# starts on demand: when that service is still starting (a loaded machine),
# the registration is lost for good. A desktop still starting registers
# within seconds; one that has not in 10 s ends (it left no registration
# behind) and the check's own lookup starts one that registers with the
# service running, which is said in file $1 (the test's retries, counted by
# the run).
desktop_shell() {
    local tool=$build/tests/e2e/e2e_tool.exe desktop said
    said=$(timeout 60 wine "$tool" wait-for ready 10000 desktop-shell 2>&1 >/dev/null) && return 0
    for desktop in $(wine_prefix_pids 'explorer\.exe'); do kill -KILL "$desktop" 2>/dev/null; done
    timeout 60 wine "$tool" wait-for ready 30000 desktop-shell >/dev/null ||
        { echo "the desktop's shell windows did not answer"; return 1; }
    echo "new prefix: the boot's desktop had no shell windows ($(tr -d '\r' <<<"$said" | head -n 1)); a new desktop has them" >>"$1"
}

# A fresh copy of the template at $1 (exported as WINEPREFIX), its session
# settled; with $2 = 1 also the registry to compare the reset with. A
# repair of the session is said in file $3.
new_prefix() {
    WINEPREFIX=$1 wineserver -k >/dev/null 2>&1
    wine_prefix "$template" "$1"
    wine_session "$build/rtouchctl.exe" params || return 1
    desktop_shell "$3" || return 1
    PREFIX_BUILD=$(windows_build)
    rm -f "$1.registry"
    if [ "${2:-0}" = 1 ]; then
        wineserver -k && timeout 60 wineserver -w
        registry_snapshot >"$1.registry"
        wine_session "$build/rtouchctl.exe" params || return 1
        desktop_shell "$3" || return 1
    fi
}

# Returns the prefix to what new_prefix left: ends what the test started
# (first its programs, so that nothing holds the driver, then the driver,
# then whatever is left, the desktop included: its tray keeps the icons of
# ended programs), gives the prefix back the template's Windows version
# and drive_c the template's files. Says why when it cannot. Where
# new_prefix kept the registry, ends the server and compares (status 2:
# the check passed, the prefix needs a new session).
reset_prefix() {
    [ "$(wine_prefix_pids 'wineserver')" = "$WINE_SESSION_SERVER" ] || { echo "the test ended the server"; return 1; }
    wine_end_programs 'winedevice\.exe' || return 1
    if [ -e "$WINEPREFIX/drive_c/windows/system32/drivers/rtouchdrv.sys" ]; then
        timeout 60 wine "$build/rtouchctl.exe" uninstall >/dev/null 2>&1 || { echo "rtouchctl uninstall failed"; return 1; }
    fi
    wine_end_programs || return 1
    # winecfg cannot give a prefix back the version it was booted with.
    [ "$(windows_build)" = "$PREFIX_BUILD" ] || { echo "the test changed the Windows version"; return 1; }
    # Either view: System and HKEY_CURRENT_USER are one key in both views.
    timeout 60 wine reg import "$reset_keys" >/dev/null 2>&1 || { echo "could not delete the keys tests add"; return 1; }
    wine_restore_files "$template"
    wine_session_intact 2>&1 || return 1
    if [ -f "$WINEPREFIX.registry" ]; then
        wineserver -k && timeout 60 wineserver -w
        diff "$WINEPREFIX.registry" <(registry_snapshot) | grep '^[<>]' | head -n 40 |
            { ! grep . && echo "the reset left the registry as it was (checked)"; } || return 1
        return 2
    fi
}

# True when test $1 says in its header that it leaves the prefix changed.
leaves_prefix_changed() {
    grep -q '^# Prefix: changed' "$suite/$1.sh"
}

# For the helper libraries: a step tried once more is said in the test's log
# and counted in the run's summary. Usage: note_retry WHY...
note_retry() {
    echo "retry: $*" >&2
    [ -z "${RTOUCH_E2E_RETRIES:-}" ] || echo "$*" >>"$RTOUCH_E2E_RETRIES"
}
export -f note_retry

# Ends test $1 (the leader of its own process group) after $2 seconds:
# writes what still ran in its group to file $3, then ends the group.
watch_test() {
    local pause
    trap 'kill "$pause" 2>/dev/null; exit 0' TERM
    sleep "$2" &
    pause=$!
    wait "$pause"
    ps -o pid=,etimes=,args= -g "$1" | cut -c1-120 >"$3"
    kill -TERM -- "-$1" 2>/dev/null
    sleep 5 &
    pause=$!
    wait "$pause"
    kill -KILL -- "-$1" 2>/dev/null
}

# Runs test $1 in a process group of its own for at most $2 seconds, its
# output to $work/$1.log and its retries added to $work/$1.retries. Status: the
# test's, 124 when it ran out of time ($work/$1.hung then lists what still ran).
run_test() {
    local pid watcher status
    rm -f "$work/$1.hung"
    rm -rf "$work/$1.files"
    mkdir "$work/$1.files"
    RTOUCH_E2E_FILES=$work/$1.files RTOUCH_E2E_RETRIES=$work/$1.retries setsid bash "$suite/$1.sh" >"$work/$1.log" 2>&1 </dev/null &
    pid=$!
    echo "$pid" >"$work/running-$1"
    watch_test "$pid" "$2" "$work/$1.hung" &
    watcher=$!
    wait "$pid"
    status=$?
    # A check failed in a subshell that the test did not look at.
    if [ $status = 0 ] && [ -s "$work/$1.files/failed" ]; then
        echo "FAIL: a check failed inside a command substitution and the test went on: $(head -1 "$work/$1.files/failed")" >>"$work/$1.log"
        status=1
    fi
    if [ -f "$work/$1.hung" ]; then
        kill -KILL -- "-$pid" 2>/dev/null
        status=124
    fi
    kill "$watcher" 2>/dev/null
    wait "$watcher" 2>/dev/null
    rm -f "$work/running-$1"
    return $status
}

# Runs the tests $2... one after the other in shard $1, on a display of its
# own (the first shard on the run's); prints each test's result as one
# block, its time to $work/times-$1 and its record to RTOUCH_RESULTS.
run_shard() {
    local n=$1 name start seconds result why out reset pid prefix=$work/prefix-$1 ready=0 passed=0 failed=0
    local retries=0 limit checked="" check line
    shift
    if [ "$n" -gt 1 ]; then
        unset DISPLAY
        wine_display || exit 1
        echo "$RTOUCH_XVFB_PID" >"$work/xvfb-$n"
    fi
    export WINEPREFIX=$prefix
    # The test whose reset is compared with the registry of a fresh prefix:
    # by default the shard's last one that keeps its prefix.
    if [ "$check_reset" = last ] && [ "${RTOUCH_E2E_FRESH:-0}" != 1 ]; then
        for name in "$@"; do leaves_prefix_changed "$name" || checked=$name; done
    fi
    for name in "$@"; do
        out=$work/$name.out
        : >"$out"
        : >"$work/$name.log"
        : >"$work/$name.retries"
        why=""
        seconds=0
        check=0
        if [ "$check_reset" = 1 ] || [ "$name" = "$checked" ]; then
            check=1
            [ -f "$prefix.registry" ] || ready=0
        fi
        limit=$((run_deadline - SECONDS))
        if [ "$limit" -le 0 ]; then
            why="not started: the run took its whole limit of $run_timeout s (RTOUCH_E2E_RUN_TIMEOUT)"
        elif [ $ready = 0 ] && ! new_prefix "$prefix" "$check" "$work/$name.retries" >"$work/$name.log" 2>&1; then
            why="the prefix did not start"
        else
            ready=1
            [ "$limit" -gt "$test_timeout" ] && limit=$test_timeout
            start=$EPOCHREALTIME
            run_test "$name" "$limit"
            case $? in
                0) ;;
                124) why="no end within $limit s (RTOUCH_E2E_TIMEOUT: $test_timeout s); its processes then:" ;;
                *) why="the test failed" ;;
            esac
            seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')
        fi
        # After a failure a fresh copy: what a test left half done must not
        # fail the next one. A failed reset fails the test that left the
        # prefix so, unless its header says it does.
        reset=""
        if [ "${RTOUCH_E2E_FRESH:-0}" = 1 ] || [ -n "$why" ]; then
            ready=0
        elif ! reset="$(reset_prefix 2>&1)"; then
            ready=0
            if [[ $reset == *"(checked)"* ]]; then
                :
            elif leaves_prefix_changed "$name"; then
                reset="(reset: $reset; the test leaves the prefix changed, as its header says: the next test gets a fresh copy)"
            else
                why="the reset after it failed: $reset"
                reset=""
            fi
        fi
        if [ -z "$why" ]; then result=PASS; passed=$((passed + 1)); else result=FAIL; failed=$((failed + 1)); fi
        echo "$result $name ($seconds s)${why:+: $why}" >>"$out"
        [ -f "$work/$name.hung" ] && sed 's/^/      /' "$work/$name.hung" >>"$out"
        [ -n "$reset" ] && echo "    $reset" >>"$out"
        while IFS= read -r line; do
            echo "    retried: $line" >>"$out"
            result_record RETRY "$label/$name" "$line"
            retries=$((retries + 1))
        done <"$work/$name.retries"
        result_record "$result" "$label/$name" "$why"
        if [ -n "$why" ]; then
            sed 's/^/    /' "$work/$name.log" >>"$out"
            # What still ran tells a crash from a hang.
            { echo "    Windows processes of the prefix at the end (pid, seconds, command):"
              for pid in $(wine_programs) $(wine_prefix_pids wineserver); do ps -o pid=,etimes=,args= -p "$pid"; done |
                  cut -c1-120 | sed 's/^/      /'
              [ "$(wine_prefix_pids wineserver)" = "${WINE_SESSION_SERVER:-}" ] ||
                  echo "    the session's server (${WINE_SESSION_SERVER:-none}) is not the prefix's server now"
              # The application's last transitions and the driver's state,
              # where they can still be asked (a prefix that did not start
              # ran no test and has no folder yet).
              mkdir -p "$work/$name.files"
              for q in "lifelog main" driver-state; do
                  # shellcheck disable=SC2086 # the subcommand and its arguments
                  timeout 20 wine "$build/tests/e2e/e2e_tool.exe" $q >"$work/$name.files/${q%% *}.txt" 2>&1
              done
              for f in "$work/$name.files"/*; do
                  [ -s "$f" ] || continue
                  echo "    --- $(basename "$f"), its last lines:"
                  tail -n 25 "$f" | cut -c1-200 | sed 's/^/      /'
              done
            } >>"$out"
        fi
        echo "$seconds $name $result" >>"$work/times-$n"
        flock "$work/out.lock" cat "$out"
    done
    wineserver -k >/dev/null 2>&1
    echo "$passed $failed $retries" >"$work/counts-$n"
}

# Shards of about equal time by the last known times (a test not timed yet
# counts 10 s): the longest test first (by name where equal), each to the
# shard with least so far.
# The suite's own timings.txt first: a fresh build has no times yet.
known=$(cat "$suite/timings.txt" "$timings"/*.txt 2>/dev/null | grep -v "^#" | awk '{ t[$2] = $1 } END { for (n in t) print n, t[n] }')
[ -f "$timings/$label.txt" ] && known+=$'\n'$(awk '{ print $2, $1 }' "$timings/$label.txt")
declare -A load=() members=()
for line in $(for name in "${tests[@]}"; do
    t=$(awk -v n="$name" '$1 == n { t = $2 } END { print t + 0 ? t : 10 }' <<<"$known")
    echo "$t:$name"
done | sort -t: -k1,1rn -k2,2); do
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
retries=0
for ((s = 1; s <= shards; s++)); do
    read -r p f r 2>/dev/null <"$work/counts-$s" || { p=0; f=1; r=0; echo "shard $s ended early"; }
    passed=$((passed + p))
    failed=$((failed + f))
    retries=$((retries + r))
done
cat "$work"/times-* 2>/dev/null | sort -rn >"$timings/$label.txt"
echo "e2e: $passed passed, $failed failed$([ "$retries" = 0 ] || echo ", $retries retried steps")"
[ "$failed" = 0 ]

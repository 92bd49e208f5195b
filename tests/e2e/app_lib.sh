# shellcheck disable=SC2034 # the names it sets are for the scripts that source it
# Helpers for the end-to-end tests of rtouch.exe; sourced by test_app_*.sh.
# Every wait polls with a time limit; nothing sleeps for a fixed time.
set -u

# rtouch.exe from another build when the run names one (tests/e2e/run.sh --app).
APP="${RTOUCH_APP_BUILD:-$RTOUCH_BUILD}/rtouch.exe"
source "$RTOUCH_ROOT/tests/e2e/assert_lib.sh"

# A button that a test before this one left held on the display would
# turn the first click into a drag.
held_buttons=$(tool release-buttons | tr -d '\r') || fail "release the mouse buttons"
[ "$held_buttons" = 0 ] || echo "note: $held_buttons mouse buttons were held down at the start"

# 1 when the run plays a 32-bit rtouch.exe (tests/e2e/run.sh --app).
APP_X86=0
x86_64-w64-mingw32-objdump -f "$APP" | grep -q 'file format pei-i386' && APP_X86=1

# Starts the application in the background (APP_PID) and waits until it
# sits in the tray: icon added, main window minimized and hidden.
start_app() {
    # What Wine says of the program (a crash, a lost server) and how it
    # ended go to the test's app.log; APP_PID ends with its exit code.
    local log=/dev/null
    [ -n "${RTOUCH_E2E_FILES:-}" ] && log=$RTOUCH_E2E_FILES/app.log
    {
        local status=0
        echo "$(date +%T) rtouch.exe started"
        wine "$APP" || status=$?
        echo "$(date +%T) rtouch.exe ended with status $status"
        exit $status
    } >>"$log" 2>&1 &
    APP_PID=$!
    tool wait-window ZRN_RTouch Fennimore 15000 >/dev/null || fail "no main window"
    tool wait-tray-icons 1 10000 || fail "no tray icon"
    # Start-up ends with the window minimized, then hidden.
    tool wait-minimized main 10000 || fail "start-up did not finish"
}

# A round trip through the main thread's queue: every message posted to it
# before (a command, a key) has been handled, and what it opened (a dialog,
# a message box) exists by now.
round_trip() { tool round-trip main "$IDC_MAIN_GENERAL" 10000 || fail "no round trip through the main window"; }

# One field of `e2e_tool info SEL` (default: main).
info_field() { tool info "${2:-main}" | sed -n "s/^$1=//p"; }

# Waits up to $2 seconds for process $1 to end and sets EXIT_CODE. Call it
# in the test's own shell (not in $(...)): only there is the process a child.
wait_exit() {
    local deadline=$((SECONDS + $2))
    while kill -0 "$1" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
    EXIT_CODE=0
    wait "$1" || EXIT_CODE=$?
}

# Ends the application by the tray menu's Close and checks that it ended
# with exit code 0 and took its tray icon along ($1 says when).
close_app() {
    tool post main $WM_COMMAND $IDM_CLOSE 0 || fail "post Close ($1)"
    wait_exit "$APP_PID" 10 || fail "the tray menu's Close did not end the application ($1)"
    expect_eq "$EXIT_CODE" 0 "exit code after the tray menu's Close ($1)"
    tool wait-tray-icons 0 5000 || fail "tray icon left behind ($1)"
}

# Shows the main window as a tray double-click does.
restore_main() {
    tool post main $WM_USER 0 $WM_LBUTTONDBLCLK || fail "post tray double-click"
    tool wait-visible main 1 5000 || fail "main window not shown"
}

# Closes window $1 by its caption's close box, as a user does, and waits
# until it is gone.
close_by_box() {
    tool click-caption "$1" close || fail "no close box on $1"
    tool wait-gone "$1" 5000 || fail "the close box did not end $1"
    tool release-buttons >/dev/null || fail "release the mouse buttons"
}

# Crops the screen around a window into $RTOUCH_ARTIFACTS/$2.png.
screenshot() {
    local rect
    # A sent message returns once the window's thread has finished what it
    # was doing (painting included).
    tool send "$1" 0 0 0 >/dev/null || fail "window $1 not responding"
    rect=$(info_field rect "$1")
    IFS=, read -r l t r b <<<"$rect"
    import -window root -crop "$((r - l + 40))x$((b - t + 40))+$((l - 20))+$((t - 20))" +repage \
        "$RTOUCH_ARTIFACTS/$2.png" || fail "screenshot $2"
}

# The RVA of a global of rtouch.exe, from its symbol table.
symbol_rva() {
    local va base
    # A stripped release build keeps its symbols in rtouch.exe.debug.
    local symbols=$APP
    [ -f "$APP.debug" ] && symbols=$APP.debug
    # An x86 build decorates C names: _Name for data, _Name@N for stdcall.
    va=$(x86_64-w64-mingw32-nm "$symbols" |
        awk -v s="$1" '$3 == s || $3 == "_" s || index($3, "_" s "@") == 1 { print $1 }')
    base=$(x86_64-w64-mingw32-objdump -p "$APP" | awk '$1 == "ImageBase" { print $2 }')
    [ -n "$va" ] && [ -n "$base" ] || fail "no symbol $1"
    printf '0x%x\n' $((16#$va - 16#$base))
}

# Waits until the worker runs ($1 = 1) or has ended ($1 = 0).
THREAD_RUNNING_RVA=$(symbol_rva ThreadRunning)
wait_worker() {
    tool wait-u32 main "$THREAD_RUNNING_RVA" "$1" 10000 || fail "ThreadRunning did not become $1"
}

# The session locked and unlocked, the display off and on, as the
# application reads them: the session's own notices, and the display's
# power setting written into the application's process as Windows sends it
# (`tool display-power`). Each returns once the application has taken the
# state: its transition is in the log, and after an unlock or the display's
# return that started a worker, once that worker has read away what the
# driver queued meanwhile. $1: the window (default main).
lock_session() { _park_notice "${1:-main}" SessionLock post $WM_WTSSESSION_CHANGE $WTS_SESSION_LOCK 1; }
unlock_session() { _park_notice "${1:-main}" SessionUnlock post $WM_WTSSESSION_CHANGE $WTS_SESSION_UNLOCK 1; }
display_off() { _park_notice "${1:-main}" DisplayOff display-power 0; }
display_on() { _park_notice "${1:-main}" DisplayOn display-power 1; }

# _park_notice SEL EVENT TOOL-COMMAND ARGS...: delivers the notice, then
# waits as above.
_park_notice() {
    local sel=$1 event=$2 took
    shift 2
    local command=$1
    shift
    tool "$command" "$sel" "$@" >/dev/null || fail "$event not delivered to $sel"
    tool round-trip "$sel" "$IDC_MAIN_GENERAL" 10000 || fail "no round trip through $sel after $event"
    took=$(tool lifelog "$sel" | head -5 | grep -F -m1 -- "--$event-->") ||
        fail "$sel did not take $event: $(tool lifelog "$sel" | head -3)"
    case $took in *StartWorker*) ;; *) return 0 ;; esac
    local parks
    parks=$(tool read-u32 "$sel" "$(symbol_rva Parks)" | tr -d '\r') || fail "read Parks"
    tool wait-u32 "$sel" "$(symbol_rva ParksCaughtUp)" "$parks" 30000 ||
        fail "the worker did not read away what the driver queued before $event"
}

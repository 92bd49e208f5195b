# shellcheck disable=SC2034 # the names it sets are for the scripts that source it
# Helpers for the fault-injection tests: the real rtouch.exe over the
# substitute driver while the driver fails reads and sends, comes short,
# goes away, or while the parameters file is held or swapped. Sourced by
# test_fault_*.sh. Every wait polls with a time limit.
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"

PARAMETER_FILE="$WINEPREFIX/drive_c/windows/ZRNParameters.dat"
PARAMETER_FILE_WIN='C:\windows\ZRNParameters.dat'

# The next $1 reads fail, the next $2 reports come short (6 bytes), the
# next $3 parameter sends fail.
driver_faults() { wine "$DRVCHECK" faults "$1" "$2" "$3" >/dev/null || fail "set faults $*"; }

# The application still runs and its main thread answers messages.
expect_alive() {
    kill -0 "$APP_PID" 2>/dev/null || fail "rtouch.exe ended ($1)"
    tool send main 0 0 0 >/dev/null || fail "the main window does not answer ($1)"
    echo "ok: alive $1"
}

# No message box is up anywhere: the fault was not reported. Looked for
# after a round trip through the main window's thread, which raises them.
expect_no_message_box() {
    local box status=0
    round_trip
    # Status 1 is the tool's "none found"; anything else (a crash) is no answer.
    box=$(tool wait-window "#32770" - 0 2>/dev/null) || status=$?
    [ $status = 0 ] && fail "a message box came up ($1): $(info_field title "$box")"
    [ $status = 1 ] || fail "could not look for a message box ($1): status $status"
    echo "ok: nothing reported $1"
}

# The block of a missing parameters file for this system, as 360 hex digits.
default_block() { system_ctl params --params 'C:\no-such-file.dat' --orientation 0 --hex | tr -d '\r'; }

# The traces of the named gestures with a failed read after about a third
# of the lines, at random places (a fixed seed: every run alike).
gestures_with_failed_reads() {
    local g
    for g in "$@"; do gesture_trace "$g"; done |
        awk 'BEGIN { srand(8) } { print } !/^#/ && rand() < 0.33 { print "fail" }'
}

# How many threads of rtouch.exe run the touch worker right now.
WORKER_RVA=$(symbol_rva TouchThread)
workers() { tool counts main "$WORKER_RVA" | tr -d '\r' | sed -n 's/^started-at //p'; }

# Opens GENERAL and starts a calibration run (SESSION: its window).
start_calibration() {
    open_general
    tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
    SESSION=$(wait_new_popup "$GENERAL") || fail "no calibration window"
}

# Waits for the run to finish (信息), answers it, and checks that the driver
# got the calibration of the clean example trace: $1 says what was fed.
expect_clean_calibration() {
    local box solved
    box=$(tool wait-window "#32770" "$TITLE_MESSAGE" 30000) || fail "the session did not finish ($1)"
    tool click "$box" $IDOK
    tool wait-gone "$SESSION" 5000 || fail "calibration window still there"
    wait_sends 2
    solved=$(system_ctl calibrate "$(winepath -w "$RTOUCH_ROOT/examples/calibration.trace")" --orientation 0 --hex |
        tr -d '\r' | tail -n 1)
    expect_block "$(driver_field block)" "$solved" "the calibration of the clean touches reached the driver ($1)"
}

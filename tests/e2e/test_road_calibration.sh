#!/usr/bin/env bash
# Runs: default winxp x86-wow64
# The calibration run end to end over the driver: nine targets' touches fed
# while the session's timer reads them finish it, the solved block reaches
# the driver and the worker comes back; a degenerate set of touches is
# rejected and the block from before goes back to the driver; unplugging
# during a session ends it as not finished within a few seconds; a Close
# during a session ends the program with 0 and leaves the driver's block.
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"

# Runs the calibration of GENERAL with trace $1 fed once the session's
# window is up; waits for the outcome box under caption $2 and prints its
# text (after closing it).
calibrate_with() {
    local session box text
    tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
    session=$(wait_new_popup "$GENERAL") || fail "no calibration window"
    # The worker stopped before the session began.
    expect_eq "$(tool read-u32 main "$(symbol_rva ThreadRunning)")" 0 "no worker during the session" >&2
    ctl feed "$1" --rate 200 || fail "feed"
    box=$(tool wait-window "#32770" "$2" 30000) || fail "no outcome box under $2"
    text=$(tool item-text "$box" $MSGBOX_TEXT) || fail "read the outcome text"
    tool click "$box" $IDOK
    tool wait-gone "$box" 5000 || fail "outcome box did not end"
    tool wait-gone "$session" 5000 || fail "calibration window still there"
    echo "$text"
}

start_road
open_general

trace=$(winepath -w "$RTOUCH_ROOT/examples/calibration.trace")
expect_eq "$(calibrate_with "$RTOUCH_ROOT/examples/calibration.trace" "$TITLE_MESSAGE")" "$TEXT_CALIBRATION_FINISHED" \
    "the session ended with 1: finished"
wait_sends 2
block=$(driver_field block)
expect_block "$block" "$(live_block)" "the run sent the live block"
# The console tool runs the same session and solve on the same trace, one
# line a tick, from the same start (the defaults of this system).
solved=$(system_ctl calibrate "$trace" --orientation 0 --hex | tr -d '\r')
expect_eq "$(head -n 1 <<<"$solved")" "result 1" "rtouchctl calibrate: result 1"
solved=$(tail -n 1 <<<"$solved")
# CalOrientation records the display orientation of the run: 0.
expect_eq "$(block_field "$block" CalOrientation)" "0000" "CalOrientation"
expect_block "$block" "$solved" "the block as rtouchctl calibrate solves it"
wait_worker 1
echo "ok: the worker runs again"
focus_viewer
# A pinch does not depend on where the fingers are: the new calibration
# mirrors X, which would turn circles round.
expect_received "CTRL + Scroll Up|CTRL + Scroll Up" PinchOut

# All nine targets touched at one spot: the solve is degenerate.
awk '/^[0-9]/ && $3 != 0 { $1 = 2000; $2 = 2000 } { print }' "$RTOUCH_ROOT/examples/calibration.trace" \
    >"$ROAD_WORK/degenerate.trace"
expect_eq "$(system_ctl calibrate "$(winepath -w "$ROAD_WORK/degenerate.trace")" --hex | tr -d '\r' | sed -n 2p)" \
    "rejected" "rtouchctl calibrate rejects the degenerate touches"
expect_eq "$(calibrate_with "$ROAD_WORK/degenerate.trace" "$TITLE_WARNING")" "$TEXT_CALIBRATION_NOT_FINISHED" "degenerate touches: not finished"
wait_sends 3
expect_block "$(driver_field block)" "$block" "the block from before the session went back to the driver"
expect_block "$(live_block)" "$block" "... and is the live block"
wait_worker 1

# Unplugged in the middle of a session: every read fails until the session
# gives up and ends with 0 (the defaults; nothing can be sent).
tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
session=$(wait_new_popup "$GENERAL") || fail "no calibration window"
head -n 80 "$RTOUCH_ROOT/examples/calibration.trace" >"$ROAD_WORK/partial.trace"
ctl feed "$ROAD_WORK/partial.trace" --rate 200 || fail "feed"
wait_queue 0 10
ctl unplug || fail "unplug"
start=$SECONDS
box=$(tool wait-window "#32770" "$TITLE_WARNING" 10000) || fail "the session did not end after the unplug"
echo "ok: the session ended $((SECONDS - start)) s after the unplug"
expect_eq "$(tool item-text "$box" $MSGBOX_TEXT)" "$TEXT_CALIBRATION_NOT_FINISHED" "unplugged session: not finished"
tool click "$box" $IDOK
tool wait-gone "$box" 5000 || fail "outcome box did not end"
tool wait-gone "$session" 5000 || fail "calibration window still there"
expect_block "$(live_block)" "$(system_ctl params --orientation 0 --hex | tr -d '\r')" "result 0: the default block"
expect_eq "$(driver_field sends)" 3 "nothing sent while unplugged"
# The removal notice reaches the main window when the system sends it, not
# with the session's end.
wait_status "$TEXT_DETACHED"
ctl plug || fail "plug"
wait_sends 4
wait_worker 1
expect_block "$(driver_field block)" "$(live_block)" "the default block sent on replug"
focus_viewer
expect_received "Right Arrow" CWCircle

# Close during a session, as the installer's Close before an upgrade or a
# window close: the session ends, nothing is sent (the driver keeps its
# block) and the program ends with 0.
for close in "$WM_COMMAND $IDM_CLOSE" "$WM_CLOSE 0"; do
    sends=$(driver_field sends)
    block=$(driver_field block)
    tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
    session=$(wait_new_popup "$GENERAL") || fail "no calibration window"
    ctl feed "$ROAD_WORK/partial.trace" --rate 200 || fail "feed"
    wait_queue 0 10
    tool post main $close 0 || fail "post $close"
    wait_exit "$APP_PID" 10 || fail "$close during a session did not end the application"
    expect_eq "$EXIT_CODE" "0" "exit code after $close during a session"
    expect_eq "$(driver_field sends)" "$sends" "nothing sent after $close during a session"
    expect_block "$(driver_field block)" "$block" "the driver keeps its block after $close during a session"
    start_app
    wait_worker 1
    open_general
done

#!/usr/bin/env bash
# Runs: default x86-native
# The device goes away while the worker is held inside a read, while a
# parameter send is on its way, and for a moment during a calibration
# session: the program runs on, follows the device in its status line and,
# once the device is back, sends the block again and runs exactly one
# worker, through which gestures arrive.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

# Replugs and checks the recovery: status, one more block sent (the live
# one), one worker, a gesture through it.
replug_and_recover() {
    local sends
    sends=$(driver_field sends)
    ctl plug || fail "plug"
    wait_status "$TEXT_ATTACHED"
    wait_sends $((sends + 1))
    expect_block "$(driver_field block)" "$(live_block)" "the live block sent again $1"
    wait_worker 1
    expect_eq "$(workers)" 1 "one worker $1"
    focus_viewer
    expect_received "Right Arrow" CWCircle
}

start_road

# The driver holds the worker's read, as a slow controller would: the
# unplug comes while the worker sits in its read.
hold_reads 1
wait_driver waiting 1
ctl unplug || fail "unplug"
wait_status "$TEXT_DETACHED"
wait_worker 0
expect_alive "after an unplug during a held read"
hold_reads 0
replug_and_recover "after an unplug during a read"

# A send while the worker's read is held, and the unplug right behind it:
# sent or not, nothing goes wrong.
hold_reads 1
wait_driver waiting 1
tool post main $WM_COMMAND $IDC_MAIN_PARAMETERS 0 || fail "post IDC_MAIN_PARAMETERS"
dlg=$(tool wait-popup main 5000) || fail "parameters dialog did not open"
tool post "$dlg" $WM_CLOSE 0 0 || fail "post close"
ctl unplug || fail "unplug"
tool wait-gone "$dlg" 5000 || fail "the dialog did not end"
wait_status "$TEXT_DETACHED"
wait_worker 0
expect_no_message_box "after an unplug during a send"
expect_alive "after an unplug during a send"
hold_reads 0
replug_and_recover "after an unplug during a send"

# Calibration asked for while the device is away: the session cannot find
# it and the run ends as not finished; the device's return still brings
# the block and the worker back.
open_general
ctl unplug || fail "unplug"
wait_status "$TEXT_DETACHED"
wait_worker 0
tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
# The session finds no device, and the run did not finish.
answer_box "$TITLE_NO_DEVICE" "$TEXT_NO_DEVICE" $IDOK
answer_box "$TITLE_WARNING" "$TEXT_CALIBRATION_NOT_FINISHED" $IDOK
replug_and_recover "after a calibration run without the device"

# Out and back in while the calibration session runs, inside the second
# of failed reads after which it probes the driver: the session's old
# handle is dead for good, so it must find the driver present and go on
# with a new channel, which the touches fed afterwards finish the run on.
# No worker may read beside the session, and after the run exactly one does.
tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
session=$(wait_new_popup "$GENERAL") || fail "no calibration window"
wait_worker 0
tool plug-cycles 1 5000 || fail "unplug and replug"
expect_eq "$(workers)" 0 "no worker during the session after the device came back"
ctl feed "$RTOUCH_ROOT/examples/calibration.trace" --rate 200 || fail "feed"
box=$(tool wait-window "#32770" "$TITLE_MESSAGE" 30000) || fail "the session did not finish on a new channel"
tool click "$box" $IDOK
tool wait-gone "$session" 5000 || fail "calibration window still there"
expect_eq "$(driver_field queue)" 0 "the session read every touch"
wait_worker 1
expect_eq "$(workers)" 1 "one worker after the run"
focus_viewer
expect_received "CTRL + Scroll Up|CTRL + Scroll Up" PinchOut
expect_alive "at the end"

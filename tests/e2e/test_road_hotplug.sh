#!/usr/bin/env bash
# Runs: default winxp win10 x86-wow64 x86-native
# Unplugging while the worker runs stops it and says so; replugging sends
# the block again, restarts the worker and gestures work again (the General
# button's part is test_app_device's); a hundred quick unplug / replug
# cycles leave exactly one worker and no handle behind; the console leaving
# the session stops the worker as an unplug does, away from it nothing
# reaches the controller (a resume, an editor's close, a calibration asked
# for or running), and its return sends the block and restarts it.
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"

start_road

ctl unplug || fail "unplug"
wait_status "$TEXT_DETACHED"
wait_worker 0
echo "ok: the worker ended"
# The transition is in the log by name, where support can read it.
tool lifelog main | grep -qF "Running --DeviceNotice--> NoDevice: StopWorker" ||
    fail "the removal is not in the transition log: $(tool lifelog main | head -3)"
echo "ok: the transition log names the removal"
expect_eq "$(driver_field sends)" 1 "nothing sent on removal"
# The worker is the one thread that starts at TouchThread.
worker_rva=$(symbol_rva TouchThread)
counts() { tool counts main "$worker_rva" | tr -d '\r' | paste -sd ' '; }
unplugged=$(counts)
echo "unplugged: $unplugged"

ctl plug || fail "plug"
wait_status "$TEXT_ATTACHED"
wait_sends 2
expect_block "$(driver_field block)" "$(live_block)" "the live block sent again on replug"
wait_worker 1
echo "ok: the worker runs again"
expect_received "Left Arrow" CCWCircle

before=$(counts)
echo "before the cycles: $before"
case $before in *"started-at 1") ;; *) fail "not exactly one worker: $before" ;; esac
tool plug-cycles "${ROAD_PLUG_CYCLES:-100}" 5000 || fail "plug cycles"
# At least one block for each return; a notice handled after the new
# worker opened its handle makes it take another and ask again.
wait_driver sends ">=$((2 + ${ROAD_PLUG_CYCLES:-100}))"
wait_driver block "$(live_block)"
wait_worker 1
expect_eq "$(counts)" "$before" "handles, threads and the one worker after the cycles"
expect_received "Right Arrow|CTRL + Scroll Down|CTRL + Scroll Down" RPan PinchIn

# The console goes to another session (fast user switching, Remote
# Desktop) and comes back. Wine has one session, number 1: the console is
# moved as the application reads it, and the notice only says to read it.
tool set-console main 2 || fail "move the console"
tool post main $WM_WTSSESSION_CHANGE $WTS_CONSOLE_DISCONNECT 1 || fail "post console disconnect"
wait_worker 0
echo "ok: the worker ended with the console gone"
# Counted once the worker has ended: a block it asked for before is sent.
sends=$(driver_field sends)
tool send main $WM_DEVICECHANGE $DBT_DEVNODES_CHANGED 0 >/dev/null || fail "send device change"
expect_eq "$(tool read-u32 main "$THREAD_RUNNING_RVA")" "0" "a device notice away from the console starts no worker"
expect_eq "$(tool item-enabled main $IDC_MAIN_GENERAL)" "0" "General disabled away from the console"
# Whatever the user or another program does away from the console, nothing
# reaches the controller: a resume, an editor closed by its close box, a
# calibration asked for (refused: the button is disabled, the command
# answered "not finished" without a session).
tool send main $WM_POWERBROADCAST $PBT_APMRESUMEAUTOMATIC 0 >/dev/null || fail "send resume"
params=$(open_from main $IDC_MAIN_PARAMETERS)
tool post "$params" $WM_CLOSE 0 0 || fail "close Parameters"
tool wait-gone "$params" 5000 || fail "Parameters did not close"
open_general
expect_eq "$(tool item-enabled "$GENERAL" $IDC_CALIBRATE)" "0" "Calibration disabled away from the console"
tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
box=$(tool wait-window "#32770" "$TITLE_WARNING" 10000) || fail "the refused calibration said nothing"
tool click "$box" $IDOK
tool wait-gone "$box" 5000 || fail "the box stayed"
# What the box's OK set off has been handled before the count.
round_trip
expect_eq "$(driver_field sends)" "$sends" "nothing sent away from the console"
# A connect that is not the console's (a RemoteFX session reports one):
# the console read says another session, and the copy stays away.
tool send main $WM_WTSSESSION_CHANGE $WTS_CONSOLE_CONNECT 1 >/dev/null || fail "send a remote connect"
expect_eq "$(tool lifelog main | head -1 | tr -d '\r')" "Away --SessionChange--> Away:" "a remote connect changes nothing"
expect_eq "$(tool read-u32 main "$THREAD_RUNNING_RVA")" "0" "no worker after a remote connect"
tool set-console main 1 || fail "move the console back"
tool post main $WM_WTSSESSION_CHANGE $WTS_CONSOLE_CONNECT 1 || fail "post console connect"
wait_sends $((sends + 1))
wait_worker 1
expect_block "$(driver_field block)" "$(live_block)" "the live block sent when the console came back"
expect_eq "$(tool item-enabled "$GENERAL" $IDC_CALIBRATE)" "1" "Calibration enabled at the console"

# The console leaves during a calibration: the session ends at once, the
# block from before stays, nothing is sent.
before=$(live_block)
sends=$(driver_field sends)
tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
session=$(wait_new_popup "$GENERAL") || fail "no calibration window"
tool set-console main 2 || fail "move the console"
tool post main $WM_WTSSESSION_CHANGE $WTS_CONSOLE_DISCONNECT 1 || fail "post console disconnect"
box=$(tool wait-window "#32770" "$TITLE_WARNING" 10000) || fail "the ended calibration said nothing"
tool wait-gone "$session" 5000 || fail "the calibration window stayed"
tool click "$box" $IDOK
tool wait-gone "$box" 5000 || fail "the box stayed"
round_trip
expect_eq "$(live_block)" "$before" "the block from before kept"
expect_eq "$(driver_field sends)" "$sends" "nothing sent when the console left a calibration"
tool post "$GENERAL" $WM_CLOSE 0 0 || fail "close GENERAL"
tool wait-gone "$GENERAL" 5000 || fail "GENERAL did not close"
tool set-console main 1 || fail "move the console back"
tool post main $WM_WTSSESSION_CHANGE $WTS_CONSOLE_CONNECT 1 || fail "post console connect"
wait_sends $((sends + 1))
wait_worker 1
focus_viewer
expect_received "Right Arrow" CWCircle

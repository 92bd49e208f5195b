#!/usr/bin/env bash
# Runs: default x86-native
# Parameter sends that the driver fails, at start-up, at a dialog's close
# and at the device's arrival: the program runs on with the driver counted
# present, says nothing, and the next send delivers the live block.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

# Opens the parameters dialog (command IDC_MAIN_PARAMETERS), optionally moves its first
# slider one step ($1 = right), and ends it with its close box, which sends.
parameters_close() {
    local dlg
    tool post main $WM_COMMAND $IDC_MAIN_PARAMETERS 0 || fail "post IDC_MAIN_PARAMETERS"
    dlg=$(tool wait-popup main 5000) || fail "parameters dialog did not open"
    [ "${1:-}" = right ] && tool key "$dlg" $VK_RIGHT
    tool click-caption "$dlg" close || fail "no close box"
    tool wait-gone "$dlg" 5000 || fail "the close box did not end the dialog"
}

install_driver
driver_faults 0 0 1
start_app
wait_status "$TEXT_ATTACHED"
expect_eq "$(tool item-enabled main $IDC_MAIN_GENERAL)" 1 "General enabled after a failed start-up send"
wait_worker 1
expect_eq "$(driver_field sends)" 0 "the start-up send failed"
expect_no_message_box "after the failed start-up send"
expect_alive "after the failed start-up send"

parameters_close
wait_sends 1
expect_block "$(driver_field block)" "$(default_block)" "the next send delivered the start-up block"

driver_faults 0 0 1
parameters_close right
wait_live DoubleClickArea 1500 5
# The failed send is counted by nobody: wait until the dialog's thread is
# past it (the dialog is gone), then look.
expect_eq "$(driver_field sends)" 1 "the send at the dialog's close failed"
expect_no_message_box "after the failed dialog send"
expect_alive "after the failed dialog send"
parameters_close
wait_sends 2
expect_block "$(driver_field block)" "$(live_block)" "the next send delivered the edited block"

# The send of a device arrival fails: the worker starts all the same.
ctl unplug || fail "unplug"
wait_status "$TEXT_DETACHED"
wait_worker 0
driver_faults 0 0 1
ctl plug || fail "plug"
wait_status "$TEXT_ATTACHED"
wait_worker 1
expect_eq "$(driver_field sends)" 2 "the arrival's send failed"
expect_no_message_box "after the failed arrival send"

start_viewer
expect_received "Right Arrow" CWCircle

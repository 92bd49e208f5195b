#!/usr/bin/env bash
# Runs: default x86-wow64 x86-native
# The device unplugged and replugged while the main window is busy: its
# notices find the device present, so nobody stops the worker, whose handle
# the driver now fails for good. A gesture fed after each such bounce must
# still arrive: the notices make the worker open a new handle after its next
# failed read, and the device, which forgot the block when it went, gets it
# again through the worker's request.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

ROUNDS=3

start_road

# The bounce holds the main window's thread while the device goes and comes
# back, so no notice can find it absent: no stop, no restart.
live=$(live_block)
for round in $(seq "$ROUNDS"); do
    tool plug-bounce 1 || fail "plug-bounce"
    expect_alive "after bounce $round"
    wait_driver block "$live"
    expect_received "Right Arrow" CWCircle
done
driver_snapshot
expect_eq "${DRIVER[plugged]}" 1 "the device plugged at the end"
expect_eq "$(workers)" 1 "one worker at the end"

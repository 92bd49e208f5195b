#!/usr/bin/env bash
# The device unplugged and replugged faster than the main window looks: its
# notices find the device present, so nobody stops the worker, whose handle
# the driver now fails for good. A gesture fed after each such bounce must
# still arrive: the worker opens a new handle after a run of failed reads.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

# Whether the main window saw a bounce is up to the scheduler (about half
# of them go unseen here): bounce until $WANTED went unseen, at most $ROUNDS.
WANTED=2
ROUNDS=20

install_driver
start_app
wait_worker 1
start_viewer
expect_received "Right Arrow" CWCircle

unseen=0
round=0
while [ "$unseen" -lt "$WANTED" ]; do
    round=$((round + 1))
    [ "$round" -le "$ROUNDS" ] || fail "only $unseen of $ROUNDS bounces went unseen by the main window"
    sends=$(driver_field sends)
    tool plug-bounce 1 || fail "plug-bounce"
    expect_alive "after bounce $round"
    expect_received "Right Arrow" CWCircle
    # A removal the main window saw would have sent the block again on arrival.
    [ "$(driver_field sends)" = "$sends" ] && unseen=$((unseen + 1))
done
echo "bounces the main window found present at both notices: $unseen of $round"
expect_eq "$(workers)" 1 "one worker at the end"
expect_eq "$(driver_field plugged)" 1 "the device plugged at the end"

#!/usr/bin/env bash
# Runs: default x86-wow64 x86-native
# A report that comes short (6 of its 12 bytes) is a failed read: the rest
# of the buffer, left from the report before, never makes a touch. Neither
# the worker nor the calibration session takes anything from it.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

# Feeds one whole report, waits until it is read, then feeds file $1 with
# its first $2 reports short.
feed_after_touch() {
    echo "$TOUCH" >"$ROAD_WORK/touch.trace"
    ctl feed "$ROAD_WORK/touch.trace" || fail "feed the whole touch"
    wait_queue 0 10
    driver_faults 0 "$2" 0
    ctl feed "$1" || fail "feed $1"
    wait_queue 0 30
}

start_road

# A whole one-finger touch, then a clockwise circle whose every report comes
# short: were the stale bytes of the touch taken, the circle would be a
# gesture.
TOUCH=$(gesture_trace CWCircle | grep -v '^#' | head -n 1)
gesture_trace CWCircle >"$ROAD_WORK/circle.trace"
before=$(viewer_gesture_count)
feed_after_touch "$ROAD_WORK/circle.trace" "$(grep -vc '^#' "$ROAD_WORK/circle.trace")"
# Whole reports again: the lift ends the one-report touch, then the next
# gestures arrive exactly, and nothing came before them.
expect_received "Left Arrow|CTRL + Scroll Down|CTRL + Scroll Down" CCWCircle PinchIn
expect_eq "$(viewer_gestures | tail -n +$((before + 1)) | paste -sd '|')" \
    "Left Arrow|CTRL + Scroll Down|CTRL + Scroll Down" "no gesture from short reports"

# The calibration session: a whole touch beside the first target, then
# short touches there, then the clean touches of all nine targets. Only
# the clean ones make the calibration.
start_calibration
TOUCH="1000 1000 1000 1500 0 0 0 0"
{ for _ in $(seq 40); do echo "$TOUCH"; done; cat "$RTOUCH_ROOT/examples/calibration.trace"; } \
    >"$ROAD_WORK/calibration.trace"
feed_after_touch "$ROAD_WORK/calibration.trace" 40
expect_clean_calibration "no sample from short reports"
expect_alive "at the end"

#!/usr/bin/env bash
# Runs: default win10
# Nothing read while nobody can use the screen: strokes fed while the
# session is locked, or while the display is off, wait in the driver
# unread and send nothing, neither then nor after the return, when the
# worker reads them away; a stroke fed after the return arrives. A forged
# "calibration ended" from another program changes nothing.
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"

start_road
sends=$(driver_field sends)
received=$(viewer_gesture_count)

# Each pair: what is fed while parked (it would send keys), and the marker
# fed after the return.
park_round() {  # PARK RETURN MARKER-GESTURE MARKER-KEY
    $1
    wait_worker 0
    feed_gestures CWCircle DPan
    local queued
    queued=$(driver_field queue)
    [ "$queued" -gt 0 ] || fail "nothing queued while parked ($1)"
    round_trip
    viewer_round_trip
    expect_eq "$(driver_field queue)" "$queued" "nobody reads the driver while parked ($1)"
    expect_eq "$(driver_field sends)" "$sends" "nothing sent while parked ($1)"
    $2
    expect_eq "$(driver_field queue)" 0 "what was queued is read away after $2"
    sends=$((sends + 1))
    expect_eq "$(driver_field sends)" "$sends" "the return sends the block ($2)"
    expect_received "$4" "$3"
    received=$((received + 1))
    expect_eq "$(viewer_gesture_count)" "$received" "only the stroke after $2 reached the viewer"
}
park_round lock_session unlock_session RPan "Right Arrow"
park_round display_off display_on LPan "Left Arrow"

tool post main $((WM_APP + 2)) 0 0 || fail "post a forged calibration end"
round_trip
tool lifelog main | head -3 | grep -qF -- "--CalibrationEnded-->" &&
    fail "a forged calibration end reached the lifecycle: $(tool lifelog main | head -1)"
echo "ok: a forged calibration end changes nothing"
close_app "after the parks"

#!/usr/bin/env bash
# Runs: default x86-native
# Reads that fail, in bursts and at random places inside gestures, leave
# the gestures as they were; reports that come short (6 of 12 bytes) amid
# noise and gestures neither end nor stall the worker, and once they stop
# gestures arrive exactly again.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

start_road

# A burst of failed reads, then gestures with a failed read after about a
# third of their reports: a failed read is skipped, so every gesture
# arrives as without failures; a two-finger pan and an arc too, whose
# strokes span many reads.
failing=(CWCircle PinchOut RPan RArc)
gestures_with_failed_reads "${failing[@]}" >"$ROAD_WORK/failing.trace"
echo "failed reads inside the gestures: $(grep -c '^fail' "$ROAD_WORK/failing.trace")"
driver_faults 500 0 0
before=$(viewer_gesture_count)
ctl feed "$ROAD_WORK/failing.trace" --rate 1000 || fail "feed"
expected=$(map_labels "$(live_map)" "${failing[@]}")
wait_gestures $((before + $(tr '|' '\n' <<<"$expected" | grep -c .))) 15
settle_road
expect_eq "$(viewer_gestures | tail -n +$((before + 1)) | paste -sd '|')" "$expected" \
    "gestures with failed reads inside arrive unchanged"
expect_alive "after failed reads"

# Short reports: noise of every value, then every gesture, all of them
# 6 bytes long; whatever they make of it, the worker reads on.
awk 'BEGIN { srand(12); for (i = 0; i < 300; i++)
    printf "%d %d %d %d %d %d %d %d\n", rand() * 65536, rand() * 65536, rand() * 65536,
           rand() * 65536, rand() * 256, rand() * 256, rand() * 256, rand() * 256 }' >"$ROAD_WORK/short.trace"
for g in "${ALL_GESTURES[@]}"; do gesture_trace "$g"; done >>"$ROAD_WORK/short.trace"
reports=$(grep -vc '^#' "$ROAD_WORK/short.trace")
driver_faults 0 "$reports" 0
ctl feed "$ROAD_WORK/short.trace" --rate 2000 || fail "feed"
wait_queue 0 15
echo "ok: $reports short reports read"
expect_alive "after short reads"
expect_eq "$(tool read-u32 main "$THREAD_RUNNING_RVA")" 1 "the worker still runs"

# Whole reports again: the gestures arrive exactly.
expect_received "CTRL + Scroll Down|CTRL + Scroll Down" PinchIn
expect_eq "$(driver_field sends)" 1 "no block sent meanwhile"

# The calibration session through failed reads: a burst longer than the
# session's patience before it probes (the device is there, so it goes
# on), then the nine targets' touches with failed reads among them. It
# finishes with the calibration the clean touches give.
start_calibration
driver_faults 250 0 0
awk 'BEGIN { srand(9) } { print } /^[0-9]/ && rand() < 0.1 { print "fail" }' \
    "$RTOUCH_ROOT/examples/calibration.trace" >"$ROAD_WORK/calibration.trace"
ctl feed "$ROAD_WORK/calibration.trace" --rate 200 || fail "feed"
expect_clean_calibration "through failed reads"
wait_worker 1
expect_alive "after a calibration through failed reads"

#!/usr/bin/env bash
# Runs: default x86-wow64 x86-native
# The device goes and comes back while the last worker has not yet ended
# (it is held, suspended, where it stands) and device notices keep coming:
# no second worker starts beside it, and once it runs again it ends and
# exactly one worker follows, through which each gesture arrives once.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

start_road

# The worker's thread id: the one that follows it is another thread, made
# by CreateThread when the retry finds the held one ended.
first=$(tool threads-at main "$WORKER_RVA" | tr -d '\r') || fail "the worker's thread"
held=$(tool suspend-at main "$WORKER_RVA" | tr -d '\r') || fail "suspend the worker"
expect_eq "$held" 1 "the worker held"
out=$(ctl unplug 2>&1) || fail "unplug: $out"
wait_status "$TEXT_DETACHED"
ctl plug || fail "plug"
# The arrival is handled: the status line is written where a worker starts.
wait_status "$TEXT_ATTACHED"
for _ in 1 2 3; do tool post main $WM_DEVICECHANGE $DBT_DEVNODES_CHANGED 0 || fail "post a device notice"; done
# Counted once the main thread has handled the notices: a worker they
# started would exist by then.
round_trip
expect_eq "$(workers)" 1 "no second worker while the last one has not ended"

released=$(tool resume-at main "$WORKER_RVA" | tr -d '\r') || fail "resume the worker"
expect_eq "$released" 1 "the worker released"
# The held worker ends and one new worker takes its place (the old thread
# may still be ending beside it for a moment); the gesture then goes
# through the new one.
deadline=$((SECONDS + 15))
until now=$(tool threads-at main "$WORKER_RVA" | tr -d '\r') && [ -n "$now" ] &&
    [ "$(wc -l <<<"$now")" = 1 ] && [ "$now" != "$first" ]; do
    [ $SECONDS -lt $deadline ] || fail "no one new worker after the held one (threads: '$now', held: $first)"
    sleep 0.05
done
echo "ok: one new worker after the held one ended"
wait_worker 1
expect_received "Right Arrow" CWCircle
expect_eq "$(tool threads-at main "$WORKER_RVA" | tr -d '\r')" "$now" "the gesture went through the new worker, which runs on"
expect_alive "at the end"

#!/usr/bin/env bash
# Runs: default x86-native
# feed / record through the driver: a trace comes back identically (failed
# reads skipped), at about the paced rate, and usage errors exit 2.
source "$RTOUCH_ROOT/tests/e2e/driver_lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

install_driver

# 125 reports with failed reads and comments in between.
make_trace 125 "$work/trace"
sed -i -e '10i fail' -e '50i\   # a comment' -e '80i fail' "$work/trace"
ctl feed "$work/trace" || fail "feed"
expect_eq "$(driver_field queue)" 127 "queue length after the feed (reports and failed reads)"

ctl record --count 125 >"$work/recorded" || fail "record"
grep -v -e '^ *#' -e '^fail$' "$work/trace" | cmp - <(tr -d '\r' <"$work/recorded") \
    || fail "recorded reports differ from the trace"
echo "ok: record gives back the fed reports"
# The pacing as the driver timed it: 127 entries at 125 per second are 126
# periods of 8 ms from the first to the last (less a microsecond of
# rounding), never sooner. Later only by a reader that came late, which a
# loaded machine decides: the span is shown, not judged from above.
driver_snapshot
expect_eq "${DRIVER[queue]} ${DRIVER[taken]}" "0 127" "queue drained, every entry taken"
span_ms=$((${DRIVER[taken-span-us]} / 1000))
[ "$span_ms" -ge 1007 ] || fail "127 entries at 125/s spanned $span_ms ms, less than 126 periods"
echo "ok: 127 entries at the default rate spanned $span_ms ms in the driver (at least 1007)"

# A faster rate, recorded into a file.
make_trace 300 "$work/fast"
ctl feed "$work/fast" --rate 2000 || fail "feed --rate 2000"
expect_eq "$(driver_field rate)" 2000 "rate after feed --rate 2000"
ctl record --count 300 "$work/fast.recorded" || fail "record to a file"
grep -v '^#' "$work/fast" | cmp - "$work/fast.recorded" || fail "file differs from the trace"
driver_snapshot
span_ms=$((${DRIVER[taken-span-us]} / 1000))
# 299 periods of 0.5 ms at least; a reader late by a period restarts the
# schedule, which at this rate no bound above would tell from a slow one.
[ "${DRIVER[taken]}" = 300 ] && [ "$span_ms" -ge 149 ] ||
    fail "300 entries at 2000/s: ${DRIVER[taken]} taken over $span_ms ms"
echo "ok: 300 reports at 2000 per second spanned $span_ms ms in the driver, written to the file"
ctl feed "$work/trace" >/dev/null
driver_snapshot
expect_eq "${DRIVER[rate]} ${DRIVER[queue]}" "125 127" "queued again, at the default rate (feed without --rate)"
# rtouchctl's own view of the state: the same six fields.
expect_eq "$(ctl driver-state | tr -d '\r')" "$(tool driver-state | tr -d '\r' | head -n 6)" "rtouchctl driver-state"
# record --count 0 reads nothing.
expect_eq "$(ctl record --count 0)" "" "record --count 0"
expect_eq "$(driver_field queue)" 127 "record --count 0 leaves the queue"

# Usage errors: one line on standard error, exit 2, nothing queued.
printf '1 2 3 4 5 6 7 8\n1 2 3 70000 5 6 7 8\n' >"$work/bad"
for args in "feed" "feed $work/missing" "feed $work/bad" "feed $work/trace --rate 0" \
            "feed $work/trace --rate x" "feed $work/trace extra" "record --count" \
            "record --bogus" "record a b" "driver-state extra" "unplug now" "plug --rate 3" \
            "read-wait" "read-wait 60001" "read-wait -1" "read-wait 2 3"; do
    err=$(ctl $args 2>&1 >/dev/null)
    status=$?
    [ "$status" = 2 ] || fail "'$args': exit status $status: '$err'"
    case $err in rtouchctl:*) ;; *) fail "'$args': '$err'" ;; esac
    # A usage line may follow the message.
    [ "$(printf '%s\n' "$err" | grep -vc '^usage:')" = 1 ] || fail "'$args': '$err'"
done
echo "ok: usage errors"
err=$(ctl feed "$work/bad" 2>&1 >/dev/null)
case $err in *bad*"line 2"*) echo "ok: the trace error names file and line" ;; *) fail "'$err'" ;; esac
expect_eq "$(driver_field queue)" 127 "failed feeds queue nothing"

# record to standard output while the device goes away: every report read
# is kept and nothing else (not the lookup's diagnostics), then the capture
# ends with status 1 and says why. Without the device, an earlier capture is
# left alone.
# Bounded: a capture that does not end at the unplug fails (status 124).
timeout 60 wine "$CTL" record >"$work/unplugged.recorded" 2>"$work/record.err" &
recorder=$!
wait_queue 0 10
ctl unplug || fail "unplug"
status=0
wait "$recorder" || status=$?
[ "$status" != 124 ] || fail "record did not end within 60 s of the unplug"
expect_eq "$status" 1 "record's exit status when the device goes away"
grep -q "went away" "$work/record.err" || fail "record's message: '$(cat "$work/record.err")'"
grep -v -e '^ *#' -e '^fail$' "$work/trace" | cmp - <(tr -d '\r' <"$work/unplugged.recorded") \
    || fail "the reports read before the unplug differ from the trace"
ctl record --count 1 "$work/fast.recorded" 2>/dev/null && fail "record without the device succeeded"
grep -v '^#' "$work/fast" | cmp - "$work/fast.recorded" || fail "record without the device touched the file"
ctl plug || fail "plug"
echo "ok: record ends when the device goes, and leaves files alone without it"

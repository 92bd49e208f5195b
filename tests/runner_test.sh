#!/usr/bin/env bash
# The end-to-end runner's time limit on a planted hang: a test of a
# RTOUCH_E2E_SUITE folder that never ends fails within RTOUCH_E2E_TIMEOUT,
# with what still ran, its Windows program ended, and the next test runs.
# Usage: tests/runner_test.sh BUILD_DIR (the win64 build)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build dir}
limit=5
fail=0
check() {  # ACTUAL EXPECTED WHAT
    if [ "$1" = "$2" ]; then echo "ok: $3"; else echo "FAIL: $3: got '$1', expected '$2'"; fail=1; fi
}
record=$(mktemp "$root/build/runner-test.XXXXXX")
trap 'rm -f "$record"' EXIT
start=$SECONDS
out=$(RTOUCH_RESULTS=$record RTOUCH_E2E_SUITE=$root/tests/e2e/hang RTOUCH_E2E_TIMEOUT=$limit \
    "$root/tests/e2e/run.sh" --shards 1 "$build" test_hangs test_passes 2>&1)
status=$?
took=$((SECONDS - start))
echo "$out"
check "$status" 1 "the run fails"
check "$(grep -c "^FAIL test_hangs .*: no end within $limit s" <<<"$out")" 1 "the hanging test fails on its time limit"
check "$(grep -A3 '^FAIL test_hangs' <<<"$out" | grep -c 'sleep 600')" 1 "its failure lists what still ran"
check "$(grep -c '^PASS test_passes' <<<"$out")" 1 "the next test runs and passes"
check "$(cut -f1,2 "$record" | tr '\t' ' ' | sort | tr '\n' ';')" \
    "FAIL e2e-hang/test_hangs;PASS e2e-hang/test_passes;" "the record has both"
# The hang's own time is bounded by the limit; the rest is two prefixes
# started and one template booted.
[ "$(grep -oP '^FAIL test_hangs \(\K[0-9]+' <<<"$out")" -lt $((limit + 3)) ] ||
    { echo "FAIL: the hanging test was not ended within $limit s"; fail=1; }
echo "the run took $took s"
exit $fail

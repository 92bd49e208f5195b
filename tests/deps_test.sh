#!/usr/bin/env bash
# The 32-bit Wine step of scripts/lib/deps.sh with apt and the machine
# played by stubs, and the run's record of scripts/lib/results.sh: a wine32
# that cannot be installed, or is switched off, leaves the suite running
# with every x86 run listed as skipped, or failed where it is required; a
# failed update is retried; the summary counts every line.
set -u
# As a fresh shell would run it, not inside a run of scripts/test.
unset RTOUCH_DEPS_CHECKED RTOUCH_WINE32 RTOUCH_WINE32_SKIP RTOUCH_NO_WINE32 RTOUCH_REQUIRE_WINE32 RTOUCH_REQUIRE \
    RTOUCH_RESULTS
root=$1
fail=0
check() {  # ACTUAL EXPECTED WHAT
    if [ "$1" = "$2" ]; then echo "ok: $3"; else echo "FAIL: $3: got '$1', expected '$2'"; fail=1; fi
}

# Runs ensure_deps on a machine that runs 32-bit code, has every package but
# wine32 (installed=1: wine32 too) and whose apt-get update fails its first
# $1 times; the install succeeds when $2 = 1. Runs it twice, as scripts/test
# and the scripts/package it starts do. Prints the first status, the reason
# the x86 runs cannot run, the number of updates and of output lines, and
# the last line.
scenario() {
    (
        source "$root/scripts/lib/deps.sh"
        RTOUCH_APT_PAUSE=0
        updates=0
        rtouch_runs_i386() { true; }
        rtouch_installed() { [ "$1" != wine32:i386 ] || [ "${installed:-0}" = 1 ]; }
        dpkg() { echo i386; }
        rtouch_sudo() {
            case "$1 $2" in
                "apt-get update") updates=$((updates + 1)); [ $updates -gt "$fails" ] || echo "E: File has unexpected size" ;;
                "apt-get install") [ "$install_ok" = 1 ] ;;
            esac
        }
        fails=$1 install_ok=$2
        log=$(mktemp)
        ensure_deps >"$log"
        status=$?
        # A script the first one starts (scripts/package) tries nothing again.
        ensure_deps >>"$log"
        echo "status $status skip '$(rtouch_wine32_skip_reason)' updates $updates lines $(wc -l <"$log")"
        tail -n 1 "$log"
        rm -f "$log"
    )
}

result=$(scenario 9 0)
check "$(head -n 1 <<<"$result")" "status 0 skip 'wine32:i386 could not be installed' updates 3 lines 4" \
    "an index that never comes and a failed install: the suite goes on, the reason kept, updates bounded"
check "$(tail -n 1 <<<"$result")" \
    "x86 runs under Wine skipped on this machine (wine32:i386 could not be installed): scripts/test lists each in its summary" \
    "one line says why the x86 runs are skipped and where they are listed"
check "$(RTOUCH_REQUIRE_WINE32=1 scenario 9 0 | tail -n 1)" \
    "x86 runs under Wine cannot run on this machine (wine32:i386 could not be installed): they are required, so each fails" \
    "RTOUCH_REQUIRE_WINE32=1: the line says the x86 runs will fail"
check "$(scenario 1 1 | head -n 1)" "status 0 skip '' updates 2 lines 1" "an update that fails once is tried again"
check "$(RTOUCH_WINE32=off installed=1 scenario 0 1 | head -n 1)" \
    "status 0 skip 'switched off (RTOUCH_WINE32=off)' updates 0 lines 1" \
    "RTOUCH_WINE32=off skips the x86 runs where wine32 is installed"
check "$(RTOUCH_NO_WINE32=1 installed=1 scenario 0 1 | head -n 1)" \
    "status 0 skip 'switched off (RTOUCH_NO_WINE32=1)' updates 0 lines 1" \
    "the deprecated RTOUCH_NO_WINE32=1 still switches them off"

# The probe runs from the build folder: a /tmp it cannot use changes nothing.
(
    source "$root/scripts/lib/deps.sh"
    rtouch_runs_i386 && here=yes || here=no
    TMPDIR=/nonexistent rtouch_runs_i386 && notmp=yes || notmp=no
    check "$notmp" "$here" "the 32-bit probe does not depend on /tmp"
    exit $fail
) || fail=1

# The record: a skip of a part that is required fails, naming what; the
# summary lists skips with their reason, fails on any failure or on a run
# that ran nothing, and ends on one line of counts.
record() {  # [VAR=VALUE...] prints the status of result_skip and the summary's, and the summary
    (
        source "$root/scripts/lib/results.sh"
        # shellcheck disable=SC2030 # each record is its own subshell's
        RTOUCH_RESULTS=$(mktemp)
        result_record PASS "e2e/test_a"
        result_record RETRY "e2e/test_a" "the touch interface did not appear"
        result_skip wine32 "e2e-win32/test_b" "no 32-bit Wine" >/dev/null
        echo "skip $?"
        summary=$(result_summary)
        echo "summary $?"
        echo "$summary"
        rm -f "$RTOUCH_RESULTS"
    )
}
result=$(record)
check "$(head -n 2 <<<"$result" | tr '\n' ' ')" "skip 0 summary 0 " "a skipped part that is not required passes"
check "$(tail -n 1 <<<"$result")" "1 passed, 0 failed, 1 skipped" "the summary's last line counts every record"
check "$(grep -A1 'skipped: no 32-bit Wine' <<<"$result" | tail -n 1 | tr -d ' ')" "e2e-win32/test_b" \
    "the summary names what was skipped under its reason"
check "$(grep -c 'retried: 1' <<<"$result")" 1 "the summary counts the retries"
for require in RTOUCH_REQUIRE_WINE32=1 "RTOUCH_REQUIRE=fuzz wine32"; do
    result=$(env "$require" bash -c "$(declare -f record); root=$root; record")
    check "$(head -n 2 <<<"$result" | tr '\n' ' ')" "skip 1 summary 1 " "$require: a skip fails"
    check "$(grep -c 'e2e-win32/test_b: skipped, but wine32 is required: no 32-bit Wine' <<<"$result")" 1 \
        "$require: the failure names what did not run and why"
    check "$(tail -n 1 <<<"$result")" "1 passed, 1 failed, 0 skipped" "$require: counted as a failure"
done
empty=$(mktemp)
(source "$root/scripts/lib/results.sh"; result_summary "$empty" >/dev/null)
check "$?" 1 "a run that recorded nothing fails"
rm -f "$empty"
exit $fail

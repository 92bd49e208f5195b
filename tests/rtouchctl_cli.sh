#!/usr/bin/env bash
# Command-line contract of rtouchctl: outputs and exit statuses.
set -u
tool=$1
root=$2
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

check() {  # check NAME EXPECTED_STATUS COMMAND...
    local name=$1 want=$2
    shift 2
    "$@" >"$tmp/out" 2>"$tmp/err"
    local got=$?
    if [ "$got" != "$want" ]; then
        echo "FAIL $name: exit $got, expected $want"; cat "$tmp/err"; fail=1
    fi
}

check "params --hex" 0 "$tool" params --hex
[ "$(wc -c <"$tmp/out")" = 361 ] || { echo "FAIL params --hex: not 360 digits"; fail=1; }
grep -qE '^[0-9a-f]{360}$' "$tmp/out" || { echo "FAIL params --hex: not lowercase hex"; fail=1; }

check "options after" 0 "$tool" params --orientation 2 --hex --legacy
check "unknown command" 2 "$tool" frobnicate
grep -q "frobnicate" "$tmp/err" || { echo "FAIL unknown command not named"; fail=1; }
check "unknown option" 2 "$tool" params --bogus
grep -q -- "--bogus" "$tmp/err" || { echo "FAIL unknown option not named"; fail=1; }
check "missing value" 2 "$tool" params --params
check "bad orientation" 2 "$tool" params --orientation 4
check "no command" 2 "$tool"
check "probe" 1 "$tool" probe
[ "$(tail -n1 "$tmp/out")" = absent ] || { echo "FAIL probe: last line not 'absent'"; fail=1; }

if [ $fail = 0 ]; then echo "rtouchctl cli: all checks passed"; fi
exit $fail

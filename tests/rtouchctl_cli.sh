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

# Calibration: solve and calibrate on the shipped examples (golden blocks),
# the rejected and the unfinished session, and file errors with their line.
ex="$root/examples"
check "solve" 0 "$tool" solve "$ex/calibration-points.txt" --hex
[ "$(cat "$tmp/out")" = "34088601af01950e060f0e085a089a01ce0e800fc6072301a30ee900690e0601860ee307a907800f24b88f3ff63f933ffb7e963f8ac18c3f8d6b913f8d6b913f59a6903ff2df8b3ff2df8b3f59a6903fe4388e3fe4388e3fab020137c7c90a371382c0b700e4b0b7794d3eb7963f3437b42138b7a44a3a37020000000000140032000a005e01200318002000200020000a007d000400204e00000000000000000108010700050003000500030001000201020101" ] || { echo "FAIL solve: block differs from golden"; fail=1; }
check "solve options first" 0 "$tool" solve --hex "$ex/calibration-points.txt"
[ "$(cat "$tmp/out")" = "34088601af01950e060f0e085a089a01ce0e800fc6072301a30ee900690e0601860ee307a907800f24b88f3ff63f933ffb7e963f8ac18c3f8d6b913f8d6b913f59a6903ff2df8b3ff2df8b3f59a6903fe4388e3fe4388e3fab020137c7c90a371382c0b700e4b0b7794d3eb7963f3437b42138b7a44a3a37020000000000140032000a005e01200318002000200020000a007d000400204e00000000000000000108010700050003000500030001000201020101" ] || { echo "FAIL solve --hex FILE: block differs"; fail=1; }
check "calibrate" 0 "$tool" calibrate "$ex/calibration.trace" --screen 1366x768 --hex
[ "$(cat "$tmp/out")" = "$(printf 'result 1\n35088701af01950e070f0e085b089b01cf0e800fc5072201a30ee700690e0501860ee307a907800f24b88f3f6429933f9796963f8ac18c3f8d6b913f8d6b913f59a6903f94cb8b3f94cb8b3f9190903fe4388e3fd5238e3f91ef0037c719043779c7c3b700e4b0b7a16a3eb783ef33374b5f3eb72f133a37020000000000140032000a005e01200318002000200020000a007d000400204e00000000000000000108010700050003000500030001000201020101')" ] || { echo "FAIL calibrate: output differs from golden"; fail=1; }

"$tool" params --orientation 2 --hex >"$tmp/before"
{ for t in 1 2 3 4 5 6 7 8 9; do
    echo "0 0 0 0 0 0 0 0"
    for k in $(seq 60); do echo "2000 2000 1000 1500 0 0 0 0"; done
    echo "0 0 0 0 0 0 0 0"
  done; echo "0 0 0 0 0 0 0 0"; } >"$tmp/same.trace"
check "calibrate rejected" 0 "$tool" calibrate --orientation 2 "$tmp/same.trace" --hex
[ "$(cat "$tmp/out")" = "$(printf 'result 1\nrejected\n%s' "$(cat "$tmp/before")")" ] ||
    { echo "FAIL calibrate: degenerate points not rejected with the block from before"; fail=1; }

head -n 100 "$ex/calibration.trace" >"$tmp/short.trace"
want=$("$tool" params --orientation 1 --hex | sed -E 's/^(.{248})..../\10100/')
check "calibrate unfinished" 0 "$tool" calibrate --orientation 1 "$tmp/short.trace" --hex
[ "$(cat "$tmp/out")" = "$(printf 'result 0\n%s' "$want")" ] ||
    { echo "FAIL calibrate: unfinished session not reset to the defaults"; fail=1; }

printf '1 2\n3 4\n# note\n5 x\n' >"$tmp/bad.txt"
check "solve bad line" 2 "$tool" solve "$tmp/bad.txt" --hex
grep -q "bad.txt.*line 4" "$tmp/err" || { echo "FAIL solve: error does not name file and line"; fail=1; }
[ ! -s "$tmp/out" ] || { echo "FAIL solve: output on error"; fail=1; }
printf '1 2\n3 4\n' >"$tmp/few.txt"
check "solve too few points" 2 "$tool" solve "$tmp/few.txt"
printf '1 2 3 4 0 0 0 0\nbogus\n' >"$tmp/bad.trace"
check "calibrate bad trace" 2 "$tool" calibrate "$tmp/bad.trace" --hex
grep -q "bad.trace.*line 2" "$tmp/err" || { echo "FAIL calibrate: error does not name file and line"; fail=1; }
check "calibrate missing trace" 2 "$tool" calibrate --hex
check "calibrate bad screen" 2 "$tool" calibrate "$ex/calibration.trace" --screen 1024

# Replay: the shipped examples against their recorded output, and errors.
check "replay circle" 0 "$tool" replay "$root/examples/circle.trace"
cmp -s "$tmp/out" "$root/examples/circle.replay" || { echo "FAIL replay: circle output differs"; diff "$root/examples/circle.replay" "$tmp/out" | head; fail=1; }
check "replay pinch" 0 "$tool" replay "$root/examples/pinch.trace"
cmp -s "$tmp/out" "$root/examples/pinch.replay" || { echo "FAIL replay: pinch output differs"; fail=1; }
printf '# c\n\n100 100 1 2 0 0 0 0\nfail\n1 2 3\n' >"$tmp/bad-replay.trace"
check "replay legacy stroke" 0 "$tool" replay "$root/examples/stroke.trace" --legacy
cmp -s "$tmp/out" "$root/examples/stroke-legacy.replay" || { echo "FAIL replay: legacy stroke output differs"; fail=1; }
check "replay bad line" 2 "$tool" replay "$tmp/bad-replay.trace"
grep -q "bad-replay.trace.*line 5" "$tmp/err" || { echo "FAIL replay: error does not name file and line"; fail=1; }
[ ! -s "$tmp/out" ] || { echo "FAIL replay: output on error"; fail=1; }
check "replay missing trace" 2 "$tool" replay
check "replay unreadable trace" 2 "$tool" replay "$tmp/none.trace"

if [ $fail = 0 ]; then echo "rtouchctl cli: all checks passed"; fi
exit $fail

#!/usr/bin/env bash
# Command-line contract of rtouchctl: outputs and exit statuses.
set -u
tool=$1
root=$2
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The parameter block as the tool prints it (360 hex digits, byte 0 first):
# field, byte offset, element kind (w: 16-bit word, f: float, shown as its
# bits, m: gesture map entry, modifier and key) and element count.
block_fields='CalX 0 w 10
CalY 20 w 10
ScaleX 40 f 6
ScaleY 64 f 6
ScaleSlope 88 f 8
AxisFlags 120 w 1
Orientation 122 w 1
CalOrientation 124 w 1
DoubleClickArea 126 w 1
ConstantTouch 128 w 1
FlipScale 130 w 1
SingleTouchScale 132 w 1
PanScale 134 w 1
PinchScale 136 w 1
Dist1Margin 138 w 1
Dist2Margin 140 w 1
DriverWord142 142 w 1
RightClickInterval 144 w 1
DriverWord146 146 w 1
DriverWord148 148 w 1
PressureLimit 150 w 1
GestureMap 152 m 14'

# block_diff GOT WANT: one line per element in which two printed blocks
# differ, naming it; nothing when they are equal.
block_diff() {
    awk -v got="$1" -v want="$2" '
        function digit(hex, i) { return index("0123456789abcdef", substr(hex, i + 1, 1)) - 1 }
        function byte(hex, i) { return 16 * digit(hex, 2 * i) + digit(hex, 2 * i + 1) }
        function show(hex, kind, at) {
            if (kind == "w") return byte(hex, at) + 256 * byte(hex, at + 1)
            if (kind == "m") return "(" byte(hex, at) "," byte(hex, at + 1) ")"
            return "0x" substr(hex, 2 * at + 7, 2) substr(hex, 2 * at + 5, 2) substr(hex, 2 * at + 3, 2) substr(hex, 2 * at + 1, 2)
        }
        BEGIN { if (length(got) != 360) print "block of " length(got) " digits, expected 360" }
        length(got) == 360 {
            size = $3 == "f" ? 4 : 2
            for (k = 0; k < $4; ++k) {
                at = $2 + k * size
                if (substr(got, 2 * at + 1, 2 * size) != substr(want, 2 * at + 1, 2 * size))
                    print ($4 > 1 ? $1 "[" k "]" : $1) " is " show(got, $3, at) ", expected " show(want, $3, at)
            }
        }' <<<"$block_fields"
}

# expect_output NAME WANT_FILE: the last command's output against a recorded
# one, line by line; a block line is compared field by field.
expect_output() {
    local name=$1 got want n=0 problems
    local -a got_lines want_lines
    mapfile -t got_lines <"$tmp/out"
    mapfile -t want_lines <"$2"
    if [ "${#got_lines[@]}" != "${#want_lines[@]}" ]; then
        echo "FAIL $name: ${#got_lines[@]} lines, expected ${#want_lines[@]}"; fail=1; return
    fi
    for want in "${want_lines[@]}"; do
        got=${got_lines[n]}
        n=$((n + 1))
        if [[ $want =~ ^[0-9a-f]{360}$ ]]; then
            problems=$(block_diff "$got" "$want" 2>&1) || problems="comparison failed: $problems"
            [ -z "$problems" ] || { echo "FAIL $name, line $n:"; sed 's/^/  /' <<<"$problems"; fail=1; }
        elif [ "$got" != "$want" ]; then
            echo "FAIL $name, line $n: '$got', expected '$want'"; fail=1
        fi
    done
}

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
expect_output "solve" "$ex/calibration-points.solve"
check "solve options first" 0 "$tool" solve --hex "$ex/calibration-points.txt"
expect_output "solve --hex FILE" "$ex/calibration-points.solve"
check "calibrate" 0 "$tool" calibrate "$ex/calibration.trace" --screen 1366x768 --hex
expect_output "calibrate" "$ex/calibration.calibrate"

{ echo "result 1"; echo rejected; "$tool" params --orientation 2 --hex; } >"$tmp/want-rejected"
{ for _ in 1 2 3 4 5 6 7 8 9; do
    echo "0 0 0 0 0 0 0 0"
    for _ in $(seq 60); do echo "2000 2000 1000 1500 0 0 0 0"; done
    echo "0 0 0 0 0 0 0 0"
  done; echo "0 0 0 0 0 0 0 0"; } >"$tmp/same.trace"
check "calibrate rejected" 0 "$tool" calibrate --orientation 2 "$tmp/same.trace" --hex
expect_output "calibrate rejected (the block from before)" "$tmp/want-rejected"

head -n 100 "$ex/calibration.trace" >"$tmp/short.trace"
# The defaults, with CalOrientation (byte 124) set to the orientation.
{ echo "result 0"; "$tool" params --orientation 1 --hex | sed -E 's/^(.{248})..../\10100/'; } >"$tmp/want-reset"
check "calibrate unfinished" 0 "$tool" calibrate --orientation 1 "$tmp/short.trace" --hex
expect_output "calibrate unfinished (reset to the defaults)" "$tmp/want-reset"

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
check "replay phases" 0 "$tool" replay --phases "$root/examples/circle.trace"
grep -v '^  phase ' "$tmp/out" | cmp -s - "$root/examples/circle.replay" ||
    { echo "FAIL replay --phases: the contract's lines differ"; fail=1; }
# The circle fires on its fourth direction and turns on from there.
grep -A1 ' 7 CWCircle$' "$tmp/out" | grep -q '^  phase circling idle$' ||
    { echo "FAIL replay --phases: no circling phase after the circle"; fail=1; }
check "replay bad line" 2 "$tool" replay "$tmp/bad-replay.trace"
grep -q "bad-replay.trace.*line 5" "$tmp/err" || { echo "FAIL replay: error does not name file and line"; fail=1; }
[ ! -s "$tmp/out" ] || { echo "FAIL replay: output on error"; fail=1; }
check "replay missing trace" 2 "$tool" replay
check "replay unreadable trace" 2 "$tool" replay "$tmp/none.trace"

if [ $fail = 0 ]; then echo "rtouchctl cli: all checks passed"; fi
exit $fail

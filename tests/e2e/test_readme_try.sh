#!/usr/bin/env bash
# Runs: default
# The "Try it under Wine" commands of docs/driver.md (the page the README
# sends a newcomer to), taken from the page and run as written in a fresh
# prefix of their own (the build line aside: the build under test stands
# in for it). Every command must succeed and the driver commands must
# print what the page promises.
source "$RTOUCH_ROOT/tests/e2e/assert_lib.sh"
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

page=$RTOUCH_ROOT/docs/driver.md
# The first indented block after the heading.
awk '/^#+ Try it under Wine/ { on = 1; next }
     on && /^    / { print substr($0, 5); seen = 1; next }
     on && seen && !/^    / { exit }' "$page" >"$work/block"
grep -q 'rtouchctl.exe install' "$work/block" || fail "no install line in the block of $page: $(cat "$work/block")"
grep -v '^cmake ' "$work/block" >"$work/commands"
echo "running:"
sed 's/^/    /' "$work/commands"

# The commands use paths relative to the source tree: give them the build
# under test there.
mkdir -p "$work/tree/build"
ln -s "$RTOUCH_BUILD" "$work/tree/build/win64"
ln -s "$RTOUCH_ROOT/examples" "$work/tree/examples"
# A fresh prefix, as the block makes it: nothing from the suite's template.
(
    cd "$work/tree" || exit 1
    unset WINEPREFIX WINEDLLOVERRIDES
    # Its own Wine session stays off the shard's X display, where the next
    # tests' session lives; the console commands need no display.
    unset DISPLAY
    # The system's own `wine`, as a reader has it.
    PATH=${PATH//"$RTOUCH_ROOT/tests/e2e/bin:"/}
    { echo 'set -e'; echo 'trap '\''wineserver -k 2>/dev/null; rm -rf "$WINEPREFIX"'\'' EXIT';
      cat "$work/commands"; } >"$work/run.sh"
    bash "$work/run.sh"
) >"$work/out" 2>"$work/err"
status=$?
sed 's/^/    /' "$work/out"
[ "$status" = 0 ] || fail "the commands of $page failed (status $status): $(cat "$work/err")"
out=$(tr -d '\r' <"$work/out")
expect_eq "$(echo "$out" | head -n 1)" "installed" "install"
expect_eq "$(echo "$out" | grep -c '^[0-9]')" 10 "record --count 10 printed ten reports"
echo "$out" | grep -q '^plugged 1$' || fail "driver-state did not show the device plugged"
expect_eq "$(echo "$out" | tail -n 1)" "uninstalled" "uninstall"

#!/usr/bin/env bash
# Runs: default x86-native
# unplug / plug at run time: the probe follows, a top-level window of
# another process gets WM_DEVICECHANGE for each, and reports flow again.
source "$RTOUCH_ROOT/tests/e2e/driver_lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

install_driver

wine "$DRVCHECK" watch 60 >"$work/watch" 2>&1 &
watcher=$!
deadline=$((SECONDS + 15))
until grep -q '^ready' "$work/watch"; do
    [ $SECONDS -lt $deadline ] || fail "watcher did not start: $(cat "$work/watch")"
done

# Waits until the watcher has seen $1 WM_DEVICECHANGE messages.
wait_notices() {
    local deadline=$((SECONDS + 10))
    until [ "$(grep -c '^devicechange' "$work/watch")" -ge "$1" ]; do
        [ $SECONDS -lt $deadline ] || fail "only $(grep -c '^devicechange' "$work/watch") notices, expected $1"
    done
}

ctl unplug || fail "unplug"
ctl probe >/dev/null && fail "probe exit status 0 after unplug"
expect_eq "$(ctl probe | tail -n 1)" "absent" "probe after unplug"
expect_eq "$(driver_field plugged)" 0 "driver-state after unplug"
wait_notices 1
echo "ok: unplug reached the window: $(grep '^devicechange' "$work/watch" | tr -d '\r' | tail -n 1)"
ctl unplug || fail "a second unplug"

make_trace 5 "$work/trace"
ctl feed "$work/trace" || fail "feed while unplugged"
before=$(grep -c '^devicechange' "$work/watch")
ctl plug || fail "plug"
expect_eq "$(ctl probe | tail -n 1)" "present" "probe after plug"
expect_eq "$(driver_field plugged)" 1 "driver-state after plug"
wait_notices $((before + 1))
echo "ok: plug reached the window"
grep -q '^devicechange 0x0007' "$work/watch" || fail "no DBT_DEVNODES_CHANGED: $(cat "$work/watch")"
echo "ok: the notices are DBT_DEVNODES_CHANGED broadcasts"

expect_eq "$(ctl record --count 5 | tr -d '\r')" "$(grep -v '^#' "$work/trace")" \
    "reports queued while unplugged are read after the plug"

# A few quick cycles leave the interface usable.
for i in 1 2 3 4 5; do
    ctl unplug && ctl plug || fail "cycle $i"
done
expect_eq "$(ctl probe | tail -n 1)" "present" "probe after five cycles"
kill "$watcher" 2>/dev/null

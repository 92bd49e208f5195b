# shellcheck disable=SC2034 # the names it sets are for the scripts that source it
# Helpers for the end-to-end tests of the whole road, touch to keystroke:
# the real rtouch.exe over the substitute driver, with the key viewer as
# the focused window. Sourced by test_road_*.sh. Every wait polls with a
# time limit.
source "$RTOUCH_ROOT/tests/e2e/dialog_lib.sh"
source "$RTOUCH_ROOT/tests/e2e/driver_lib.sh"
source "$RTOUCH_ROOT/tests/e2e/gesture_traces.sh"

VIEWER_EXE="$RTOUCH_BUILD/tests/e2e/key_viewer.exe"
# The viewer's message that makes it take the foreground and the cursor.
TAKE_FOREGROUND=0x8000
ROAD_WORK=$(mktemp -d)
trap 'rm -rf "$ROAD_WORK"' EXIT

# Starts the key viewer (VIEWER: its window) with the focus and the cursor.
start_viewer() {
    : >"$ROAD_WORK/viewer.log"
    wine "$VIEWER_EXE" >>"$ROAD_WORK/viewer.log" 2>&1 &
    VIEWER_PID=$!
    local deadline=$((SECONDS + 15))
    until VIEWER=$(sed -n 's/^ready \(0x[0-9a-f]*\).*/\1/p' "$ROAD_WORK/viewer.log") && [ -n "$VIEWER" ]; do
        [ $SECONDS -lt $deadline ] || fail "the key viewer did not start: $(cat "$ROAD_WORK/viewer.log")"
        sleep 0.05
    done
}

# Gives the viewer the focus and the cursor back (after a dialog took them).
focus_viewer() { tool send "$VIEWER" $TAKE_FOREGROUND 0 0 >/dev/null || fail "viewer not responding"; }

# What the viewer received, one gesture a line ("CTRL + Scroll Up").
viewer_gestures() { sed -n 's/^gesture //p' "$ROAD_WORK/viewer.log" | tr -d '\r'; }
viewer_gesture_count() { viewer_gestures | wc -l; }

# Waits up to $2 seconds until the viewer has received $1 gestures in all.
wait_gestures() {
    local deadline=$((SECONDS + $2))
    until [ "$(viewer_gesture_count)" -ge "$1" ]; do
        [ $SECONDS -lt $deadline ] || fail "the viewer got $(viewer_gesture_count) gestures, expected $1: $(viewer_gestures | tr '\n' '|')"
        sleep 0.05
    done
}

# Feeds the traces of the named gestures, in order, as one trace.
feed_gestures() {
    local g
    for g in "$@"; do gesture_trace "$g"; done >"$ROAD_WORK/feed.trace"
    ctl feed "$ROAD_WORK/feed.trace" || fail "feed $*"
}

# A round trip through the viewer's input: a marker key typed now reaches
# it after every key and wheel step injected before, and is waited for.
viewer_round_trip() {
    local before deadline=$((SECONDS + 15))
    before=$(grep -c '^marker' "$ROAD_WORK/viewer.log")
    tool marker-key || fail "type the viewer's marker key"
    until [ "$(grep -c '^marker' "$ROAD_WORK/viewer.log")" -gt "$before" ]; do
        [ $SECONDS -lt $deadline ] || fail "the viewer did not see its marker key"
        sleep 0.05
    done
}

# Everything fed has been read and acted on: the driver's queue is empty,
# the worker is inside a read begun after its last report (so what that
# report made it send has been sent), and the viewer has handled it.
settle_road() {
    wait_driver queue 0 15
    hold_reads 1
    wait_driver waiting 1
    hold_reads 0
    viewer_round_trip
}

# Feeds gestures and expects exactly the listed receptions, "|"-joined, as
# the viewer's new gesture lines: $1 the expected lines, the rest gestures.
# Compared once the road has settled: a gesture too many is caught here,
# not in the next call.
expect_received() {
    local expected=$1 before count
    shift
    before=$(viewer_gesture_count)
    count=$(tr '|' '\n' <<<"$expected" | grep -c .)
    feed_gestures "$@"
    wait_gestures $((before + count)) 15
    settle_road
    expect_eq "$(viewer_gestures | tail -n +$((before + 1)) | paste -sd '|')" "$expected" "$* reached the viewer"
}

# The label of a gesture map entry as the viewer writes it, from its
# modifier and key row indices in the mapping dialog's lists; empty for an
# entry that sends nothing.
entry_label() {
    local mods=("" "CTRL" "SHIFT" "ALT" "CTRL + SHIFT" "CTRL + ALT" "CTRL + SHIFT + ALT")
    local keys=("" "Scroll Up" "Scroll Down" "Left Arrow" "Up Arrow" "Right Arrow" "Down Arrow" "," ".")
    local mod=${mods[$1]} key
    # Rows beyond the list send the rule's code, which the viewer names by number.
    if [ "$2" -ge 35 ]; then
        key=$(printf 'VK 0x%02X' $((($2 + 56) % 256)))
    elif [ "$2" -ge 9 ]; then
        key=$(printf "\\x$(printf %x $((65 + $2 - 9)))")
    else
        key=${keys[$2]}
    fi
    if [ -n "$mod" ] && [ -n "$key" ]; then echo "$mod + $key"; else echo "$mod$key"; fi
}

# The labels of what the gestures $2... send with gesture map $1 (56 hex
# digits), "|"-joined; vertical pans and pinches count twice (their traces
# hold two steps); entries that send nothing are left out.
map_labels() {
    local map=$1 name code label
    shift
    for name in "$@"; do
        for code in "${!ALL_GESTURES[@]}"; do [ "${ALL_GESTURES[$code]}" = "$name" ] && break; done
        label=$(entry_label $((16#${map:code*4:2})) $((16#${map:code*4+2:2})))
        [ -n "$label" ] || continue
        echo "$label"
        case $name in UPan | DPan | PinchIn | PinchOut) echo "$label" ;; esac
    done | paste -sd '|'
}

# Waits until the status line reads $1 (IDS_DEVICE_ATTACHED or
# IDS_DEVICE_DETACHED): device notices arrive when the system sends them.
wait_status() {
    tool wait-text main "$IDC_MAIN_STATUS" "$1" 10000 || fail "status line did not become $1"
    echo "ok: status line $1"
}

# Waits until the driver has had $1 parameter blocks in all.
wait_sends() { wait_driver sends "$1"; }

# The road's usual start: the driver installed, the application in the tray
# with its worker reading, and the key viewer focused.
start_road() {
    install_driver
    start_app
    wait_worker 1
    start_viewer
}

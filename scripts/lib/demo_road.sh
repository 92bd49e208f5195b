# The demo's main part: the real rtouch.exe under Wine over the substitute
# driver, with the key viewer as the focused window; example traces go in,
# what the viewer receives comes out, gesture by gesture.
# Usage: demo_road HOST_BUILD WIN64_BUILD OUT_DIR (from the repository root).

source scripts/lib/wine.sh

# Prints "<gesture name> <input event count>" for each gesture that replaying
# trace $2 with the host tool $1 reports.
_demo_expected() {
    "$1" replay "$2" | awk '
        /^[0-9]/ { if (name != "") print name, events; name = ""; events = 0; if (NF >= 6) name = $6; next }
        /^ / && name != "" { events++ }
        END { if (name != "") print name, events }'
}

DEMO_WORK=$(mktemp -d /tmp/rtouch-demo.XXXXXX)

# Ends everything Wine started in the throw-away prefix, and the Xvfb the
# demo started; removes the prefix.
demo_cleanup() {
    WINEPREFIX="$DEMO_WORK/prefix" wineserver -k >/dev/null 2>&1
    [ -n "${RTOUCH_XVFB_PID:-}" ] && kill "$RTOUCH_XVFB_PID" 2>/dev/null
    rm -rf "$DEMO_WORK"
}

demo_road() {
    local host=$1 win=$2 out=$3
    local tool="$win/tests/e2e/e2e_tool.exe" ctl="$win/rtouchctl.exe"
    local work=$DEMO_WORK status=0
    mkdir -p "$out"
    wine_display || return 1
    echo "== A throw-away Wine prefix (display $DISPLAY)"
    wine_template "$work/prefix"
    export WINEPREFIX="$work/prefix"

    echo "== The substitute driver"
    wine "$ctl" install || return 1
    wine "$ctl" probe | tail -n 1

    echo "== rtouch.exe"
    wine "$win/rtouch.exe" >/dev/null 2>&1 &
    wine "$tool" wait-window ZRN_RTouch Fennimore 15000 >/dev/null || { echo "rtouch.exe did not start"; return 1; }
    wine "$tool" wait-tray-icons 1 10000 || { echo "no tray icon"; return 1; }
    local deadline=$((SECONDS + 10)) sends=0
    until [ "$sends" -ge 1 ] 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || { echo "no parameter block reached the driver"; return 1; }
        sends=$(wine "$ctl" driver-state | sed -n 's/^sends //p' | tr -d '\r')
    done
    # A double-click on the tray icon shows the main window and its status.
    wine "$tool" post main 0x400 0 0x203 >/dev/null
    wine "$tool" wait-visible main 1 5000 || true
    echo "status line: $(wine "$tool" item-text main 204 | tr -d '\r'); parameter blocks the driver got: $sends"

    echo "== The key viewer takes the focus"
    wine "$win/tests/e2e/key_viewer.exe" >"$work/viewer.log" 2>&1 &
    deadline=$((SECONDS + 15))
    until grep -q '^ready' "$work/viewer.log"; do
        [ $SECONDS -lt $deadline ] || { echo "the key viewer did not start"; return 1; }
        sleep 0.05
    done

    local trace received=0
    for trace in examples/circle.trace examples/stroke.trace examples/pinch.trace examples/pan.trace; do
        echo "== $trace"
        local expected sent
        expected=$(_demo_expected "$host/rtouchctl" "$trace")
        sent=$(awk '$2 > 0' <<<"$expected" | wc -l)
        wine "$ctl" feed "$trace" || return 1
        deadline=$((SECONDS + 20))
        until [ "$(grep -c '^gesture ' "$work/viewer.log")" -ge $((received + sent)) ]; do
            [ $SECONDS -lt $deadline ] || { echo "   the viewer did not receive every gesture"; status=1; break; }
            sleep 0.05
        done
        local name events
        while read -r name events; do
            if [ "$events" -gt 0 ]; then
                received=$((received + 1))
                echo "   $name → $(grep '^gesture ' "$work/viewer.log" | sed -n "${received}s/^gesture //p" | tr -d '\r')"
            else
                echo "   $name → (nothing: not mapped in the default map of this system)"
            fi
        done <<<"$expected"
    done

    wine "$tool" send "$(sed -n 's/^ready //p' "$work/viewer.log" | tr -d '\r')" 0 0 0 >/dev/null
    import -window root "$out/screenshot.png" && echo "== Screenshot: $out/screenshot.png"
    wine "$tool" post main 0x111 40001 0 >/dev/null
    return $status
}

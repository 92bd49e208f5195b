#!/usr/bin/env bash
# Runs: default
# The parameters file missing, held open by another program with no
# sharing, writable by every user, or replaced while the program runs: start-up takes the built-in
# defaults silently when it cannot read the file, reads it once, and never
# writes it.
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

# A parameters file image: the default block with DoubleClickArea set to
# the little-endian u16 $1 (4 hex digits).
file_image() { block_with "$(default_block)" DoubleClickArea "$1"; }
# The block the application makes of the current file.
loaded_block() { system_ctl params --params "$PARAMETER_FILE_WIN" --orientation 0 --hex | tr -d '\r'; }

# Starts the application, checks the block it sent at start-up against $1
# and that it said nothing ($2 says why).
start_and_expect_block() {
    local sends
    sends=$(driver_field sends)
    start_app
    wait_sends $((sends + 1))
    expect_block "$(driver_field block)" "$1" "the block sent at start-up $2"
    expect_block "$(live_block)" "$1" "the live block $2"
    expect_no_message_box "$2"
}

# Ends the application through the tray menu's Close.
close_app() {
    tool post main $WM_COMMAND $IDM_CLOSE 0 || fail "post Close"
    wait_exit "$APP_PID" 10 || fail "the application did not end"
}

install_driver
defaults=$(default_block)

rm -f "$PARAMETER_FILE"
start_and_expect_block "$defaults" "with no parameters file"
close_app

xxd -r -p <<<"$(file_image 0002)" >"$PARAMETER_FILE"
expect_eq "$(stat -c %s "$PARAMETER_FILE")" 180 "a whole parameters file"
holder_out=$ROAD_WORK/holder.out
: >"$holder_out"
# Started directly, so that $! is the holder itself and ending it frees the file.
wine "$TOOL" hold-file "$PARAMETER_FILE_WIN" 60000 >"$holder_out" &
holder=$!
wait_output "tr -d '\r' <$holder_out" ready 10 || fail "hold-file did not start"
start_and_expect_block "$defaults" "with the parameters file held open elsewhere"
close_app
t0=$SECONDS
kill "$holder"
wait "$holder" 2>/dev/null
echo "holder ended in $((SECONDS - t0)) s"

# A file every user may write, as a copy tool may leave it (Wine gives
# Everyone write for o+w): the defaults, and the tool says why.
chmod o+w "$PARAMETER_FILE"
why=$(system_ctl params --params "$PARAMETER_FILE_WIN" --orientation 0 --hex 2>&1 >/dev/null | tr -d '\r')
case $why in *"ordinary users may change it"*) echo "ok: the tool names the reason" ;;
*) fail "a world-writable file's warning: '$why'" ;; esac
start_and_expect_block "$defaults" "with a world-writable parameters file"
close_app
chmod o-w "$PARAMETER_FILE"

image=$(loaded_block)
[ "$image" != "$defaults" ] || fail "the file's block does not differ from the defaults"
start_and_expect_block "$image" "from the parameters file"
# Another file in its place, then none: whatever sends the block now sends
# the one read at start-up.
xxd -r -p <<<"$(file_image 0001)" >"$PARAMETER_FILE"
replacement=$(md5sum <"$PARAMETER_FILE")
tool post main $WM_COMMAND $IDC_MAIN_PARAMETERS 0 || fail "post IDC_MAIN_PARAMETERS"
dlg=$(tool wait-popup main 5000) || fail "parameters dialog did not open"
close_by_box "$dlg"
wait_sends 5
expect_block "$(driver_field block)" "$image" "a dialog's send after the file was replaced"
expect_eq "$(md5sum <"$PARAMETER_FILE")" "$replacement" "the replaced file left as it was"
rm -f "$PARAMETER_FILE"
ctl unplug || fail "unplug"
wait_status "$TEXT_DETACHED"
ctl plug || fail "plug"
wait_sends 6
expect_block "$(driver_field block)" "$image" "the arrival's send after the file was removed"
close_app
[ -e "$PARAMETER_FILE" ] && fail "the parameters file came back"
echo "ok: nothing wrote the parameters file"

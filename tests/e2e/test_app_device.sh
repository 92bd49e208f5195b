#!/usr/bin/env bash
# Runs: default winxp win10 x86-wow64 x86-native
# Prefix: changed (it switches the Windows version to XP)
# The main window with the substitute driver: start-up sends the block and
# starts the worker; removal and arrival switch the status line, the General
# button and the worker; repeated notices start nothing; display changes
# resend the block only on a system of major version 5 or lower.
source "$RTOUCH_ROOT/tests/e2e/dialog_lib.sh"
source "$RTOUCH_ROOT/tests/e2e/driver_lib.sh"

STOP_THREAD=$(symbol_rva StopThread)
THREAD_RUNNING=$(symbol_rva ThreadRunning)

expect_device_shown() {  # STATUS_TEXT GENERAL_ENABLED WHAT
    tool wait-text main "$IDC_MAIN_STATUS" "$1" 10000 || fail "$3: status line"
    expect_eq "$(tool item-enabled main $IDC_MAIN_GENERAL)" "$2" "$3: General button"
}

install_driver
start_app
expect_device_shown "$TEXT_ATTACHED" 1 "start with the driver"
wait_driver sends 1
expect_block "$(driver_field block)" "$(live_block)" "start-up sent the live block"
tool wait-u32 main "$THREAD_RUNNING" 1 10000 || fail "worker not started"
expect_eq "$(tool read-u32 main "$STOP_THREAD")" 0 "StopThread while the worker is wanted"

ctl unplug || fail "unplug"
expect_device_shown "$TEXT_DETACHED" 0 "removal"
expect_eq "$(tool read-u32 main "$STOP_THREAD")" 1 "StopThread after removal"
tool wait-u32 main "$THREAD_RUNNING" 0 10000 || fail "worker did not stop"

ctl plug || fail "plug"
expect_device_shown "$TEXT_ATTACHED" 1 "arrival"
wait_driver sends 2
tool wait-u32 main "$THREAD_RUNNING" 1 10000 || fail "worker not restarted"

# Version 6 and later do not track the orientation; version 5 resends.
tool send main $WM_DISPLAYCHANGE 24 $(((600 << 16) | 800)) >/dev/null || fail "send display change"
if [ "$LEGACY_SYSTEM" = 1 ]; then
    expect_eq "$(driver_field sends)" 3 "display change on version 5 resends the block"
else
    expect_eq "$(driver_field sends)" 2 "display change on version 6 sends nothing"
fi
sent=$(driver_field sends)

# Notices about other devices (a mouse, a USB stick) leave the worker's
# healthy channel alone: the probe opens and closes a handle, nothing is sent.
for _ in 1 2 3; do
    tool send main $WM_DEVICECHANGE $DBT_DEVNODES_CHANGED 0 >/dev/null || fail "send device change"
done
# A channel wrongly marked stale is renewed, and a block asked for, when
# the worker's read returns: counted after its next read.
worker_next_read
expect_eq "$(driver_field sends)" "$sent" "nothing sent on repeated notices"
expect_device_shown "$TEXT_ATTACHED" 1 "repeated notices"
expect_eq "$(tool read-u32 main "$THREAD_RUNNING")" 1 "the worker runs on"

# A resume from sleep sends the block again.
sends=$(driver_field sends)
tool send main $WM_POWERBROADCAST $PBT_APMRESUMEAUTOMATIC 0 >/dev/null || fail "send resume"
driver_snapshot
[ "${DRIVER[sends]}" -gt "$sends" ] || fail "no block sent on resume"
expect_block "${DRIVER[block]}" "$(live_block)" "the block sent on resume is the live one"

close_app "with the worker running"

# A system of major version 5: the legacy default map, and a display change
# resends the block.
wine winecfg -v $XP_VERSION || fail "winecfg -v $XP_VERSION"
sent=$(driver_field sends)
start_app
wait_driver sends $((sent + 1))
tool send main $WM_DISPLAYCHANGE 24 $(((600 << 16) | 800)) >/dev/null || fail "send display change"
expect_eq "$(driver_field sends)" $((sent + 2)) "display change on version 5 resends the block"
expect_block "$(driver_field block)" "$(live_block)" "the resent block is the live one"
close_app "on version 5"

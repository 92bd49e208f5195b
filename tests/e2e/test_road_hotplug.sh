#!/usr/bin/env bash
# Unplugging while the worker runs stops it and says so; replugging sends
# the block again, restarts the worker and gestures work again; a hundred
# quick unplug / replug cycles leave exactly one worker and no handle
# behind.
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"

install_driver
start_app
wait_worker 1
start_viewer
expect_received "Right Arrow" CWCircle

ctl unplug || fail "unplug"
wait_output "tool item-text main $IDC_MAIN_STATUS" "装置已移除" 10 || fail "status line after unplug"
echo "ok: status line after unplug"
expect_eq "$(tool item-enabled main $IDC_MAIN_GENERAL)" "0" "General disabled after unplug"
wait_worker 0
echo "ok: the worker ended"
expect_eq "$(driver_field sends)" 1 "nothing sent on removal"
# The worker is the one thread that starts at TouchThread.
worker_rva=$(symbol_rva TouchThread)
counts() { tool counts main "$worker_rva" | tr -d '\r' | paste -sd ' '; }
unplugged=$(counts)
echo "unplugged: $unplugged"

ctl plug || fail "plug"
wait_output "tool item-text main $IDC_MAIN_STATUS" "装置已连接" 10 || fail "status line after replug"
echo "ok: status line after replug"
expect_eq "$(tool item-enabled main $IDC_MAIN_GENERAL)" "1" "General enabled after replug"
wait_sends 2
expect_block "$(driver_field block)" "$(live_block)" "the live block sent again on replug"
wait_worker 1
echo "ok: the worker runs again"
expect_received "Left Arrow|CTRL + Scroll Up|CTRL + Scroll Up" CCWCircle PinchOut

before=$(counts)
echo "before the cycles: $before"
case $before in *"started-at 1") ;; *) fail "not exactly one worker: $before" ;; esac
tool plug-cycles "${ROAD_PLUG_CYCLES:-100}" 5000 || fail "plug cycles"
wait_sends $((2 + ${ROAD_PLUG_CYCLES:-100}))
wait_worker 1
expect_eq "$(counts)" "$before" "handles, threads and the one worker after the cycles"
expect_received "Right Arrow|CTRL + Scroll Down|CTRL + Scroll Down" RPan PinchIn

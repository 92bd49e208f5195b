#!/usr/bin/env bash
# Runs: default
# A calibration kept across a restart: calibrated in GENERAL, captured with
# `rtouchctl live`, kept with `rtouchctl keep`; the restarted program's
# first block to the driver is the kept one. `live` without a copy answers
# 3; `--help` exits 0; `open parameters` and `open mapping` bring up each
# editor.
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"
source "$RTOUCH_ROOT/tests/e2e/fault_lib.sh"

start_road
open_general
tool post "$GENERAL" $WM_COMMAND $IDC_CALIBRATE 0 || fail "post Calibration"
wait_new_popup "$GENERAL" >/dev/null || fail "no calibration window"
ctl feed "$RTOUCH_ROOT/examples/calibration.trace" --rate 200 || fail "feed"
box=$(tool wait-window "#32770" "$TITLE_MESSAGE" 30000) || fail "no outcome box"
tool click "$box" $IDOK
tool wait-gone "$box" 5000 || fail "outcome box did not end"
wait_sends 2
calibrated=$(driver_field block)

live=$(ctl live --hex | tr -d '\r') || fail "live ended with $?"
expect_block "$live" "$calibrated" "rtouchctl live: the calibrated block"
ctl keep || fail "keep ended with $?"
expect_block "$(xxd -p "$PARAMETER_FILE" | tr -d '\n')" "$live" "the kept file"

close_app "after keeping"
status=0
ctl live >/dev/null 2>&1 || status=$?
expect_eq "$status" 3 "live with no copy running"
start_app
wait_sends 3
expect_block "$(driver_field block)" "$live" "the first block after the restart: the kept one"
ctl --help >/dev/null || fail "--help ended with $?"

ctl open parameters || fail "open parameters ended with $?"
editor=$(tool wait-popup main 5000) || fail "no parameters dialog"
expect_eq "$(info_field title "$editor")" "参数" "open parameters: the parameters dialog"
tool post "$editor" $WM_CLOSE 0 0 || fail "close the parameters dialog"
tool wait-gone "$editor" 5000 || fail "the parameters dialog did not end"
ctl open mapping || fail "open mapping ended with $?"
# The last popup of the main window: the map editor over GENERAL.
editor=$(tool wait-popup main 5000) || fail "no gesture mapping dialog"
expect_eq "$(info_field title "$editor")" "手势对应" "open mapping: the gesture mapping dialog"
echo "ok: kept, restarted, loaded"

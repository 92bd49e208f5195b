#!/usr/bin/env bash
# Runs: default
# Mapping files that fail and choices that replace: a file that cannot be
# opened keeps the live map and is reported with the system's text; Save
# As asks before it replaces a file and replaces it whole or not at all;
# a gesture box emptied by another program never indexes the map.
source "$RTOUCH_ROOT/tests/e2e/dialog_lib.sh"

DEFAULT_MAP=00000000000000000108010700050003000500030001000201020101
ZERO_MAP=$(printf '0%.0s' {1..56})

# Opens the file dialog of menu command $1, types file name $2 and gives
# it the default button's command; prints the file dialog.
choose_file() {
    local dlg
    dlg=$(open_from "$MAPPING" "$1") || fail "command $1 opened no file dialog"
    tool set-text "$dlg" $FILE_NAME_BOX "$2" || fail "type the file name"
    post_ok "$dlg"
    echo "$dlg"
}

# Waits for the popup of window $1 (a box it opened) and prints it.
wait_box_of() { tool wait-popup "$1" 10000; }

# The gesture the dialog shows (CurGesture), as a number.
cur_gesture() { echo $((16#$(tool read-bytes main "$CUR_GESTURE" 2 | sed 's/\(..\)\(..\)/\2\1/'))); }
CUR_GESTURE=$(symbol_rva CurGesture)

start_app
open_general
MAPPING=$(open_from "$GENERAL" $IDC_GESTURE_MAPPING)
expect_eq "$(live_map)" "$DEFAULT_MAP" "live map is the default map"

# Load of a file another program holds open: the map stays, the error box
# (caption string 264) gives the system's text for the sharing violation.
holder_out=$(mktemp)
tool hold-file 'C:\held.map' 60000 >"$holder_out" &
holder=$!
wait_output "cat $holder_out" ready 10 || fail "hold-file did not start"
dlg=$(choose_file $IDM_MAP_LOAD 'C:\held.map')
tool wait-gone "$dlg" 5000 || fail "file dialog did not end"
box=$(tool wait-window "#32770" "$TITLE_ERROR" 10000) || fail "failed load not reported"
text=$(tool item-text "$box" $MSGBOX_TEXT | tr -d '\r')
echo "the box says: $text"
case $text in *[Ss]haring*) echo "ok: the system's text for the sharing violation" ;;
    *) fail "the box does not give the system's text: '$text'" ;; esac
tool click "$box" $IDOK
tool wait-gone "$box" 5000 || fail "message box did not end"
expect_eq "$(live_map)" "$DEFAULT_MAP" "a file that cannot be opened keeps the live map"

# Save As onto a file that exists asks first: No keeps the file as it is.
old=0102030405060708
printf '\x01\x02\x03\x04\x05\x06\x07\x08' >"$WINEPREFIX/drive_c/old.map"
dlg=$(choose_file $IDM_MAP_SAVE_AS 'C:\old.map')
box=$(wait_box_of "$dlg") || fail "no question before replacing"
tool click "$box" $IDNO || fail "answer No"
tool wait-gone "$box" 5000 || fail "question did not end"
tool post "$dlg" $WM_COMMAND $IDCANCEL 0 || fail "cancel the file dialog"
tool wait-gone "$dlg" 5000 || fail "file dialog did not end"
expect_eq "$(xxd -p "$WINEPREFIX/drive_c/old.map")" "$old" "No leaves the file as it was"

# Yes replaces it whole, with nothing left beside it.
dlg=$(choose_file $IDM_MAP_SAVE_AS 'C:\old.map')
box=$(wait_box_of "$dlg") || fail "no question before replacing"
tool click "$box" $IDYES || fail "answer Yes"
tool wait-gone "$dlg" 5000 || fail "file dialog did not end"
wait_output "xxd -p -c 28 '$WINEPREFIX/drive_c/old.map'" "$DEFAULT_MAP" 5 || fail "Yes did not replace the file"
expect_eq "$(find "$WINEPREFIX/drive_c" -maxdepth 1 -name 'old.map*' | wc -l)" 1 "nothing left beside the file"

# A replacement that fails (the file is held) reports it and leaves the
# held file's bytes and nothing beside them.
dlg=$(choose_file $IDM_MAP_SAVE_AS 'C:\held.map')
box=$(wait_box_of "$dlg") || fail "no question before replacing"
tool click "$box" $IDYES || fail "answer Yes"
box=$(tool wait-window "#32770" "$TITLE_ERROR" 10000) || fail "failed save not reported"
tool click "$box" $IDOK
tool wait-gone "$box" 5000 || fail "message box did not end"
kill "$holder" 2>/dev/null
rm -f "$holder_out"
expect_eq "$(stat -c %s "$WINEPREFIX/drive_c/held.map")" 0 "the held file is as it was"
expect_eq "$(find "$WINEPREFIX/drive_c" -maxdepth 1 -name 'held.map*' | wc -l)" 1 "nothing left beside the held file"

# Another program empties the gesture box; Default and ClearAll still
# work on the map, and the entry shown stays one of the fourteen.
tool post-item "$MAPPING" $IDC_GESTURE_COMBO $CB_SETCURSEL 3 0 || fail "select gesture 3"
tool post "$MAPPING" $WM_COMMAND $IDC_GESTURE_COMBO 0 || fail "notify the gesture box"
# 3 as the two bytes of CurGesture in memory order.
tool wait-bytes main "$CUR_GESTURE" 0300 5000 || fail "gesture 3 not shown"
tool post-item "$MAPPING" $IDC_GESTURE_COMBO $CB_RESETCONTENT 0 0 || fail "empty the gesture box"
wait_output "tool combo $MAPPING $IDC_GESTURE_COMBO" -1 5 || fail "the gesture box is not empty"
tool post "$MAPPING" $WM_COMMAND $IDM_MAP_CLEAR_ALL 0
wait_live_map "$ZERO_MAP" 5
expect_eq "$(cur_gesture)" 3 "ClearAll with an empty gesture box keeps the entry"
tool post "$MAPPING" $WM_COMMAND $IDM_MAP_DEFAULT 0
wait_live_map "$DEFAULT_MAP" 5
expect_eq "$(cur_gesture)" 3 "Default with an empty gesture box keeps the entry"
# A modifier picked now goes to that entry (3), nowhere else.
tool post-item "$MAPPING" $IDC_MODIFIER_COMBO $CB_SETCURSEL 2 0 || fail "select SHIFT"
tool post "$MAPPING" $WM_COMMAND $(((CBN_SELCHANGE << 16) | IDC_MODIFIER_COMBO)) 0 || fail "notify the modifier box"
wait_live_map "${DEFAULT_MAP:0:12}02${DEFAULT_MAP:14}" 5
expect_eq "$(info_field title "$MAPPING")" "手势对应" "the dialog is still there"

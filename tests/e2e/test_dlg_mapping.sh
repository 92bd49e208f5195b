#!/usr/bin/env bash
# Runs: default
# The gesture mapping dialog (command IDC_GESTURE_MAPPING of GENERAL, which template IDD_GENERAL
# has no button for): the three name tables, the last gesture kept between
# openings, selections writing the live map, Save As / ClearAll / Load
# through Wine's own file dialogs, short and out-of-table mapping files,
# Default; Esc and Enter do nothing, the close box ends it.
source "$RTOUCH_ROOT/tests/e2e/dialog_lib.sh"

DEFAULT_MAP=00000000000000000108010700050003000500030001000201020101
ZERO_MAP=$(printf '0%.0s' {1..56})

# Runs the file dialog of menu command $1 (Load or Save As) on file $2 as
# a user does: the name typed into the file name field, then the default
# button's command (as Enter gives it).
file_dialog() {
    local dlg
    dlg=$(open_from "$MAPPING" "$1") || fail "command $1 opened no file dialog"
    expect_eq "$(info_field title "$dlg")" "$2" "file dialog title"
    tool set-text "$dlg" $FILE_NAME_BOX "$3" || fail "type the file name"
    press_ok "$dlg"
}

# Shows that combo $1 of the mapping dialog selects $2 (waits for it).
expect_sel() {
    wait_output "tool combo $MAPPING $1" "$2" 5 || fail "combo $1 does not select $2"
    echo "ok: combo $1 selects $2"
}

start_app
open_general
MAPPING=$(open_from "$GENERAL" $IDC_GESTURE_MAPPING)
expect_eq "$(info_field title "$MAPPING")" "手势对应" "mapping dialog title"
expect_eq "$(combo_items "$MAPPING" $IDC_GESTURE_COMBO | tr '\n' '|')" \
    "RHori.|LHori.|UVert.|DVert.|RArc|LArc|CWCircle|CCWCircle|RPan|LPan|UPan|DPan|PinchIn|PinchOut|" \
    "14 gestures"
expect_eq "$(combo_items "$MAPPING" $IDC_MODIFIER_COMBO | tr '\n' '|')" \
    "N/A|CTRL|SHIFT|ALT|CTRL+SHIFT|CTRL+ALT|CTRL+SHIFT+ALT|" "7 modifiers"
expect_eq "$(combo_items "$MAPPING" $IDC_KEY_COMBO | tr '\n' '|')" \
    "N/A|Scroll Up|Scroll Down|Left Arrow|Up Arrow|Right Arrow|Down Arrow|,|.|A|B|C|D|E|F|G|H|I|J|K|L|M|N|O|P|Q|R|S|T|U|V|W|X|Y|Z|" \
    "35 keys"
expect_eq "$(live_map)" "$DEFAULT_MAP" "live map is the default map"
expect_eq "$(combo_sel "$MAPPING" $IDC_GESTURE_COMBO)" "0" "first opening shows the first gesture"

# The gesture box has the focus: arrow keys walk the gestures and the
# other two boxes follow the entry. Esc and Enter on the way do nothing.
for _ in 1 2 3 4; do tool key "$MAPPING" $VK_DOWN; done
expect_sel $IDC_GESTURE_COMBO 4
expect_eq "$(combo_sel "$MAPPING" $IDC_MODIFIER_COMBO) $(combo_sel "$MAPPING" $IDC_KEY_COMBO)" "1 8" "entry 4 shows CTRL and ."
tool key "$MAPPING" $VK_ESCAPE
tool key "$MAPPING" $VK_RETURN
tool key "$MAPPING" $VK_DOWN
expect_sel $IDC_GESTURE_COMBO 5
expect_eq "$(info_field title "$MAPPING")" "手势对应" "Esc and Enter leave the dialog open"

close_by_box "$MAPPING"
MAPPING=$(open_from "$GENERAL" $IDC_GESTURE_MAPPING)
expect_eq "$(combo_sel "$MAPPING" $IDC_GESTURE_COMBO)" "5" "reopening shows the last gesture"
expect_eq "$(combo_sel "$MAPPING" $IDC_MODIFIER_COMBO) $(combo_sel "$MAPPING" $IDC_KEY_COMBO)" "1 7" "entry 5 shows CTRL and ,"
screenshot "$MAPPING" mapping_dialog

# Selections write the live map at once: entry 5 becomes SHIFT with ".".
tool key "$MAPPING" $VK_TAB
tool key "$MAPPING" $VK_DOWN
tool key "$MAPPING" $VK_TAB
tool key "$MAPPING" $VK_DOWN
edited=00000000000000000108020800050003000500030001000201020101
wait_live_map "$edited" 5
echo "ok: selections change the live map"

saved="$WINEPREFIX/drive_c/saved.map"
file_dialog $IDM_MAP_SAVE_AS "Save As" 'C:\saved.map'
wait_output "stat -c %s '$saved' 2>/dev/null" 28 5 || fail "Save As did not write 28 bytes"
expect_eq "$(xxd -p -c 28 "$saved")" "$edited" "the saved file is the map image"

tool post "$MAPPING" $WM_COMMAND $IDM_MAP_CLEAR_ALL 0
wait_live_map "$ZERO_MAP" 5
expect_sel $IDC_GESTURE_COMBO 0
file_dialog $IDM_MAP_LOAD Open 'C:\saved.map'
wait_live_map "$edited" 5
echo "ok: Save As, ClearAll, Load restores the map exactly"
expect_eq "$(combo_sel "$MAPPING" $IDC_GESTURE_COMBO) $(combo_sel "$MAPPING" $IDC_MODIFIER_COMBO) $(combo_sel "$MAPPING" $IDC_KEY_COMBO)" "0 0 0" \
    "after Load: first gesture, entry 0 shown"

# A 10-byte file: entries 0..4 from the file, the rest zero.
printf '\x01\x09\x02\x0a\x03\x0b\x04\x0c\x05\x0d' >"$WINEPREFIX/drive_c/short.map"
file_dialog $IDM_MAP_LOAD Open 'C:\short.map'
wait_live_map "0109020a030b040c050d$(printf '0%.0s' {1..36})" 5
echo "ok: a 10-byte file leaves entries 5..13 zero"
expect_eq "$(combo_sel "$MAPPING" $IDC_MODIFIER_COMBO) $(combo_sel "$MAPPING" $IDC_KEY_COMBO)" "1 9" "entry 0 from the short file shown"

# Indices beyond the tables: blank boxes, and moving the focus through the
# boxes (notifications of each) leaves the bytes as the file has them.
printf '\x09\x28' >"$WINEPREFIX/drive_c/beyond.map"
file_dialog $IDM_MAP_LOAD Open 'C:\beyond.map'
wait_live_map "0928$(printf '0%.0s' {1..52})" 5
expect_eq "$(combo_sel "$MAPPING" $IDC_MODIFIER_COMBO) $(combo_sel "$MAPPING" $IDC_KEY_COMBO)" "-1 -1" "out-of-table entry shows blank boxes"
for _ in 1 2 3; do tool key "$MAPPING" $VK_TAB; done
# Posted after the keys, so handled after them.
tool post-item "$MAPPING" $IDC_GESTURE_COMBO $CB_SETCURSEL 7 0 || fail "post CB_SETCURSEL"
expect_sel $IDC_GESTURE_COMBO 7
expect_eq "$(live_map)" "0928$(printf '0%.0s' {1..52})" "focus moves keep out-of-table bytes"

tool post "$MAPPING" $WM_COMMAND $IDM_MAP_DEFAULT 0
wait_live_map "$DEFAULT_MAP" 5
expect_sel $IDC_GESTURE_COMBO 0
expect_eq "$(combo_sel "$MAPPING" $IDC_MODIFIER_COMBO) $(combo_sel "$MAPPING" $IDC_KEY_COMBO)" "0 0" "Default shows entry 0"

# A file that another program holds open cannot be replaced: the failed
# save is reported, not passed over.
holder_out=$(mktemp)
tool hold-file 'C:\locked.map' 30000 >"$holder_out" &
holder=$!
wait_output "cat $holder_out" ready 10 || fail "hold-file did not start"
# It exists (the holder made it): Save As asks first, and Yes tries.
dlg=$(open_from "$MAPPING" $IDM_MAP_SAVE_AS) || fail "Save As opened no file dialog"
tool set-text "$dlg" $FILE_NAME_BOX 'C:\locked.map' || fail "type the file name"
post_ok "$dlg"
question=$(tool wait-popup "$dlg" 5000) || fail "no question before replacing"
tool click "$question" $IDYES || fail "answer Yes"
answer_box "$TITLE_ERROR" "$TEXT_MAP_NOT_SAVED" $IDOK
kill "$holder" 2>/dev/null
rm -f "$holder_out"

close_by_box "$MAPPING"
expect_eq "$(tool wait-popup main 1000)" "$GENERAL" "back on GENERAL"

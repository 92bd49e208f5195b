# shellcheck disable=SC2034 # the names it sets are for the scripts that source it
# Helpers for the end-to-end tests of the dialogs; sourced by test_dlg_*.sh.
# Every wait polls with a time limit.
source "$RTOUCH_ROOT/tests/e2e/app_lib.sh"

# Gives dialog $1 its default button's command, as Enter would, by a
# posted IDOK: it comes after everything the dialog's thread was given
# before, and does not depend on where the keyboard focus is (a key goes
# to the focus, which a dialog that has just opened may not have given to
# its first control yet: a file dialog then stayed open).
post_ok() { tool post "$1" $WM_COMMAND $IDOK 0 || fail "post IDOK to $1"; }

# post_ok, then waits until the dialog is gone.
press_ok() {
    post_ok "$1"
    tool wait-gone "$1" "${2:-10000}" || fail "$1 did not end on IDOK"
}

# Waits up to $4 ms (default 10000) for the message box titled $1, expects
# its text to read $2, answers it with its button $3 (IDOK, IDYES, ...) and
# waits until it is gone.
answer_box() {
    local box
    box=$(tool wait-window "#32770" "$1" "${4:-10000}") || fail "no message box $1"
    expect_eq "$(tool item-text "$box" $MSGBOX_TEXT)" "$2" "the text of message box $1"
    tool click "$box" "$3" || fail "click button $3 of message box $1"
    tool wait-gone "$box" 5000 || fail "message box $1 stayed"
}

# Waits until the main window's newest popup is a window other than $1 and
# prints it: the dialog that a command posted to $1 has opened. The limit
# allows for a loaded machine (the first file dialog loads the shell); on
# timeout the tool says what it saw.
wait_new_popup() {
    tool wait-new-popup main "${1:--}" 30000 && return 0
    echo "rtouch.exe $(kill -0 "${APP_PID:-0}" 2>/dev/null && echo running || echo gone)" >&2
    return 1
}

# Opens the GENERAL dialog through the main window's command IDC_MAIN_GENERAL.
open_general() {
    tool post main $WM_COMMAND $IDC_MAIN_GENERAL 0 || fail "post IDC_MAIN_GENERAL"
    GENERAL=$(tool wait-popup main 5000) || fail "GENERAL did not open"
}

# Posts command $2 to dialog $1 and prints the dialog it opens.
open_from() {
    tool post "$1" $WM_COMMAND "$2" 0 || fail "post command $2"
    # A dialog's new popup is any but itself; the main window's, any.
    local other=$1
    [ "$other" = main ] && other=-
    wait_new_popup "$other" || fail "command $2 opened nothing"
}

# Waits up to $3 seconds until `$1` prints $2. A command of the e2e tool
# ("tool SUBCOMMAND ARGS", the first line of its output) is waited for in
# one tool process.
wait_output() {
    local deadline=$((SECONDS + $3)) out
    if [[ $1 == "tool "* ]]; then
        eval "tool wait-for $(printf '%q' "$2") $(($3 * 1000)) ${1#tool }"
        return
    fi
    while :; do
        out=$(eval "$1") && [ "$out" = "$2" ] && return 0
        [ $SECONDS -lt $deadline ] || { echo "last output of '$1': '$out'" >&2; return 1; }
        sleep 0.05
    done
}

# The selected item of combo box $2 of dialog $1 (-1: none).
combo_sel() { tool combo "$1" "$2" | head -n 1; }
# Every item of combo box $2, one a line.
combo_items() { tool combo "$1" "$2" | tail -n +2; }

# $2 bytes of the live block from offset $1, in hex.
live_bytes() { tool read-bytes main $((LIVE_PARAMS + $1)) "$2"; }
# The whole live block, in hex.
live_block() { live_bytes 0 "$BLOCK_SIZE"; }
# Field $1 of the live block (NAME or NAME[INDEX] of BLOCK_FIELDS), in hex.
live_field() {
    local block
    block=$(live_block) || return 1
    block_field "$block" "$1"
}
# The live gesture map, in hex.
live_map() { live_field GestureMap; }
# Waits up to $3 seconds until field $1 of the live block (as live_field)
# reads the hex digits $2, in one process.
wait_live() {
    local span
    span=$(field_digits "$1") || fail "no block field $1"
    tool wait-bytes main $((LIVE_PARAMS + ${span% *} / 2)) "$2" $(($3 * 1000)) || fail "live $1 did not become $2"
}
# Waits up to $2 seconds until the live gesture map reads $1.
wait_live_map() { wait_live GestureMap "$1" "$2"; }

# Screen pixels: the colours (RRGGBB) of the points X Y ... of the screen.
screen_pixels() {
    local shot format=""
    shot=$(mktemp --suffix=.png)
    import -window root "$shot" || return 1
    while [ $# -ge 2 ]; do
        format+="%[hex:p{$1,$2}] "
        shift 2
    done
    convert "$shot" -format "${format% }" info:
    rm -f "$shot"
}

# The live parameter block and its built-in twin inside rtouch.exe.
LIVE_PARAMS=$(symbol_rva LiveParams)
DEFAULT_PARAMS=$(symbol_rva DefaultParams)

#!/usr/bin/env bash
# Arches: x64 x86
# The interactive installer, page by page (screenshots in the artifacts):
# welcome, components with the start-at-sign-in box, folder, progress,
# finish with "Start rtouch now" checked, which has the desktop's shell
# start the program.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"
source "$RTOUCH_ROOT/tests/e2e/app_lib.sh"
BM_CLICK=0xF5

# Waits until control $2 of window $1 reads $3: one tool process waits.
wait_item_text() { tool wait-text "$1" "$2" "$3" 20000 >/dev/null || fail "button $2 never read '$3'"; }
# Waits until the components page is up: its third button is enabled.
wait_components() { tool wait-for 1 20000 item-enabled "$1" 3 >/dev/null || fail "no components page"; }
# Presses button $2 of window $1 as a click does.
press() { tool post-item "$1" "$2" $BM_CLICK 0 0 >/dev/null || fail "press $2"; }

wine "$SETUP" "${SETUP_ARGS[@]}" >>"$RTOUCH_ARTIFACTS/setup.log" 2>&1 &
setup_pid=$!
dlg=$(tool wait-window '#32770' "rtouch $VERSION Setup" 20000) || fail "no setup window"
wait_item_text "$dlg" 1 "&Next >"
screenshot "$dlg" installer_welcome
press "$dlg" 1
wait_components "$dlg"
screenshot "$dlg" installer_components
press "$dlg" 1
wait_item_text "$dlg" 1 "&Install"
screenshot "$dlg" installer_folder
press "$dlg" 1
wait_item_text "$dlg" 1 "&Finish"
screenshot "$dlg" installer_finish
expect_installed
expect_eq "$(reg_value "$RUN_KEY" rtouch)" "\"$INSTDIR\\rtouch.exe\"" "Run value (box checked by default)"
expect_eq "$(rtouch_pids)" "" "nothing started before Finish"
press "$dlg" 1
if ! wait_exit "$setup_pid" 20; then
    # A message box says why the shell did not start rtouch.
    popup=$(tool wait-popup "$dlg" 1000) && fail "setup did not end: $(tool item-text "$popup" 0xFFFF)"
    fail "setup did not end"
fi
expect_eq "$EXIT_CODE" "0" "interactive setup exit code"
tool wait-window ZRN_RTouch Fennimore 15000 >/dev/null || fail "Finish did not start rtouch"
expect_eq "$(rtouch_pids | wc -w)" "1" "Finish started rtouch.exe"
expect_eq "$(tool parent-program "$(tool wait-window ZRN_RTouch Fennimore 1000)" | tr -d '\r')" "explorer.exe" \
    "the shell, not the setup, started rtouch.exe"

# A folder that another user could take over, given on the folder page:
# the page says why and stays there, so that another one can be chosen.
# Under Wine the first reason is C:\ itself: it belongs to the Wine user,
# not to the administrators.
mkdir -p "$DRIVE_C/Shared"
chmod 0777 "$DRIVE_C/Shared"
wine "$SETUP" "${SETUP_ARGS[@]}" '/D=C:\Shared\rtouch' >>"$RTOUCH_ARTIFACTS/setup.log" 2>&1 &
dlg=$(tool wait-window '#32770' "rtouch $VERSION Setup" 20000) || fail "no second setup window"
wait_item_text "$dlg" 1 "&Next >"
press "$dlg" 1
wait_components "$dlg"
press "$dlg" 1
wait_item_text "$dlg" 1 "&Install"
press "$dlg" 1
popup=$(tool wait-popup "$dlg" 20000) || fail "no message about the folder"
tool item-text "$popup" 0xFFFF | tr -d '\r' | grep -qF 'C:\ belongs to' ||
    fail "the message does not say why: $(tool item-text "$popup" 0xFFFF)"
screenshot "$popup" installer_folder_refused
press "$popup" 1
wait_item_text "$dlg" 1 "&Install"
[ ! -e "$DRIVE_C/Shared/rtouch" ] || fail "the refused folder was created"
echo "ok: the folder page refuses C:\\Shared\\rtouch and stays"

#!/usr/bin/env bash
# Runs: default x86-native
# A folder holding the programs and a DLL named like a system DLL, as a
# Downloads folder with the portable zip may: rtouchctl install and rtouch
# take setupapi, newdev, wtsapi32, comctl32 and hid from the system folder,
# never from their own. A planted DLL that loads ends its process with 77.
source "$RTOUCH_ROOT/tests/e2e/app_lib.sh"
source "$RTOUCH_ROOT/tests/e2e/driver_lib.sh"

dir=$(mktemp -d "$WINEPREFIX/drive_c/downloads.XXXXXX")
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/driver"
cp "$RTOUCH_BUILD/rtouchctl.exe" "${RTOUCH_APP_BUILD:-$RTOUCH_BUILD}/rtouch.exe" "$dir/"
cp "$RTOUCH_BUILD/driver/rtouchdrv.inf" "$RTOUCH_BUILD/driver/rtouchdrv.sys" "$dir/driver/"
for name in setupapi newdev wtsapi32 comctl32 hid; do
    cp "$RTOUCH_BUILD/tests/e2e/planted.dll" "$dir/$name.dll"
done

CTL="$dir/rtouchctl.exe"
out=$(ctl install) || fail "install beside planted DLLs ended with status $?: '$out'"
expect_eq "$out" "installed" "install beside planted DLLs"

APP="$dir/rtouch.exe"
start_app
kill -0 "$APP_PID" 2>/dev/null || fail "rtouch ended beside planted DLLs"
echo "ok: rtouch runs beside planted DLLs"

# A system DLL that cannot be loaded is named, not a failed start.
out=$(WINEDLLOVERRIDES=newdev= ctl install 2>&1)
status=$?
expect_eq "$status" "2" "install without newdev.dll"
case $out in *"cannot load "*newdev.dll*) echo "ok: install without newdev.dll: $out" ;;
    *) fail "install without newdev.dll said '$out'" ;; esac

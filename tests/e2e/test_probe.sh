#!/usr/bin/env bash
# Runs: default x86-native
# rtouchctl probe runs the real interface lookup; with no driver installed
# it reports the enumeration failure and "absent".
set -u
out=$(wine "$RTOUCH_BUILD/rtouchctl.exe" probe)
status=$?
expected=$'Error: No more data available.\r\nSetupDiEnumDeviceInterfaces failed.\nabsent'
if [ "$status" != 1 ]; then echo "exit status $status, expected 1"; exit 1; fi
if [ "$out" != "$expected" ]; then
    echo "unexpected output:"; printf '%s' "$out" | od -c | head -20; exit 1
fi
echo "probe: absent as expected"

#!/usr/bin/env bash
# Runs: default
# Who may drive the substitute driver. Wine enforces the access a command
# code asks of a handle but not the devices' descriptors, so: the codes
# that change the driver are refused on a read-only handle (checked live);
# the touch device's descriptor is the Security value the .inf writes for
# it (read back from the registry); the control device is created from its
# descriptor string (the driver imports and calls IoCreateDeviceSecure with
# it), and where Wine reports a descriptor for it, it is that string.
source "$RTOUCH_ROOT/tests/e2e/driver_lib.sh"

# A string constant of driver/TestCodes.h, as the header spells it.
header_string() {
    sed -n "s/^#define $1 L\{0,1\}\"\(.*\)\"$/\1/p" "$RTOUCH_ROOT/driver/TestCodes.h"
}
control_sddl=$(header_string RTOUCHDRV_CONTROL_SDDL)
touch_sddl=$(header_string RTOUCHDRV_TOUCH_SDDL)
expect_eq "$control_sddl" "D:P(A;;GA;;;SY)(A;;GA;;;BA)" "control device: system and administrators only"
expect_eq "$touch_sddl" "D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;GRGW;;;IU)" \
    "touch device: system, administrators and the interactive user"

install_driver
out=$(wine "$DRVCHECK" security) || fail "access checks: $out"
echo "$out" | grep -v '^descriptor'
# The check prints a descriptor line in every case: none is a fault of the
# check. Wine keeps no descriptor for a device (the line reads empty or
# "unavailable"): the comparison cannot be made here, and the output says
# so rather than "ok"; only Windows can confirm the descriptor.
grep -q '^descriptor' <<<"$out" || fail "the access checks printed no descriptor line: $out"
reported=$(sed -n 's/^descriptor *//p' <<<"$out" | tr -d '\r')
case $reported in
    "" | unavailable*) echo "not checked under Wine: the control device's descriptor ('$reported')" ;;
    *) expect_eq "$reported" "$control_sddl" "the control device's descriptor" ;;
esac

# The device's instance as the lookup finds it (its interface path names
# it: \\?\root#rtouchdrv#NNNN#{guid}), not a guessed number.
path=$(tool touch-path | tr -d '\r') || fail "no touch interface"
instance=$(grep -io 'root#rtouchdrv#[^#]*' <<<"$path" | tr '#' '\\')
[ -n "$instance" ] || fail "the interface path names no instance: '$path'"
security=$(wine reg query "HKLM\\System\\CurrentControlSet\\Enum\\$instance\\Device Parameters" \
    /v Security /reg:64 | tr -d '\r' | sed -n 's/^ *Security *REG_SZ *//p')
expect_eq "$security" "$touch_sddl" "the touch device's Security value from the .inf"

imports=$(/usr/bin/python3 - "$RTOUCH_BUILD/driver/rtouchdrv.sys" <<'PY'
import sys, pefile
pe = pefile.PE(sys.argv[1])
print(" ".join(i.name.decode() for d in pe.DIRECTORY_ENTRY_IMPORT for i in d.imports if i.name))
PY
) || fail "cannot read the driver's imports"
case " $imports " in *" IoCreateDeviceSecure "*) echo "ok: the driver imports IoCreateDeviceSecure" ;;
    *) fail "the driver does not import IoCreateDeviceSecure" ;; esac
grep -A4 'IoCreateDeviceSecure(' "$RTOUCH_ROOT/driver/rtouchdrv.c" | grep -q '&sddl' &&
    grep -q 'RtlInitUnicodeString(&sddl, RTOUCHDRV_CONTROL_SDDL)' "$RTOUCH_ROOT/driver/rtouchdrv.c" ||
    fail "the control device is not created from RTOUCHDRV_CONTROL_SDDL"
echo "ok: the control device is created from RTOUCHDRV_CONTROL_SDDL"

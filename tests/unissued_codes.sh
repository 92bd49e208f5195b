#!/usr/bin/env bash
# The application never sends IOCTL_TOUCH_GET_CONFIG: the record is the
# driver's, and a real driver may answer it on a dead handle or fail it on a
# live one. Only the driver, its checks and the tests may name the code; the
# programs' sources name it nowhere but in the header that defines it, by
# name, by function number (0x809) or by value (0xF2024).
set -u
root=$1
cd "$root" || exit 2
found=$(grep -rniE --include='*.c' --include='*.cpp' --include='*.h' \
    'IOCTL_TOUCH_GET_CONFIG|0x0*809u?\b|0x0*F2024\b' calibration device engine shell tools |
    grep -v '^device/DriverCodes\.h:')
if [ -n "$found" ]; then
    echo "FAIL: product code names IOCTL_TOUCH_GET_CONFIG:"
    echo "$found"
    exit 1
fi
echo "ok: no product code names IOCTL_TOUCH_GET_CONFIG"

#!/usr/bin/env bash
# The installer tests: each test for the x64 and then the x86 setup of
# DIST_DIR (written by scripts/package) under Wine, each test in a fresh
# copy of one booted 64-bit prefix per architecture (the x86 setup runs
# under 32-bit Wine there, as on 64-bit Windows). BUILD_DIR is the win64
# test build (its e2e_tool.exe drives and inspects windows).
# Usage: tests/e2e/install/run.sh DIST_DIR BUILD_DIR [TEST_NAME...]
# RTOUCH_INSTALL_ARCHES: the architectures to run (default "x64 x86"). The
# x86 tests are skipped in one line where 32-bit Wine does not run
# (scripts/lib/deps.sh: RTOUCH_WINE32, RTOUCH_NO_WINE32).
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/lib/deps.sh"
RTOUCH_DIST=$(cd "${1:?dist dir}" && pwd)
shift
# The installers are about a fresh system: no prefix another test ran in.
export RTOUCH_DIST RTOUCH_E2E_SUITE=$here RTOUCH_E2E_FRESH=1
status=0
for arch in ${RTOUCH_INSTALL_ARCHES:-x64 x86}; do
    if [ "$arch" = x86 ]; then
        reason=$(rtouch_no_wine32_reason)
        [ "${RTOUCH_WINE32:-}" = 0 ] && reason=${reason:-RTOUCH_WINE32=0}
        if [ -n "$reason" ]; then
            echo "== installer x86 skipped: the x86 setup needs 32-bit Wine ($reason)"
            continue
        fi
    fi
    echo "== installer $arch"
    RTOUCH_INSTALL_ARCH=$arch "$here/../run.sh" "$@" || status=1
done
exit $status

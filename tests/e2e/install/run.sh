#!/usr/bin/env bash
# The installer tests: each test for the x64 and then the x86 setup of
# DIST_DIR (written by scripts/package) under Wine, in a fresh copy of one
# booted 64-bit prefix per architecture (the x86 setup runs under 32-bit
# Wine there, as on 64-bit Windows). BUILD_DIR is the win64 test build (its
# e2e_tool.exe drives and inspects windows).
# Usage: tests/e2e/install/run.sh DIST_DIR BUILD_DIR [TEST_NAME...]
# RTOUCH_INSTALL_ARCHES: the architectures to run (default "x64 x86").
# RTOUCH_INSTALL_KINDS: the package kinds to run (default "nsis msi"): the
# setup program and the Windows Installer package. A test names the kinds
# it applies to in a "# Kinds:" line (none: the setup program only).
set -u
here=$(cd "$(dirname "$0")" && pwd)
RTOUCH_DIST=$(cd "${1:?dist dir}" && pwd)
build=${2:?build dir}
shift 2
export RTOUCH_DIST RTOUCH_E2E_SUITE=$here

# The tests among $3... (all when none) that apply to package kind $1.
tests_of_kind() {
    local kind=$1 t kinds
    shift
    [ $# -gt 0 ] || set -- $(cd "$here" && ls test_*.sh | sed 's/\.sh$//')
    for t in "$@"; do
        kinds=$(sed -n 's/^# Kinds: //p' "$here/$t.sh")
        [[ " ${kinds:-nsis} " == *" $kind "* ]] && echo "$t"
    done
}

status=0
for kind in ${RTOUCH_INSTALL_KINDS:-nsis msi}; do
    for arch in ${RTOUCH_INSTALL_ARCHES:-x64 x86}; do
        if [ "$kind" = msi ] && [ "$arch" = x86 ] && [ "${RTOUCH_WINE32:-0}" != 1 ]; then
            echo "== $kind $arch skipped: no 32-bit Wine on this machine (RTOUCH_WINE32 is not 1)"
            continue
        fi
        tests=$(tests_of_kind "$kind" "$@")
        [ -n "$tests" ] || continue
        echo "== $kind $arch"
        # shellcheck disable=SC2086
        RTOUCH_INSTALL_KIND=$kind RTOUCH_INSTALL_ARCH=$arch "$here/../run.sh" "$build" $tests || status=1
    done
done
exit $status

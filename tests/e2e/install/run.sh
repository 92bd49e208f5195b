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
# RTOUCH_INSTALL_KINDS: the package kinds to run (default "nsis msi"): the
# setup program and the Windows Installer package. A test names the kinds
# it applies to in a "# Kinds:" line (none: the setup program only).
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/lib/deps.sh"
RTOUCH_DIST=$(cd "${1:?dist dir}" && pwd)
build=${2:?build dir}
shift 2
# The installers are about a fresh system: no prefix another test ran in.
export RTOUCH_DIST RTOUCH_E2E_SUITE=$here RTOUCH_E2E_FRESH=1

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

# Why the x86 packages cannot run here (empty: they can).
x86_skip_reason() {
    local reason
    reason=$(rtouch_no_wine32_reason)
    [ "${RTOUCH_WINE32:-}" = 0 ] && reason=${reason:-RTOUCH_WINE32=0}
    echo "$reason"
}

status=0
for kind in ${RTOUCH_INSTALL_KINDS:-nsis msi}; do
    for arch in ${RTOUCH_INSTALL_ARCHES:-x64 x86}; do
        if [ "$arch" = x86 ]; then
            reason=$(x86_skip_reason)
            if [ -n "$reason" ]; then
                echo "== $kind x86 skipped: the x86 package needs 32-bit Wine ($reason)"
                continue
            fi
        fi
        tests=$(tests_of_kind "$kind" "$@")
        [ -n "$tests" ] || continue
        echo "== $kind $arch"
        # shellcheck disable=SC2086
        RTOUCH_INSTALL_KIND=$kind RTOUCH_INSTALL_ARCH=$arch "$here/../run.sh" "$build" $tests || status=1
    done
done
exit $status

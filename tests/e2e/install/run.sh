#!/usr/bin/env bash
# The installer tests: each test for the x64 and then the x86 setup of
# DIST_DIR (written by scripts/package) under Wine, each test in a fresh
# copy of one booted 64-bit prefix per architecture (the x86 setup runs
# under 32-bit Wine there, as on 64-bit Windows). BUILD_DIR is the win64
# test build (its e2e_tool.exe drives and inspects windows).
# Usage: tests/e2e/install/run.sh DIST_DIR BUILD_DIR [TEST_NAME...]
# RTOUCH_INSTALL_ARCHES: the architectures to run (default "x64 x86"). Where
# 32-bit Wine does not run, each x86 test is listed as skipped with the
# reason (scripts/lib/deps.sh: RTOUCH_WINE32, RTOUCH_REQUIRE_WINE32).
# RTOUCH_INSTALL_KINDS: the package kinds to run (default "nsis msi"): the
# setup program and the Windows Installer package. A test names the kinds
# it applies to in a "# Kinds:" line (none: the setup program only); an
# unknown kind, or a kind that no test applies to, fails the run. A test
# names the architectures it runs for in an "# Arches:" line (none: x64
# only), checked the same way.
# RTOUCH_E2E_TIMEOUT (here default 600 s: a test may package the release
# again) and RTOUCH_E2E_RUN_TIMEOUT bound each test and each run of
# ../run.sh, as there.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/lib/deps.sh"
RTOUCH_DIST=$(cd "${1:?dist dir}" && pwd)
build=${2:?build dir}
shift 2
# The installers are about a fresh system: no prefix another test ran in.
export RTOUCH_DIST RTOUCH_E2E_SUITE=$here RTOUCH_E2E_FRESH=1 RTOUCH_E2E_TIMEOUT=${RTOUCH_E2E_TIMEOUT:-600}

known_kinds="nsis msi"
known_arches="x64 x86"
if [ $# -eq 0 ]; then
    for t in "$here"/test_*.sh; do set -- "$@" "$(basename "$t" .sh)"; done
fi
for t in "$@"; do
    [ -f "$here/$t.sh" ] || { echo "no test $here/$t.sh" >&2; exit 2; }
done
# Every "# Kinds:" and "# Arches:" line names known values: a mistyped one
# would drop a package's coverage without a word.
for t in "$here"/test_*.sh; do
    for line in "Kinds:$known_kinds" "Arches:$known_arches"; do
        read -r -a named <<<"$(sed -n "s/^# ${line%%:*}: //p" "$t")"
        for k in "${named[@]}"; do
            [[ " ${line#*:} " == *" $k "* ]] ||
                { echo "$t: unknown value \"$k\" in its # ${line%%:*}: line (known: ${line#*:})" >&2; exit 2; }
        done
    done
done

# The tests among $3... whose header line $1 ("Kinds", "Arches") names $2
# (a test without the line: its default, $4 is not it).
tests_naming() {
    local line=$1 value=$2 default=$3 t named
    shift 3
    for t in "$@"; do
        named=$(sed -n "s/^# $line: //p" "$here/$t.sh")
        [[ " ${named:-$default} " == *" $value "* ]] && echo "$t"
    done
}

status=0
for kind in ${RTOUCH_INSTALL_KINDS:-$known_kinds}; do
    [[ " $known_kinds " == *" $kind "* ]] || { echo "RTOUCH_INSTALL_KINDS: unknown kind $kind (known: $known_kinds)" >&2; exit 2; }
    tests=$(tests_naming Kinds "$kind" nsis "$@")
    if [ -z "$tests" ]; then
        echo "FAIL $kind: none of the tests run applies to it (their # Kinds: lines; RTOUCH_INSTALL_KINDS chooses the kinds)"
        result_record FAIL "e2e-install-$kind" "none of the tests run applies to it"
        status=1
        continue
    fi
    for arch in ${RTOUCH_INSTALL_ARCHES:-$known_arches}; do
        [[ " $known_arches " == *" $arch "* ]] || { echo "RTOUCH_INSTALL_ARCHES: unknown $arch (known: $known_arches)" >&2; exit 2; }
        # shellcheck disable=SC2046 # one word a test
        tests=$(tests_naming Arches "$arch" x64 $(tests_naming Kinds "$kind" nsis "$@"))
        # An architecture asked for by name must have tests; of the default
        # two, one without says so.
        if [ -z "$tests" ] && [ -n "${RTOUCH_INSTALL_ARCHES:-}" ]; then
            echo "FAIL $kind $arch: none of the tests run applies to it (their # Arches: lines)"
            result_record FAIL "e2e-install-$kind-$arch" "none of the tests run applies to it"
            status=1
            continue
        elif [ -z "$tests" ]; then
            echo "== $kind $arch: none of the tests run applies to it (their # Arches: lines)"
            continue
        fi
        if [ "$arch" = x86 ]; then
            reason=$(rtouch_wine32_skip_reason)
            if [ -n "$reason" ]; then
                echo "== $kind x86: the x86 package needs 32-bit Wine ($reason)"
                for t in $tests; do
                    result_skip wine32 "e2e-install-$kind-x86/$t" "needs 32-bit Wine: $reason" || status=1
                done
                continue
            fi
        fi
        echo "== $kind $arch"
        # shellcheck disable=SC2086 # one word a test
        RTOUCH_INSTALL_KIND=$kind RTOUCH_INSTALL_ARCH=$arch "$here/../run.sh" "$build" $tests || status=1
    done
done
exit $status

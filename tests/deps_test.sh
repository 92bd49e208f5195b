#!/usr/bin/env bash
# The 32-bit Wine step of scripts/lib/deps.sh with apt and the machine
# played by stubs: a wine32 that cannot be installed, or is switched off,
# leaves the suite running without the x86 runs; a failed update is retried.
set -u
# As a fresh shell would run it, not inside a run of scripts/test.
unset RTOUCH_DEPS_CHECKED RTOUCH_WINE32 RTOUCH_NO_WINE32
root=$1
fail=0
check() {  # ACTUAL EXPECTED WHAT
    if [ "$1" = "$2" ]; then echo "ok: $3"; else echo "FAIL: $3: got '$1', expected '$2'"; fail=1; fi
}

# Runs ensure_deps on a machine that runs 32-bit code, has every package but
# wine32 (installed=1: wine32 too) and whose apt-get update fails its first
# $1 times; the install succeeds when $2 = 1. Runs it twice, as scripts/test
# and the scripts/package it starts do. Prints the first status, RTOUCH_WINE32,
# the number of updates and of output lines, and the last line.
scenario() {
    (
        source "$root/scripts/lib/deps.sh"
        RTOUCH_APT_PAUSE=0
        updates=0
        rtouch_runs_i386() { true; }
        rtouch_installed() { [ "$1" != wine32:i386 ] || [ "${installed:-0}" = 1 ]; }
        dpkg() { echo i386; }
        rtouch_sudo() {
            case "$1 $2" in
                "apt-get update") updates=$((updates + 1)); [ $updates -gt "$fails" ] || echo "E: File has unexpected size" ;;
                "apt-get install") [ "$install_ok" = 1 ] ;;
            esac
        }
        fails=$1 install_ok=$2
        log=$(mktemp)
        ensure_deps >"$log"
        status=$?
        # A script the first one starts (scripts/package) tries nothing again.
        ensure_deps >>"$log"
        echo "status $status wine32 $RTOUCH_WINE32 updates $updates lines $(wc -l <"$log")"
        tail -n 1 "$log"
        rm -f "$log"
    )
}

result=$(scenario 9 0)
check "$(head -n 1 <<<"$result")" "status 0 wine32 0 updates 3 lines 4" \
    "an index that never comes and a failed install: the suite goes on, updates bounded"
check "$(tail -n 1 <<<"$result")" "x86 runs under Wine skipped on this machine: wine32:i386 could not be installed" \
    "one line says why the x86 runs are skipped"
check "$(scenario 1 1 | head -n 1)" "status 0 wine32 1 updates 2 lines 1" "an update that fails once is tried again"
check "$(RTOUCH_NO_WINE32=1 installed=1 scenario 0 1 | head -n 1)" "status 0 wine32 0 updates 0 lines 1" \
    "RTOUCH_NO_WINE32=1 skips the x86 runs where wine32 is installed"
exit $fail

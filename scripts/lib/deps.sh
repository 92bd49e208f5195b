# Installs the Debian packages the project needs; quiet and quick when they
# are already there. 32-bit Wine (wine32:i386) is added only where the
# kernel runs 32-bit programs: elsewhere it cannot run and would take over
# /usr/bin/wine from the 64-bit loader.
# RTOUCH_WINE32 is the one switch of the x86 runs under Wine: "auto" (the
# default: they run where 32-bit Wine is or can be installed, and each is
# listed as skipped with the reason elsewhere) or "off" (as on a machine
# without 32-bit programs: no wine32 installed, every x86 run skipped).
# RTOUCH_REQUIRE_WINE32=1 turns every skipped x86 run into a failure.
# Deprecated spellings, still honoured: RTOUCH_NO_WINE32=1 and
# RTOUCH_WINE32=0 for "off", RTOUCH_WINE32=1 for "auto".
RTOUCH_PACKAGES=(cmake ninja-build g++ clang libgtest-dev libgmock-dev libbenchmark-dev
    g++-mingw-w64-x86-64-win32 gcc-mingw-w64-x86-64-win32 wine wine64 fonts-wine xvfb xauth x11-utils xdotool
    imagemagick fonts-wqy-microhei python3 libclang-rt-14-dev xxd procps shellcheck clang-format
    g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 nsis osslsigncode openssl python3-pefile wixl msitools
    softhsm2 libengine-pkcs11-openssl opensc)
# apt-get update: attempts, and the pause between two. A mirror in the
# middle of a sync serves index files of the wrong size for a while.
RTOUCH_APT_ATTEMPTS=3
RTOUCH_APT_PAUSE=10
source "$(dirname "${BASH_SOURCE[0]}")/results.sh"

rtouch_sudo() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

rtouch_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# apt-get update until it reports no error (an index it could not fetch is
# an error even when apt-get exits with 0), at most RTOUCH_APT_ATTEMPTS times.
rtouch_apt_update() {
    local attempt log
    log=$(mktemp)
    for ((attempt = 1; attempt <= RTOUCH_APT_ATTEMPTS; attempt++)); do
        if rtouch_sudo apt-get update -qq >"$log" 2>&1 && ! grep -q '^E:' "$log"; then
            rm -f "$log"
            return 0
        fi
        [ $attempt -lt $RTOUCH_APT_ATTEMPTS ] && sleep $RTOUCH_APT_PAUSE
    done
    echo "apt-get update failed $RTOUCH_APT_ATTEMPTS times; the last time:"
    grep '^E:' "$log" | head -n 3
    rm -f "$log"
    return 1
}

rtouch_apt_install() {
    DEBIAN_FRONTEND=noninteractive rtouch_sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# The switch RTOUCH_WINE32 as auto or off (see above).
rtouch_wine32_mode() {
    case "${RTOUCH_WINE32:-auto}" in
        off | 0) echo off ;;
        *) [ "${RTOUCH_NO_WINE32:-0}" = 1 ] && echo off || echo auto ;;
    esac
}

# Assembles and runs a static i386 program that exits with 42: true when the
# kernel runs 32-bit code. Needs binutils (as, ld), which g++ brings. It runs
# from the project's build folder: /tmp may be mounted noexec, which would
# read as a kernel without 32-bit support.
rtouch_runs_i386() {
    local dir rc build
    build=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build
    mkdir -p "$build" && dir=$(mktemp -d "$build/i386-probe.XXXXXX") || return 1
    # shellcheck disable=SC2016 # assembly, not shell: $1 and $42 are immediates
    printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$dir/probe.s"
    if as --32 -o "$dir/probe.o" "$dir/probe.s" 2>/dev/null &&
        ld -m elf_i386 -o "$dir/probe" "$dir/probe.o" 2>/dev/null; then
        "$dir/probe" 2>/dev/null
        rc=$?
    else
        rc=1
    fi
    rm -rf "$dir"
    [ "$rc" = 42 ]
}

# Why this machine runs no 32-bit program under Wine, in a few words; empty
# when it does (wine32 installed and not switched off). Installs nothing.
rtouch_no_wine32_reason() {
    if [ "$(rtouch_wine32_mode)" = off ]; then
        if [ "${RTOUCH_NO_WINE32:-0}" = 1 ]; then echo "switched off (RTOUCH_NO_WINE32=1)"; else echo "switched off (RTOUCH_WINE32=${RTOUCH_WINE32})"; fi
    elif ! rtouch_runs_i386; then
        echo "the kernel does not run 32-bit programs"
    elif ! rtouch_installed wine32:i386; then
        echo "wine32:i386 is not installed"
    fi
}

# 32-bit Wine for the x86 runs, installed where the kernel runs it. Sets and
# exports RTOUCH_WINE32_SKIP: why the x86 runs cannot run here, empty when
# they can. Never fails: a wine32 that cannot be installed leaves the
# machine as one without 32-bit programs, and each x86 run is then listed as
# skipped with this reason in the summary (a failure where it is required).
ensure_wine32() {
    local reason
    reason=$(rtouch_no_wine32_reason)
    if [ "$reason" = "wine32:i386 is not installed" ]; then
        echo "installing: wine32:i386"
        dpkg --print-foreign-architectures | grep -qx i386 || rtouch_sudo dpkg --add-architecture i386
        if rtouch_apt_update && rtouch_apt_install wine32:i386; then
            reason=""
        else
            reason="wine32:i386 could not be installed"
        fi
    fi
    RTOUCH_WINE32_SKIP=$reason
    export RTOUCH_WINE32_SKIP
    if [ -z "$reason" ]; then
        return 0
    elif result_required wine32; then
        echo "x86 runs under Wine cannot run on this machine ($reason): they are required, so each fails"
    else
        echo "x86 runs under Wine skipped on this machine ($reason): scripts/test lists each in its summary"
    fi
}

# Why the x86 runs under Wine cannot run (empty: they can): what
# ensure_wine32 found in this run, else what the machine says now.
rtouch_wine32_skip_reason() {
    if [ -n "${RTOUCH_WINE32_SKIP+set}" ]; then echo "$RTOUCH_WINE32_SKIP"; else rtouch_no_wine32_reason; fi
}


# Once per run of the scripts: a script that another one starts (scripts/test
# runs scripts/package) finds RTOUCH_DEPS_CHECKED=1 and RTOUCH_WINE32_SKIP set.
ensure_deps() {
    [ "${RTOUCH_DEPS_CHECKED:-0}" = 1 ] && return 0
    local missing=()
    for p in "${RTOUCH_PACKAGES[@]}"; do
        rtouch_installed "$p" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "installing: ${missing[*]}"
        # A failed update may leave an index that still serves these.
        rtouch_apt_update
        rtouch_apt_install "${missing[@]}" || return 1
    fi
    ensure_wine32
    export RTOUCH_DEPS_CHECKED=1
}

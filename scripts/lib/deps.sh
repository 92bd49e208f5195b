# Installs the Debian packages the project needs; quiet and quick when they
# are already there. 32-bit Wine (wine32:i386) is added only where the
# kernel runs 32-bit programs: elsewhere it cannot run and would take over
# /usr/bin/wine from the 64-bit loader.
RTOUCH_PACKAGES=(cmake ninja-build g++ clang libgtest-dev libgmock-dev libbenchmark-dev
    g++-mingw-w64-x86-64-win32 gcc-mingw-w64-x86-64-win32 wine wine64 fonts-wine xvfb xauth x11-utils xdotool
    imagemagick fonts-wqy-microhei python3 libclang-rt-14-dev xxd procps
    g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 nsis osslsigncode openssl python3-pefile wixl msitools
    softhsm2 libengine-pkcs11-openssl opensc)

rtouch_sudo() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

rtouch_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# Assembles and runs a static i386 program that exits with 42: true when the
# kernel runs 32-bit code. Needs binutils (as, ld), which g++ brings.
rtouch_runs_i386() {
    local dir rc
    dir=$(mktemp -d)
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

# 32-bit Wine for the x86 runs. Sets RTOUCH_WINE32=1 when it is there.
ensure_wine32() {
    RTOUCH_WINE32=0
    if rtouch_installed wine32:i386; then RTOUCH_WINE32=1; export RTOUCH_WINE32; return 0; fi
    if ! rtouch_runs_i386; then
        echo "x86 runs skipped on this machine: the kernel does not run 32-bit programs (no wine32 installed)"
        export RTOUCH_WINE32
        return 0
    fi
    echo "installing: wine32:i386"
    dpkg --print-foreign-architectures | grep -qx i386 || rtouch_sudo dpkg --add-architecture i386
    rtouch_sudo apt-get update -qq >/dev/null
    DEBIAN_FRONTEND=noninteractive rtouch_sudo apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null &&
        RTOUCH_WINE32=1
    export RTOUCH_WINE32
    [ "$RTOUCH_WINE32" = 1 ]
}

ensure_deps() {
    local missing=()
    for p in "${RTOUCH_PACKAGES[@]}"; do
        rtouch_installed "$p" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "installing: ${missing[*]}"
        rtouch_sudo apt-get update -qq >/dev/null
        DEBIAN_FRONTEND=noninteractive rtouch_sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
            return 1
    fi
    ensure_wine32
}

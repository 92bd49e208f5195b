# Installs the Debian packages the project needs; quiet and quick when they
# are already there. Never installs 32-bit Wine: it cannot run here and
# would break the 64-bit loader.
RTOUCH_PACKAGES=(cmake ninja-build g++ clang libgtest-dev libgmock-dev libbenchmark-dev
    g++-mingw-w64-x86-64-win32 gcc-mingw-w64-x86-64-win32 wine wine64 fonts-wine xvfb xauth x11-utils xdotool
    imagemagick fonts-wqy-microhei python3 libclang-rt-14-dev xxd procps
    g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 nsis osslsigncode openssl python3-pefile)

ensure_deps() {
    local missing=()
    for p in "${RTOUCH_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -qq >/dev/null
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

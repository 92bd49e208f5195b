# shellcheck shell=bash
# The NSIS that builds the setups. Debian 12's own nsis (3.08) builds a
# stub whose start-up picks a temporary folder that other users can write
# (fixed in NSIS 3.12, CVE-2026-42171) and whose uninstaller runs its
# temporary copy from an unchecked folder (fixed in 3.09); the makensis of
# Debian's newer nsis packages does not run on Debian 12's C library. So
# makensis is built here once from Debian's source package of a newer NSIS
# (unstable), and put together with the stubs, plug-ins and headers of the
# nsis-common package of the very same version, unpacked, never installed:
#   build/nsis/apt/    a private apt state (its own sources, lists, cache):
#                      the system's apt never sees unstable, so nothing from
#                      it can be installed
#   build/nsis/src/    the source package, built with scons (makensis only)
#   build/nsis/tool/   Bin/makensis with Stubs/, Plugins/, Include/, ...
#                      beside it, and VERSION (the Debian version) once the
#                      whole was built and checked: later runs reuse it.
# Sourced by scripts/package after scripts/lib/deps.sh.

# The oldest NSIS whose setups a release may ship (packed as NSIS packs it:
# 0xMMmmmrrb), and its name.
RTOUCH_NSIS_RELEASE_MIN=0x03012000
RTOUCH_NSIS_RELEASE_MIN_NAME=3.12
RTOUCH_NSIS_MIRROR=${RTOUCH_NSIS_MIRROR:-http://deb.debian.org/debian}
RTOUCH_NSIS_SUITE=${RTOUCH_NSIS_SUITE:-sid}
# What building makensis needs from Debian 12.
RTOUCH_NSIS_BUILD_PACKAGES=(scons zlib1g-dev dpkg-dev)

# apt-get or apt-cache ($1) with the private state under $2.
rtouch_nsis_apt() {
    local tool=$1 state=$2
    shift 2
    "$tool" -q -o Dir::Etc::SourceList="$state/sources.list" -o Dir::Etc::SourceParts=/dev/null \
        -o Dir::Etc::Preferences=/dev/null -o Dir::Etc::PreferencesParts=/dev/null \
        -o Dir::State::Lists="$state/lists" -o Dir::Cache="$state/cache" \
        -o Acquire::Languages=none -o APT::Sandbox::User=root "$@"
}

# Builds build/nsis/tool from the Debian packages; the log in
# build/nsis/build.log. Non-zero when any step fails.
rtouch_nsis_build() {
    local top=$1 state deb version upstream packed major minor
    state=$top/apt
    rm -rf "$top/src" "$top/tool" "$top/tool.new"
    mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$top/src"
    local p missing=()
    for p in "${RTOUCH_NSIS_BUILD_PACKAGES[@]}"; do rtouch_installed "$p" || missing+=("$p"); done
    [ ${#missing[@]} -eq 0 ] || rtouch_apt_install "${missing[@]}" || return 1
    {
        echo "deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $RTOUCH_NSIS_MIRROR $RTOUCH_NSIS_SUITE main"
        echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $RTOUCH_NSIS_MIRROR $RTOUCH_NSIS_SUITE main"
    } >"$state/sources.list"
    rtouch_nsis_apt apt-get "$state" update || return 1
    # The candidate of the suite; the stubs must be of the same version.
    version=$(rtouch_nsis_apt apt-cache "$state" showsrc nsis | sed -n 's/^Version: //p' | sort -V | tail -n 1)
    [ -n "$version" ] || { echo "no nsis source package in $RTOUCH_NSIS_SUITE"; return 1; }
    (cd "$top/src" && rtouch_nsis_apt apt-get "$state" source "nsis=$version" &&
        rtouch_nsis_apt apt-get "$state" download "nsis-common=$version") || return 1
    deb=$top/src/nsis-common_${version#*:}_all.deb
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
        { echo "nsis-common is not of version $version"; return 1; }
    upstream=${version#*:}
    upstream=${upstream%-*}
    major=${upstream%%.*}
    minor=${upstream#*.}
    minor=${minor%%[^0-9]*}
    packed=$(printf '0x%02d%03d000' "$major" "$minor")
    # Only makensis: the stubs and plug-ins are the package's (they are
    # cross-compiled Windows code, the same on every machine).
    (cd "$top/src/nsis-$upstream" &&
        scons VERSION="$upstream" VER_MAJOR="$major" VER_MINOR="$minor" VER_REVISION=0 \
            VER_PACKED="$packed" SKIPSTUBS=all SKIPPLUGINS=all SKIPUTILS=all SKIPMISC=all \
            SKIPDOC=all NSIS_CONFIG_CONST_DATA_PATH=no STRIP_CP=no makensis) || return 1
    # Without a fixed data path makensis looks for its data in the parent
    # of its own folder.
    mkdir -p "$top/tool.new/Bin"
    dpkg-deb -x "$deb" "$top/src/common" || return 1
    cp -r "$top/src/common/usr/share/nsis/." "$top/tool.new/" || return 1
    cp "$top/src/nsis-$upstream/build/urelease/makensis/makensis" "$top/tool.new/Bin/" || return 1
    [ "$("$top/tool.new/Bin/makensis" -VERSION)" = "v$upstream" ] ||
        { echo "the built makensis is not v$upstream"; return 1; }
    echo "$version" >"$top/tool.new/VERSION"
    mv "$top/tool.new" "$top/tool"
    # The lists and the sources are not needed again.
    rm -rf "$state" "$top/src"
}

# Sets RTOUCH_MAKENSIS to the makensis to build the setups with (built
# and cached in build/nsis on first use; Debian 12's own where that
# fails), and RTOUCH_MAKENSIS_VERSION to its version. Fails in release mode
# (RTOUCH_SIGN_RELEASE=1) when that makensis is older than
# RTOUCH_NSIS_RELEASE_MIN.
rtouch_nsis_select() {
    local top=$PWD/build/nsis packed
    mkdir -p "$top"
    if [ ! -s "$top/tool/VERSION" ] || ! "$top/tool/Bin/makensis" -VERSION >/dev/null 2>&1; then
        echo "== makensis: building NSIS from Debian's $RTOUCH_NSIS_SUITE packages into build/nsis"
        if ! rtouch_nsis_build "$top" >"$top/build.log" 2>&1; then
            tail -n 20 "$top/build.log"
            echo "could not build NSIS from Debian's $RTOUCH_NSIS_SUITE packages (build/nsis/build.log)"
            rm -rf "$top/tool"
        fi
    fi
    if [ -x "$top/tool/Bin/makensis" ]; then
        RTOUCH_MAKENSIS=$top/tool/Bin/makensis
    else
        RTOUCH_MAKENSIS=$(command -v makensis) || { echo "no makensis"; return 1; }
    fi
    RTOUCH_MAKENSIS_VERSION=$("$RTOUCH_MAKENSIS" -VERSION) || return 1
    # NSIS's own packed version, as the setup's script sees it.
    # shellcheck disable=SC2016
    printf '!if ${NSIS_PACKEDVERSION} >= %s\n!error new\n!else\n!error old\n!endif\n' \
        "$RTOUCH_NSIS_RELEASE_MIN" >"$top/probe.nsi"
    packed=$("$RTOUCH_MAKENSIS" -V1 "$top/probe.nsi" 2>&1 || true)
    if [ "${RTOUCH_SIGN_RELEASE:-0}" = 1 ] && [[ $packed != *'!error: new'* ]]; then
        echo "release mode (RTOUCH_SIGN_RELEASE=1): makensis $RTOUCH_MAKENSIS_VERSION is older than $RTOUCH_NSIS_RELEASE_MIN_NAME"
        return 1
    fi
}

#!/usr/bin/env bash
# Signing: scripts/package with a throw-away code-signing certificate signs
# both installers, both Windows Installer packages, the programs of every
# zip and the uninstaller that the installer puts down; osslsigncode
# verifies each against that certificate.
# A signer that fails for the installers fails the packaging, and
# RTOUCH_SIGN_TIMESTAMP_URL reaches osslsigncode's command line.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=rtouch test signing" \
    -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null || fail "openssl req"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:'se cret' \
    -out "$work/sign.p12" || fail "openssl pkcs12"
RTOUCH_SIGN_PKCS12="$work/sign.p12" RTOUCH_SIGN_PASSWORD='se cret' RTOUCH_DIST_DIR="$work/dist" \
    "$RTOUCH_ROOT/scripts/package" >"$RTOUCH_ARTIFACTS/package-signed.log" 2>&1 ||
    fail "signed packaging failed: $(tail -n 20 "$RTOUCH_ARTIFACTS/package-signed.log")"

verify() {
    osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1 ||
        fail "$2 not signed: $(cat "$work/verify.log")"
    grep -q "rtouch test signing" "$work/verify.log" || fail "$2: another signer"
    echo "ok: $2 signed"
}
for arch in x64 x86; do
    verify "$work/dist/rtouch-$VERSION-$arch-setup.exe" "$arch setup"
    verify "$work/dist/rtouch-$VERSION-$arch.msi" "$arch package"
    mkdir -p "$work/$arch"
    (cd "$work/$arch" && /usr/bin/python3 -m zipfile -e "$work/dist/rtouch-$VERSION-$arch.zip" .)
    verify "$work/$arch/rtouch.exe" "$arch rtouch.exe"
    verify "$work/$arch/rtouchctl.exe" "$arch rtouchctl.exe"
done
mkdir -p "$work/devkit"
(cd "$work/devkit" && /usr/bin/python3 -m zipfile -e "$work/dist/rtouch-$VERSION-x64-devkit.zip" .)
verify "$work/devkit/rtouchctl.exe" "devkit rtouchctl.exe"

SETUP="$work/dist/rtouch-$VERSION-$ARCH-setup.exe"
run_setup /S
expect_eq "$SETUP_EXIT" "0" "signed installer runs"
for f in rtouch.exe rtouchctl.exe uninstall.exe; do verify "$INSTDIR_UNIX/$f" "installed $f"; done

# Without a certificate nothing is signed.
osslsigncode verify -in "$RTOUCH_DIST/rtouch-$VERSION-$ARCH-setup.exe" >/dev/null 2>&1 &&
    fail "the unsigned build carries a signature"
echo "ok: unsigned without RTOUCH_SIGN_PKCS12"

# osslsigncode that records its arguments and fails for the uninstaller
# and the installers only: signing the programs works, the installers'
# !uninstfinalize / !finalize step fails. The packaging must fail.
mkdir -p "$work/bin"
cat >"$work/bin/osslsigncode" <<'SH'
#!/usr/bin/env bash
echo "$*" >>"$SIGN_LOG"
for ((i = 1; i <= $#; i++)); do
    case ${!i} in -in) j=$((i + 1)); in=${!j} ;; -out) j=$((i + 1)); out=${!j} ;; esac
done
case $in in *.exe) case ${in##*/} in rtouch.exe|rtouchctl.exe|key_viewer.exe) cp "$in" "$out"; exit 0 ;; esac ;;
    *.sys) cp "$in" "$out"; exit 0 ;; esac
exit 1
SH
chmod +x "$work/bin/osslsigncode"
if SIGN_LOG="$work/sign.log" PATH="$work/bin:$PATH" RTOUCH_SIGN_PKCS12="$work/sign.p12" \
    RTOUCH_SIGN_TIMESTAMP_URL=http://127.0.0.1:9/ts RTOUCH_DIST_DIR="$work/dist-failing" \
    "$RTOUCH_ROOT/scripts/package" >"$RTOUCH_ARTIFACTS/package-failing.log" 2>&1; then
    fail "packaging succeeded although signing the installer failed"
fi
echo "ok: a failing signer fails scripts/package"
grep -qF -- "-ts http://127.0.0.1:9/ts" "$work/sign.log" || fail "no timestamp URL on the signing command line"
echo "ok: RTOUCH_SIGN_TIMESTAMP_URL reaches osslsigncode as -ts"

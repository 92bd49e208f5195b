#!/usr/bin/env bash
# Signing: scripts/package with a throw-away code-signing certificate signs
# both installers, the programs of every zip and the uninstaller that the
# installer puts down; osslsigncode verifies each against that certificate.
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
    mkdir -p "$work/$arch"
    (cd "$work/$arch" && /usr/bin/python3 -m zipfile -e "$work/dist/rtouch-$VERSION-$arch.zip" .)
    verify "$work/$arch/rtouch.exe" "$arch rtouch.exe"
    verify "$work/$arch/rtouchctl.exe" "$arch rtouchctl.exe"
done
mkdir -p "$work/devkit"
(cd "$work/devkit" && /usr/bin/python3 -m zipfile -e "$work/dist/rtouch-$VERSION-x64-devkit.zip" .)
verify "$work/devkit/rtouchctl.exe" "devkit rtouchctl.exe"

SETUP="$work/dist/rtouch-$VERSION-x64-setup.exe"
run_setup /S
expect_eq "$SETUP_EXIT" "0" "signed installer runs"
for f in rtouch.exe rtouchctl.exe uninstall.exe; do verify "$INSTDIR_UNIX/$f" "installed $f"; done

# Without a certificate nothing is signed.
osslsigncode verify -in "$RTOUCH_DIST/rtouch-$VERSION-x64-setup.exe" >/dev/null 2>&1 &&
    fail "the unsigned build carries a signature"
echo "ok: unsigned without RTOUCH_SIGN_PKCS12"

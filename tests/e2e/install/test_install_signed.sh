#!/usr/bin/env bash
# Arches: x64 x86
# Signing as a publisher does: a key made inside a PKCS#11 token (SoftHSM),
# release mode, timestamps from an RFC 3161 server on 127.0.0.1. Every
# signable file of scripts/package's output (installers, MSIs, the programs
# and driver in the zips) and the uninstaller that the installer puts down
# carries a signature and a timestamp that osslsigncode verifies against the
# throw-away certificates. sign.sh signs with a PKCS#12 file too; in release
# mode it refuses a missing key or timestamp or a signature that does not
# verify against the roots given, the file untouched; a PIN in a URI is
# refused. A signer
# that fails for the installers fails the packaging.
source "$RTOUCH_ROOT/tests/e2e/install/install_lib.sh"

work=$(mktemp -d)
server=
trap '[ -z "$server" ] || kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
sign="$RTOUCH_ROOT/scripts/lib/sign.sh"

# The token, in files of SoftHSM's own configuration.
export SOFTHSM2_CONF=$work/softhsm2.conf
mkdir "$work/tokens"
printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' "$work/tokens" >"$SOFTHSM2_CONF"
module=/usr/lib/softhsm/libsofthsm2.so
pin=1234
token() { pkcs11-tool --module "$module" --token-label rtouch-test --login --pin "$pin" "$@" >/dev/null; }
softhsm2-util --init-token --free --label rtouch-test --so-pin 5678 --pin "$pin" >/dev/null || fail "softhsm2-util"
# The key never leaves the token: the certificate is made with it there.
token --keypairgen --key-type rsa:2048 --id 01 --label sign || fail "key generation in the token"
key_uri="pkcs11:token=rtouch-test;object=sign"
openssl req -new -x509 -days 2 -engine pkcs11 -keyform engine -key "$key_uri;type=private;pin-value=$pin" \
    -subj "/CN=rtouch token signing" -addext "extendedKeyUsage=codeSigning" \
    -addext "keyUsage=digitalSignature" -out "$work/cert.pem" >/dev/null 2>&1 || fail "certificate of the token's key"
openssl x509 -in "$work/cert.pem" -outform DER -out "$work/cert.der"
token --write-object "$work/cert.der" --type cert --id 01 --label sign || fail "certificate into the token"

# The timestamp authority.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=rtouch test timestamps" \
    -addext "extendedKeyUsage=critical,timeStamping" -addext "keyUsage=critical,digitalSignature" \
    -keyout "$work/tsa-key.pem" -out "$work/tsa.pem" 2>/dev/null || fail "openssl req (timestamps)"
echo 01 >"$work/tsa-serial"
printf '[tsa]\ndefault_tsa = tsa1\n[tsa1]\nserial = %s\nsigner_digest = sha256\ndefault_policy = 1.2.3.4.1\ndigests = sha256\ness_cert_id_alg = sha256\n' \
    "$work/tsa-serial" >"$work/tsa.cnf"
"$RTOUCH_ROOT/tests/e2e/install/timestamp_server.py" "$work/tsa.cnf" "$work/tsa.pem" "$work/tsa-key.pem" 900 \
    >"$work/port" 2>"$RTOUCH_ARTIFACTS/timestamp-server.log" &
server=$!
deadline=$((SECONDS + 10))
until [ -s "$work/port" ]; do
    kill -0 "$server" 2>/dev/null && [ $SECONDS -lt $deadline ] ||
        fail "no timestamp server: $(cat "$RTOUCH_ARTIFACTS/timestamp-server.log")"
    sleep 0.1
done
tsa_url="http://127.0.0.1:$(head -n 1 "$work/port")"

# verify FILE LABEL [CERT NAME]: signed with the certificate (the token's by
# default) and timestamped, both verified.
verify() {
    osslsigncode verify -CAfile "${3:-$work/cert.pem}" -TSA-CAfile "$work/tsa.pem" -in "$1" >"$work/verify.log" 2>&1 ||
        fail "$2 not signed: $(cat "$work/verify.log")"
    grep -q "Subject: /CN=${4:-rtouch token signing}$" "$work/verify.log" || fail "$2: another signer"
    grep -q "Timestamp Server Signature verification: ok" "$work/verify.log" || fail "$2: no timestamp"
    echo "ok: $2 signed and timestamped"
}

# Release mode verifies each signature against the throw-away roots.
export RTOUCH_SIGN_TSA_CA=$work/tsa.pem
RTOUCH_SIGN_RELEASE=1 RTOUCH_SIGN_PKCS11_MODULE="$module" RTOUCH_SIGN_PKCS11_KEY="$key_uri;type=private" \
    RTOUCH_SIGN_PKCS11_CERT="$key_uri;type=cert" RTOUCH_SIGN_PASSWORD=$pin RTOUCH_SIGN_TIMESTAMP_URL=$tsa_url \
    RTOUCH_SIGN_CA="$work/cert.pem" \
    RTOUCH_DIST_DIR="$work/dist" "$RTOUCH_ROOT/scripts/package" >"$RTOUCH_ARTIFACTS/package-signed.log" 2>&1 ||
    fail "signed packaging failed: $(tail -n 20 "$RTOUCH_ARTIFACTS/package-signed.log")"
signed=0
for package in "$work/dist/rtouch-$VERSION-"*; do
    name=${package##*/}
    case $name in
        *.exe | *.msi) verify "$package" "$name"; signed=$((signed + 1)) ;;
        *.zip)
            mkdir -p "$work/unzip/$name"
            (cd "$work/unzip/$name" && /usr/bin/python3 -m zipfile -e "$package" .)
            for f in "$work/unzip/$name"/*.exe "$work/unzip/$name"/*.sys; do
                [ -e "$f" ] || continue
                verify "$f" "$name: ${f##*/}"
                signed=$((signed + 1))
            done ;;
    esac
done
# Two installers, two MSIs, two programs in each zip, three files of the devkit.
[ "$signed" -ge 11 ] || fail "only $signed signed files in the packages"

SETUP="$work/dist/rtouch-$VERSION-$ARCH-setup.exe"
run_setup /S
expect_eq "$SETUP_EXIT" "0" "signed installer runs"
for f in rtouch.exe rtouchctl.exe uninstall.exe; do verify "$INSTDIR_UNIX/$f" "installed $f"; done

# Without a key nothing is signed.
osslsigncode verify -in "$RTOUCH_DIST/rtouch-$VERSION-$ARCH-setup.exe" >/dev/null 2>&1 &&
    fail "the unsigned build carries a signature"
echo "ok: unsigned without a key"

# A PKCS#12 file signs too, and release mode refuses a missing key or
# timestamp without touching the file.
(cd "$work" && /usr/bin/python3 -m zipfile -e "$RTOUCH_DIST/rtouch-$VERSION-$ARCH.zip" plain)
program="$work/plain/rtouchctl.exe"
cp "$program" "$work/original.exe"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=rtouch file signing" \
    -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
    -keyout "$work/key.pem" -out "$work/file-cert.pem" 2>/dev/null || fail "openssl req"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/file-cert.pem" -passout pass:'se cret' \
    -out "$work/sign.p12" || fail "openssl pkcs12"
RTOUCH_SIGN_RELEASE=1 "$sign" "$program" 2>"$work/refused.log" && fail "release mode signed without a key"
grep -q "no key" "$work/refused.log" || fail "release mode without a key: $(cat "$work/refused.log")"
RTOUCH_SIGN_RELEASE=1 RTOUCH_SIGN_PKCS12="$work/sign.p12" RTOUCH_SIGN_PASSWORD='se cret' "$sign" "$program" \
    2>"$work/refused.log" && fail "release mode signed without a timestamp"
grep -q "no RTOUCH_SIGN_TIMESTAMP_URL" "$work/refused.log" || fail "release mode without a timestamp: $(cat "$work/refused.log")"
cmp -s "$program" "$work/original.exe" || fail "a refused signing changed the file"
echo "ok: release mode refuses a missing key or timestamp, the file untouched"
# Release mode: a signature that does not verify against the roots given
# (here another certificate's) is refused, the file untouched; so is a PIN
# inside a key's URI, which would be on the command line.
RTOUCH_SIGN_RELEASE=1 RTOUCH_SIGN_PKCS12="$work/sign.p12" RTOUCH_SIGN_PASSWORD='se cret' \
    RTOUCH_SIGN_TIMESTAMP_URL=$tsa_url RTOUCH_SIGN_CA="$work/cert.pem" "$sign" "$program" \
    2>"$work/refused.log" && fail "release mode signed with a signature that does not verify"
grep -q "does not verify" "$work/refused.log" || fail "release mode, wrong roots: $(cat "$work/refused.log")"
RTOUCH_SIGN_PKCS11_MODULE="$module" RTOUCH_SIGN_PKCS11_KEY="$key_uri;type=private;pin-value=$pin" \
    RTOUCH_SIGN_PKCS11_CERT="$key_uri;type=cert" "$sign" "$program" 2>"$work/refused.log" &&
    fail "signed with a PIN in the key's URI"
grep -q "pin-value" "$work/refused.log" || fail "PIN in the URI: $(cat "$work/refused.log")"
cmp -s "$program" "$work/original.exe" || fail "a refused signing changed the file"
echo "ok: release mode refuses a signature that does not verify; a PIN in a URI is refused"
RTOUCH_SIGN_RELEASE=1 RTOUCH_SIGN_PKCS12="$work/sign.p12" RTOUCH_SIGN_PASSWORD='se cret' \
    RTOUCH_SIGN_TIMESTAMP_URL=$tsa_url RTOUCH_SIGN_CA="$work/file-cert.pem" "$sign" "$program" ||
    fail "signing with a PKCS#12 file"
verify "$program" "rtouchctl.exe with a PKCS#12 file" "$work/file-cert.pem" "rtouch file signing"

# osslsigncode that fails for the uninstaller and the installers only:
# signing the programs works, the installers' !uninstfinalize / !finalize
# step fails. The packaging must fail.
mkdir -p "$work/bin"
cat >"$work/bin/osslsigncode" <<'SH'
#!/usr/bin/env bash
for ((i = 1; i <= $#; i++)); do
    case ${!i} in -in) j=$((i + 1)); in=${!j} ;; -out) j=$((i + 1)); out=${!j} ;; esac
done
case $in in *.exe) case ${in##*/} in rtouch.exe|rtouchctl.exe|key_viewer.exe) cp "$in" "$out"; exit 0 ;; esac ;;
    *.sys) cp "$in" "$out"; exit 0 ;; esac
exit 1
SH
chmod +x "$work/bin/osslsigncode"
if PATH="$work/bin:$PATH" RTOUCH_SIGN_PKCS12="$work/sign.p12" RTOUCH_DIST_DIR="$work/dist-failing" \
    "$RTOUCH_ROOT/scripts/package" >"$RTOUCH_ARTIFACTS/package-failing.log" 2>&1; then
    fail "packaging succeeded although signing the installer failed"
fi
echo "ok: a failing signer fails scripts/package"

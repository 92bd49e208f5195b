#!/usr/bin/env bash
# Signs one Windows file in place (program, driver, installer, MSI) with
# Authenticode, SHA-256, through osslsigncode, with a key from either
#   RTOUCH_SIGN_PKCS12         a PKCS#12 file, or
#   RTOUCH_SIGN_PKCS11_KEY     the PKCS#11 URI of a key in a token or HSM
#                              (pkcs11:token=...;object=...), with
#   RTOUCH_SIGN_PKCS11_MODULE  the token's PKCS#11 module (.so), and
#   RTOUCH_SIGN_PKCS11_CERT    the certificate: a PKCS#11 URI, or a file
#                              with the chain (PEM or DER);
#   RTOUCH_SIGN_PKCS11_ENGINE  (optional) the OpenSSL engine to reach the
#                              module through, when "pkcs11" is not found.
# RTOUCH_SIGN_PASSWORD is the PKCS#12 file's password (empty if unset) or the
# token's PIN (none given if unset); it reaches osslsigncode through a
# private file, never its command line (a URI with a pin-value is refused).
# RTOUCH_SIGN_TIMESTAMP_URL names an RFC 3161 timestamp server; signing
# fails when it does not answer.
# Without a key the file stays unsigned, unless RTOUCH_SIGN_RELEASE=1: then
# an unsigned or untimestamped file is an error, and the signed file must
# pass `osslsigncode verify` against the trusted roots of
#   RTOUCH_SIGN_CA      the signature's chain (PEM; default: the system's), and
#   RTOUCH_SIGN_TSA_CA  the timestamp's chain (PEM; default: the system's).
# Exits non-zero, the file untouched, when signing fails.
# Also the signing command of the installers' !finalize and !uninstfinalize.
# Usage: scripts/lib/sign.sh FILE
set -euo pipefail
file=${1:?file to sign}
release=${RTOUCH_SIGN_RELEASE:-0}
refuse() { echo "sign.sh: $*" >&2; exit 1; }
# osslsigncode's own default roots.
SYSTEM_ROOTS=/etc/ssl/certs/ca-certificates.crt

if [ -n "${RTOUCH_SIGN_PKCS12:-}" ] && [ -n "${RTOUCH_SIGN_PKCS11_KEY:-}" ]; then
    refuse "set RTOUCH_SIGN_PKCS12 or RTOUCH_SIGN_PKCS11_KEY, not both"
fi
if [ -z "${RTOUCH_SIGN_PKCS12:-}${RTOUCH_SIGN_PKCS11_KEY:-}" ]; then
    [ "$release" != 1 ] || refuse "release mode (RTOUCH_SIGN_RELEASE=1): no key to sign $file with"
    exit 0
fi
[ "$release" != 1 ] || [ -n "${RTOUCH_SIGN_TIMESTAMP_URL:-}" ] ||
    refuse "release mode (RTOUCH_SIGN_RELEASE=1): no RTOUCH_SIGN_TIMESTAMP_URL to timestamp $file"

tmp=$(mktemp -d)
# The signed copy sits beside the file, so that mv replaces it in one step.
signed=$(mktemp "$file.signed.XXXXXX")
trap 'rm -rf "$tmp" "$signed"' EXIT
# The password or PIN goes through a private file, not the command line.
(umask 077; printf '%s' "${RTOUCH_SIGN_PASSWORD:-}" >"$tmp/pass")

# A PIN inside a URI would be on osslsigncode's command line, which every
# user of the machine can read.
case "${RTOUCH_SIGN_PKCS11_KEY:-};${RTOUCH_SIGN_PKCS11_CERT:-}" in
    *pin-value=*) refuse "a pin-value in a pkcs11: URI; give the PIN in RTOUCH_SIGN_PASSWORD" ;;
esac

if [ -n "${RTOUCH_SIGN_PKCS12:-}" ]; then
    [ -r "$RTOUCH_SIGN_PKCS12" ] || refuse "cannot read RTOUCH_SIGN_PKCS12 '$RTOUCH_SIGN_PKCS12'"
    key=(-pkcs12 "$RTOUCH_SIGN_PKCS12" -readpass "$tmp/pass")
else
    [ -r "${RTOUCH_SIGN_PKCS11_MODULE:-}" ] ||
        refuse "RTOUCH_SIGN_PKCS11_MODULE '${RTOUCH_SIGN_PKCS11_MODULE:-}' is no readable PKCS#11 module"
    cert=${RTOUCH_SIGN_PKCS11_CERT:-}
    [ -n "$cert" ] || refuse "no RTOUCH_SIGN_PKCS11_CERT: the certificate, a pkcs11: URI or a file"
    key=()
    [ -z "${RTOUCH_SIGN_PKCS11_ENGINE:-}" ] || key+=(-pkcs11engine "$RTOUCH_SIGN_PKCS11_ENGINE")
    key+=(-pkcs11module "$RTOUCH_SIGN_PKCS11_MODULE" -key "$RTOUCH_SIGN_PKCS11_KEY")
    case $cert in
        pkcs11:*) key+=(-pkcs11cert "$cert") ;;
        *) [ -r "$cert" ] || refuse "cannot read RTOUCH_SIGN_PKCS11_CERT '$cert'"; key+=(-certs "$cert") ;;
    esac
    [ -z "${RTOUCH_SIGN_PASSWORD+set}" ] || key+=(-readpass "$tmp/pass")
fi
timestamp=()
[ -z "${RTOUCH_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$RTOUCH_SIGN_TIMESTAMP_URL")
rm -f "$signed"
osslsigncode sign "${key[@]}" -n rtouch -h sha256 "${timestamp[@]}" -in "$file" -out "$signed" \
    >"$tmp/log" 2>&1 || { cat "$tmp/log" >&2; exit 1; }
[ -s "$signed" ] || refuse "osslsigncode wrote no signed file for $file"
if [ "$release" = 1 ]; then
    # The whole signature: digest, chain to a trusted root, timestamp.
    ca=${RTOUCH_SIGN_CA:-$SYSTEM_ROOTS}
    tsa_ca=${RTOUCH_SIGN_TSA_CA:-$SYSTEM_ROOTS}
    if [ ! -r "$ca" ] || [ ! -r "$tsa_ca" ]; then
        refuse "release mode: cannot read the roots '$ca', '$tsa_ca'"
    fi
    osslsigncode verify -CAfile "$ca" -TSA-CAfile "$tsa_ca" -in "$signed" >"$tmp/verify" 2>&1 ||
        { cat "$tmp/verify" >&2; refuse "release mode: the signature of $file does not verify"; }
    grep -q "Timestamp time:" "$tmp/verify" ||
        { cat "$tmp/verify" >&2; refuse "release mode: $file came out without a timestamp"; }
fi
chmod --reference="$file" "$signed"
mv -f "$signed" "$file"

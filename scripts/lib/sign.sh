#!/usr/bin/env bash
# Signs one Windows program in place with Authenticode when RTOUCH_SIGN_PKCS12
# names a PKCS#12 file (its password in RTOUCH_SIGN_PASSWORD, empty if unset),
# with a timestamp from RTOUCH_SIGN_TIMESTAMP_URL when that is set; leaves it
# unsigned otherwise. Exits non-zero, the file untouched, when signing fails.
# Also the signing command of the installers' !finalize and !uninstfinalize.
# Usage: scripts/lib/sign.sh FILE
set -euo pipefail
file=${1:?file to sign}
[ -n "${RTOUCH_SIGN_PKCS12:-}" ] || exit 0
[ -r "$RTOUCH_SIGN_PKCS12" ] || { echo "cannot read RTOUCH_SIGN_PKCS12 '$RTOUCH_SIGN_PKCS12'" >&2; exit 1; }
tmp=$(mktemp -d)
# The signed copy sits beside the file, so that mv replaces it in one step.
signed=$(mktemp "$file.signed.XXXXXX")
trap 'rm -rf "$tmp" "$signed"' EXIT
# The password goes through a private file, not the command line.
(umask 077; printf '%s' "${RTOUCH_SIGN_PASSWORD:-}" >"$tmp/pass")
timestamp=()
[ -z "${RTOUCH_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$RTOUCH_SIGN_TIMESTAMP_URL")
rm -f "$signed"
osslsigncode sign -pkcs12 "$RTOUCH_SIGN_PKCS12" -readpass "$tmp/pass" \
    -n rtouch -h sha256 "${timestamp[@]}" -in "$file" -out "$signed" >"$tmp/log" 2>&1 ||
    { cat "$tmp/log" >&2; exit 1; }
[ -s "$signed" ] || { echo "osslsigncode wrote no signed file for $file" >&2; exit 1; }
chmod --reference="$file" "$signed"
mv -f "$signed" "$file"

#!/usr/bin/env bash
# Signs one Windows program in place with Authenticode when RTOUCH_SIGN_PKCS12
# names a PKCS#12 file (its password in RTOUCH_SIGN_PASSWORD, empty if unset);
# leaves it unsigned otherwise. Also the signing command of the installers'
# !finalize and !uninstfinalize.
# Usage: scripts/lib/sign.sh FILE
set -euo pipefail
file=${1:?file to sign}
[ -n "${RTOUCH_SIGN_PKCS12:-}" ] || exit 0
[ -r "$RTOUCH_SIGN_PKCS12" ] || { echo "cannot read RTOUCH_SIGN_PKCS12 '$RTOUCH_SIGN_PKCS12'" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The password goes through a private file, not the command line.
(umask 077; printf '%s' "${RTOUCH_SIGN_PASSWORD:-}" >"$tmp/pass")
osslsigncode sign -pkcs12 "$RTOUCH_SIGN_PKCS12" -readpass "$tmp/pass" \
    -n rtouch -h sha256 -in "$file" -out "$tmp/signed" >"$tmp/log" 2>&1 ||
    { cat "$tmp/log" >&2; exit 1; }
cat "$tmp/signed" >"$file"

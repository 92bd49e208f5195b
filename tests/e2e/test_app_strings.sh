#!/usr/bin/env bash
# Runs: default
# The three string tables in rtouch.exe, read back with LoadStringW, equal
# the expected texts character for character (the Chinese survived the
# resource compiler).
source "$RTOUCH_ROOT/tests/e2e/app_lib.sh"

actual=$(mktemp)
for offset in $IDS_ENGLISH_OFFSET 0 $IDS_TRADITIONAL_OFFSET; do
    range="$((IDS_FIRST + offset)) $((IDS_LAST + offset))"
    tool strings "$(winepath -w "$APP")" $range >>"$actual" || fail "strings $range"
done
if ! diff -u "$RTOUCH_ROOT/tests/e2e/expected_strings.txt" "$actual"; then
    rm -f "$actual"
    fail "string tables differ"
fi
rm -f "$actual"
echo "ok: 123 strings as expected"

# The run's record: every test, target or check that a step of scripts/test
# runs, skips or retries is one line of the file $RTOUCH_RESULTS (tab
# separated: PASS|FAIL|SKIP|RETRY, what, why), which the summary adds up.
# Without RTOUCH_RESULTS (a script run by hand) nothing is recorded.
#
# A part that a machine may lack (today: wine32, the 32-bit Wine of the x86
# runs) is skipped with its reason where it cannot run, unless it is
# required: RTOUCH_REQUIRE_<PART>=1 or RTOUCH_REQUIRE="<part> ..." turns its
# skips into failures that name what could not run.

# Appends one line: STATUS WHAT [WHY].
result_record() {
    [ -n "${RTOUCH_RESULTS:-}" ] || return 0
    local why=${3:-}
    printf '%s\t%s\t%s\n' "$1" "$2" "${why//$'\n'/ }" >>"$RTOUCH_RESULTS"
}

# True when part $1 (lower case) must run: RTOUCH_REQUIRE_<PART>=1 or $1
# among the words of RTOUCH_REQUIRE.
result_required() {
    local var
    var=RTOUCH_REQUIRE_$(tr '[:lower:]-' '[:upper:]_' <<<"$1")
    [ "${!var:-0}" = 1 ] || [[ " ${RTOUCH_REQUIRE:-} " == *" $1 "* ]]
}

# Skips WHAT ($2), which needs part $1, for reason $3: a SKIP line, or a
# FAIL line when the part is required (then returns 1). Prints one line.
result_skip() {
    if result_required "$1"; then
        echo "FAIL $2: skipped, but $1 is required ($3)"
        result_record FAIL "$2" "skipped, but $1 is required: $3"
        return 1
    fi
    echo "SKIP $2 ($3)"
    result_record SKIP "$2" "$3"
}

# Counts of file $1 (default $RTOUCH_RESULTS): "N passed, M failed, K skipped".
result_counts() {
    awk -F'\t' '{ n[$1]++ } END { printf "%d passed, %d failed, %d skipped\n", n["PASS"], n["FAIL"], n["SKIP"] }' \
        "${1:-$RTOUCH_RESULTS}"
}

# The summary of file $1: what was skipped and why (one line per reason,
# with what it skipped), what was retried, what failed; then one line of
# counts. Fails when anything failed or nothing ran at all.
result_summary() {
    local file=${1:-$RTOUCH_RESULTS}
    [ -f "$file" ] || : >"$file"
    if grep -q '^SKIP' "$file"; then
        echo "== skipped"
        local reason
        while IFS= read -r reason; do
            echo "    $(awk -F'\t' -v r="$reason" '$1 == "SKIP" && $3 == r' "$file" | wc -l) skipped: $reason"
            awk -F'\t' -v r="$reason" '$1 == "SKIP" && $3 == r { printf "%s ", $2 }' "$file" |
                fold -s -w 100 | sed 's/^/      /'
            echo
        done < <(awk -F'\t' '$1 == "SKIP" && !seen[$3]++ { print $3 }' "$file")
    fi
    if grep -q '^RETRY' "$file"; then
        echo "== retried: $(grep -c '^RETRY' "$file") (steps a test helper tried once more)"
        awk -F'\t' '$1 == "RETRY" { printf "    %s: %s\n", $2, $3 }' "$file"
    fi
    if grep -q '^FAIL' "$file"; then
        echo "== failed"
        awk -F'\t' '$1 == "FAIL" { printf "    %s%s\n", $2, ($3 != "" ? ": " $3 : "") }' "$file"
    fi
    result_counts "$file"
    ! grep -q '^FAIL' "$file" && grep -q '^PASS' "$file"
}

# Assertions shared by the end-to-end helper libraries.

fail() {
    echo "FAIL: $*"
    exit 1
}

expect_eq() {  # ACTUAL EXPECTED WHAT
    [ "$1" = "$2" ] || fail "$3: got '$1', expected '$2'"
    echo "ok: $3"
}

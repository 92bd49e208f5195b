#!/usr/bin/env bash
# Runs after the planted hang (tests/runner_test.sh): the next test gets a
# prefix that works.
set -u
out=$(wine "$RTOUCH_BUILD/rtouchctl.exe" params 2>&1) || { echo "rtouchctl params failed: $out"; exit 1; }

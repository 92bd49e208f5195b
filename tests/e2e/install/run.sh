#!/usr/bin/env bash
# The installer tests: the x64 setup of DIST_DIR (written by scripts/package)
# under Wine, each test in a fresh copy of one booted prefix. BUILD_DIR is
# the win64 test build (its e2e_tool.exe drives and inspects windows).
# Usage: tests/e2e/install/run.sh DIST_DIR BUILD_DIR [TEST_NAME...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
RTOUCH_DIST=$(cd "${1:?dist dir}" && pwd)
shift
export RTOUCH_DIST RTOUCH_E2E_SUITE=$here
exec "$here/../run.sh" "$@"

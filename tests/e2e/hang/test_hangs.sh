#!/usr/bin/env bash
# A planted hang for tests/runner_test.sh: a Windows program and a shell
# wait that never end; the runner's time limit must end both.
wine notepad >/dev/null 2>&1 &
sleep 600

#!/usr/bin/env bash
# Runs: default x86-native
# install / uninstall of the substitute driver through SetupAPI: the probe
# follows, both commands are repeatable, and the driver starts empty.
source "$RTOUCH_ROOT/tests/e2e/driver_lib.sh"

# Installing is what this test proves: never retried here.
install_driver --no-retry
state=$(ctl driver-state | tr -d '\r')
zeros=$(printf '0%.0s' $(seq 360))
expect_eq "$state" "block $zeros
sends 0
queue 0
rate 125
plugged 1
waiting 0" "driver-state of a fresh driver"

# A second install leaves the running driver as it is.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_trace 3 "$work/trace"
ctl feed "$work/trace" || fail "feed"
expect_eq "$(ctl install)" "installed" "a second install"
expect_eq "$(ctl probe | tail -n 1)" "present" "probe after the second install"
expect_eq "$(driver_field queue)" 3 "the running driver kept its queue"

expect_eq "$(ctl uninstall)" "uninstalled" "uninstall"
ctl probe >/dev/null && fail "probe exit status 0 after uninstall"
expect_eq "$(ctl probe | tail -n 1)" "absent" "probe after uninstall"
expect_eq "$(ctl uninstall)" "not installed" "a second uninstall"

# Installed again after an uninstall, the driver starts afresh.
install_driver --no-retry
expect_eq "$(driver_field queue)" 0 "queue of the reinstalled driver"
expect_eq "$(ctl uninstall)" "uninstalled" "uninstall again"

# Without the driver the driver commands fail with one line and status 2.
for cmd in driver-state unplug plug; do
    err=$(ctl $cmd 2>&1 >/dev/null)
    status=$?
    expect_eq "$status" 2 "$cmd without the driver: exit status"
    expect_eq "$(printf '%s\n' "$err" | wc -l)" 1 "$cmd without the driver: one line"
    case $err in "rtouchctl: the substitute driver is not running"*) ;; *) fail "$cmd: '$err'" ;; esac
done
err=$(ctl record --count 1 2>&1 >/dev/null)
expect_eq "$?:${err%$'\r'}" "2:rtouchctl: the touch driver is absent" "record without the driver"
err=$(ctl install no-such.inf 2>&1 >/dev/null)
expect_eq "$?" 2 "install from a missing .inf: exit status"
case $err in *"no-such.inf"*) echo "ok: the message names the file" ;; *) fail "'$err'" ;; esac

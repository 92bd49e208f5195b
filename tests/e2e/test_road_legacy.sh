#!/usr/bin/env bash
# Runs: default winxp win10
# Prefix: changed (it switches the Windows version to XP)
# On a system of major version 5 (the prefix set to Windows XP) the block
# sent at start carries the legacy default map, as `rtouchctl params
# --legacy` computes it, and the gestures send that map's entries: the
# horizontal strokes are mapped there. What every gesture sends under that
# map is the host's to prove (the parameter block tests, `rtouchctl replay
# --legacy`); here the strokes show the program chose it.
source "$RTOUCH_ROOT/tests/e2e/road_lib.sh"

# Unless the run plays Windows XP already.
[ "$LEGACY_SYSTEM" = 1 ] || wine winecfg -v $XP_VERSION || fail "winecfg -v $XP_VERSION"
install_driver
start_app
wait_worker 1
legacy=$(ctl params --legacy --orientation 0 --hex | tr -d '\r')
driver_snapshot
expect_eq "${DRIVER[sends]}" 1 "one block sent at start"
expect_block "${DRIVER[block]}" "$legacy" "the block sent is the legacy default block"
legacy_map=$(block_field "$legacy" GestureMap)
[ "$legacy_map" != "$(block_field "$(ctl params --orientation 0 --hex | tr -d '\r')" GestureMap)" ] \
    || fail "the legacy map equals the current one"

start_viewer
expect_received "$(map_labels "$legacy_map" RHori. LHori.)" RHori. LHori.
# The other twelve gestures, each as the legacy map says.
others=()
for g in "${ALL_GESTURES[@]}"; do case $g in RHori. | LHori.) ;; *) others+=("$g") ;; esac; done
expect_received "$(map_labels "$legacy_map" "${others[@]}")" "${others[@]}"

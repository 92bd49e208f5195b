# shellcheck disable=SC2034 # the names it sets are for the scripts that source it
# Touch traces of every gesture, for the end-to-end tests and the demo.
# `gesture_trace NAME` prints the reports of one gesture (raw controller
# values; the default calibration maps raw (x, y) to (x + 128, y + 128)),
# ending with the finger lifted. NAME is a gesture name of the mapping
# dialog ("RHori." ... "PinchOut"), Tap or TwoFingerTap.
# Every step is longer than the default scales: SingleTouchScale 350 for
# one finger, PanScale 800 for two, PinchScale 24 for the spread figure.

# One finger: light pressure, spread figures at their reference.
_one() { echo "$1 $2 400 1200 61 57 60 58"; }
# Two fingers: Dist1 beyond Dist1Base + Dist1Margin (60 + 32).
_two() { echo "$1 $2 400 1200 ${3:-110} 57 60 58"; }
_lift() { echo "0 0 0 0 0 0 60 58"; echo "0 0 0 0 0 0 60 58"; }

# _path KIND X0 Y0 X1 Y1 ...: samples every 200 units along the corners.
_path() {
    local kind=$1
    shift
    local x=$1 y=$2
    shift 2
    $kind "$x" "$y"
    while [ $# -ge 2 ]; do
        local tx=$1 ty=$2
        shift 2
        while [ "$x" != "$tx" ] || [ "$y" != "$ty" ]; do
            if [ "$x" -lt "$tx" ]; then x=$((x + 200)); elif [ "$x" -gt "$tx" ]; then x=$((x - 200)); fi
            if [ "$y" -lt "$ty" ]; then y=$((y + 200)); elif [ "$y" -gt "$ty" ]; then y=$((y - 200)); fi
            $kind "$x" "$y"
        done
    done
}

# A two-finger contact: one finger lands first (that sample is discarded),
# then the two-finger signature, held while the reader confirms it.
_two_path() {
    _one "$1" "$2"
    for _ in 1 2 3; do _two "$1" "$2"; done
    _path _two "$@"
}

# Spread steps of two fingers held at one place: Dist1 goes through $@.
_spread() {
    _one 1872 1872
    local d
    for _ in 1 2 3 4; do _two 1872 1872 "$1"; done
    for d in "$@"; do _two 1872 1872 "$d"; done
}

gesture_trace() {
    echo "# $1"
    case $1 in
    RHori.) _path _one 1000 2000 2200 2000 ;;
    LHori.) _path _one 2200 2000 1000 2000 ;;
    UVert.) _path _one 2000 2800 2000 1600 ;;
    DVert.) _path _one 2000 1600 2000 2800 ;;
    RArc) _path _one 1000 1000 2200 1000 2200 2200 ;;
    LArc) _path _one 1000 2200 2200 2200 2200 1000 ;;
    CWCircle) _path _one 1000 1000 2200 1000 2200 2200 1000 2200 1000 1400 ;;
    CCWCircle) _path _one 1000 2200 2200 2200 2200 1000 1000 1000 1000 1800 ;;
    RPan) _two_path 1000 2000 3000 2000 ;;
    LPan) _two_path 3000 2000 1000 2000 ;;
    UPan) _two_path 2000 3000 2000 600 ;;
    DPan) _two_path 2000 600 2000 3000 ;;
    PinchIn) _spread 170 140 110 ;;
    PinchOut) _spread 110 140 170 ;;
    Tap) for _ in 1 2 3 4 5 6; do _one 2000 2000; done ;;
    TwoFingerTap) _one 2000 2000; for _ in 1 2 3 4 5 6; do _two 2000 2000; done ;;
    *) echo "unknown gesture $1" >&2; return 1 ;;
    esac
    _lift
}

ALL_GESTURES=(RHori. LHori. UVert. DVert. RArc LArc CWCircle CCWCircle RPan LPan UPan DPan PinchIn PinchOut)

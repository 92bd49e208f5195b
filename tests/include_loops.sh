#!/usr/bin/env bash
# No two files include each other's headers. A unit is a header and the
# source of its name (A.h, A.cpp); no unit may include a header of a unit
# that includes its own, which would make the two one module in two files.
set -u
root=$1
cd "$root" || exit 2
sources() {
    git ls-files -- '*.c' '*.cpp' '*.h' 2>/dev/null ||
        find . -path ./build -prune -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print |
        sed 's#^\./##'
}
loops=$(sources | xargs grep -HE '^#include "[^"]+\.h"' |
    sed -E 's/^([^:]+)\.[a-z]+:#include "([^"]+)\.h".*/\1 \2/' |
    awk '$1 != $2 { edge[$1 " " $2] = 1 }
         END { for (e in edge) { split(e, p, " "); if ((p[2] " " p[1]) in edge && p[1] < p[2]) print p[1] " <-> " p[2] } }' |
    sort)
if [ -n "$loops" ]; then
    echo "FAIL: files that include each other's headers:"
    echo "$loops"
    exit 1
fi
echo "ok: no two files include each other's headers"

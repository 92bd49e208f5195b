# Throw-away Wine prefixes for running the Windows build headless.
# Boot one template per run (wine_template), copy it (wine_prefix), start
# its session (wine_session) and put it back after a test (wine_end_programs,
# wine_restore_files, wine_session_intact).

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Starts Xvfb on a free display unless DISPLAY is set; sets DISPLAY. Xvfb
# picks the number itself (-displayfd) and says it once it accepts clients:
# a number chosen here beforehand can be taken by a run starting at the
# same moment, and the two runs would share one server and lose their
# windows when the first of them ends.
wine_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    local said n
    said=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${RTOUCH_SCREEN:-1024x768x24}" -nolisten tcp 3>"$said" >/dev/null 2>&1 &
    RTOUCH_XVFB_PID=$!
    for _ in $(seq 100); do
        # A whole line: the number has been written.
        if read -r n <"$said" && [ -n "$n" ]; then
            rm -f "$said"
            export DISPLAY=":$n"
            return 0
        fi
        kill -0 "$RTOUCH_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$said"
    echo "Xvfb did not start" >&2
    return 1
}

# Registry settings for a headless prefix: Chinese through font linking,
# Wine's own fonts, and frames drawn by Wine (no window manager).
wine_registry() {
    local reg
    reg=$(mktemp --suffix=.reg)
    local link='hex(7):77,00,71,00,79,00,2d,00,6d,00,69,00,63,00,72,00,6f,00,68,00,65,00,69,00,2e,00,74,00,74,00,63,00,2c,00,57,00,65,00,6e,00,51,00,75,00,61,00,6e,00,59,00,69,00,20,00,4d,00,69,00,63,00,72,00,6f,00,20,00,48,00,65,00,69,00,00,00,00,00'
    {
        echo 'Windows Registry Editor Version 5.00'
        echo
        echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]'
        for f in "Tahoma" "Tahoma Bold" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" "Microsoft Sans Serif" "MS Sans Serif" "System"; do
            echo "\"$f\"=$link"
        done
        echo
        echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]'
        echo '"SimSun"="WenQuanYi Micro Hei"'
        echo
        echo '[HKEY_CURRENT_USER\Software\Wine\Uniscribe\Fallback]'
        echo '"696e6168"="WenQuanYi Micro Hei"'
        echo
        echo '[HKEY_CURRENT_USER\Software\Wine\Fonts]'
        echo '"Path"="Z:\\usr\\share\\wine\\fonts"'
        echo
        # COM's service starts with the session, as on Windows: started on
        # demand, it may still be starting when the desktop registers its
        # shell windows (which a setup asks to start a program), and that
        # registration is lost.
        echo '[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\RpcSs]'
        echo '"Start"=dword:00000002'
        echo
        # Services get two minutes to start: with the default 10 s a loaded
        # machine ends the driver's host mid-install and the device is lost.
        echo '[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control]'
        echo '"ServicesPipeTimeout"="120000"'
        echo
        echo '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'
        echo '"Managed"="N"'
        echo
        # Captions in "MS Shell Dlg" of normal weight: font linking gives a
        # bold caption no Chinese glyphs.
        echo '[HKEY_CURRENT_USER\Control Panel\Desktop\WindowMetrics]'
        echo '"CaptionFont"=hex:f5,ff,ff,ff,00,00,00,00,00,00,00,00,00,00,00,00,90,01,00,00,00,00,00,00,00,00,00,22,4d,00,53,00,20,00,53,00,68,00,65,00,6c,00,6c,00,20,00,44,00,6c,00,67,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00'
    } >"$reg"
    # Both registry views: with 32-bit Wine installed, a plain regedit is the
    # 32-bit one and writes HKLM\Software into the 32-bit view only, which a
    # 64-bit program never reads. A pure 32-bit prefix has no 64-bit view.
    wine reg import "$reg" /reg:64 >/dev/null 2>&1
    wine reg import "$reg" /reg:32 >/dev/null 2>&1
    rm -f "$reg"
}

# Boots a template prefix into $1 (once per run); $2, when given, is the
# Windows version it reports (winxp, winxp64, win7, win10). WINEARCH=win32
# in the environment makes a pure 32-bit prefix.
wine_template() {
    local dir=$1
    rm -rf "$dir"
    mkdir -p "$dir"
    WINEPREFIX="$dir" wine wineboot -i >/dev/null 2>&1
    WINEPREFIX="$dir" wine_registry
    [ -n "${2:-}" ] && wine_version "$dir" "$2"
    WINEPREFIX="$dir" wineserver -w
    # The user's shell folders are links to $HOME (Documents -> /root): a
    # file a test saves there would land outside the prefix, shared by every
    # prefix of every run at once. Real folders keep each prefix to itself.
    local link
    for link in "$dir"/drive_c/users/*/*; do
        [ -L "$link" ] || continue
        rm "$link" && mkdir "$link"
    done
}

# Sets the Windows version (winxp, winxp64, win7, win10) that the booted
# prefix $1 reports.
wine_version() {
    WINEPREFIX="$1" wine reg add 'HKCU\Software\Wine' /v Version /d "$2" /f >/dev/null 2>&1 ||
        echo "could not set the prefix's Windows version to $2" >&2
}

# The Linux pids of the processes of prefix $WINEPREFIX whose command line
# matches the extended regular expression $1.
wine_prefix_pids() {
    local pid
    for pid in $(pgrep -f -- "$1"); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
    done
    true
}

# Starts the session of a fresh prefix (wineboot's init, the services, the
# desktop) and waits, up to 30 s, until it has settled: a program started
# while it settles may end at once, without a word. Settled: no wineboot
# left, and program $1 (Windows console program, run with the rest of the
# arguments) ends with exit code 0.
wine_settle() {
    local deadline=$((SECONDS + 30))
    until [ -z "$(wine_prefix_pids 'wineboot\.exe')" ] && wine "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || { echo "the prefix did not settle in 30 s" >&2; return 1; }
        sleep 0.2
    done
}

# Copies the template $1 into a fresh prefix $2 and exports WINEPREFIX.
wine_prefix() {
    rm -rf "$2"
    cp -a "$1" "$2"
    export WINEPREFIX="$2"
}

# The Windows processes of prefix $WINEPREFIX (its server aside): Wine's
# loader runs them, whatever else has ".exe" on its command line.
wine_programs() {
    local pid
    for pid in $(wine_prefix_pids '\.exe'); do
        [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine* ]] && echo "$pid"
    done
    true
}

# Every file and folder under drive_c: type, size and modification time of
# a file, the path. A folder's own times change with what it holds.
wine_drive_listing() {
    (cd "$WINEPREFIX/drive_c" && find . \( -type d -printf 'd - - %p\n' \) -o -printf '%y %s %T@ %p\n') |
        sort -k4
}

# Starts the session of prefix $WINEPREFIX with a server that stays (by
# default it ends the services, a driver and its state with them, 3 s after
# the last program exits: a gap a loaded machine can leave between two
# steps of a test), waits until it has settled (wine_settle "$@"), and
# notes what a reset returns to: the session's own processes (not the
# desktop, which programs start on demand, nor the menu builder, which
# wineboot starts and which ends on its own) and the files.
wine_session() {
    wineserver -p >/dev/null 2>&1
    wine_settle "$@" || return 1
    WINE_SESSION_SERVER=$(wine_prefix_pids 'wineserver')
    # A process that is ending has no command line left.
    WINE_SESSION_NAMES=$(for pid in $(wine_programs); do
        echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
    done | grep -vE '^[0-9]+ *$|explorer\.exe|winemenubuilder\.exe')
    WINE_SESSION_PIDS=$(cut -d' ' -f1 <<<"$WINE_SESSION_NAMES")
    WINE_SESSION_FILES=$(wine_drive_listing)
}

# Ends every process of the prefix that its session did not start, but
# those whose command line matches the extended regular expression $1;
# waits up to 10 s until they are gone.
wine_end_programs() {
    local pid deadline=$((SECONDS + 10)) left
    while :; do
        left=$(for pid in $(wine_programs); do
            grep -qx "$pid" <<<"$WINE_SESSION_PIDS" && continue
            [ -n "${1:-}" ] && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qE -- "$1" && continue
            echo "$pid"
        done)
        [ -z "$left" ] && return 0
        [ $SECONDS -lt $deadline ] || { echo "still running: $left" >&2; return 1; }
        kill -KILL $left 2>/dev/null
        sleep 0.1
    done
}

# Puts drive_c of prefix $WINEPREFIX back as the session found it: removes
# what is new, copies what changed or went from the template $1.
wine_restore_files() {
    local template=$1 line path LC_ALL=C
    comm -13 <(cut -d' ' -f4- <<<"$WINE_SESSION_FILES" | sort) <(wine_drive_listing | cut -d' ' -f4- | sort) |
        sort -r | while IFS= read -r path; do rm -rf "$WINEPREFIX/drive_c/$path"; done
    comm -23 <(sort <<<"$WINE_SESSION_FILES") <(wine_drive_listing | sort) | while IFS= read -r line; do
        path=$WINEPREFIX/drive_c/${line#* * * }
        case $line in
            d*) mkdir -p "$path" ;;
            *) rm -rf "$path" && cp -a "$template/drive_c/${line#* * * }" "$path" ;;
        esac
    done
}

# True when the session of prefix $WINEPREFIX is as wine_session left it:
# the same server and processes, nothing else running, the same files.
wine_session_intact() {
    local pid
    [ "$(wine_prefix_pids 'wineserver')" = "$WINE_SESSION_SERVER" ] || { echo "the server was ended" >&2; return 1; }
    for pid in $WINE_SESSION_PIDS; do
        kill -0 "$pid" 2>/dev/null ||
            { echo "a process of the session ended: $(grep "^$pid " <<<"$WINE_SESSION_NAMES")" >&2; return 1; }
    done
    [ "$(wine_programs | sort)" = "$(sort <<<"$WINE_SESSION_PIDS")" ] ||
        { echo "programs left running: $(wine_programs | tr '\n' ' ')" >&2; return 1; }
    [ "$(wine_drive_listing)" = "$WINE_SESSION_FILES" ] ||
        { echo "files differ: $(diff <(echo "$WINE_SESSION_FILES") <(wine_drive_listing) | grep '^[<>]' | head -n 5 | tr '\n' ' ')" >&2; return 1; }
}

wine_stop() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
    true
}

# A work folder /tmp/$1.XXXXXX in $work whose prefix is $work/prefix; on exit
# that prefix's server ends, the Xvfb this script started stops and the
# folder goes.
wine_workdir() {
    work=$(mktemp -d "/tmp/$1.XXXXXX")
    trap 'WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1
          [ -n "${RTOUCH_XVFB_PID:-}" ] && kill "$RTOUCH_XVFB_PID" 2>/dev/null
          rm -rf "$work"' EXIT
}

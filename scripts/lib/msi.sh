# Builds the rtouch Windows Installer package of one architecture from
# packaging/rtouch.wxs with wixl, then writes with msibuild the rows that
# wixl 0.101 cannot: 64-bit components, the Run value's condition, a plain
# (not advertised) shortcut, same-version upgrades inside the install's
# transaction and the custom actions that keep the install folder in
# Program Files. Sourced by scripts/package and the installer tests.

# Component attributes and custom action types of Windows Installer.
MSI_COMPONENT_REGISTRY_KEYPATH=4
MSI_COMPONENT_TRANSITIVE=64
MSI_COMPONENT_64BIT=256
MSI_UPGRADE_MIGRATE_FEATURES=1
MSI_UPGRADE_VERSION_MAX_INCLUSIVE=512
MSI_CA_ERROR=19
MSI_CA_SET_PROPERTY=51
# Right after CostFinalize (1000), when directory properties hold paths.
MSI_SEQ_AFTER_COSTS=1001
# Right after InstallInitialize (1500), before any action that writes the
# script: the older version's removal is part of this install's transaction.
MSI_SEQ_REMOVE_EXISTING=1501

# build_msi VERSION ARCH SOURCE OUT: SOURCE holds rtouch.exe, rtouchctl.exe
# and rtouch.ico. Every build gets a new ProductCode, so that any two builds
# are a major upgrade of each other.
build_msi() {
    local version=$1 arch=$2 source=$3 out=$4 root
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
    local product_code wixl_arch win64=0 program_files=ProgramFilesFolder
    product_code=$(tr a-f A-F </proc/sys/kernel/random/uuid)
    case $arch in
        x64) wixl_arch=x64 win64=$MSI_COMPONENT_64BIT program_files=ProgramFiles64Folder ;;
        x86) wixl_arch=x86 ;;
        *) echo "build_msi: unknown architecture $arch" >&2; return 1 ;;
    esac
    rm -f "$out"
    # wixl takes the files relative to the folder it runs in, and warns on
    # stderr about attributes it ignores (the rows below write what they
    # meant).
    out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
    (cd "$source" && wixl -a "$wixl_arch" -D Arch="$arch" -D Version="$version" \
        -D ProductCode="$product_code" -D Source=. -o "$out" "$root/packaging/rtouch.wxs" 2>/dev/null) ||
        { echo "wixl failed for $arch" >&2; return 1; }
    local upgrade_code
    upgrade_code=$(msiinfo export "$out" Property | tr -d '\r' | awk -F '\t' '$1 == "UpgradeCode" { print $2 }')
    local autostart=$((MSI_COMPONENT_REGISTRY_KEYPATH | MSI_COMPONENT_TRANSITIVE | win64))
    local upgrade=$((MSI_UPGRADE_MIGRATE_FEATURES | MSI_UPGRADE_VERSION_MAX_INCLUSIVE))
    local refuse='NOT Installed AND NOT (INSTALLDIR ~= RTOUCHDIR)'
    local refusal='rtouch installs only into [RTOUCHDIR]: its permissions are those of Program Files. INSTALLDIR cannot name another folder. Nothing was installed.'
    local queries=(
        "UPDATE Component SET Attributes = $win64 WHERE Component = 'Programs'"
        # Transitive: a reinstall weighs the condition again.
        "UPDATE Component SET Attributes = $autostart, Condition = 'AUTOSTART <> \"0\"' WHERE Component = 'Autostart'"
        "UPDATE Shortcut SET Target = '[#rtouch.exe]' WHERE Shortcut = 'StartMenu'"
        # A failed install rolls the removal back: the older version stays.
        "UPDATE InstallExecuteSequence SET Sequence = $MSI_SEQ_REMOVE_EXISTING WHERE Action = 'RemoveExistingProducts'"
        # A rebuild of the same version replaces the installed one.
        # (Attributes is part of the key: the row is written anew.)
        "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'"
        "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('$upgrade_code', '$version', $upgrade, 'WIX_UPGRADE_DETECTED')"
        "UPDATE Property SET Value = 'AUTOSTART;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' WHERE Property = 'SecureCustomProperties'"
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('SetRtouchDir', $MSI_CA_SET_PROPERTY, 'RTOUCHDIR', '[PROGRAMFILESDIR]\\rtouch\\')"
        # Where Windows records no Program Files folder in this view, the
        # one Windows Installer found.
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('SetRtouchDirDefault', $MSI_CA_SET_PROPERTY, 'RTOUCHDIR', '[$program_files]rtouch\\')"
        "INSERT INTO CustomAction (Action, Type, Target) VALUES ('RefuseOtherFolder', $MSI_CA_ERROR, '$refusal')"
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('SetInstallLocation', $MSI_CA_SET_PROPERTY, 'ARPINSTALLLOCATION', '[INSTALLDIR]')"
    )
    local table
    for table in InstallUISequence InstallExecuteSequence; do
        queries+=(
            "INSERT INTO $table (Action, Condition, Sequence) VALUES ('SetRtouchDir', 'PROGRAMFILESDIR', $MSI_SEQ_AFTER_COSTS)"
            "INSERT INTO $table (Action, Condition, Sequence) VALUES ('SetRtouchDirDefault', 'NOT PROGRAMFILESDIR', $((MSI_SEQ_AFTER_COSTS + 1)))"
            "INSERT INTO $table (Action, Condition, Sequence) VALUES ('RefuseOtherFolder', '$refuse', $((MSI_SEQ_AFTER_COSTS + 2)))"
        )
    done
    queries+=("INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('SetInstallLocation', $((MSI_SEQ_AFTER_COSTS + 3)))")
    local args=() q
    for q in "${queries[@]}"; do args+=(-q "$q"); done
    msibuild "$out" "${args[@]}" || { echo "msibuild failed for $arch" >&2; rm -f "$out"; return 1; }
}

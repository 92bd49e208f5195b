# shellcheck shell=bash
# Builds the rtouch Windows Installer package of one architecture from
# packaging/rtouch.wxs with wixl, then writes with msibuild the rows that
# wixl 0.101 cannot: the ProductCode of the version, 64-bit components, the
# Run value's condition, a plain (not advertised) shortcut, the upgrade of
# every older build within the install's transaction, the choices read back
# from the install before, the setup program's uninstaller, leftovers and
# programs-list entry removed (and, by the x64 package, the same of an
# rtouch installed for 32-bit Windows), the custom actions that keep the
# install folder in Program Files, and those that check and install a
# parameters file. Sourced by scripts/package and the installer tests.

# Component attributes, locator types and custom action types of Windows
# Installer.
MSI_COMPONENT_REGISTRY_KEYPATH=4
MSI_COMPONENT_TRANSITIVE=64
MSI_COMPONENT_64BIT=256
MSI_LOCATOR_DIRECTORY=0
MSI_LOCATOR_64BIT=16
MSI_REMOVE_ON_INSTALL=1
MSI_REGISTRY_HKLM=2
MSI_UPGRADE_MIGRATE_FEATURES=1
MSI_UPGRADE_VERSION_MIN_INCLUSIVE=256
MSI_CA_EXE_BINARY=2
MSI_CA_ERROR=19
MSI_CA_DEFERRED=1024
MSI_CA_NO_IMPERSONATE=2048
MSI_CA_SET_PROPERTY=51

# Right after AppSearch (50), before LaunchConditions (100): the choices of
# the install before are known, and the conditions see them.
MSI_SEQ_AFTER_SEARCH=51
# Right after CostFinalize (1000), when directory properties hold paths.
MSI_SEQ_AFTER_COSTS=1001
# Right after InstallInitialize (1500), before any action that writes the
# script: the older version's removal is part of this install's transaction.
MSI_SEQ_REMOVE_EXISTING=1501

# The public properties that an install stores under HKLM\Software\rtouch
# (in the package's registry view) and the next install, upgrade or repair
# reads back: property, value name, default. The command line wins.
MSI_STORED_CHOICES=("AUTOSTART AutoStart 1")
# The x86 package's UpgradeCode, whose products the x64 package removes.
MSI_UPGRADE_CODE_X86='{3B5C1C8D-3FF2-41E4-A3BA-7DCE47637B22}'
# Components without resources of their own that carry the rows removing
# the setup program's registry values, in the package's view and (x64) the
# 32-bit one: present only where the setup was found (below).
MSI_TAKEOVER_GUID_X64='{7D2B6E41-93C5-4A0F-B8E2-5F1C0A6D3E97}'
MSI_TAKEOVER32_GUID_X64='{A1E84C27-6B3D-4F95-9C08-2E7D5B1F4A63}'
MSI_TAKEOVER_GUID_X86='{3C9F1A58-D427-4E6B-A0B3-8E5D2F7C1946}'

# The version resource's file version of PE file $1 (a.b.c.d).
msi_file_version() {
    /usr/bin/python3 - "$1" <<'PY'
import sys, pefile
pe = pefile.PE(sys.argv[1], fast_load=True)
pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
f = pe.VS_FIXEDFILEINFO[0]
print(f"{f.FileVersionMS >> 16}.{f.FileVersionMS & 0xFFFF}.{f.FileVersionLS >> 16}.{f.FileVersionLS & 0xFFFF}")
PY
}

# build_msi VERSION ARCH SOURCE OUT: SOURCE holds rtouch.exe, rtouchctl.exe
# and rtouch.ico. The ProductCode follows from the UpgradeCode and VERSION:
# every build number is a product of its own (a major upgrade of every
# older one), and a package of the same build number is the same product.
build_msi() {
    local version=$1 arch=$2 source=$3 out=$4 root
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
    local wixl_arch win64=0 program_files=ProgramFilesFolder
    local choices=("${MSI_STORED_CHOICES[@]}") takeover_guid=$MSI_TAKEOVER_GUID_X86
    case $arch in
        x64) wixl_arch=x64 win64=$MSI_COMPONENT_64BIT program_files=ProgramFiles64Folder takeover_guid=$MSI_TAKEOVER_GUID_X64 ;;
        x86) wixl_arch=x86 ;;
        *) echo "build_msi: unknown architecture $arch" >&2; return 1 ;;
    esac
    rm -f "$out"
    # wixl takes the files relative to the folder it runs in, and warns on
    # stderr about attributes it ignores (the rows below write what they
    # meant).
    out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
    (cd "$source" && wixl -a "$wixl_arch" -D Arch="$arch" -D Version="$version" \
        -D Source=. -o "$out" "$root/packaging/rtouch.wxs" 2>/dev/null) ||
        { echo "wixl failed for $arch" >&2; return 1; }
    local upgrade_code product_code
    upgrade_code=$(msiinfo export "$out" Property | tr -d '\r' | awk -F '\t' '$1 == "UpgradeCode" { print $2 }')
    product_code=$(/usr/bin/python3 -c 'import sys, uuid; print("{%s}" % str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
        "$upgrade_code" "$version")
    local registry_keypath=$((MSI_COMPONENT_REGISTRY_KEYPATH | win64))
    local autostart=$((registry_keypath | MSI_COMPONENT_TRANSITIVE))
    local directory=$((MSI_LOCATOR_DIRECTORY | (win64 ? MSI_LOCATOR_64BIT : 0)))
    local refuse='NOT Installed AND NOT (INSTALLDIR ~= RTOUCHDIR)'
    local refusal='rtouch installs only into [RTOUCHDIR]: its permissions are those of Program Files. INSTALLDIR cannot name another folder. Nothing was installed.'
    local secure=WIX_DOWNGRADE_DETECTED\;WIX_UPGRADE_DETECTED choice property name default
    local queries=(
        "UPDATE Property SET Value = '$product_code' WHERE Property = 'ProductCode'"
        "UPDATE Component SET Attributes = $win64 WHERE Component = 'Programs'"
        "UPDATE Component SET Attributes = $registry_keypath WHERE Component = 'Choices'"
        # Transitive: a reinstall weighs the condition again.
        "UPDATE Component SET Attributes = $autostart, Condition = 'AUTOSTART <> \"0\"' WHERE Component = 'Autostart'"
        "UPDATE Shortcut SET Target = '[#rtouch.exe]' WHERE Shortcut = 'StartMenu'"
        # Every older build, never this one: the same build again is the
        # installed product itself.
        "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'"
        "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('$upgrade_code', '$version', $MSI_UPGRADE_MIGRATE_FEATURES, 'WIX_UPGRADE_DETECTED')"
        # A failed install rolls the removal back: the older version stays.
        "UPDATE InstallExecuteSequence SET Sequence = $MSI_SEQ_REMOVE_EXISTING WHERE Action = 'RemoveExistingProducts'"
        # Paths that AppSearch checks and ends with a backslash.
        "UPDATE RegLocator SET Type = $directory WHERE Signature_ = 'SetupFolder'"
        "UPDATE RegLocator SET Type = $directory WHERE Signature_ = 'CommonPrograms'"
    )
    # Versioned files: an equal or newer file on disk (the setup program's
    # of this build) stays, an older one is replaced.
    local file
    for file in rtouch.exe rtouchctl.exe; do
        queries+=("UPDATE File SET Version = '$(msi_file_version "$source/$file")' WHERE File = '$file'")
    done

    # The choices: as given on the command line, else as stored by the
    # install before, else the default. An earlier install of rtouch (a
    # build of this package, or the setup program) that stored no choice
    # but has no Run value had start at sign-in turned off. The x64 package
    # then looks at an install for 32-bit Windows the same way (in the
    # 32-bit view: its stored choice, its Run value).
    local ui_actions=() seq=$MSI_SEQ_AFTER_SEARCH
    local earlier='WIX_UPGRADE_DETECTED OR SETUPINSTALLED'
    queries+=("INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KeepAutostartOff', $MSI_CA_SET_PROPERTY, 'AUTOSTART', '0')")
    [ "$arch" = x64 ] && queries+=(
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('StoredAutoStart32', $MSI_CA_SET_PROPERTY, 'AUTOSTART', '[STOREDAUTOSTART32]')"
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KeepAutostartOff32', $MSI_CA_SET_PROPERTY, 'AUTOSTART', '0')"
        "INSERT INTO Upgrade (UpgradeCode, VersionMin, Attributes, ActionProperty) VALUES ('$MSI_UPGRADE_CODE_X86', '0.0.0', $MSI_UPGRADE_VERSION_MIN_INCLUSIVE, 'X86_PACKAGE_DETECTED')"
    ) && secure+=";X86_PACKAGE_DETECTED"
    for choice in "${choices[@]}"; do
        read -r property name default <<<"$choice"
        secure+=";$property"
        queries+=(
            "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('Stored$name', $MSI_CA_SET_PROPERTY, '$property', '[STORED$property]')"
            "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('Default$name', $MSI_CA_SET_PROPERTY, '$property', '$default')"
        )
        ui_actions+=("Stored$name|$property = \"\" AND STORED$property <> \"\"")
        [ "$property" = AUTOSTART ] &&
            ui_actions+=("KeepAutostartOff|AUTOSTART = \"\" AND ($earlier) AND RUNVALUE = \"\"")
        [ "$property" = AUTOSTART ] && [ "$arch" = x64 ] && ui_actions+=(
            "StoredAutoStart32|AUTOSTART = \"\" AND STOREDAUTOSTART32 <> \"\""
            "KeepAutostartOff32|AUTOSTART = \"\" AND (X86_PACKAGE_DETECTED OR SETUPINSTALLED32) AND RUNVALUE32 = \"\""
        )
        ui_actions+=("Default$name|$property = \"\"")
    done
    queries+=(
        "UPDATE Property SET Value = '$secure' WHERE Property = 'SecureCustomProperties'"
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('SetRtouchDir', $MSI_CA_SET_PROPERTY, 'RTOUCHDIR', '[PROGRAMFILESDIR]\\rtouch\\')"
        # Where Windows records no Program Files folder in this view, the
        # one Windows Installer found.
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('SetRtouchDirDefault', $MSI_CA_SET_PROPERTY, 'RTOUCHDIR', '[$program_files]rtouch\\')"
        "INSERT INTO CustomAction (Action, Type, Target) VALUES ('RefuseOtherFolder', $MSI_CA_ERROR, '$refusal')"
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('SetInstallLocation', $MSI_CA_SET_PROPERTY, 'ARPINSTALLLOCATION', '[INSTALLDIR]')"
    )
    local table entry
    for table in InstallUISequence InstallExecuteSequence; do
        seq=$MSI_SEQ_AFTER_SEARCH
        for entry in "${ui_actions[@]}"; do
            queries+=("INSERT INTO $table (Action, Condition, Sequence) VALUES ('${entry%%|*}', '${entry#*|}', $seq)")
            seq=$((seq + 1))
        done
        queries+=(
            "INSERT INTO $table (Action, Condition, Sequence) VALUES ('SetRtouchDir', 'PROGRAMFILESDIR', $MSI_SEQ_AFTER_COSTS)"
            "INSERT INTO $table (Action, Condition, Sequence) VALUES ('SetRtouchDirDefault', 'NOT PROGRAMFILESDIR', $((MSI_SEQ_AFTER_COSTS + 1)))"
            "INSERT INTO $table (Action, Condition, Sequence) VALUES ('RefuseOtherFolder', '$refuse', $((MSI_SEQ_AFTER_COSTS + 2)))"
        )
    done
    queries+=("INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('SetInstallLocation', $((MSI_SEQ_AFTER_COSTS + 3)))")

    # The setup program's installation, taken over: its uninstaller and old
    # files removed (from its folder elsewhere its programs and the folder
    # too), its programs-list entry and its choices removed, its Run value
    # and shortcut replaced by this package's. A RemoveFile row whose folder
    # property is empty does nothing: without the setup, nothing is removed.
    # The x64 package does the same for the x86 setup's, in the 32-bit view.
    local setup_menu='SETUPINSTALLED'
    [ "$arch" = x64 ] && setup_menu='(SETUPINSTALLED OR SETUPINSTALLED32)'
    local attributes=$((win64 | MSI_COMPONENT_TRANSITIVE))
    queries+=(
        # (Key is a keyword of the query language: quoted.)
        "CREATE TABLE RemoveRegistry (RemoveRegistry CHAR(72) NOT NULL, Root SHORT NOT NULL, \`Key\` CHAR(255) NOT NULL LOCALIZABLE, Name CHAR(255) LOCALIZABLE, Component_ CHAR(72) NOT NULL PRIMARY KEY RemoveRegistry)"
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('SetSetupDir', $MSI_CA_SET_PROPERTY, 'SETUPDIR', '[SETUPFOUND]')"
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('SetSetupOtherDir', $MSI_CA_SET_PROPERTY, 'SETUPOTHERDIR', '[SETUPFOUND]')"
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('SetSetupMenu', $MSI_CA_SET_PROPERTY, 'SETUPMENU', '[COMMONPROGRAMS]')"
        # Without the recorded folder, the all-users Start menu that
        # Windows Installer finds for ALLUSERS=1 (Wine: the user's).
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('SetSetupMenuDefault', $MSI_CA_SET_PROPERTY, 'SETUPMENU', '[ProgramMenuFolder]')"
        "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('SetSetupDir', 'SETUPINSTALLED AND SETUPFOUND', $((MSI_SEQ_AFTER_COSTS + 4)))"
        "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('SetSetupOtherDir', 'SETUPINSTALLED AND SETUPFOUND AND NOT (SETUPFOUND ~= INSTALLDIR)', $((MSI_SEQ_AFTER_COSTS + 5)))"
        "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('SetSetupMenu', '$setup_menu AND COMMONPROGRAMS', $((MSI_SEQ_AFTER_COSTS + 6)))"
        "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('SetSetupMenuDefault', '$setup_menu AND NOT COMMONPROGRAMS', $((MSI_SEQ_AFTER_COSTS + 7)))"
        "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('SetupUninstaller', 'Programs', 'uninstall.exe', 'SETUPDIR', $MSI_REMOVE_ON_INSTALL)"
        # Files set aside by the setup ("rtouch.exe.3.old"; Wine's
        # RemoveFiles takes no wildcards).
        "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('SetupOldRtouch', 'Programs', 'rtouch.exe.*.old', 'SETUPDIR', $MSI_REMOVE_ON_INSTALL)"
        "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('SetupOldRtouchctl', 'Programs', 'rtouchctl.exe.*.old', 'SETUPDIR', $MSI_REMOVE_ON_INSTALL)"
        "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('SetupOldUninstaller', 'Programs', 'uninstall.exe.*.old', 'SETUPDIR', $MSI_REMOVE_ON_INSTALL)"
        "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('SetupRtouch', 'Programs', 'rtouch.exe', 'SETUPOTHERDIR', $MSI_REMOVE_ON_INSTALL)"
        "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('SetupRtouchctl', 'Programs', 'rtouchctl.exe', 'SETUPOTHERDIR', $MSI_REMOVE_ON_INSTALL)"
        "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('SetupShortcut', 'Programs', 'rtouch.lnk', 'SETUPMENU', $MSI_REMOVE_ON_INSTALL)"
        # The folder once empty (Wine takes the rows in the order of their
        # keys' strings: this one comes last).
        "INSERT INTO RemoveFile (FileKey, Component_, DirProperty, InstallMode) VALUES ('SetupEmptyFolder', 'Programs', 'SETUPOTHERDIR', $MSI_REMOVE_ON_INSTALL)"
        # The registry values go before this package writes its own ("-":
        # the key with its values), from a component of their own that is
        # there only where the setup was: its condition, weighed again by
        # every repair (transitive), keeps a repair from deleting this
        # package's Run value and choices.
        "INSERT INTO Component (Component, ComponentId, Directory_, Attributes, Condition) VALUES ('Takeover', '$takeover_guid', 'INSTALLDIR', $attributes, 'SETUPINSTALLED')"
        "INSERT INTO FeatureComponents (Feature_, Component_) VALUES ('Complete', 'Takeover')"
        "INSERT INTO RemoveRegistry (RemoveRegistry, Root, \`Key\`, Name, Component_) VALUES ('SetupEntry', $MSI_REGISTRY_HKLM, 'Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rtouch', '-', 'Takeover')"
        "INSERT INTO RemoveRegistry (RemoveRegistry, Root, \`Key\`, Name, Component_) VALUES ('SetupChoices', $MSI_REGISTRY_HKLM, 'Software\\rtouch', '-', 'Takeover')"
        "INSERT INTO RemoveRegistry (RemoveRegistry, Root, \`Key\`, Name, Component_) VALUES ('SetupRun', $MSI_REGISTRY_HKLM, 'Software\\Microsoft\\Windows\\CurrentVersion\\Run', 'rtouch', 'Takeover')"
    )
    if [ "$arch" = x64 ]; then
        local setup32_files=(Uninstaller:uninstall.exe Rtouch:rtouch.exe Rtouchctl:rtouchctl.exe
            OldRtouch:rtouch.exe.*.old OldRtouchctl:rtouchctl.exe.*.old OldUninstaller:uninstall.exe.*.old)
        queries+=(
            "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('SetSetup32Dir', $MSI_CA_SET_PROPERTY, 'SETUP32DIR', '[SETUPFOUND32]')"
            "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('SetSetup32Dir', 'SETUPINSTALLED32 AND SETUPFOUND32', $((MSI_SEQ_AFTER_COSTS + 8)))"
            "UPDATE RegLocator SET Type = $MSI_LOCATOR_DIRECTORY WHERE Signature_ = 'SetupFolder32'"
            # A 32-bit component: its registry rows act in the 32-bit view.
            "INSERT INTO Component (Component, ComponentId, Directory_, Attributes, Condition) VALUES ('Takeover32', '$MSI_TAKEOVER32_GUID_X64', 'INSTALLDIR', $MSI_COMPONENT_TRANSITIVE, 'SETUPINSTALLED32')"
            "INSERT INTO FeatureComponents (Feature_, Component_) VALUES ('Complete', 'Takeover32')"
            "INSERT INTO RemoveRegistry (RemoveRegistry, Root, \`Key\`, Name, Component_) VALUES ('Setup32Entry', $MSI_REGISTRY_HKLM, 'Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rtouch', '-', 'Takeover32')"
            "INSERT INTO RemoveRegistry (RemoveRegistry, Root, \`Key\`, Name, Component_) VALUES ('Setup32Choices', $MSI_REGISTRY_HKLM, 'Software\\rtouch', '-', 'Takeover32')"
            "INSERT INTO RemoveRegistry (RemoveRegistry, Root, \`Key\`, Name, Component_) VALUES ('Setup32Run', $MSI_REGISTRY_HKLM, 'Software\\Microsoft\\Windows\\CurrentVersion\\Run', 'rtouch', 'Takeover32')"
        )
        for file in "${setup32_files[@]}"; do
            queries+=("INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('Setup32${file%%:*}', 'Programs', '${file#*:}', 'SETUP32DIR', $MSI_REMOVE_ON_INSTALL)")
        done
        queries+=("INSERT INTO RemoveFile (FileKey, Component_, DirProperty, InstallMode) VALUES ('Setup32EmptyFolder', 'Programs', 'SETUP32DIR', $MSI_REMOVE_ON_INSTALL)")
    fi

    # PARAMETERSFILE: checked by the package's rtouchctl before anything
    # changes (a failure ends the install, 1603), installed by
    # "rtouchctl keep" as SYSTEM at the end of the transaction. Only when
    # the product is installed (an upgrade is a new product): a repair or
    # self-repair never writes it, an uninstall leaves it.
    local params='PARAMETERSFILE AND NOT Installed'
    local relative='The parameters file must be named by its full path (C:\... or \\server\share\...): PARAMETERSFILE=[PARAMETERSFILE]. Nothing was changed.'
    local failed='The parameters file PARAMETERSFILE=[PARAMETERSFILE] was not installed: rtouchctl refused it ([2]). Run rtouchctl check on the file to see why. Nothing was changed.'
    secure+=";PARAMETERSFILE"
    queries+=(
        "UPDATE Property SET Value = '$secure' WHERE Property = 'SecureCustomProperties'"
        "INSERT INTO CustomAction (Action, Type, Target) VALUES ('RefuseRelativeParameters', $MSI_CA_ERROR, '$relative')"
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('CheckParametersFile', $MSI_CA_EXE_BINARY, 'rtouchctl', 'check \"[PARAMETERSFILE]\"')"
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KeepParametersFile', $((MSI_CA_EXE_BINARY | MSI_CA_DEFERRED | MSI_CA_NO_IMPERSONATE)), 'rtouchctl', 'keep \"[PARAMETERSFILE]\"')"
        "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('RefuseRelativeParameters', '$params AND NOT (PARAMETERSFILE >< \":\\\" OR PARAMETERSFILE << \"\\\\\")', 1398)"
        "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('CheckParametersFile', '$params', 1399)"
        "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KeepParametersFile', '$params', 6590)"
        "INSERT INTO Error (Error, Message) VALUES (1722, '$failed')"
    )
    local args=() q
    for q in "${queries[@]}"; do args+=(-q "$q"); done
    msibuild "$out" "${args[@]}" || { echo "msibuild failed for $arch" >&2; rm -f "$out"; return 1; }
}

; The rtouch installer: per machine, into Program Files, with start at sign-in,
; in-place upgrade and a clean uninstall. Built by scripts/package:
;   makensis -DVERSION=1.0.1 -DARCH=x64|x86 -DSOURCE=<folder of the programs>
;            -DOUTFILE=<setup.exe> [-DSIGN=<command signing the file given last>]
; Command line of the installer: /S (silent), /D=DIR (install folder, last),
; /AUTOSTART=0 (do not start rtouch at sign-in), /AUTOSTART=1 (start it),
; /PARAMETERS=FILE (the parameters file to put in place), /LOG=FILE (every
; decision, in UTF-16), /ALLOWDOWNGRADE, /ALLOWX86ON64=1 (the x86 setup on
; 64-bit Windows). The uninstaller takes /S and /LOG=FILE.
; The choice is kept per machine (HKLM\Software\rtouch, AutoStart "0" or
; "1", the value the Windows Installer package keeps too) and is the
; default of the next run; the command line wins.
; It touches C:\WINDOWS\ZRNParameters.dat only when /PARAMETERS names a
; file, and never any mapping file.
; Exit codes (installer and uninstaller): 0 done; 3010 done, a copy of
; rtouch in another session still runs the old files, which go at the next
; restart; 2 a file could not be written, the old ones put back; 3 rtouch
; still runs here, or a program holds a file so that it cannot be moved,
; nothing changed; 4 the install folder is not safe or could not be
; protected, nothing installed; 5 not run by an administrator, 6 run as
; SYSTEM by a setup built with an NSIS older than 3.12, 7 the Windows
; Installer package of rtouch is installed, 8 the x86 setup on 64-bit
; Windows, 9 a newer rtouch is installed, 10 the parameters file failed
; its check: nothing changed; 11 installed, but the parameters file could
; not be put in place (the earlier one as it was).

Unicode true
!if "${ARCH}" == "x64"
  Target amd64-unicode
!else
  Target x86-unicode
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"
!include "WinVer.nsh"
!include "WordFunc.nsh"
!include "x64.nsh"

!define PRODUCT "rtouch"
!define PUBLISHER "ZRN"
!define WINDOW_CLASS "ZRN_RTouch"
; The tray menu's Close command: the program ends its worker and quits.
!define CMD_CLOSE 40001
; How long a running rtouch.exe gets to close, in steps of 100 ms.
!define CLOSE_STEPS 100
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define EXIT_WRITE_FAILED 2
; Exit codes of a setup that stopped before it changed anything.
!define EXIT_STILL_RUNNING 3
!define EXIT_FOLDER_UNPROTECTED 4
!define EXIT_NOT_ADMIN 5
!define EXIT_RUNS_AS_SYSTEM 6
!define EXIT_MSI_INSTALLED 7
!define EXIT_X86_ON_64 8
!define EXIT_DOWNGRADE 9
!define EXIT_PARAMETERS_REFUSED 10
; Installed, but `rtouchctl keep` could not put the parameters file in place.
!define EXIT_PARAMETERS_NOT_KEPT 11
; Done; Windows removes old files at the next restart (ERROR_SUCCESS_REBOOT_REQUIRED).
!define EXIT_RESTART_COMPLETES 3010
; The uninstaller's copy that removes uninstall.exe once the uninstaller
; has ended: /CLEANUP=<its process id>; it waits at most a minute.
!define CLEANUP_OPTION "/CLEANUP="
!define CLEANUP_WAIT_MS 60000
!define SYNCHRONIZE 0x00100000
; The clean-up copy's folder: administrators and SYSTEM only.
!define CLEANUP_SDDL "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
!define PROFILE_LIST "Software\Microsoft\Windows NT\CurrentVersion\ProfileList"
; The options kept for the next run (the Windows Installer package's too).
!define OPTIONS_KEY "Software\${PRODUCT}"
!define AUTOSTART_VALUE "AutoStart"
!define ALLOW_X86_ON_64_VALUE "AllowX86On64"
; In the programs-list entry: the topmost parent folder of the install
; folder that the setup created (D:\Kiosk for /D=D:\Kiosk\rtouch), removed
; with the install folder when empty.
!define CREATED_FOLDER_VALUE "CreatedFolder"
; Process rights to wait for a process and read its program's path (the
; limited right from Vista on; XP needs the full one and read access).
!define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
!define PROCESS_QUERY_INFORMATION_VM_READ 0x410
; The UpgradeCodes of the Windows Installer packages (packaging/rtouch.wxs,
; x64 and x86) in the packed form under which Windows Installer registers
; an installed product's UpgradeCode.
!define MSI_UPGRADE_CODES_KEY "Software\Classes\Installer\UpgradeCodes"
!define MSI_UPGRADE_CODE_X64 "85EC9F59148E50D4E81DD46460196B96"
!define MSI_UPGRADE_CODE_X86 "D8C1C5B32FF34E143AABD7EC7436B722"
; The NSIS whose stub picks a safe temporary folder at start-up as SYSTEM
; (3.12) and whose plug-ins folder and uninstaller copy are protected
; (3.11, 3.09); packed as NSIS_PACKEDVERSION is.
!define NSIS_SAFE_AS_SYSTEM 0x03012000
; SetDefaultDllDirectories: DLLs by name from System32 only.
!define LOAD_LIBRARY_SEARCH_SYSTEM32 0x800

; A signing failure fails the build: no unsigned or cut file ships.
!ifdef SIGN
  !finalize '"${SIGN}" "%1"' = 0
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!if "${ARCH}" == "x64"
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
; An earlier installation's folder wins over the default (/D wins over both).
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; Not solid: a solid setup unpacks all its data into a temporary file
; before its first instruction runs; this one reads it from itself.
SetCompressor lzma
ShowInstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup (${ARCH})"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"
VIAddVersionKey "Comments" "Built with NSIS ${NSIS_VERSION}"

Var WasRunning
; The parameters file that /PARAMETERS= names, in full, or "".
Var Parameters
Var ParametersNotKept
; An installation of the setup in this registry view in another folder
; than $INSTDIR, and the one in the other view (64-bit Windows): "" for
; none; with the parent folder each created.
Var EarlierDir
Var EarlierCreated
Var OtherDir
Var OtherCreated

!define MUI_ICON "${SOURCE}\rtouch.ico"
!define MUI_UNICON "${SOURCE}\rtouch.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start rtouch now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartRtouch
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FolderPageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; A page's custom function goes to the next page declared, so right here.
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!addincludedir "${__FILEDIR__}"

; The package's registry view, and the other architecture's.
!macro SET_REG_VIEW
  !if "${ARCH}" == "x64"
    SetRegView 64
  !else
    SetRegView default
  !endif
!macroend
!macro OTHER_REG_VIEW
  !if "${ARCH}" == "x64"
    SetRegView 32
  !else
    SetRegView 64
  !endif
!macroend

!include "Log.nsh"

!include "Security.nsh"
!include "InstallFolder.nsh"
!include "ProgramFiles.nsh"
!include "Earlier.nsh"
!include "Parameters.nsh"

; Closes each running copy of rtouch on this desktop the way its tray menu
; does: command 40001 to its window of class ZRN_RTouch, then a bounded
; wait until its process is gone. A copy is rtouch.exe (or an old one set
; aside) in $INSTDIR or in the folder of an installation this setup takes
; over, as its process's program path says: a window of that class from
; any other program (anyone can make one) is left alone. Sets $WasRunning
; to 1 when it closed one. If one does not go, says so and quits with exit
; code 3 before anything has been changed.
!macro CLOSE_RTOUCH un
; Program path on the stack -> 1 when it is one of the programs above.
Function ${un}IsOwnImage
  Exch $0
  Push $1
  Push $2
  ${GetParent} $0 $1
  ${GetFileName} $0 $0
  StrCpy $2 $0 11
  ${If} $0 == "rtouch.exe"
  ${OrIf} $2 == "rtouch.exe."
    ${If} $1 == $INSTDIR
    ${OrIf} $1 == $EarlierDir
    ${OrIf} $1 == $OtherDir
      StrCpy $0 1
    ${Else}
      StrCpy $0 0
    ${EndIf}
  ${Else}
    StrCpy $0 0
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

Function ${un}CloseRtouch
  StrCpy $WasRunning 0
  ; The last window left alone: the search goes on after it.
  StrCpy $5 0
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}" "" 0 $5
    ${IfThen} $0 == 0 ${|} ${ExitDo} ${|}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    ${If} ${AtLeastWinVista}
      IntOp $4 ${SYNCHRONIZE} | ${PROCESS_QUERY_LIMITED_INFORMATION}
    ${Else}
      IntOp $4 ${SYNCHRONIZE} | ${PROCESS_QUERY_INFORMATION_VM_READ}
    ${EndIf}
    System::Call 'kernel32::OpenProcess(i r4, i 0, i r1) p .r2'
    StrCpy $3 ""
    ${If} $2 P<> 0
      ${If} ${AtLeastWinVista}
        System::Call 'kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r3, *i ${NSIS_MAX_STRLEN}) i .r4'
      ${Else}
        System::Call 'psapi::GetModuleFileNameExW(p r2, p 0, w .r3, i ${NSIS_MAX_STRLEN}) i .r4'
      ${EndIf}
      ${IfThen} $4 == 0 ${|} StrCpy $3 "" ${|}
    ${EndIf}
    Push $3
    Call ${un}IsOwnImage
    Pop $4
    ${If} $4 != 1
      ${If} $2 P<> 0
        System::Call 'kernel32::CloseHandle(p r2)'
      ${EndIf}
      ${IfThen} $3 == "" ${|} StrCpy $3 "a program that cannot be read" ${|}
      !insertmacro LOG "A window of class ${WINDOW_CLASS} (process $1, $3) is not rtouch's: left alone."
      StrCpy $5 $0
      ${Continue}
    ${EndIf}
    DetailPrint "Closing the running rtouch..."
    !insertmacro LOG "Closing rtouch (process $1, $3)."
    SendMessage $0 ${WM_COMMAND} ${CMD_CLOSE} 0 /TIMEOUT=5000
    StrCpy $3 0
    ${Do}
      System::Call 'kernel32::WaitForSingleObject(p r2, i 100) i .r4'
      ${IfThen} $4 == 0 ${|} ${ExitDo} ${|}
      IntOp $3 $3 + 1
      ${If} $3 >= ${CLOSE_STEPS}
        System::Call 'kernel32::CloseHandle(p r2)'
        !ifndef __UNINSTALL__
          Call RemoveCreatedFolders
        !endif
        !insertmacro STOP ${EXIT_STILL_RUNNING} "rtouch is running and did not close. Close it from its tray icon, then run this program again. Nothing was changed."
      ${EndIf}
    ${Loop}
    System::Call 'kernel32::CloseHandle(p r2)'
    !insertmacro LOG "rtouch (process $1) has ended."
    StrCpy $WasRunning 1
  ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_RTOUCH ""
!insertmacro CLOSE_RTOUCH "un."

; RequestExecutionLevel does nothing on Windows XP: a limited user would get
; a half-done installation. Quits (exit code 5) unless an administrator runs it.
!macro REQUIRE_ADMIN
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    !insertmacro STOP ${EXIT_NOT_ADMIN} "Only an administrator can install or remove rtouch. Nothing was changed."
  ${EndIf}
!macroend

; Built with an NSIS older than 3.12, quits (exit code 6) when the setup
; runs as SYSTEM, as software-deployment tools run it: SYSTEM's temporary
; folder is open to every user, and such a stub's start-up and the plug-ins
; it unpacks there would run as SYSTEM. Built-in instructions only, first
; thing: no plug-in is unpacked before it. The profile folder of the
; account it runs as is SYSTEM's (both come from the same ProfileList entry
; of the SID S-1-5-18). A newer NSIS protects both: nothing to refuse.
!macro REFUSE_SYSTEM
!if ${NSIS_PACKEDVERSION} < ${NSIS_SAFE_AS_SYSTEM}
  SetRegView 64
  ReadRegStr $0 HKLM "${PROFILE_LIST}\S-1-5-18" "ProfileImagePath"
  SetRegView default
  ${If} $0 == ""
    ; A 32-bit Windows that knows no 64-bit view.
    ReadRegStr $0 HKLM "${PROFILE_LIST}\S-1-5-18" "ProfileImagePath"
  ${EndIf}
  ExpandEnvStrings $0 $0
  ${If} $0 != ""
  ${AndIf} $0 == $PROFILE
    MessageBox MB_OK|MB_ICONSTOP "This program does not run as SYSTEM. To deploy rtouch with a software-deployment tool, use rtouch-${VERSION}-${ARCH}.msi; run this program from an administrator's account. Nothing was changed." /SD IDOK
    SetErrorLevel ${EXIT_RUNS_AS_SYSTEM}
    Quit
  ${EndIf}
!endif
!macroend

; DLLs loaded by name, also later ones inside system DLLs (shell32, ole32,
; comdlg32...), come from System32 only, never from the folder this program
; runs from (a download folder, the temporary folder). Looked up at run
; time (Windows 8, or Vista and 7 with update KB2533623). Not on Vista,
; where the shortcut object (CreateShortCut) then fails to be created, as
; NSIS's own start-up knows; there, and where Windows lacks it,
; SetDllDirectoryW takes the current folder out of the search.
!macro SAFE_DLL_SEARCH
  StrCpy $1 0
  ${IfNot} ${IsWinVista}
    System::Call 'kernel32::GetModuleHandleW(w "kernel32.dll") p .r0'
    System::Call 'kernel32::GetProcAddress(p r0, m "SetDefaultDllDirectories") p .r1'
  ${EndIf}
  ${If} $1 P<> 0
    System::Call '::$1(i ${LOAD_LIBRARY_SEARCH_SYSTEM32}) i .r0'
  ${Else}
    System::Call 'kernel32::SetDllDirectoryW(w "")'
  ${EndIf}
!macroend

; Quits (exit code 7) when a Windows Installer package of rtouch (either
; architecture) is installed: that package owns the program files, the
; programs-list entry, the Run value and the shortcut, and this setup
; would take them over only halfway. The registry, shared by both views.
!macro REFUSE_MSI_INSTALLED
  StrCpy $0 ""
  !insertmacro MSI_REGISTERED ${MSI_UPGRADE_CODE_X64}
  !insertmacro MSI_REGISTERED ${MSI_UPGRADE_CODE_X86}
  ${If} $0 != ""
    !insertmacro STOP ${EXIT_MSI_INSTALLED} "rtouch is installed on this computer from its Windows Installer package (.msi). Upgrade or remove it with that package (msiexec), not with this program. Nothing was changed."
  ${EndIf}
  !insertmacro LOG "No Windows Installer package of rtouch is installed."
!macroend
; Sets $0 to 1 when the UpgradeCode (packed) has a product registered, in
; either registry view; else leaves it.
!macro MSI_REGISTERED CODE
  SetRegView 64
  EnumRegValue $1 HKLM "${MSI_UPGRADE_CODES_KEY}\${CODE}" 0
  ${IfThen} $1 != "" ${|} StrCpy $0 1 ${|}
  SetRegView 32
  EnumRegValue $1 HKLM "${MSI_UPGRADE_CODES_KEY}\${CODE}" 0
  ${IfThen} $1 != "" ${|} StrCpy $0 1 ${|}
  SetRegView default
!macroend

; Quits (exit code 4) when $INSTDIR holds anything but this program's own
; files (and old ones moved aside, each a plain administrators' file): its
; protected descriptor, inherited,
; would re-permission every file of a folder that is not rtouch's (a system
; folder, a user's data), and a file planted beside the program would stay
; to be loaded by it.
Function CheckFolderHoldsOnlyRtouch
  ClearErrors
  FindFirst $0 $1 "$INSTDIR\*.*"
  ${DoUntil} ${Errors}
    ${Select} $1
      ${Case5} "." ".." "rtouch.exe" "rtouchctl.exe" "uninstall.exe"
      ${CaseElse}
        Push $1
        Call IsAsideName
        Pop $2
        ${If} $2 != 1
          FindClose $0
          !insertmacro FOLDER_REFUSED "The folder $INSTDIR holds files that are not rtouch's. Choose an empty folder or the folder of an earlier rtouch."
        ${EndIf}
        ; Its files are read in the setup's own check, not on the page.
        ${If} $CheckingOnPage != 1
          Push $1
          Call CheckAsideFile
        ${EndIf}
    ${EndSelect}
    ClearErrors
    FindNext $0 $1
  ${Loop}
  FindClose $0
FunctionEnd

; A file could not be written: the new files go, the old ones come back.
Function WriteFailed
  Delete "$INSTDIR\rtouch.exe"
  Delete "$INSTDIR\rtouchctl.exe"
  Delete "$INSTDIR\uninstall.exe"
  Call PutBack
  !insertmacro STOP ${EXIT_WRITE_FAILED} "The files of rtouch could not be written to $INSTDIR. The earlier files are back in place."
FunctionEnd

!macro WRITE_CHECKED INSTRUCTION
  ClearErrors
  ${INSTRUCTION}
  ${If} ${Errors}
    Call WriteFailed
  ${EndIf}
!macroend


Section "rtouch (required)" SecProgram
  SectionIn RO
  !insertmacro SET_REG_VIEW
  SetShellVarContext all
  !insertmacro LOG "Install folder: $INSTDIR."
  ; Every check before the running rtouch is closed: a setup that stops
  ; leaves it alone.
  Call CheckInstallLocation
  Call ProtectInstallFolder
  ${If} $CreatedTop != ""
    !insertmacro LOG "Created $INSTDIR (from $CreatedTop down) with its protected descriptor."
  ${Else}
    !insertmacro LOG "$INSTDIR exists: protected through a handle on the folder itself."
  ${EndIf}
  ; Again, now that no one else can add anything.
  Call CheckFolderHoldsOnlyRtouch
  !insertmacro FOR_PROGRAM_FILES CHECK_PROGRAM_FILE
  !insertmacro LOG "The install folder and its files passed the checks."
  Call CloseRtouch

  ; Never written into: each old file moved aside, the new one written
  ; under the free name, the old one deleted (at the next restart while a
  ; copy in another session runs it).
  !insertmacro FOR_PROGRAM_FILES MOVE_ASIDE
  SetOutPath "$INSTDIR"
  SetOverwrite try
  !insertmacro WRITE_CHECKED 'File "${SOURCE}\rtouch.exe"'
  !insertmacro WRITE_CHECKED 'File "${SOURCE}\rtouchctl.exe"'
  !insertmacro WRITE_CHECKED 'WriteUninstaller "$INSTDIR\uninstall.exe"'
  !insertmacro LOG "Programs written: rtouch.exe, rtouchctl.exe, uninstall.exe."
  !insertmacro FOR_PROGRAM_FILES DELETE_ASIDE
  Push ""
  Call DeleteEarlierAsides
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\rtouch.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\rtouch.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ; Run in place (_?=, last and unquoted): the uninstaller does not copy
  ; itself away and return at once, so a caller waits for its end and
  ; gets its exit code.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" _?=$INSTDIR'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  ; The programs only, not old ones waiting for the restart.
  ${GetSize} "$INSTDIR" "/M=*.exe /S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; The parents created for this folder, kept until the uninstall; an
  ; upgrade in place keeps the earlier record.
  ${If} $CreatedTop != ""
  ${AndIf} $CreatedTop != $INSTDIR
    WriteRegStr HKLM "${UNINSTALL_KEY}" "${CREATED_FOLDER_VALUE}" "$CreatedTop"
  ${ElseIf} $EarlierDir != $INSTDIR
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "${CREATED_FOLDER_VALUE}"
  ${EndIf}
  !if "${ARCH}" == "x86"
    ${If} ${RunningX64}
      WriteRegStr HKLM "${OPTIONS_KEY}" "${ALLOW_X86_ON_64_VALUE}" "1"
    ${EndIf}
  !endif
  ; Off unless the next section says otherwise (an upgrade may turn it off).
  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  WriteRegStr HKLM "${OPTIONS_KEY}" "${AUTOSTART_VALUE}" "0"
  !insertmacro LOG "Programs-list entry and shortcut written."
  Call RemoveEarlierInstalls
SectionEnd

Section "Start rtouch at sign-in" SecAutostart
  !insertmacro SET_REG_VIEW
  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\rtouch.exe"'
  WriteRegStr HKLM "${OPTIONS_KEY}" "${AUTOSTART_VALUE}" "1"
SectionEnd

Section "-Parameters"
  Call KeepParametersFile
SectionEnd

; Last: a program that ran before the setup runs again after it.
Section "-Restart"
  ${If} ${SectionIsSelected} ${SecAutostart}
    !insertmacro LOG "Start at sign-in: on (the Run value)."
  ${Else}
    !insertmacro LOG "Start at sign-in: off (no Run value)."
  ${EndIf}
  ${If} $WasRunning == 1
    DetailPrint "Starting rtouch again"
    !insertmacro LOG "Starting rtouch again on this desktop, as its user."
    Call StartRtouch
  ${EndIf}
  ${If} $ParametersNotKept == 1
    !insertmacro LOG "exit code ${EXIT_PARAMETERS_NOT_KEPT}"
    SetErrorLevel ${EXIT_PARAMETERS_NOT_KEPT}
  ${ElseIf} ${RebootFlag}
    DetailPrint "rtouch still runs in another session: a restart completes the installation."
    !insertmacro LOG "rtouch still runs in another session: a restart completes the installation."
    !insertmacro LOG "exit code ${EXIT_RESTART_COMPLETES}"
    SetErrorLevel ${EXIT_RESTART_COMPLETES}
  ${Else}
    !insertmacro LOG "exit code 0"
  ${EndIf}
SectionEnd

!include "ShellStart.nsh"

; Starts the installed rtouch.exe as the desktop's user, never with this
; setup's elevated token; where the shell cannot do it, says that rtouch
; starts at the next sign-in (or from the Start menu).
Function StartRtouch
  ${If} ${AtLeastWinVista}
    !insertmacro SHELL_START "$INSTDIR\rtouch.exe"
  ${Else}
    Push "$INSTDIR\rtouch.exe"
    Call StartDirectlyOnXP
  ${EndIf}
  ${If} $0 != 1
    ${If} ${SectionIsSelected} ${SecAutostart}
      StrCpy $0 "rtouch starts at the next sign-in."
    ${Else}
      StrCpy $0 "Start rtouch from the Start menu."
    ${EndIf}
    DetailPrint "rtouch could not be started for the signed-in user. $0"
    !insertmacro LOG "rtouch could not be started for the signed-in user. $0"
    MessageBox MB_OK|MB_ICONINFORMATION "rtouch could not be started for the signed-in user. $0" /SD IDOK
  ${EndIf}
FunctionEnd

Function .onInit
  !insertmacro REFUSE_SYSTEM
  !insertmacro SAFE_DLL_SEARCH
  ${GetParameters} $R9
  Call OpenLog
  !insertmacro LOG "rtouch ${VERSION} setup (${ARCH}), built with NSIS ${NSIS_VERSION}. Command line: $R9"
  !insertmacro REQUIRE_ADMIN
  !insertmacro REFUSE_MSI_INSTALLED
  Call ReadOwnSid
  !insertmacro SET_REG_VIEW
  !if "${ARCH}" == "x86"
    Call RefuseX86On64
  !endif
  ClearErrors
  ${GetOptions} $R9 "/ALLOWDOWNGRADE" $0
  ${IfNot} ${Errors}
    StrCpy $AllowDowngrade 1
  ${EndIf}
  Call FindEarlierInstalls
  Call ChooseAutostart
  Call CheckParametersFile
FunctionEnd

; Start at sign-in: the command line's /AUTOSTART=, else the choice that
; the last run kept, else, for an installation that kept none (1.0), what
; its Run value says, as the Windows Installer package reads it; else on.
Function ChooseAutostart
  ReadRegStr $1 HKLM "${OPTIONS_KEY}" "${AUTOSTART_VALUE}"
  StrCpy $3 "the choice the last run kept"
  ${If} $1 == ""
  ${AndIf} $EarlierDir != ""
    ReadRegStr $2 HKLM "${RUN_KEY}" "${PRODUCT}"
    StrCpy $3 "the earlier installation kept no choice: its Run value"
    ${If} $2 == ""
      StrCpy $1 0
    ${Else}
      StrCpy $1 1
    ${EndIf}
  ${ElseIf} $1 == ""
  ${AndIf} $OtherDir != ""
    !insertmacro OTHER_REG_VIEW
    ReadRegStr $1 HKLM "${OPTIONS_KEY}" "${AUTOSTART_VALUE}"
    StrCpy $3 "the choice the other architecture's installation kept"
    ${If} $1 == ""
      ReadRegStr $2 HKLM "${RUN_KEY}" "${PRODUCT}"
      StrCpy $3 "the other architecture's installation kept no choice: its Run value"
      ${If} $2 == ""
        StrCpy $1 0
      ${Else}
        StrCpy $1 1
      ${EndIf}
    ${EndIf}
    !insertmacro SET_REG_VIEW
  ${ElseIf} $1 == ""
    StrCpy $3 "the default"
  ${EndIf}
  ClearErrors
  ${GetOptions} $R9 "/AUTOSTART=" $2
  ${IfNot} ${Errors}
    StrCpy $1 $2
    StrCpy $3 "/AUTOSTART= on the command line"
  ${EndIf}
  ${If} $1 == "0"
    !insertmacro UnselectSection ${SecAutostart}
    !insertmacro LOG "Start at sign-in off: $3."
  ${Else}
    !insertmacro LOG "Start at sign-in on: $3."
  ${EndIf}
FunctionEnd

!if "${ARCH}" == "x86"
; The x86 setup on 64-bit Windows: quits (exit code 8) unless
; /ALLOWX86ON64=1, or an earlier run kept that choice (as the Windows
; Installer package does). A 64-bit Windows has one rtouch, the x64 one.
Function RefuseX86On64
  ${IfNot} ${RunningX64}
    Return
  ${EndIf}
  ReadRegStr $1 HKLM "${OPTIONS_KEY}" "${ALLOW_X86_ON_64_VALUE}"
  ClearErrors
  ${GetOptions} $R9 "/ALLOWX86ON64=" $0
  ${IfNot} ${Errors}
    StrCpy $1 $0
  ${EndIf}
  ${If} $1 != "1"
    !insertmacro STOP ${EXIT_X86_ON_64} "This setup is for 32-bit Windows. On 64-bit Windows install rtouch-${VERSION}-x64-setup.exe, which takes over this one's installation; or add /ALLOWX86ON64=1 to the command line to install this one anyway. Nothing was changed."
  ${EndIf}
  !insertmacro LOG "The x86 setup on 64-bit Windows: allowed (/ALLOWX86ON64=1)."
FunctionEnd
!endif

; The finish page offers to start rtouch only when the setup did not already
; start it again.
Function FinishShow
  ${If} $WasRunning == 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro REFUSE_SYSTEM
  !insertmacro SAFE_DLL_SEARCH
  ${GetParameters} $R9
  ClearErrors
  ${GetOptions} $R9 "${CLEANUP_OPTION}" $1
  ${IfNot} ${Errors}
    Call un.Cleanup
    Quit
  ${EndIf}
  Call un.OpenLog
  !insertmacro LOG "rtouch ${VERSION} uninstaller (${ARCH}). Command line: $R9"
  !insertmacro REQUIRE_ADMIN
  !insertmacro SET_REG_VIEW
FunctionEnd

; The uninstaller that a caller waits for runs in place, and Windows keeps
; its file open until it ends: neither it nor its folder can go before.
; A copy waits for this process to end, then deletes uninstall.exe and the
; folder (or, if it cannot, has Windows do it at the next restart), and has
; itself and its folder deleted at the next restart. The copy runs as this
; administrator: its folder is created writable by administrators only in
; the call that creates it, as the account's temporary folder is open to
; its unelevated programs. Where that fails, Windows deletes uninstall.exe
; at the next restart instead. A delete at the restart always names the
; file set aside under a name of its own, never uninstall.exe, which a
; later install may have written again by then. $R7: the parent folder
; that the setup created, for the copy.
Function un.StartCleanup
  ${If} $EXEPATH != "$INSTDIR\uninstall.exe"
    ClearErrors
    Delete "$INSTDIR\uninstall.exe"
    ${If} ${Errors}
      Call un.DeleteUninstallerAtRestart
    ${EndIf}
    Return
  ${EndIf}
  GetTempFileName $0
  Delete $0
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${CLEANUP_SDDL}", i ${SDDL_REVISION_1}, *p .r2, p 0) i .r1'
  ${If} $1 != 0
    !if "${ARCH}" == "x64"
      System::Call '*(i ${SECURITY_ATTRIBUTES_BYTES}, i 0, p r2, i 0, i 0) p .r3'
    !else
      System::Call '*(i ${SECURITY_ATTRIBUTES_BYTES}, p r2, i 0) p .r3'
    !endif
    System::Call 'kernel32::CreateDirectoryW(w r0, p r3) i .r1'
    System::Free $3
    System::Call 'kernel32::LocalFree(p r2)'
  ${EndIf}
  ${If} $1 == 0
    Call un.DeleteUninstallerAtRestart
    Return
  ${EndIf}
  ${GetFileName} $0 $1
  StrCpy $0 "$0\$1.exe"
  ClearErrors
  CopyFiles /SILENT "$EXEPATH" "$0"
  ${If} ${Errors}
    Call un.DeleteUninstallerAtRestart
    RMDir $0
    Return
  ${EndIf}
  ; A running program's file can be renamed: the copy deletes it by the
  ; new name.
  Call un.RenameUninstaller
  Pop $2
  ${If} $2 == ""
    StrCpy $2 "uninstall.exe"
  ${EndIf}
  StrCpy $3 ""
  ${If} $R7 != ""
    StrCpy $3 ' /CREATED="$R7"'
  ${EndIf}
  System::Call 'kernel32::GetCurrentProcessId() i .r1'
  ClearErrors
  Exec '"$0" ${CLEANUP_OPTION}$1 /ASIDE=$2$3 _?=$INSTDIR'
  ${If} ${Errors}
    Delete "$0"
    ${GetParent} $0 $0
    RMDir $0
    Push "$INSTDIR\$2"
    Call un.DeleteAside
  ${Else}
    !insertmacro LOG "uninstall.exe and the folder go once this uninstaller has ended."
  ${EndIf}
FunctionEnd

; Renames uninstall.exe aside; pushes the new name ("" when it could not).
Function un.RenameUninstaller
  Push $0
  Push $1
  StrCpy $0 1
  ${DoWhile} ${FileExists} "$INSTDIR\uninstall.exe.$0${ASIDE_SUFFIX}"
    IntOp $0 $0 + 1
  ${Loop}
  System::Call 'kernel32::MoveFileExW(w "$INSTDIR\uninstall.exe", w "$INSTDIR\uninstall.exe.$0${ASIDE_SUFFIX}", i 0) i .r1'
  ${If} $1 != 0
    StrCpy $0 "uninstall.exe.$0${ASIDE_SUFFIX}"
  ${Else}
    StrCpy $0 ""
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; uninstall.exe, set aside under a name of its own, deleted at the next
; restart.
Function un.DeleteUninstallerAtRestart
  Call un.RenameUninstaller
  Pop $0
  ${If} $0 != ""
    Push "$INSTDIR\$0"
    Call un.DeleteAside
  ${Else}
    !insertmacro LOG "uninstall.exe could not be set aside: left in $INSTDIR."
  ${EndIf}
FunctionEnd

; The copy's work (un.StartCleanup): /CLEANUP=<process id>, /ASIDE=<name
; of uninstall.exe now>, /CREATED=<parent folder the setup created> on the
; command line ($R9).
Function un.Cleanup
  ${GetOptions} $R9 "${CLEANUP_OPTION}" $0
  ClearErrors
  ${GetOptions} $R9 "/ASIDE=" $2
  ${If} ${Errors}
    StrCpy $2 "uninstall.exe"
  ${EndIf}
  ; Only uninstall.exe, or uninstall.exe set aside.
  Push $2
  Call un.IsAsideName
  Pop $3
  StrCpy $4 $2 14
  ${If} $2 != "uninstall.exe"
    ${If} $3 != 1
    ${OrIf} $4 != "uninstall.exe."
      StrCpy $2 "uninstall.exe"
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R9 "/CREATED=" $R7
  ${IfThen} ${Errors} ${|} StrCpy $R7 "" ${|}
  System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r0) p .r1'
  ${If} $1 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r1, i ${CLEANUP_WAIT_MS})'
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  ClearErrors
  Delete "$INSTDIR\$2"
  ${If} ${Errors}
    ${If} $2 == "uninstall.exe"
      Call un.DeleteUninstallerAtRestart
    ${Else}
      Delete /REBOOTOK "$INSTDIR\$2"
    ${EndIf}
    RMDir /REBOOTOK "$INSTDIR"
  ${Else}
    ClearErrors
    RMDir "$INSTDIR"
    ${IfNot} ${Errors}
      Push $R7
      Push $INSTDIR
      Call un.RemoveCreatedParents
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::MoveFileExW(w "$EXEPATH", p 0, i ${MOVEFILE_DELAY_UNTIL_REBOOT})'
  System::Call 'kernel32::MoveFileExW(w "$EXEDIR", p 0, i ${MOVEFILE_DELAY_UNTIL_REBOOT})'
FunctionEnd

!define CLSID_ShellLink "{00021401-0000-0000-C000-000000000046}"
!define IID_IShellLinkW "{000214F9-0000-0000-C000-000000000046}"
!define IID_IPersistFile "{0000010B-0000-0000-C000-000000000046}"
!define CLSCTX_INPROC_SERVER 1
!define PERSISTFILE_LOAD 5
!define SHELLLINK_GETPATH 3
!define STGM_READ 0
; Shortcut file on the stack -> the program it leads to ("" when there is
; none or it cannot be read).
Function un.ShortcutTarget
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 ""
  ${If} ${FileExists} $0
    System::Call 'ole32::CoCreateInstance(g "${CLSID_ShellLink}", p 0, i ${CLSCTX_INPROC_SERVER}, g "${IID_IShellLinkW}", *p .r1) i .r2'
    ${If} $2 == 0
      System::Call '$1->0(g "${IID_IPersistFile}", *p .r2) i .r3'
      ${If} $3 == 0
        System::Call '$2->${PERSISTFILE_LOAD}(w r0, i ${STGM_READ}) i .r3'
        ${If} $3 == 0
          System::Call '$1->${SHELLLINK_GETPATH}(w .r3, i ${NSIS_MAX_STRLEN}, p 0, i 0) i .r0'
          ${IfThen} $0 != 0 ${|} StrCpy $3 "" ${|}
        ${Else}
          StrCpy $3 ""
        ${EndIf}
        System::Call '$2->${RELEASE}()'
      ${Else}
        StrCpy $3 ""
      ${EndIf}
      System::Call '$1->${RELEASE}()'
    ${EndIf}
  ${EndIf}
  StrCpy $0 $3
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

!macro UN_CHECK_MOVABLE NAME
  Push ${NAME}
  Call un.OpenToMove
  Pop $0
  ${If} $0 != 0
    System::Call 'kernel32::CloseHandle(p r0)'
  ${EndIf}
!macroend
!macro UN_MOVE_ASIDE NAME VAR
  Push ${NAME}
  Call un.MoveAside
  Pop ${VAR}
!macroend

; Removes what it can; a program file that a copy of rtouch in another
; session still runs goes at the next restart (exit code 3010). The
; registry is cleaned once the files are gone or due to go.
Section "Uninstall"
  !insertmacro SET_REG_VIEW
  SetShellVarContext all
  !insertmacro LOG "Uninstalling rtouch from $INSTDIR."
  ; The programs-list entry, and the parents the setup created, are this
  ; installation's only when the entry names this folder.
  ReadRegStr $R8 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $R7 ""
  ${If} $R8 == $INSTDIR
    ReadRegStr $R7 HKLM "${UNINSTALL_KEY}" "${CREATED_FOLDER_VALUE}"
  ${EndIf}
  !insertmacro UN_CHECK_MOVABLE rtouch.exe
  !insertmacro UN_CHECK_MOVABLE rtouchctl.exe
  Call un.CloseRtouch
  !insertmacro UN_MOVE_ASIDE rtouch.exe $AsideRtouch
  !insertmacro UN_MOVE_ASIDE rtouchctl.exe $AsideRtouchctl
  Push $AsideRtouch
  Call un.DeleteAside
  Push $AsideRtouchctl
  Call un.DeleteAside
  Push /REBOOTOK
  Call un.DeleteEarlierAsides
  Call un.StartCleanup
  ; The shortcut and the Run value only where they lead to this folder's
  ; rtouch.exe: another installation (a later one elsewhere, the Windows
  ; Installer package) may own them now.
  Push "$SMPROGRAMS\${PRODUCT}.lnk"
  Call un.ShortcutTarget
  Pop $0
  ${If} $0 == "$INSTDIR\rtouch.exe"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ${ElseIf} $0 != ""
    !insertmacro LOG "The shortcut leads to $0, not to this installation: left."
  ${EndIf}
  ReadRegStr $0 HKLM "${RUN_KEY}" "${PRODUCT}"
  ${If} $0 == '"$INSTDIR\rtouch.exe"'
    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  ${ElseIf} $0 != ""
    !insertmacro LOG "The Run value starts $0, not this installation: left."
  ${EndIf}
  ${If} $R8 == $INSTDIR
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegValue HKLM "${OPTIONS_KEY}" "${AUTOSTART_VALUE}"
    DeleteRegValue HKLM "${OPTIONS_KEY}" "${ALLOW_X86_ON_64_VALUE}"
    DeleteRegKey /ifempty HKLM "${OPTIONS_KEY}"
    !insertmacro LOG "Programs-list entry and choices removed."
  ${Else}
    !insertmacro LOG "The programs-list entry names $R8, not this folder: left."
  ${EndIf}
  ; Only when empty: files a user put there stay.
  ClearErrors
  RMDir "$INSTDIR"
  ${IfNot} ${Errors}
    Push $R7
    Push $INSTDIR
    Call un.RemoveCreatedParents
  ${ElseIf} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
  ${EndIf}
  ${If} ${RebootFlag}
    !insertmacro LOG "A program file is in use (a copy of rtouch in another session): removed at the next restart."
    !insertmacro LOG "exit code ${EXIT_RESTART_COMPLETES}"
    SetErrorLevel ${EXIT_RESTART_COMPLETES}
  ${Else}
    !insertmacro LOG "exit code 0"
  ${EndIf}
SectionEnd

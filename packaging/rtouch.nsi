; The rtouch installer: per machine, into Program Files, with start at sign-in,
; in-place upgrade and a clean uninstall. Built by scripts/package:
;   makensis -DVERSION=1.0 -DARCH=x64|x86 -DSOURCE=<folder of the programs>
;            -DOUTFILE=<setup.exe> [-DSIGN=<command signing the file given last>]
; Command line of the installer: /S (silent), /D=DIR (install folder, last),
; /AUTOSTART=0 (do not start rtouch at sign-in).
; It never touches C:\WINDOWS\ZRNParameters.dat nor any mapping file.
; Exit codes (installer and uninstaller): 0 done; 3 rtouch still runs (here
; or in another session), nothing changed; 4 the install folder could not be
; protected, nothing installed; 5 not run by an administrator, nothing changed.

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

!define PRODUCT "rtouch"
!define PUBLISHER "ZRN"
!define WINDOW_CLASS "ZRN_RTouch"
; The tray menu's Close command: the program ends its worker and quits.
!define CMD_CLOSE 40001
; How long a running rtouch.exe gets to close, in steps of 100 ms.
!define CLOSE_STEPS 100
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Exit codes of a setup that stopped before it changed anything.
!define EXIT_STILL_RUNNING 3
!define EXIT_FOLDER_UNPROTECTED 4
!define EXIT_NOT_ADMIN 5
; The install folder's security descriptor: owned by Administrators; full
; control for SYSTEM and Administrators, read and execute for Users, all
; inherited by the files; protected, so nothing comes from the parent folder.
!define INSTDIR_SDDL "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)"
; SetNamedSecurityInfoW's object type and what it sets.
!define SE_FILE_OBJECT 1
!define OWNER_DACL_PROTECTED 0x80000005
!define SDDL_REVISION_1 1
; CreateFileW: opening for writing an existing file, sharing everything, only
; to learn whether the file is in use.
!define GENERIC_WRITE 0x40000000
!define FILE_SHARE_ALL 7
!define OPEN_EXISTING 3

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
SetCompressor /SOLID lzma
ShowInstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup (${ARCH})"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

Var WasRunning

!define MUI_ICON "${SOURCE}\rtouch.ico"
!define MUI_UNICON "${SOURCE}\rtouch.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start rtouch now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartRtouch
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; A page's custom function goes to the next page declared, so right here.
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Closes a running rtouch.exe the way its tray menu does: command 40001 to
; the window of class ZRN_RTouch, then a bounded wait until the process (or,
; if it cannot be opened, the window) is gone. Sets $WasRunning to 1 when it
; closed one. If it does not go, says so and quits with a non-zero exit
; code before anything has been changed.
!macro CLOSE_RTOUCH un
Function ${un}CloseRtouch
  StrCpy $WasRunning 0
  FindWindow $0 "${WINDOW_CLASS}" ""
  ${If} $0 == 0
    Return
  ${EndIf}
  DetailPrint "Closing the running rtouch..."
  System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
  ; SYNCHRONIZE access: enough to wait for the end of the process.
  System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
  SendMessage $0 ${WM_COMMAND} ${CMD_CLOSE} 0 /TIMEOUT=5000
  StrCpy $3 0
  ${Do}
    ${If} $2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i 100) i .r4'
      ${IfThen} $4 == 0 ${|} ${ExitDo} ${|}
    ${Else}
      FindWindow $0 "${WINDOW_CLASS}" ""
      ${IfThen} $0 == 0 ${|} ${ExitDo} ${|}
      Sleep 100
    ${EndIf}
    IntOp $3 $3 + 1
    ${If} $3 >= ${CLOSE_STEPS}
      ${If} $2 P<> 0
        System::Call 'kernel32::CloseHandle(p r2)'
      ${EndIf}
      MessageBox MB_OK|MB_ICONSTOP "rtouch is running and did not close. Close it from its tray icon, then run this program again. Nothing was changed." /SD IDOK
      SetErrorLevel ${EXIT_STILL_RUNNING}
      Quit
    ${EndIf}
  ${Loop}
  ${If} $2 P<> 0
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  StrCpy $WasRunning 1
FunctionEnd
!macroend
!insertmacro CLOSE_RTOUCH ""
!insertmacro CLOSE_RTOUCH "un."

; Quits (exit code 3) when the file named on the stack, in $INSTDIR, cannot
; be opened for writing: a copy of rtouch in another user's session keeps
; its program open, and replacing or deleting it would fail half-way.
!macro CHECK_NOT_IN_USE un
Function ${un}CheckNotInUse
  Exch $0
  Push $1
  ${If} ${FileExists} "$INSTDIR\$0"
    System::Call 'kernel32::CreateFileW(w "$INSTDIR\$0", i ${GENERIC_WRITE}, i ${FILE_SHARE_ALL}, p 0, i ${OPEN_EXISTING}, i 0, p 0) p .r1'
    ${If} $1 P= -1
      MessageBox MB_OK|MB_ICONSTOP "$INSTDIR\$0 is in use: rtouch (or rtouchctl) still runs, perhaps in another user's session. Close it there or sign that user out, then run this program again. Nothing was changed." /SD IDOK
      SetErrorLevel ${EXIT_STILL_RUNNING}
      Quit
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CHECK_NOT_IN_USE ""
!insertmacro CHECK_NOT_IN_USE "un."

; RequestExecutionLevel does nothing on Windows XP: a limited user would get
; a half-done installation. Quits (exit code 5) unless an administrator runs it.
!macro REQUIRE_ADMIN
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "Only an administrator can install or remove rtouch. Nothing was changed." /SD IDOK
    SetErrorLevel ${EXIT_NOT_ADMIN}
    Quit
  ${EndIf}
!macroend

; Quits (exit code 4) when $INSTDIR holds anything but this program's own
; files: its protected descriptor, inherited, would re-permission every file
; of a folder that is not rtouch's (a system folder, a user's data), and a
; file planted beside the program would stay to be loaded by it.
Function CheckFolderHoldsOnlyRtouch
  ClearErrors
  FindFirst $0 $1 "$INSTDIR\*.*"
  ${DoUntil} ${Errors}
    ${Select} $1
      ${Case5} "." ".." "rtouch.exe" "rtouchctl.exe" "uninstall.exe"
      ${CaseElse}
        FindClose $0
        MessageBox MB_OK|MB_ICONSTOP "The folder $INSTDIR holds files that are not rtouch's. Choose an empty folder or the folder of an earlier rtouch. Nothing was installed." /SD IDOK
        SetErrorLevel ${EXIT_FOLDER_UNPROTECTED}
        Quit
    ${EndSelect}
    FindNext $0 $1
  ${Loop}
  FindClose $0
FunctionEnd

; Gives $INSTDIR the descriptor INSTDIR_SDDL before any file goes in, so that
; no ordinary user can replace a program or put a DLL beside it (the folder
; may be new under a drive root, or exist already and belong to a user).
; Quits (exit code 4) if it cannot, leaving no folder it created.
Function ProtectInstallFolder
  StrCpy $5 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $5 1
    ClearErrors
    CreateDirectory "$INSTDIR"
  ${EndIf}
  StrCpy $0 1
  ${If} ${FileExists} "$INSTDIR\*.*"
    System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${INSTDIR_SDDL}", i ${SDDL_REVISION_1}, *p .r1, p 0) i .r0'
    ${If} $0 != 0
      System::Call 'advapi32::GetSecurityDescriptorOwner(p r1, *p .r2, *i .r6) i .r0'
      System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r6, *p .r3, *i .r7) i .r4'
      ${If} $0 != 0
      ${AndIf} $4 != 0
        System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i ${SE_FILE_OBJECT}, i ${OWNER_DACL_PROTECTED}, p r2, p 0, p r3, p 0) i .r0'
      ${Else}
        StrCpy $0 1
      ${EndIf}
      System::Call 'kernel32::LocalFree(p r1)'
    ${Else}
      StrCpy $0 1
    ${EndIf}
  ${EndIf}
  ${If} $0 != 0
    ${If} $5 == 1
      RMDir "$INSTDIR"
    ${EndIf}
    MessageBox MB_OK|MB_ICONSTOP "The folder $INSTDIR could not be made writable by administrators only. Nothing was installed." /SD IDOK
    SetErrorLevel ${EXIT_FOLDER_UNPROTECTED}
    Quit
  ${EndIf}
FunctionEnd

!macro SET_REG_VIEW
  !if "${ARCH}" == "x64"
    SetRegView 64
  !endif
!macroend

Section "rtouch (required)" SecProgram
  SectionIn RO
  !insertmacro SET_REG_VIEW
  SetShellVarContext all
  Call CloseRtouch
  Push rtouch.exe
  Call CheckNotInUse
  Push rtouchctl.exe
  Call CheckNotInUse
  Push uninstall.exe
  Call CheckNotInUse
  Call CheckFolderHoldsOnlyRtouch
  Call ProtectInstallFolder

  SetOutPath "$INSTDIR"
  ; Written anew rather than over the old files, which could carry
  ; permissions of their own: new files take the folder's.
  Delete "$INSTDIR\rtouch.exe"
  Delete "$INSTDIR\rtouchctl.exe"
  Delete "$INSTDIR\uninstall.exe"
  File "${SOURCE}\rtouch.exe"
  File "${SOURCE}\rtouchctl.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\rtouch.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\rtouch.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Off unless the next section says otherwise (an upgrade may turn it off).
  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
SectionEnd

Section "Start rtouch at sign-in" SecAutostart
  !insertmacro SET_REG_VIEW
  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\rtouch.exe"'
SectionEnd

; Last: a program that ran before the setup runs again after it.
Section "-Restart"
  ${If} $WasRunning == 1
    DetailPrint "Starting rtouch again"
    Call StartRtouch
  ${EndIf}
SectionEnd

!addincludedir "${__FILEDIR__}"
!include "ShellStart.nsh"

; Starts the installed rtouch.exe as the desktop's user, never with this
; setup's elevated token; where the shell cannot do it, says that rtouch
; starts at the next sign-in (or from the Start menu).
Function StartRtouch
  !insertmacro SHELL_START "$INSTDIR\rtouch.exe"
  ${If} $0 != 1
    ${If} ${SectionIsSelected} ${SecAutostart}
      StrCpy $0 "rtouch starts at the next sign-in."
    ${Else}
      StrCpy $0 "Start rtouch from the Start menu."
    ${EndIf}
    DetailPrint "rtouch could not be started for the signed-in user. $0"
    MessageBox MB_OK|MB_ICONINFORMATION "rtouch could not be started for the signed-in user. $0" /SD IDOK
  ${EndIf}
FunctionEnd

Function .onInit
  !insertmacro REQUIRE_ADMIN
  !insertmacro SET_REG_VIEW
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTOSTART=" $1
  ${IfNot} ${Errors}
  ${AndIf} $1 == "0"
    !insertmacro UnselectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

; The finish page offers to start rtouch only when the setup did not already
; start it again.
Function FinishShow
  ${If} $WasRunning == 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro REQUIRE_ADMIN
  !insertmacro SET_REG_VIEW
FunctionEnd

Section "Uninstall"
  !insertmacro SET_REG_VIEW
  SetShellVarContext all
  Call un.CloseRtouch
  Push rtouch.exe
  Call un.CheckNotInUse
  Push rtouchctl.exe
  Call un.CheckNotInUse
  Delete "$INSTDIR\rtouch.exe"
  Delete "$INSTDIR\rtouchctl.exe"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Only when empty: files a user put there stay.
  RMDir "$INSTDIR"
SectionEnd

; The rtouch installer: per machine, into Program Files, with start at sign-in,
; in-place upgrade and a clean uninstall. Built by scripts/package:
;   makensis -DVERSION=1.0 -DARCH=x64|x86 -DSOURCE=<folder of the programs>
;            -DOUTFILE=<setup.exe> [-DSIGN=<command signing the file given last>]
; Command line of the installer: /S (silent), /D=DIR (install folder, last),
; /AUTOSTART=0 (do not start rtouch at sign-in).
; It never touches C:\WINDOWS\ZRNParameters.dat nor any mapping file.

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
; Exit code of a setup that stopped because rtouch.exe would not close.
!define EXIT_STILL_RUNNING 3

!ifdef SIGN
  !finalize '${SIGN} "%1"'
  !uninstfinalize '${SIGN} "%1"'
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
!define MUI_FINISHPAGE_RUN "$INSTDIR\rtouch.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start rtouch now"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
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

  SetOutPath "$INSTDIR"
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
    Exec '"$INSTDIR\rtouch.exe"'
  ${EndIf}
SectionEnd

Function .onInit
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
  !insertmacro SET_REG_VIEW
FunctionEnd

Section "Uninstall"
  !insertmacro SET_REG_VIEW
  SetShellVarContext all
  Call un.CloseRtouch
  Delete "$INSTDIR\rtouch.exe"
  Delete "$INSTDIR\rtouchctl.exe"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Only when empty: files a user put there stay.
  RMDir "$INSTDIR"
SectionEnd

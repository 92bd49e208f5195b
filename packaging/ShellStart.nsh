; SHELL_START PROGRAM: asks the desktop's shell to start PROGRAM, so that it
; runs with the token of the user signed in at the desktop, not with the
; caller's (an elevated setup's). The route: ShellWindows -> the desktop's
; window -> its top-level browser -> the active shell view -> the view's
; background object -> its Shell.Application (IShellDispatch2) ->
; ShellExecute, which runs inside the shell's own process.
; Sets $0 to 1 when the shell took the program, 0 otherwise; uses $1..$9.

!define CLSID_ShellWindows "{9BA05972-F6A8-11CF-A442-00A0C90A8F39}"
!define IID_IShellWindows "{85CB6900-4D95-11CF-960C-0080C7F4EE85}"
!define IID_IServiceProvider "{6D5140C1-7436-11CE-8034-00AA006009FA}"
!define SID_STopLevelBrowser "{4C96BE40-915C-11CF-99D3-00AA004AE837}"
!define IID_IShellBrowser "{000214E2-0000-0000-C000-000000000046}"
!define IID_IDispatch "{00020400-0000-0000-C000-000000000046}"
!define IID_IShellFolderViewDual "{E7A1AF80-4D96-11CF-960F-00C04FD91C7F}"
!define IID_IShellFolderViewDual2 "{31C147B6-0ADE-4A3C-B514-DDF932EF6D17}"
!define IID_IShellDispatch2 "{A4C6892C-3BA9-11D2-9DEA-00C04FB16162}"
!define CLSCTX_ALL 0x17
!define SWC_DESKTOP 8
!define SWFO_NEEDDISPATCH 1
!define SVGIO_BACKGROUND 0
; Vtable slots (IUnknown 0..2, IDispatch 3..6).
!define QUERY_INTERFACE 0
!define RELEASE 2
!define SHELLWINDOWS_FINDWINDOWSW 15
!define SERVICEPROVIDER_QUERYSERVICE 3
!define SHELLBROWSER_QUERYACTIVESHELLVIEW 15
!define SHELLVIEW_GETITEMOBJECT 15
!define FOLDERVIEWDUAL_GET_APPLICATION 7
!define SHELLDISPATCH2_SHELLEXECUTE 31
; An empty VARIANT (VT_EMPTY) is zeros: 16 bytes on x86, 24 on x64.
!define VARIANT_BYTES 24

!macro SHELL_START PROGRAM
  Push "${PROGRAM}"
  Call ShellStart
!macroend

!macro SHELL_RELEASE REG
  ${If} ${REG} P<> 0
    System::Call '${REG}->${RELEASE}()'
  ${EndIf}
!macroend

; Each step's interface stays in its own register; at the end every one
; obtained is released.
Function ShellStart
  Exch $R0
  Push $R1
  Push $R2
  StrCpy $R1 0
  StrCpy $R2 0
  StrCpy $1 0
  StrCpy $2 0
  StrCpy $3 0
  StrCpy $4 0
  StrCpy $5 0
  StrCpy $6 0
  StrCpy $7 0
  StrCpy $8 0
  System::Alloc ${VARIANT_BYTES}
  Pop $9
  System::Call 'ole32::CoCreateInstance(g "${CLSID_ShellWindows}", p 0, i ${CLSCTX_ALL}, g "${IID_IShellWindows}", *p .r1) i .r0'
  ${IfThen} $0 != 0 ${|} Goto done ${|}
  ; S_FALSE (1) as well: there is no desktop window.
  System::Call '$1->${SHELLWINDOWS_FINDWINDOWSW}(p r9, p r9, i ${SWC_DESKTOP}, *i .r0, i ${SWFO_NEEDDISPATCH}, *p .r2) i .r0'
  ${IfThen} $0 != 0 ${|} Goto done ${|}
  System::Call '$2->${QUERY_INTERFACE}(g "${IID_IServiceProvider}", *p .r3) i .r0'
  ${IfThen} $0 != 0 ${|} Goto done ${|}
  System::Call '$3->${SERVICEPROVIDER_QUERYSERVICE}(g "${SID_STopLevelBrowser}", g "${IID_IShellBrowser}", *p .r4) i .r0'
  ${IfThen} $0 != 0 ${|} Goto done ${|}
  System::Call '$4->${SHELLBROWSER_QUERYACTIVESHELLVIEW}(*p .r5) i .r0'
  ${IfThen} $0 != 0 ${|} Goto done ${|}
  System::Call '$5->${SHELLVIEW_GETITEMOBJECT}(i ${SVGIO_BACKGROUND}, g "${IID_IDispatch}", *p .r6) i .r0'
  ${IfThen} $0 != 0 ${|} Goto done ${|}
  System::Call '$6->${QUERY_INTERFACE}(g "${IID_IShellFolderViewDual}", *p .r7) i .r0'
  ${If} $0 != 0
    ; Wine's view answers only to the derived interface, which begins
    ; with the same methods.
    System::Call '$6->${QUERY_INTERFACE}(g "${IID_IShellFolderViewDual2}", *p .r7) i .r0'
    ${IfThen} $0 != 0 ${|} Goto done ${|}
  ${EndIf}
  System::Call '$7->${FOLDERVIEWDUAL_GET_APPLICATION}(*p .R2) i .r0'
  ${IfThen} $0 != 0 ${|} Goto done ${|}
  System::Call '$R2->${QUERY_INTERFACE}(g "${IID_IShellDispatch2}", *p .r8) i .r0'
  ${IfThen} $0 != 0 ${|} Goto done ${|}
  System::Call 'oleaut32::SysAllocString(w R0) p .r0'
  ; The four optional VARIANTs, by value and empty: no arguments, the
  ; current folder, the default verb, the program's own window state. x64
  ; passes a VARIANT by value as a pointer to a copy, x86 as its 16 bytes.
  !if "${ARCH}" == "x64"
    System::Call '$8->${SHELLDISPATCH2_SHELLEXECUTE}(p r0, p r9, p r9, p r9, p r9) i .R1'
  !else
    System::Call '$8->${SHELLDISPATCH2_SHELLEXECUTE}(p r0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0) i .R1'
  !endif
  System::Call 'oleaut32::SysFreeString(p r0)'
  ${If} $R1 == 0
    StrCpy $R1 1
  ${Else}
    StrCpy $R1 0
  ${EndIf}
done:
  !insertmacro SHELL_RELEASE $8
  !insertmacro SHELL_RELEASE $R2
  !insertmacro SHELL_RELEASE $7
  !insertmacro SHELL_RELEASE $6
  !insertmacro SHELL_RELEASE $5
  !insertmacro SHELL_RELEASE $4
  !insertmacro SHELL_RELEASE $3
  !insertmacro SHELL_RELEASE $2
  !insertmacro SHELL_RELEASE $1
  System::Free $9
  StrCpy $0 $R1
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; Windows XP has no UAC, and its shell windows know no SWC_DESKTOP: the
; setup runs with the token of whoever started it, so it starts PROGRAM
; (on the stack) itself, but only when that is the account signed in at
; the desktop (the owner of the shell's process: its desktop or taskbar
; window), never an administrator
; that a user's "Run as" gave it. Sets $0 to 1 when started, else 0.
; Needs $OwnSid (ReadOwnSid).
!define PROCESS_QUERY_INFORMATION 0x400
Function StartDirectlyOnXP
  Exch $R0
  Push $1
  Push $2
  Push $3
  StrCpy $0 0
  System::Call 'user32::GetShellWindow() p .r1'
  ${If} $1 P= 0
    ; No desktop window registered: the taskbar's, also the shell's.
    FindWindow $1 "Shell_TrayWnd"
  ${EndIf}
  ${If} $1 P<> 0
    System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2)'
    System::Call 'kernel32::OpenProcess(i ${PROCESS_QUERY_INFORMATION}, i 0, i r2) p .r1'
    ${If} $1 P<> 0
      System::Call 'advapi32::OpenProcessToken(p r1, i ${TOKEN_QUERY}, *p .r2) i .r3'
      ${If} $3 != 0
        System::Alloc ${TOKEN_USER_BYTES}
        Pop $3
        System::Call 'advapi32::GetTokenInformation(p r2, i ${TOKEN_USER_CLASS}, p r3, i ${TOKEN_USER_BYTES}, *i .r0) i .r0'
        ${If} $0 != 0
          System::Call '*$3(p .r0)'
          Push $0
          Call SidString
          Pop $0
          ${If} $0 == $OwnSid
          ${AndIf} $OwnSid != ""
            Exec '"$R0"'
            StrCpy $0 1
          ${Else}
            StrCpy $0 0
          ${EndIf}
        ${EndIf}
        System::Free $3
        System::Call 'kernel32::CloseHandle(p r2)'
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $R0
FunctionEnd

; The setup's installations found at the start: the one in this registry
; view (upgraded in place, or, in another folder than $INSTDIR, removed)
; and, on 64-bit Windows, the other architecture's in the other view
; (taken over: one owner per machine). A newer one is refused (exit code
; 9) unless /ALLOWDOWNGRADE. Each is removed only once this setup's files
; and entries are in place. Needs Log.nsh and ProgramFiles.nsh.

; 1 when /ALLOWDOWNGRADE is on the command line.
Var AllowDowngrade

; Sets $EarlierDir and $OtherDir, with the folders each created; quits
; with exit code 9 when one is newer than this setup and no downgrade was
; asked for. In the package's registry view; leaves it so.
Function FindEarlierInstalls
  ReadRegStr $EarlierDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $EarlierCreated HKLM "${UNINSTALL_KEY}" "${CREATED_FOLDER_VALUE}"
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $EarlierDir != ""
    !insertmacro LOG "Installed by this setup: rtouch $0 in $EarlierDir."
    Push $0
    Call RefuseNewer
  ${EndIf}
  StrCpy $OtherDir ""
  StrCpy $OtherCreated ""
  ${If} ${RunningX64}
    !insertmacro OTHER_REG_VIEW
    ReadRegStr $OtherDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ReadRegStr $OtherCreated HKLM "${UNINSTALL_KEY}" "${CREATED_FOLDER_VALUE}"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    !insertmacro SET_REG_VIEW
    ${If} $OtherDir != ""
      !insertmacro LOG "Installed by the other architecture's setup: rtouch $0 in $OtherDir; this setup takes it over."
      Push $0
      Call RefuseNewer
    ${EndIf}
  ${EndIf}
FunctionEnd

; Installed version on the stack: exit code 9 when it is newer than this
; setup's, unless /ALLOWDOWNGRADE.
Function RefuseNewer
  Exch $0
  Push $1
  ${VersionCompare} "${VERSION}" "$0" $1
  ${If} $1 == 2
    ${If} $AllowDowngrade != 1
      !insertmacro STOP ${EXIT_DOWNGRADE} "rtouch $0 is installed, a newer version than this setup's (${VERSION}). To install this one anyway, run the setup with /ALLOWDOWNGRADE. Nothing was changed."
    ${EndIf}
    !insertmacro LOG "rtouch $0 is newer than ${VERSION}: replaced, as /ALLOWDOWNGRADE asks."
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Removes the installations found at the start that are not in $INSTDIR
; (their files), and the other view's entries. In the package's registry
; view; leaves it so.
Function RemoveEarlierInstalls
  ${If} $EarlierDir != ""
  ${AndIf} $EarlierDir != $INSTDIR
    Push $EarlierCreated
    Push $EarlierDir
    Call RemoveSetupFiles
  ${EndIf}
  ${If} $OtherDir == ""
    Return
  ${EndIf}
  ${If} $OtherDir != $INSTDIR
    Push $OtherCreated
    Push $OtherDir
    Call RemoveSetupFiles
  ${EndIf}
  !insertmacro OTHER_REG_VIEW
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ReadRegStr $0 HKLM "${RUN_KEY}" "${PRODUCT}"
  ${If} $0 == '"$OtherDir\rtouch.exe"'
    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}
  DeleteRegValue HKLM "${OPTIONS_KEY}" "${AUTOSTART_VALUE}"
  DeleteRegValue HKLM "${OPTIONS_KEY}" "${ALLOW_X86_ON_64_VALUE}"
  DeleteRegKey /ifempty HKLM "${OPTIONS_KEY}"
  !insertmacro SET_REG_VIEW
  !insertmacro LOG "The other architecture's programs-list entry, Run value and choices removed."
FunctionEnd

; Folder of an earlier installation on the stack, then (under it) the
; topmost parent folder that installation created: removes its program
; files (one still in use set aside and deleted at the next restart), what
; its runs set aside, and the folder and those parents where empty.
Function RemoveSetupFiles
  Exch $R0
  Exch
  Exch $R1
  Push $0
  !insertmacro LOG "Removing the earlier installation's programs in $R0."
  Push rtouch.exe
  Call RemoveFileIn
  Push rtouchctl.exe
  Call RemoveFileIn
  Push uninstall.exe
  Call RemoveFileIn
  Push $INSTDIR
  StrCpy $INSTDIR $R0
  Push /REBOOTOK
  Call DeleteEarlierAsides
  Pop $INSTDIR
  ClearErrors
  RMDir $R0
  ${If} ${Errors}
    !insertmacro LOG "$R0 is not empty (a user's file, or a program file until the restart): left."
  ${Else}
    Push $R1
    Push $R0
    Call RemoveCreatedParents
  ${EndIf}
  Pop $0
  Pop $R1
  Pop $R0
FunctionEnd

; Program file name on the stack, in the folder $R0: deleted, or, while a
; copy in another session runs it, set aside under a name of its own and
; deleted at the next restart, so that the restart removes nothing that a
; later install puts under its name.
Function RemoveFileIn
  Exch $0
  Push $1
  Push $2
  ${If} ${FileExists} "$R0\$0"
    ClearErrors
    Delete "$R0\$0"
    ${If} ${Errors}
      StrCpy $1 1
      ${DoWhile} ${FileExists} "$R0\$0.$1${ASIDE_SUFFIX}"
        IntOp $1 $1 + 1
      ${Loop}
      System::Call 'kernel32::MoveFileExW(w "$R0\$0", w "$R0\$0.$1${ASIDE_SUFFIX}", i 0) i .r2'
      ${If} $2 != 0
        Push "$R0\$0.$1${ASIDE_SUFFIX}"
        Call DeleteAside
      ${Else}
        !insertmacro LOG "Could not remove $R0\$0."
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

!macro REMOVE_CREATED_PARENTS un
; Folder on the stack, then (under it) the topmost of its parent folders
; that the setup created ("" for none): removes those parents, deepest
; first, while each is empty. Only a folder above the one given.
Function ${un}RemoveCreatedParents
  Exch $0
  Exch
  Exch $1
  Push $2
  Push $3
  StrLen $2 $1
  StrCpy $3 $0 $2
  ${If} $2 > 0
  ${AndIf} $3 == $1
    StrCpy $3 $0 1 $2
    ${If} $3 == "\"
      ${Do}
        ${GetParent} $0 $0
        ClearErrors
        RMDir $0
        ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
        !insertmacro LOG "Removed $0, which the setup had created and which is empty now."
      ${LoopUntil} $0 == $1
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro REMOVE_CREATED_PARENTS ""
!insertmacro REMOVE_CREATED_PARENTS "un."

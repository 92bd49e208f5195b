; The program files in $INSTDIR replaced or removed without ever writing
; into an existing file: each old file is first renamed aside in the same
; folder (a running program's file can be renamed, not deleted), the new
; one is written under the free name, and the old one is deleted, or, while
; a copy of rtouch in another session still runs it, at the next restart.
; Needs InstallFolder.nsh.

; A file moved aside: "<name>.<n>.old" beside it.
!define ASIDE_SUFFIX ".old"
; DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES: what moving it aside and
; reading its owner need.
!define MOVE_CHECK_ACCESS 0x00030080
!define MOVEFILE_REPLACE_EXISTING 1
!define MOVEFILE_DELAY_UNTIL_REBOOT 4

; Where each program file was moved ("" for not moved).
Var AsideRtouch
Var AsideRtouchctl
Var AsideUninstall

; Expands MACRO NAME VAR for each program file and its aside variable.
!macro FOR_PROGRAM_FILES MACRO
  !insertmacro ${MACRO} rtouch.exe $AsideRtouch
  !insertmacro ${MACRO} rtouchctl.exe $AsideRtouchctl
  !insertmacro ${MACRO} uninstall.exe $AsideUninstall
!macroend

!macro PROGRAM_FILE_FUNCTIONS un
; File name on the stack -> 1 when it is a program file moved aside by an
; earlier run ("rtouch.exe.3.old"), else 0.
Function ${un}IsAsideName
  Exch $0
  Push $1
  StrCpy $1 $0 "" -4
  ${If} $1 != "${ASIDE_SUFFIX}"
    StrCpy $0 0
  ${Else}
    StrCpy $1 $0 11
    ${If} $1 == "rtouch.exe."
      StrCpy $0 1
    ${Else}
      StrCpy $1 $0 14
      ${If} $1 == "rtouchctl.exe."
      ${OrIf} $1 == "uninstall.exe."
        StrCpy $0 1
      ${Else}
        StrCpy $0 0
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; Program file name on the stack -> a handle on it in $INSTDIR, or 0 when
; it does not exist. A program that holds it so that it cannot be moved
; aside stops this program (exit code 3) before it has changed anything.
Function ${un}OpenToMove
  Exch $0
  Push $1
  Push $2
  StrCpy $1 0
  ${If} ${FileExists} "$INSTDIR\$0"
    System::Call 'kernel32::CreateFileW(w "$INSTDIR\$0", i ${MOVE_CHECK_ACCESS}, i ${FILE_SHARE_ALL}, p 0, i ${OPEN_EXISTING}, i ${FILE_FLAG_OPEN_REPARSE_POINT}, p 0) p .r1 ?e'
    Pop $2
    ${If} $1 P= -1
      !ifndef __UNINSTALL__
        Call RemoveCreatedFolders
      !endif
      ${If} $2 == ${ERROR_SHARING_VIOLATION}
        !insertmacro STOP ${EXIT_STILL_RUNNING} "$INSTDIR\$0 is in use by a program that keeps others from moving it. Close that program, then run this program again. Nothing was changed."
      ${EndIf}
      !insertmacro STOP ${EXIT_FOLDER_UNPROTECTED} "$INSTDIR\$0 cannot be opened (error $2). Nothing was changed."
    ${EndIf}
  ${EndIf}
  StrCpy $0 $1
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Program file name on the stack -> the full name it was moved to, or ""
; when it did not exist. Exit code 3 when it cannot be moved, after the
; files moved so far are put back.
Function ${un}MoveAside
  Exch $0
  Push $1
  Push $2
  ${If} ${FileExists} "$INSTDIR\$0"
    StrCpy $1 1
    ${DoWhile} ${FileExists} "$INSTDIR\$0.$1${ASIDE_SUFFIX}"
      IntOp $1 $1 + 1
    ${Loop}
    StrCpy $1 "$INSTDIR\$0.$1${ASIDE_SUFFIX}"
    System::Call 'kernel32::MoveFileExW(w "$INSTDIR\$0", w r1, i 0) i .r2'
    ${If} $2 == 0
      Call ${un}PutBack
      !ifndef __UNINSTALL__
        Call RemoveCreatedFolders
      !endif
      !insertmacro STOP ${EXIT_STILL_RUNNING} "$INSTDIR\$0 could not be moved aside: a program holds it. Close it, then run this program again. Nothing was changed."
    ${EndIf}
    DetailPrint "Moved aside: $0"
    !insertmacro LOG "Moved aside: $INSTDIR\$0 to $1"
    StrCpy $0 $1
  ${Else}
    StrCpy $0 ""
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Moves the files moved aside back to their names.
Function ${un}PutBack
  !insertmacro FOR_PROGRAM_FILES PUT_BACK
FunctionEnd

; Deletes the old file moved aside to the name on the stack, or, while a
; program still runs it, has Windows delete it at the next restart (which
; sets the reboot flag).
Function ${un}DeleteAside
  Exch $0
  ${If} $0 != ""
    ClearErrors
    Delete "$0"
    ${If} ${Errors}
      ; In use by a copy in another session: at the next restart.
      ClearErrors
      Delete /REBOOTOK "$0"
      ${If} ${Errors}
        DetailPrint "Could not remove $0"
        !insertmacro LOG "Could not remove $0."
      ${Else}
        !insertmacro LOG "$0 is in use (a copy of rtouch in another session): deleted at the next restart."
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $0
FunctionEnd

; Deletes what earlier runs moved aside and Windows has not removed yet;
; with /REBOOTOK on the stack, those still in use at the next restart.
Function ${un}DeleteEarlierAsides
  Exch $R0
  Push $0
  Push $1
  Push $2
  ClearErrors
  FindFirst $0 $1 "$INSTDIR\*${ASIDE_SUFFIX}"
  ${DoUntil} ${Errors}
    Push $1
    Call ${un}IsAsideName
    Pop $2
    ${If} $2 == 1
      ${If} $R0 == "/REBOOTOK"
        Delete /REBOOTOK "$INSTDIR\$1"
      ${Else}
        Delete "$INSTDIR\$1"
      ${EndIf}
    ${EndIf}
    ClearErrors
    FindNext $0 $1
  ${Loop}
  FindClose $0
  Pop $2
  Pop $1
  Pop $0
  Pop $R0
FunctionEnd
!macroend

!macro MOVE_ASIDE NAME VAR
  Push ${NAME}
  Call MoveAside
  Pop ${VAR}
!macroend
!macro DELETE_ASIDE NAME VAR
  Push ${VAR}
  Call DeleteAside
!macroend
; Puts a moved file back, over a new one written under its name.
!macro PUT_BACK NAME VAR
  ${If} ${VAR} != ""
    Delete "$INSTDIR\${NAME}"
    System::Call 'kernel32::MoveFileExW(w "${VAR}", w "$INSTDIR\${NAME}", i ${MOVEFILE_REPLACE_EXISTING})'
    StrCpy ${VAR} ""
  ${EndIf}
!macroend

!insertmacro PROGRAM_FILE_FUNCTIONS ""
!insertmacro PROGRAM_FILE_FUNCTIONS "un."

; Stops the setup (exit code 4) over FILE, which is not a program file.
!macro NOT_AN_ADMIN_FILE FILE
  Call RemoveCreatedFolders
  !insertmacro STOP ${EXIT_FOLDER_UNPROTECTED} "${FILE} is not a file that only an administrator could have put there: it is a folder or a link, has another name elsewhere (a hard link), or belongs to another account. Remove it, then run this setup again.$\n$\nNothing was installed."
!macroend

; Handle on the stack -> 1 when it is a plain file with no other name
; (hard link) that belongs to the administrators, else 0.
Function IsPlainAdminFile
  Exch $0
  Push $1
  Push $2
  Push $0
  Call HandleInformation
  Pop $1
  Pop $2
  Push $0
  Call HandleOwner
  Call IsProgramFileOwner
  Pop $0
  IntOp $1 $1 & ${FILE_ATTRIBUTE_DIRECTORY_OR_REPARSE_POINT}
  ${If} $1 != 0
  ${OrIf} $2 != 1
    StrCpy $0 0
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Name of a file moved aside by an earlier run on the stack: it must be
; what CheckProgramFile asks of a program file, as it is deleted or left
; beside the programs; else exit code 4.
Function CheckAsideFile
  Exch $0
  Push $1
  System::Call 'kernel32::CreateFileW(w "$INSTDIR\$0", i ${READ_SECURITY_ACCESS}, i ${FILE_SHARE_ALL}, p 0, i ${OPEN_EXISTING}, i ${OPEN_FOLDER_FLAGS}, p 0) p .r1'
  ${If} $1 P= -1
    !insertmacro NOT_AN_ADMIN_FILE "$INSTDIR\$0"
  ${EndIf}
  Push $1
  Call IsPlainAdminFile
  System::Call 'kernel32::CloseHandle(p r1)'
  Pop $1
  ${If} $1 != 1
    !insertmacro NOT_AN_ADMIN_FILE "$INSTDIR\$0"
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Program file name on the stack: when it exists in $INSTDIR, besides being
; free to move (OpenToMove), it must be a plain file with no other name
; (hard link) that belongs to the administrators; else exit code 4.
Function CheckProgramFile
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $0
  Call OpenToMove
  Pop $1
  ${If} $1 != 0
    Push $1
    Call HandleInformation
    Pop $2
    Pop $3
    Push $1
    Call IsPlainAdminFile
    System::Call 'kernel32::CloseHandle(p r1)'
    Pop $1
    ${If} $1 != 1
      !insertmacro NOT_AN_ADMIN_FILE "$INSTDIR\$0"
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

!macro CHECK_PROGRAM_FILE NAME VAR
  Push ${NAME}
  Call CheckProgramFile
!macroend

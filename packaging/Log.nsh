; The log that /LOG=FILE asks for: one line for every decision the setup
; or the uninstaller makes, and the exit code. Needs LogicLib, FileFunc.

; The log's file handle, or "".
Var LogFile

; LOG TEXT: one line in the log that /LOG= asks for.
!macro LOG TEXT
  Push `${TEXT}`
  !ifdef __UNINSTALL__
    Call un.Log
  !else
    Call Log
  !endif
!macroend
; STOP CODE MESSAGE: says MESSAGE (silently: to the log only) and quits
; with exit code CODE.
!macro STOP CODE MESSAGE
  !insertmacro LOG `${MESSAGE}`
  !insertmacro LOG "exit code ${CODE}"
  MessageBox MB_OK|MB_ICONSTOP `${MESSAGE}` /SD IDOK
  SetErrorLevel ${CODE}
  Quit
!macroend

!macro LOG_FUNCTIONS un
Function ${un}Log
  Exch $0
  ${If} $LogFile != ""
    FileWriteUTF16LE $LogFile "$0$\r$\n"
  ${EndIf}
  Pop $0
FunctionEnd

; Opens the log that /LOG=FILE on the command line ($R9) names: written
; anew, in UTF-16 with its byte-order mark. A log that cannot be written
; is said and left out; the run goes on.
Function ${un}OpenLog
  StrCpy $LogFile ""
  ClearErrors
  ${GetOptions} $R9 "/LOG=" $0
  ${If} ${Errors}
  ${OrIf} $0 == ""
    Return
  ${EndIf}
  ClearErrors
  FileOpen $LogFile $0 w
  ${If} ${Errors}
    StrCpy $LogFile ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "The log $0 cannot be written. Going on without it." /SD IDOK
    Return
  ${EndIf}
  FileWriteUTF16LE /BOM $LogFile ""
FunctionEnd
!macroend
!insertmacro LOG_FUNCTIONS ""
!insertmacro LOG_FUNCTIONS "un."

; /PARAMETERS=FILE: a parameters file (a calibration) to put in place as
; C:\WINDOWS\ZRNParameters.dat. This build's rtouchctl checks it before
; anything changes; once rtouch is installed, `rtouchctl keep` writes it
; (the earlier file kept as ZRNParameters.dat.bak, owned by Administrators,
; read access for Users). Without the switch the file is never touched.
; Needs Log.nsh.

; Quits with exit code 10 when the file named by /PARAMETERS= on the
; command line ($R9) cannot serve; sets $Parameters to it in full.
Function CheckParametersFile
  StrCpy $Parameters ""
  ClearErrors
  ${GetOptions} $R9 "/PARAMETERS=" $0
  ${If} ${Errors}
    !insertmacro LOG "No parameters file named: C:\WINDOWS\ZRNParameters.dat is left as it is."
    Return
  ${EndIf}
  System::Call 'kernel32::GetFullPathNameW(w r0, i ${NSIS_MAX_STRLEN}, w .r1, p 0) i .r2'
  ${If} $0 == ""
  ${OrIf} $2 == 0
  ${OrIf} $2 >= ${NSIS_MAX_STRLEN}
    !insertmacro STOP ${EXIT_PARAMETERS_REFUSED} "/PARAMETERS= names no valid file ($0). Nothing was changed."
  ${EndIf}
  InitPluginsDir
  File "/oname=$PLUGINSDIR\rtouchctl.exe" "${SOURCE}\rtouchctl.exe"
  nsExec::ExecToStack '"$PLUGINSDIR\rtouchctl.exe" check "$1"'
  Pop $2
  Pop $3
  ${If} $2 != 0
    !insertmacro STOP ${EXIT_PARAMETERS_REFUSED} "The parameters file $1 cannot be installed (rtouchctl check, status $2): $3Nothing was changed."
  ${EndIf}
  StrCpy $Parameters $1
  !insertmacro LOG "The parameters file $1 passed the check; it is put in place once rtouch is installed."
FunctionEnd

; Puts $Parameters in place with `rtouchctl keep`; when that fails, says
; why, and the setup ends with exit code 11 (rtouch is installed; the
; earlier parameters file is as it was).
Function KeepParametersFile
  StrCpy $ParametersNotKept 0
  ${If} $Parameters == ""
    Return
  ${EndIf}
  nsExec::ExecToStack '"$PLUGINSDIR\rtouchctl.exe" keep "$Parameters"'
  Pop $0
  Pop $1
  ${If} $0 == 0
    DetailPrint "Parameters file put in place: $Parameters"
    !insertmacro LOG "rtouchctl keep put $Parameters in place as C:\WINDOWS\ZRNParameters.dat."
    Return
  ${EndIf}
  StrCpy $ParametersNotKept 1
  !insertmacro LOG "rtouchctl keep failed (status $0): $1"
  MessageBox MB_OK|MB_ICONEXCLAMATION "rtouch is installed, but the parameters file $Parameters could not be put in place (rtouchctl keep, status $0): $1The earlier parameters file is as it was." /SD IDOK
FunctionEnd

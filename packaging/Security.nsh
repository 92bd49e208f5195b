; Who owns a file or folder, and whether that is an administrator: SID
; strings, the setup's own account, handle information.

!define SID_SYSTEM "S-1-5-18"
!define SID_ADMINISTRATORS "S-1-5-32-544"
!define SID_TRUSTED_INSTALLER "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
; Placeholders that grant nothing of their own on the folder itself.
!define SID_CREATOR_OWNER "S-1-3-0"
!define SID_OWNER_RIGHTS "S-1-3-4"
!define SE_FILE_OBJECT 1
!define OWNER_SECURITY_INFORMATION 1
!define TOKEN_QUERY 8
!define TOKEN_USER_CLASS 1
!define TOKEN_USER_BYTES 256
; BY_HANDLE_FILE_INFORMATION: attributes, three times, volume serial, size
; (two halves), link count, index: 52 bytes.
!define FILE_INFORMATION_BYTES 52

; The account this setup runs as (ReadOwnSid).
Var OwnSid

; SID pointer on the stack -> its string form ("" if it has none).
Function SidString
  Exch $0
  Push $1
  System::Call 'advapi32::ConvertSidToStringSidW(p r0, *p .r1) i .r0'
  ${If} $0 != 0
    System::Call 'kernel32::lstrcpynW(w .r0, p r1, i ${NSIS_MAX_STRLEN})'
    System::Call 'kernel32::LocalFree(p r1)'
  ${Else}
    StrCpy $0 ""
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; SID pointer on the stack -> the account's name with its SID, as a message
; shows it ("Everyone (S-1-1-0)"), or the SID alone.
Function AccountName
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $0
  Call SidString
  Pop $3
  System::Call 'advapi32::LookupAccountSidW(p 0, p r0, w .r1, *i ${NSIS_MAX_STRLEN}, w .r2, *i ${NSIS_MAX_STRLEN}, *i .r0) i .r0'
  ${If} $0 == 0
  ${OrIf} $1 == ""
    StrCpy $0 $3
  ${ElseIf} $2 == ""
    StrCpy $0 "$1 ($3)"
  ${Else}
    StrCpy $0 "$2\$1 ($3)"
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; $OwnSid: the account this setup runs as (an administrator: checked first).
Function ReadOwnSid
  Push $0
  Push $1
  Push $2
  StrCpy $OwnSid ""
  System::Call 'kernel32::GetCurrentProcess() p .r0'
  System::Call 'advapi32::OpenProcessToken(p r0, i ${TOKEN_QUERY}, *p .r1) i .r0'
  ${If} $0 != 0
    System::Alloc ${TOKEN_USER_BYTES}
    Pop $2
    System::Call 'advapi32::GetTokenInformation(p r1, i ${TOKEN_USER_CLASS}, p r2, i ${TOKEN_USER_BYTES}, *i .r0) i .r0'
    ${If} $0 != 0
      System::Call '*$2(p .r0)'
      Push $0
      Call SidString
      Pop $OwnSid
    ${EndIf}
    System::Free $2
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; SID string on the stack -> 1 when it is an owner that only administrators
; can be (SYSTEM, Administrators, TrustedInstaller), else 0. Not the
; installing administrator's own account: what that account created
; unelevated, any of its unelevated programs can change.
Function IsAdminSid
  Exch $0
  ${Select} $0
    ${Case3} ${SID_SYSTEM} ${SID_ADMINISTRATORS} ${SID_TRUSTED_INSTALLER}
      StrCpy $0 1
    ${CaseElse}
      StrCpy $0 0
  ${EndSelect}
  Exch $0
FunctionEnd

; SID string on the stack -> 1 when it is an owner a program file may have:
; an administrators' one (IsAdminSid), or the account running this setup,
; which owns what it writes where Windows makes the creator the owner
; (Windows XP's default); else 0. Only in a folder that passed the checks
; for folders, which no one else can write.
Function IsProgramFileOwner
  Exch $0
  ${If} $0 == $OwnSid
  ${AndIf} $OwnSid != ""
    StrCpy $0 1
  ${Else}
    Push $0
    Call IsAdminSid
    Pop $0
  ${EndIf}
  Exch $0
FunctionEnd

; Handle on the stack -> its attributes, then (under them) its link count;
; -1 for both when the handle cannot be read.
Function HandleInformation
  Exch $0
  Push $1
  Push $2
  System::Alloc ${FILE_INFORMATION_BYTES}
  Pop $1
  System::Call 'kernel32::GetFileInformationByHandle(p r0, p r1) i .r2'
  ${If} $2 != 0
    System::Call '*$1(i .r0, i, i, i, i, i, i, i, i, i, i .r2)'
  ${Else}
    StrCpy $0 -1
    StrCpy $2 -1
  ${EndIf}
  System::Free $1
  Exch $2
  Exch
  Pop $1
  Exch
  Exch $0
FunctionEnd

; Handle on the stack -> the string of its owner's SID ("" if unreadable).
Function HandleOwner
  Exch $0
  Push $1
  Push $2
  System::Call 'advapi32::GetSecurityInfo(p r0, i ${SE_FILE_OBJECT}, i ${OWNER_SECURITY_INFORMATION}, *p .r1, p 0, p 0, p 0, *p .r2) i .r0'
  ${If} $0 == 0
    Push $1
    Call SidString
    Pop $0
    System::Call 'kernel32::LocalFree(p r2)'
  ${Else}
    StrCpy $0 ""
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd


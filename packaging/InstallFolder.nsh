; Where the setup may install, and the install folder made safe before any
; file goes in. A program there runs at every user's sign-in and, through
; the registered uninstall, as an administrator: no one else may be able to
; replace it, put a DLL beside it, or swap a folder of its path.
; Needs Security.nsh and LogicLib.

; The install folder's security descriptor: owned by Administrators; full
; control for SYSTEM and Administrators, read and execute for Users, all
; inherited by the files; protected, so nothing comes from the parent folder.
!define INSTDIR_SDDL "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)"
!define SDDL_REVISION_1 1
; SECURITY_ATTRIBUTES: length, descriptor, inherit handle.
!if "${ARCH}" == "x64"
  !define SECURITY_ATTRIBUTES_BYTES 24
!else
  !define SECURITY_ATTRIBUTES_BYTES 12
!endif

!define DRIVE_FIXED 3
!define FILE_PERSISTENT_ACLS 0x8
!define FILE_ATTRIBUTE_DIRECTORY 0x10
!define FILE_ATTRIBUTE_REPARSE_POINT 0x400
!define FILE_ATTRIBUTE_DIRECTORY_OR_REPARSE_POINT 0x410
!define ERROR_SHARING_VIOLATION 32
; Rights on a folder of the path that let their holder take the path over:
; DELETE (delete or rename it), FILE_DELETE_CHILD (delete or rename what it
; holds), WRITE_DAC, WRITE_OWNER, GENERIC_ALL.
!define TAKEOVER_RIGHTS 0x100D0040
; Rights that let their holder make an empty folder a mount point that
; leads elsewhere (FILE_WRITE_DATA, FILE_WRITE_ATTRIBUTES, GENERIC_WRITE),
; besides the takeover rights: refused on the folder the setup creates its
; first folder in, or installs into, as long as it could be empty.
!define WRITE_RIGHTS 0x40000102
!define TAKEOVER_RIGHTS_OR_WRITE 0x500D0142
!define ACE_INHERIT_ONLY 0x08
!define ACCESS_ALLOWED_ACE_TYPE 0
!define ACCESS_ALLOWED_CALLBACK_ACE_TYPE 9
; Header (type, flags, size), then the mask, then the SID.
!define ACE_SID_OFFSET 8
; CreateFileW on a folder itself, never on what a reparse point leads to.
; FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT
!define FILE_FLAG_OPEN_REPARSE_POINT 0x00200000
!define OPEN_FOLDER_FLAGS 0x02200000
!define OPEN_EXISTING 3
!define FILE_SHARE_ALL 7
; Read and write sharing but no delete: no one renames it while it is open.
!define FILE_SHARE_READ_WRITE 3
; READ_CONTROL | FILE_READ_ATTRIBUTES
!define READ_SECURITY_ACCESS 0x00020080
; READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES
!define PROTECT_ACCESS 0x000E0080
!define DACL_SECURITY_INFORMATION 4
!define OWNER_DACL 5
!define PROTECTED_DACL_SECURITY_INFORMATION 0x80000000
!define UNPROTECTED_DACL_SECURITY_INFORMATION 0x20000000
!define OWNER_DACL_PROTECTED 0x80000005
; SECURITY_DESCRIPTOR_CONTROL: the DACL inherits nothing.
!define SE_DACL_PROTECTED 0x1000

; The topmost folder this setup created ("" for none): removed again when
; the setup stops.
Var CreatedTop
; The existing install folder's descriptor before the setup protected it
; (0 for none): put back when the setup stops.
Var EarlierDescriptor
; 1 while the folder page checks the folder the user chose.
Var CheckingOnPage
; 1 while FolderRefusal checks the deepest folder of the path that exists.
Var RefuseWriters

; Stops the setup with exit code 4 and MESSAGE, removing the folders it
; created; on the folder page, says MESSAGE and stays there instead.
!macro FOLDER_REFUSED MESSAGE
  ${If} $CheckingOnPage == 1
    MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}$\n$\nChoose another folder."
    Abort
  ${EndIf}
  Call RemoveCreatedFolders
  !insertmacro STOP ${EXIT_FOLDER_UNPROTECTED} "${MESSAGE}$\n$\nNothing was installed."
!macroend

; Leaving the folder page: the folder is checked there, so that the user
; can choose another one.
Function FolderPageLeave
  StrCpy $CheckingOnPage 1
  Call CheckInstallLocation
  StrCpy $CheckingOnPage 0
FunctionEnd

; Folder on the stack (existing, of the install folder's path) -> "" when no
; one but administrators can take it over, else why not: a reparse point,
; an owner other than SYSTEM, Administrators or TrustedInstaller, or an
; allow entry in effect on the
; folder itself that gives anyone else a takeover right. Entries that only
; pass on to new children, and deny entries, do not count.
Function FolderRefusal
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  StrCpy $8 ""
  System::Call 'kernel32::CreateFileW(w r0, i ${READ_SECURITY_ACCESS}, i ${FILE_SHARE_ALL}, p 0, i ${OPEN_EXISTING}, i ${OPEN_FOLDER_FLAGS}, p 0) p .r1'
  ${If} $1 P= -1
    StrCpy $0 "$0 cannot be opened to read its permissions."
    Goto done
  ${EndIf}
  Push $1
  Call HandleInformation
  Pop $2
  Pop $3
  IntOp $3 $2 & ${FILE_ATTRIBUTE_REPARSE_POINT}
  IntOp $2 $2 & ${FILE_ATTRIBUTE_DIRECTORY}
  ${If} $3 != 0
    StrCpy $8 "$0 is a junction or link: the path could be redirected."
  ${ElseIf} $2 == 0
    StrCpy $8 "$0 is not a folder."
  ${EndIf}
  ${If} $8 == ""
    System::Call 'advapi32::GetSecurityInfo(p r1, i ${SE_FILE_OBJECT}, i ${OWNER_DACL}, *p .r2, p 0, *p .r3, p 0, *p .r4) i .r5'
    ${If} $5 != 0
      StrCpy $8 "The permissions of $0 cannot be read."
    ${Else}
      Push $2
      Call SidString
      Call IsAdminSid
      Pop $6
      ${If} $6 == 0
        Push $2
        Call AccountName
        Pop $5
        StrCpy $8 "$0 belongs to $5, not to the administrators: its owner can change its permissions."
      ${ElseIf} $3 P= 0
        StrCpy $8 "$0 has no permissions: everyone has full control of it."
      ${Else}
        ; ACL header: revision, padding, size, then the number of entries.
        System::Call '*$3(&i1, &i1, &i2, &i2 .r5)'
        StrCpy $6 0
        ${DoWhile} $6 < $5
          System::Call 'advapi32::GetAce(p r3, i r6, *p .r7) i .r2'
          ${If} $2 == 0
            StrCpy $8 "The permissions of $0 cannot be read."
            ${ExitDo}
          ${EndIf}
          Push $7
          Call AceTakeover
          Pop $2
          ${If} $2 != ""
          ${AndIf} $RefuseWriters == 1
            StrCpy $8 "$2 may write into $0, or rename, delete or re-permission it: an empty folder that others may write into can be made a mount point that leads elsewhere while the setup creates its folder in it."
            ${ExitDo}
          ${ElseIf} $2 != ""
            StrCpy $8 "$2 may rename, delete or re-permission $0."
            ${ExitDo}
          ${EndIf}
          IntOp $6 $6 + 1
        ${Loop}
      ${EndIf}
      System::Call 'kernel32::LocalFree(p r4)'
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p r1)'
  StrCpy $0 $8
done:
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; ACE pointer on the stack -> "" when it gives no one but administrators a
; takeover right on the folder itself, else whom it gives one (a SID, or
; "an entry of another kind" for allow entries with another layout).
Function AceTakeover
  Exch $0
  Push $1
  Push $2
  Push $3
  System::Call '*$0(&i1 .r1, &i1 .r2, &i2, i .r3)'
  IntOp $2 $2 & ${ACE_INHERIT_ONLY}
  ${If} $RefuseWriters == 1
    IntOp $3 $3 & ${TAKEOVER_RIGHTS_OR_WRITE}
  ${Else}
    IntOp $3 $3 & ${TAKEOVER_RIGHTS}
  ${EndIf}
  ${If} $2 != 0
  ${OrIf} $3 == 0
    StrCpy $0 ""
  ${ElseIf} $1 == ${ACCESS_ALLOWED_ACE_TYPE}
  ${OrIf} $1 == ${ACCESS_ALLOWED_CALLBACK_ACE_TYPE}
    IntPtrOp $0 $0 + ${ACE_SID_OFFSET}
    Push $0
    Call SidString
    Pop $1
    ${If} $1 == ${SID_CREATOR_OWNER}
    ${OrIf} $1 == ${SID_OWNER_RIGHTS}
      ; Placeholders: no rights of their own on the folder itself.
      StrCpy $1 1
    ${Else}
      Push $1
      Call IsAdminSid
      Pop $1
    ${EndIf}
    ${If} $1 == 1
      StrCpy $0 ""
    ${Else}
      Push $0
      Call AccountName
      Pop $0
    ${EndIf}
  ${ElseIf} $1 == 1
    ; ACCESS_DENIED_ACE_TYPE: takes rights away.
    StrCpy $0 ""
  ${ElseIf} $1 == 2
    ; SYSTEM_AUDIT_ACE_TYPE (not in a DACL; harmless).
    StrCpy $0 ""
  ${Else}
    StrCpy $0 "an entry of another kind (type $1)"
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Refuses (exit code 4) an install folder that could be taken over. A
; folder directly in Program Files is always fine: Windows protects it.
; Elsewhere the folder must be on a local fixed drive that keeps
; permissions (NTFS), and every folder of its path that exists must pass
; FolderRefusal; the install folder itself, if it exists, too, and it must
; hold only rtouch's files (its permissions are replaced).
; Reads only; changes nothing.
; Sets $INSTDIR to its full form.
Function CheckInstallLocation
  System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .r0, p 0) i .r1'
  ${If} $1 == 0
  ${OrIf} $1 >= ${NSIS_MAX_STRLEN}
    !insertmacro FOLDER_REFUSED "$INSTDIR is not a valid folder."
  ${EndIf}
  StrCpy $INSTDIR $0
  StrCpy $1 $INSTDIR "" -1
  ${If} $1 == "\"
    StrCpy $INSTDIR $INSTDIR -1
  ${EndIf}
  StrLen $1 $INSTDIR
  ${If} $1 < 4
    !insertmacro FOLDER_REFUSED "$INSTDIR is a drive's root folder. Choose a folder on it."
  ${EndIf}
  ${GetParent} $INSTDIR $0
  ${If} $0 == $PROGRAMFILES32
  ${OrIf} $0 == $PROGRAMFILES64
    ${If} ${FileExists} "$INSTDIR\*.*"
      Call CheckFolderHoldsOnlyRtouch
    ${EndIf}
    Return
  ${EndIf}

  StrCpy $0 $INSTDIR 3
  StrCpy $1 $0 2 1
  ${If} $1 != ":\"
    !insertmacro FOLDER_REFUSED "$INSTDIR is not on a drive of this computer. Install into Program Files or onto a local fixed drive."
  ${EndIf}
  System::Call 'kernel32::GetDriveTypeW(w r0) i .r1'
  ${If} $1 != ${DRIVE_FIXED}
    !insertmacro FOLDER_REFUSED "$0 is not a local fixed drive (it is removable, a network drive or another kind): its folders cannot be protected."
  ${EndIf}
  System::Call 'kernel32::GetVolumeInformationW(w r0, p 0, i 0, p 0, p 0, *i .r2, p 0, i 0) i .r1'
  IntOp $2 $2 & ${FILE_PERSISTENT_ACLS}
  ${If} $1 == 0
  ${OrIf} $2 == 0
    !insertmacro FOLDER_REFUSED "The drive $0 does not keep permissions (it is not NTFS): its folders cannot be protected."
  ${EndIf}

  ; Each folder of the path, the drive's root first, while it exists.
  StrLen $3 $INSTDIR
  StrCpy $4 3
  StrCpy $5 $0
  ${Do}
    Push $5
    Call FolderRefusal
    Pop $1
    ${If} $1 != ""
      !insertmacro FOLDER_REFUSED "$1"
    ${EndIf}
    ${Do}
      IntOp $4 $4 + 1
      StrCpy $1 $INSTDIR 1 $4
      ${IfThen} $1 == "\" ${|} ${ExitDo} ${|}
    ${LoopUntil} $4 >= $3
    StrCpy $6 $5
    StrCpy $5 $INSTDIR $4
    System::Call 'kernel32::GetFileAttributesW(w r5) i .r1'
    ${If} $1 == -1
      ; $6 is the folder the setup creates its first folder in. A drive's
      ; root is never empty, so it cannot become a mount point.
      StrLen $1 $6
      ${If} $1 > 3
        Push $6
        Call RefusalOfDeepest
      ${EndIf}
      Return
    ${EndIf}
    ${If} $4 >= $3
      ; The install folder itself: the same refusal as its parents (a
      ; user who owns it, or may change it, could put an entry back after
      ; the setup protected it), and never re-permission a folder that is
      ; not rtouch's.
      Push $5
      Call RefusalOfDeepest
      Call CheckFolderHoldsOnlyRtouch
      Return
    ${EndIf}
  ${Loop}
FunctionEnd

; FolderRefusal for the folder on the stack, the deepest of the path that
; exists: a right to write into it counts as a takeover too.
Function RefusalOfDeepest
  StrCpy $RefuseWriters 1
  Call FolderRefusal
  StrCpy $RefuseWriters 0
  Pop $1
  ${If} $1 != ""
    !insertmacro FOLDER_REFUSED "$1"
  ${EndIf}
FunctionEnd

; Creates the folders of $INSTDIR that do not exist, each with INSTDIR_SDDL
; in the same call, so that no one can put anything into them first; an
; existing install folder gets it through a handle on the folder itself
; (never through a link), before anything in it is read; what it holds is
; then checked, and replaced or refused. Exit code 4 when
; this fails; a folder that appears while the setup creates it is refused.
Function ProtectInstallFolder
  StrCpy $CreatedTop ""
  StrCpy $EarlierDescriptor 0
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${INSTDIR_SDDL}", i ${SDDL_REVISION_1}, *p .r1, p 0) i .r0'
  ${If} $0 == 0
    !insertmacro FOLDER_REFUSED "The permissions for $INSTDIR could not be prepared."
  ${EndIf}
  !if "${ARCH}" == "x64"
    System::Call '*(i ${SECURITY_ATTRIBUTES_BYTES}, i 0, p r1, i 0, i 0) p .r2'
  !else
    System::Call '*(i ${SECURITY_ATTRIBUTES_BYTES}, p r1, i 0) p .r2'
  !endif

  ; The folders to create, deepest first, on the stack.
  StrCpy $3 $INSTDIR
  StrCpy $4 0
  ${Do}
    System::Call 'kernel32::GetFileAttributesW(w r3) i .r0'
    ${IfThen} $0 != -1 ${|} ${ExitDo} ${|}
    Push $3
    IntOp $4 $4 + 1
    ${GetParent} $3 $3
  ${LoopUntil} $3 == ""
  StrCpy $5 ""
  ${DoWhile} $4 > 0
    Pop $3
    IntOp $4 $4 - 1
    ${If} $5 == ""
      System::Call 'kernel32::CreateDirectoryW(w r3, p r2) i .r0'
      ${If} $0 == 0
        StrCpy $5 "$3 could not be created, or appeared while the setup created it."
      ${ElseIf} $CreatedTop == ""
        StrCpy $CreatedTop $3
      ${EndIf}
    ${EndIf}
  ${Loop}

  ${If} $5 == ""
  ${AndIf} $CreatedTop == ""
    ; It existed: protect it through a handle on the folder itself.
    System::Call 'kernel32::CreateFileW(w "$INSTDIR", i ${PROTECT_ACCESS}, i ${FILE_SHARE_READ_WRITE}, p 0, i ${OPEN_EXISTING}, i ${OPEN_FOLDER_FLAGS}, p 0) p .r3'
    ${If} $3 P= -1
      StrCpy $5 "$INSTDIR could not be opened to change its permissions."
    ${Else}
      Push $3
      Call HandleInformation
      Pop $0
      Pop $4
      IntOp $4 $0 & ${FILE_ATTRIBUTE_REPARSE_POINT}
      IntOp $0 $0 & ${FILE_ATTRIBUTE_DIRECTORY}
      ${If} $4 != 0
      ${OrIf} $0 == 0
        StrCpy $5 "$INSTDIR is not a plain folder."
      ${Else}
        ; The folder's own descriptor only. SetSecurityInfo would also
        ; rewrite the permissions of everything in it, before this setup
        ; knows what that is: a hard link to another file, or a junction,
        ; that a user put there while the folder let them.
        ; Kept, so that a setup that stops leaves it as it was.
        System::Call 'advapi32::GetSecurityInfo(p r3, i ${SE_FILE_OBJECT}, i ${OWNER_DACL}, p 0, p 0, p 0, p 0, *p .r4) i .r0'
        ${If} $0 != 0
          StrCpy $5 "The permissions of $INSTDIR cannot be read."
        ${Else}
          StrCpy $EarlierDescriptor $4
          System::Call 'advapi32::SetKernelObjectSecurity(p r3, i ${OWNER_DACL_PROTECTED}, p r1) i .r0'
          ${If} $0 == 0
            StrCpy $5 "$INSTDIR could not be made writable by administrators only."
          ${EndIf}
        ${EndIf}
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r3)'
    ${EndIf}
  ${EndIf}
  System::Free $2
  System::Call 'kernel32::LocalFree(p r1)'
  ${If} $5 != ""
    !insertmacro FOLDER_REFUSED "$5"
  ${EndIf}
FunctionEnd

; Undoes ProtectInstallFolder for a setup that stops: removes the folders it
; created, deepest first, where empty, or puts the existing install
; folder's earlier descriptor back (its owner where Windows lets an
; administrator give it back, its entries and their inheritance always).
Function RemoveCreatedFolders
  Push $0
  Push $1
  Push $2
  ${If} $EarlierDescriptor P<> 0
    System::Call 'kernel32::CreateFileW(w "$INSTDIR", i ${PROTECT_ACCESS}, i ${FILE_SHARE_READ_WRITE}, p 0, i ${OPEN_EXISTING}, i ${OPEN_FOLDER_FLAGS}, p 0) p .r0'
    ${If} $0 P<> -1
      System::Call 'advapi32::GetSecurityDescriptorControl(p $EarlierDescriptor, *i .r1, *i .r2) i .r2'
      IntOp $1 $1 & ${SE_DACL_PROTECTED}
      ${If} $1 != 0
        StrCpy $1 ${PROTECTED_DACL_SECURITY_INFORMATION}
      ${Else}
        StrCpy $1 ${UNPROTECTED_DACL_SECURITY_INFORMATION}
      ${EndIf}
      IntOp $2 $1 | ${OWNER_DACL}
      System::Call 'advapi32::SetKernelObjectSecurity(p r0, i r2, p $EarlierDescriptor) i .r2'
      ${If} $2 == 0
        IntOp $1 $1 | ${DACL_SECURITY_INFORMATION}
        System::Call 'advapi32::SetKernelObjectSecurity(p r0, i r1, p $EarlierDescriptor)'
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r0)'
    ${EndIf}
    System::Call 'kernel32::LocalFree(p $EarlierDescriptor)'
    StrCpy $EarlierDescriptor 0
  ${EndIf}
  ${If} $CreatedTop != ""
    StrCpy $0 $INSTDIR
    ${Do}
      RMDir $0
      ${IfThen} $0 == $CreatedTop ${|} ${ExitDo} ${|}
      ${GetParent} $0 $0
    ${LoopUntil} $0 == ""
    StrCpy $CreatedTop ""
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

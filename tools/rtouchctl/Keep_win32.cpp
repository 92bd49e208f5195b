#include <windows.h>

#include <cstdio>

#include "device/FileStart.h"
#include "device/FolderTrust.h"
#include "device/MachineFile_win32.h"
#include "device/ParameterFile.h"
#include "device/WinText_win32.h"
#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Keep.h"

namespace {

// Two keeps at once (two consoles, an installer and a person) would each
// take the other's file for the earlier one: they queue on this name, in
// every session.
constexpr wchar_t kKeepMutexName[] = L"Global\\ZRNParameters.keep";
constexpr DWORD kKeepWaitMs = 30000;

int WriteFailed(const std::string& cause) {
    std::fprintf(stderr, "rtouchctl: cannot keep %s: %s; it is as it was\n",
                 NarrowFromWide(kParameterFilePath).c_str(), cause.c_str());
    return kExitWriteFailed;
}

}  // namespace

bool HoldsAdministratorRights() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, &administrators))
        return false;
    // A filtered token (an administrator not elevated) holds the group for
    // denial only: not a member here.
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
    FreeSid(administrators);
    return member != FALSE;
}

int KeepBlock(const BlockImage& image) {
    // A file the copies would not read is no calibration kept.
    if (!FolderTrusted(ReadFolderFacts(kParameterFilePath)))
        return WriteFailed("its folder is not the system's Windows folder and others may change it");
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kKeepMutexName);
    if (!mutex) return WriteFailed(ErrorText(GetLastError()));
    const DWORD waited = WaitForSingleObject(mutex, kKeepWaitMs);
    // Abandoned: the other keep ended halfway, which leaves every file whole.
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return WriteFailed("another rtouchctl keep did not finish within 30 s");
    }
    DWORD error = 0;
    const ReplaceOutcome outcome = ReplaceMachineFile(kParameterFilePath, image, kParameterBackupPath, error);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    switch (outcome) {
    case ReplaceOutcome::Replaced:
        return kExitOk;
    case ReplaceOutcome::NameTooLong:
        return WriteFailed("the name is too long");
    case ReplaceOutcome::Failed:
        break;
    }
    return WriteFailed(error ? ErrorText(error) : "the system gave no reason");
}

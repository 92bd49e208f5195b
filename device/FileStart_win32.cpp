#include <windows.h>

#include <aclapi.h>

#include "device/FileReplace.h"
#include "device/FileStart.h"

namespace {

// The new file's name: `path` with ".~" and four hex digits.
FilePath BesideName(const FilePath& path, unsigned number) {
    constexpr wchar_t kHex[] = L"0123456789abcdef";
    FilePath beside = path;
    beside += L".~";
    for (int shift = 12; shift >= 0; shift -= 4) beside += kHex[(number >> shift) & 0xF];
    return beside;
}

bool WriteAll(HANDLE file, std::span<const uint8_t> bytes) {
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    ok = FlushFileBuffers(file) && ok;
    return CloseHandle(file) && ok;
}

// A name beside `path` that no file has now, other than `taken`; empty when
// every try found one.
FilePath FreeBesideName(const FilePath& path, unsigned first, const FilePath& taken) {
    for (unsigned n = 0; n < kReplaceNameTries; ++n) {
        FilePath name = BesideName(path, first + n);
        if (name == taken) continue;
        if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES &&
            GetLastError() == ERROR_FILE_NOT_FOUND)
            return name;
    }
    return {};
}

// Swaps `beside` for the file at `path`, which goes to `backup`.
// ReplaceFileW keeps what the old file carried (its owner, permissions,
// named streams, and the links and identity of the name); a file whose
// permissions cannot be merged is still replaced. It is given a backup name
// so that a swap that fails halfway leaves the old file where this program
// knows it: without one, the old file would stay under a name of the
// system's choosing.
SwapAnswer Swap(const FilePath& beside, const FilePath& path, const FilePath& backup) {
    if (ReplaceFileW(path.c_str(), beside.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr))
        return SwapAnswer::Swapped;
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
        return SwapAnswer::NoOldFile;
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        return SwapAnswer::OldAtBackup;
    // ERROR_UNABLE_TO_MOVE_REPLACEMENT with a backup name, and every other
    // failure: both files keep their names.
    default:
        return SwapAnswer::NothingMoved;
    }
}

struct SwapFiles {
    const FilePath& beside;
    const FilePath& path;
    const FilePath& backup;
};

bool MoveInto(const FilePath& from, const FilePath& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

const SwapFinishOps kSwapFinish = {
    [](void* c) {
        const auto& f = *static_cast<SwapFiles*>(c);
        return MoveInto(f.beside, f.path);
    },
    [](void* c) {
        const auto& f = *static_cast<SwapFiles*>(c);
        return MoveInto(f.backup, f.path);
    },
    [](void* c) { DeleteFileW(static_cast<SwapFiles*>(c)->beside.c_str()); },
    [](void* c) { DeleteFileW(static_cast<SwapFiles*>(c)->backup.c_str()); },
};

// The folder part of `file`, as a full path without a trailing separator
// (a root keeps its own); empty when it cannot be made.
FilePath FullFolder(const FilePath& file) {
    const size_t cut = file.find_last_of(L"\\/");
    const FilePath folder = cut == FilePath::npos ? FilePath(L".") : file.substr(0, cut == 2 ? 3 : cut);
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return {};
    FilePath out(full, length);
    if (out.size() > 3 && out.back() == L'\\') out.pop_back();
    return out;
}

// Case-insensitive the same way in every language (a Turkish dotless i
// would make lstrcmpiW tell "windows" from "WINDOWS").
bool SamePath(const FilePath& a, const FilePath& b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

bool IsSystemWindowsFolder(const FilePath& folder) {
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const FilePath full = FullFolder(FilePath(system, length) + L"\\x");
    return !full.empty() && SamePath(folder, full);
}

// TrustedInstaller's service SID: S-1-5-80-956008885-3418522649-1831038044-
// 1853292631-2271478464.
constexpr DWORD kTrustedInstallerRids[] = {
    SECURITY_SERVICE_ID_BASE_RID, 956008885u, 3418522649u, 1831038044u, 1853292631u, 2271478464u};

bool SidIs(PSID sid, SID_IDENTIFIER_AUTHORITY authority, BYTE count, const DWORD* rids) {
    DWORD r[8]{};
    for (BYTE i = 0; i < count; ++i) r[i] = rids[i];
    PSID known = nullptr;
    if (!AllocateAndInitializeSid(&authority, count, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], &known))
        return false;
    const bool same = EqualSid(sid, known) != FALSE;
    FreeSid(known);
    return same;
}

// Domain Users and Domain Guests: S-1-5-21-a-b-c-513 and -514, whatever
// the domain.
constexpr BYTE kDomainSidRids = 5;

bool IsDomainBroadGroup(PSID sid) {
    const SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    if (!authority || memcmp(authority, &nt, sizeof nt) != 0) return false;
    if (*GetSidSubAuthorityCount(sid) != kDomainSidRids) return false;
    if (*GetSidSubAuthority(sid, 0) != SECURITY_NT_NON_UNIQUE) return false;
    const DWORD last = *GetSidSubAuthority(sid, kDomainSidRids - 1);
    return last == DOMAIN_GROUP_RID_USERS || last == DOMAIN_GROUP_RID_GUESTS;
}

bool IsBroadGroup(PSID sid) {
    constexpr DWORD kEveryone[] = {SECURITY_WORLD_RID};
    constexpr DWORD kAnonymous[] = {SECURITY_ANONYMOUS_LOGON_RID};
    constexpr DWORD kAuthenticated[] = {SECURITY_AUTHENTICATED_USER_RID};
    constexpr DWORD kInteractive[] = {SECURITY_INTERACTIVE_RID};
    constexpr DWORD kUsers[] = {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS};
    constexpr DWORD kGuests[] = {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_GUESTS};
    return SidIs(sid, SECURITY_WORLD_SID_AUTHORITY, 1, kEveryone) ||
           SidIs(sid, SECURITY_NT_AUTHORITY, 1, kAnonymous) ||
           SidIs(sid, SECURITY_NT_AUTHORITY, 1, kAuthenticated) ||
           SidIs(sid, SECURITY_NT_AUTHORITY, 1, kInteractive) ||
           SidIs(sid, SECURITY_NT_AUTHORITY, 2, kUsers) || SidIs(sid, SECURITY_NT_AUTHORITY, 2, kGuests) ||
           IsDomainBroadGroup(sid);
}

SidKind KindOf(PSID sid) {
    if (!sid || !IsValidSid(sid)) return SidKind::Other;
    constexpr DWORD kAdministrators[] = {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS};
    constexpr DWORD kSystem[] = {SECURITY_LOCAL_SYSTEM_RID};
    constexpr DWORD kCreatorOwner[] = {SECURITY_CREATOR_OWNER_RID};
    if (SidIs(sid, SECURITY_NT_AUTHORITY, 2, kAdministrators)) return SidKind::Administrators;
    if (SidIs(sid, SECURITY_NT_AUTHORITY, 1, kSystem)) return SidKind::System;
    if (SidIs(sid, SECURITY_NT_AUTHORITY, 6, kTrustedInstallerRids)) return SidKind::TrustedInstaller;
    if (SidIs(sid, SECURITY_CREATOR_SID_AUTHORITY, 1, kCreatorOwner)) return SidKind::CreatorOwner;
    if (IsBroadGroup(sid)) return SidKind::BroadGroup;
    return SidKind::Other;
}

AceFact FactOf(const ACE_HEADER* header) {
    switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_DENIED_ACE_TYPE: {
        // Both types share one layout: header, mask, SID.
        const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
        const PSID sid = const_cast<DWORD*>(&ace->SidStart);
        return {header->AceType == ACCESS_ALLOWED_ACE_TYPE ? AceKind::Allow : AceKind::Deny, KindOf(sid),
                ace->Mask, (header->AceFlags & INHERIT_ONLY_ACE) != 0};
    }
    default:
        return {AceKind::Other, SidKind::Other, 0, (header->AceFlags & INHERIT_ONLY_ACE) != 0};
    }
}

// The owner and access list a GetNamedSecurityInfoW or GetSecurityInfo
// call gave (`status`), the descriptor then freed.
SecurityFacts FactsOf(DWORD status, PSID owner, PACL dacl, PSECURITY_DESCRIPTOR descriptor) {
    SecurityFacts facts;
    if (status != ERROR_SUCCESS) return facts;
    facts.securityRead = true;
    facts.owner = KindOf(owner);
    facts.daclPresent = dacl != nullptr;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) {
            facts.aces.push_back({AceKind::Other, SidKind::Other, 0});
            continue;
        }
        facts.aces.push_back(FactOf(static_cast<const ACE_HEADER*>(ace)));
    }
    LocalFree(descriptor);
    return facts;
}

constexpr SECURITY_INFORMATION kOwnerAndDacl = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

}  // namespace

FolderFacts ReadFolderFacts(const FilePath& file) {
    FolderFacts facts;
    const FilePath folder = FullFolder(file);
    if (folder.empty()) return facts;
    facts.systemWindowsFolder = IsSystemWindowsFolder(folder);
    if (facts.systemWindowsFolder) return facts;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, kOwnerAndDacl, &owner, nullptr,
                                               &dacl, nullptr, &descriptor);
    facts.security = FactsOf(status, owner, dacl, descriptor);
    return facts;
}

FileStart ReadFileStart(const FilePath& path, size_t maxBytes) {
    FileStart out;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        out.error = GetLastError();
        return out;
    }
    out.opened = true;
    // From the handle that reads, so the facts are the read file's.
    // GENERIC_READ holds READ_CONTROL.
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status =
        GetSecurityInfo(file, SE_FILE_OBJECT, kOwnerAndDacl, &owner, nullptr, &dacl, nullptr, &descriptor);
    out.security = FactsOf(status, owner, dacl, descriptor);
    out.bytes.resize(maxBytes);
    DWORD got = 0;
    if (ReadFile(file, out.bytes.data(), static_cast<DWORD>(maxBytes), &got, nullptr)) {
        out.bytes.resize(got);
    } else {
        out.error = GetLastError();
        out.bytes.clear();
    }
    CloseHandle(file);
    return out;
}

ReplaceOutcome ReplaceFileWhole(const FilePath& path, std::span<const uint8_t> bytes, uint32_t* errorCode) {
    uint32_t ignored = 0;
    uint32_t& failure = errorCode ? *errorCode : ignored;
    failure = 0;
    // Different for two processes saving at once, and for each try.
    const unsigned first = GetTickCount() ^ (GetCurrentProcessId() << 8);
    for (unsigned n = 0; n < kReplaceNameTries; ++n) {
        const FilePath beside = BesideName(path, first + n);
        // MAX_PATH counts the terminator; longer names fail in every call.
        if (beside.size() >= MAX_PATH) return ReplaceOutcome::NameTooLong;
        HANDLE file = CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            failure = GetLastError();
            if (failure == ERROR_FILE_EXISTS || failure == ERROR_ALREADY_EXISTS) continue;
            return failure == ERROR_FILENAME_EXCED_RANGE ? ReplaceOutcome::NameTooLong
                                                         : ReplaceOutcome::Failed;
        }
        const DWORD attributes = GetFileAttributesW(path.c_str());
        const FilePath backup = FreeBesideName(path, first + n + 1, beside);
        const bool written = WriteAll(file, bytes);
        if (!written || backup.empty()) {
            failure = written ? ERROR_FILE_EXISTS : GetLastError();
            DeleteFileW(beside.c_str());
            return ReplaceOutcome::Failed;
        }
        SwapFiles files{beside, path, backup};
        const SwapAnswer answer = Swap(beside, path, backup);
        failure = answer == SwapAnswer::Swapped ? 0 : GetLastError();
        const ReplaceOutcome outcome = FinishSwap(answer, kSwapFinish, &files);
        if (outcome == ReplaceOutcome::Replaced) failure = 0;
        if (outcome == ReplaceOutcome::Replaced && attributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(path.c_str(), attributes);
        return outcome;
    }
    return ReplaceOutcome::Failed;
}

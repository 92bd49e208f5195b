// Whether a folder may hold a file that every session's copy trusts (the
// parameters file, whose block goes to the controller): the system's own
// Windows folder, or one that only administrators, SYSTEM and
// TrustedInstaller own and may change. Where Windows lives on another
// drive, any user can create C:\WINDOWS. And whether that file itself is
// out of an ordinary user's reach. The platform layer gathers the facts
// (ReadFolderFacts, ReadFileStart in device/FileStart.h); the decision is
// here.
#pragma once

#include <cstdint>
#include <vector>

// Whose an owner or an access entry is.
enum class SidKind : uint8_t {
    Administrators,
    System,
    TrustedInstaller,
    // Stands for whoever creates something inside: only those who may
    // write the folder can.
    CreatorOwner,
    // A group every ordinary user is in, or may be: Everyone, Anonymous,
    // Authenticated Users, INTERACTIVE, Users, Guests, Domain Users,
    // Domain Guests.
    BroadGroup,
    Other,
};

enum class AceKind : uint8_t {
    Allow,
    Deny,
    // Any other type: what it grants is not read, so it counts as a grant.
    Other,
};

struct AceFact {
    AceKind kind;
    SidKind who;
    uint32_t mask;
    // Applies only to what is created inside, not to the object itself.
    bool inheritOnly = false;
};

// The owner and access list of a folder or a file.
struct SecurityFacts {
    // Its owner and access list could be read.
    bool securityRead = false;
    SidKind owner = SidKind::Other;
    // False: a null access list, which grants everyone everything.
    bool daclPresent = false;
    // Every entry of the access list, inherit-only ones too (those reach
    // the files inside).
    std::vector<AceFact> aces;
};

struct FolderFacts {
    // The folder is the system's Windows folder (nothing else is read then).
    bool systemWindowsFolder = false;
    SecurityFacts security;
};

// The access rights that let their holder put a file in the folder, change
// or take one out, or change who may: add file, add subfolder (append),
// delete child, delete, change the access list, take ownership, and the
// generic write and all.
inline constexpr uint32_t kRightAddFile = 0x00000002u;
inline constexpr uint32_t kRightAddSubfolder = 0x00000004u;
inline constexpr uint32_t kRightDeleteChild = 0x00000040u;
inline constexpr uint32_t kRightDelete = 0x00010000u;
inline constexpr uint32_t kRightWriteDac = 0x00040000u;
inline constexpr uint32_t kRightWriteOwner = 0x00080000u;
inline constexpr uint32_t kRightGenericAll = 0x10000000u;
inline constexpr uint32_t kRightGenericWrite = 0x40000000u;
inline constexpr uint32_t kFolderChangeRights = kRightAddFile | kRightAddSubfolder | kRightDeleteChild |
                                                kRightDelete | kRightWriteDac | kRightWriteOwner |
                                                kRightGenericAll | kRightGenericWrite;

// The system's Windows folder; else an owner among the trusted ones and no
// entry that grants anyone else a right to change the folder. Anything not
// read is not trusted.
bool FolderTrusted(const FolderFacts& facts);

// The rights that change a file's content or who may: write data, append
// data, delete, change the access list, take ownership, generic write and
// all, and the most allowed (which includes them).
inline constexpr uint32_t kRightWriteData = 0x00000002u;
inline constexpr uint32_t kRightAppendData = 0x00000004u;
inline constexpr uint32_t kRightMaximumAllowed = 0x02000000u;
inline constexpr uint32_t kFileChangeRights = kRightWriteData | kRightAppendData | kRightDelete |
                                              kRightWriteDac | kRightWriteOwner | kRightGenericAll |
                                              kRightGenericWrite | kRightMaximumAllowed;

// Read, with an owner and an access list, neither the owner nor any entry
// that applies to the file letting a broad group change it (an entry of
// another type counts as doing so). An administrator's copy is owned by
// that administrator's own account: a single user's account cannot be told
// from an administrator's here, so only groups are refused.
bool FileTrusted(const SecurityFacts& facts);

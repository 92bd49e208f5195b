// Whether a folder may hold a file that every session's copy trusts (the
// parameters file, whose block goes to the controller): the system's own
// Windows folder, or one that only administrators, SYSTEM and
// TrustedInstaller own and may change. Where Windows lives on another
// drive, any user can create C:\WINDOWS. The platform layer gathers the
// facts (ReadFolderFacts, device/FileStart.h); the decision is here.
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
};

struct FolderFacts {
    // The folder is the system's Windows folder (nothing else is read then).
    bool systemWindowsFolder = false;
    // Its owner and access list could be read.
    bool securityRead = false;
    SidKind owner = SidKind::Other;
    // False: a null access list, which grants everyone everything.
    bool daclPresent = false;
    // Every entry of the access list, inherit-only ones too (those reach
    // the files inside).
    std::vector<AceFact> aces;
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

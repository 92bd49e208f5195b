#include "device/FolderTrust.h"

namespace {

bool Trusted(SidKind who) {
    switch (who) {
    case SidKind::Administrators:
    case SidKind::System:
    case SidKind::TrustedInstaller:
        return true;
    case SidKind::CreatorOwner:
    case SidKind::BroadGroup:
    case SidKind::Other:
        return false;
    }
    return false;
}

// An entry through which someone untrusted may change the folder or what
// it holds. Denials only take rights away.
bool GrantsChangeToOthers(const AceFact& ace) {
    switch (ace.kind) {
    case AceKind::Allow:
        return ace.who != SidKind::CreatorOwner && !Trusted(ace.who) && (ace.mask & kFolderChangeRights) != 0;
    case AceKind::Deny:
        return false;
    case AceKind::Other:
        return true;
    }
    return true;
}

}  // namespace

bool FolderTrusted(const FolderFacts& facts) {
    if (facts.systemWindowsFolder) return true;
    const SecurityFacts& security = facts.security;
    if (!security.securityRead || !security.daclPresent || !Trusted(security.owner)) return false;
    for (const AceFact& ace : security.aces)
        if (GrantsChangeToOthers(ace)) return false;
    return true;
}

bool FileTrusted(const SecurityFacts& facts) {
    if (!facts.securityRead || !facts.daclPresent || facts.owner == SidKind::BroadGroup) return false;
    for (const AceFact& ace : facts.aces) {
        if (ace.inheritOnly || ace.kind == AceKind::Deny) continue;
        if (ace.kind == AceKind::Other) return false;
        if (ace.who == SidKind::BroadGroup && (ace.mask & kFileChangeRights) != 0) return false;
    }
    return true;
}

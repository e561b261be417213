#include "base/ObjectTrust.h"

using namespace plat;

namespace {

// Junctions, mount points and symbolic links carry this bit in their tag;
// compressed (WOF), deduplicated and cloud placeholder files do not: those
// are the file itself.
constexpr DWORD kNameSurrogate = 0x20000000u;

// Rights that change an object or what it holds, the generic ones that
// imply them included.
constexpr DWORD kChanges = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER |
                           GENERIC_WRITE | GENERIC_ALL;

bool Trusted(TRUSTEE_KIND who) { return who != TRUSTEE_OTHER; }

bool IsLink(const ObjectFacts& facts) {
    // The name is a reparse point, yet the object opened is not: the opening
    // went on to something else, as a link would lead it.
    const bool nameIsOne = facts.nameAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
    if (!facts.tagRead) return true;
    if (!(facts.tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return nameIsOne;
    return (facts.tag.ReparseTag & kNameSurrogate) != 0;
}

}  // namespace

bool LetsAnotherChange(const ACCESS_ENTRY& entry) {
    switch (entry.type) {
        case ACCESS_DENIED_ACE_TYPE:
        case ACCESS_DENIED_OBJECT_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
            return false;
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
            // Inherit-only entries too: they pass to everything made inside.
            return !Trusted(entry.who) && (entry.mask & kChanges);
        default:
            return true;
    }
}

Trust JudgeObject(const ObjectFacts& facts) {
    if (IsLink(facts)) return Trust::Link;
    if (!facts.securityRead || !Trusted(facts.security.owner)) return Trust::Owner;
    // No list at all lets everyone do everything.
    if (!facts.security.hasAccessList) return Trust::AnotherWriter;
    for (DWORD i = 0; i < facts.security.entryCount; ++i)
        if (LetsAnotherChange(facts.security.entries[i])) return Trust::AnotherWriter;
    if (!(facts.tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && facts.links != 1) return Trust::SeveralNames;
    return Trust::Ok;
}

HeldObject HeldObject::Open(const char* path) {
    HeldObject held;
    ObjectFacts facts{};
    facts.nameAttributes = GetFileAttributesA(path);
    if (facts.nameAttributes == INVALID_FILE_ATTRIBUTES) return held;
    held.m_exists = true;
    held.m_folder = facts.nameAttributes & FILE_ATTRIBUTE_DIRECTORY;
    // The object itself, read and held: what is open for writing or deleting
    // elsewhere cannot be opened so, and counts as not the program's.
    held.m_file.Reset(CreateFileA(path, GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS));
    if (!held.m_file) return held;
    FILE_FACTS file{};
    facts.tagRead = GetFileAttributeTagInfo(held.m_file.Get(), &facts.tag) != FALSE;
    facts.securityRead = GetFileInformationByHandle(held.m_file.Get(), &file) &&
                         GetSecurityInfoOfHandle(held.m_file.Get(), &facts.security);
    facts.links = file.nNumberOfLinks;
    held.m_verdict = JudgeObject(facts);
    return held;
}

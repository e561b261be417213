// Owners and access lists over the simulated volumes (SimSecurity.h).
#include "platform/Security.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimFaults.h"
#include "tests/sim/SimInternal.h"

namespace plat {

using namespace sim::detail;

BOOL CreateProtectedDirectoryA(const char* lpPathName) {
    KernelLock lock;
    if (sim::TakeFault(sim::Op::CreateProtectedDirectory) || !lpPathName) return FALSE;
    ParsedPath p = ParsePath(lpPathName);
    if (!p.ok || p.parts.empty()) return FALSE;
    Node* folder = LookupParent(p);
    if (!folder || folder->children.count(Key(p.parts.back())) || !Allowed(folder, sim::kWrite)) return FALSE;
    auto node = std::make_unique<Node>();
    node->name = p.parts.back();
    node->folder = true;
    node->parent = folder;
    InheritAccess(node.get());
    SetList(node.get(), ProtectedList(), true);
    folder->children[Key(node->name)] = std::move(node);
    return TRUE;
}

namespace {

bool MayChangeMachine() {
    return sim::CurrentUser() == sim::Account::System || sim::CurrentUser() == sim::Account::Administrators;
}

std::vector<sim::AccessEntry> MachineList() {
    using sim::Account;
    return {sim::Everywhere(Account::System, sim::kFullControl),
            sim::Everywhere(Account::Administrators, sim::kFullControl),
            sim::Everywhere(Account::Users, sim::kReadExecute)};
}

}  // namespace

BOOL TakeOverDirectoryA(const char* lpPathName) {
    KernelLock lock;
    if (sim::TakeFault(sim::Op::TakeOverDirectory) || !lpPathName) return FALSE;
    // The object at the name, a link included: nothing it leads to.
    Node* node = Lookup(lpPathName);
    if (!node || !MayChangeMachine()) return FALSE;
    node->owner = sim::Account::Administrators;
    SetList(node, MachineList(), true);
    return TRUE;
}

BOOL IsMachineAdministrator() { return MayChangeMachine(); }

BOOL ProtectDirectoryA(const char* lpPathName) {
    KernelLock lock;
    if (sim::TakeFault(sim::Op::ProtectDirectory) || !lpPathName) return FALSE;
    Node* node = Lookup(lpPathName);
    if (!node || !node->folder || !Allowed(node, sim::kChangeRights)) return FALSE;
    SetList(node, ProtectedList(), true);
    return TRUE;
}


namespace {

TRUSTEE_KIND KindOf(sim::Account who) {
    if (who == sim::Account::System) return TRUSTEE_SYSTEM;
    if (who == sim::Account::Administrators) return TRUSTEE_ADMINISTRATORS;
    return who == sim::CurrentUser() ? TRUSTEE_CURRENT_USER : TRUSTEE_OTHER;
}

BYTE TypeOf(sim::EntryType type) {
    switch (type) {
        case sim::EntryType::Allow: return ACCESS_ALLOWED_ACE_TYPE;
        case sim::EntryType::Deny: return ACCESS_DENIED_ACE_TYPE;
        case sim::EntryType::AllowObject: return ACCESS_ALLOWED_OBJECT_ACE_TYPE;
        case sim::EntryType::AllowCallback: return ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
        case sim::EntryType::Unknown: break;
    }
    return 0x7F;
}

// The simulation's five rights as the bits of a Windows mask.
DWORD MaskOf(unsigned rights) {
    DWORD mask = 0;
    if (rights & sim::kReadExecute) mask |= 0x1200A9u;  // FILE_GENERIC_READ | FILE_GENERIC_EXECUTE
    if (rights & sim::kWrite) mask |= FILE_WRITE_DATA | FILE_APPEND_DATA;
    if (rights & sim::kDelete) mask |= DELETE;
    if (rights & sim::kDeleteChild) mask |= FILE_DELETE_CHILD;
    if (rights & sim::kChangeRights) mask |= WRITE_DAC | WRITE_OWNER;
    return mask;
}

BYTE FlagsOf(const sim::AccessEntry& e) {
    return static_cast<BYTE>((e.toFiles ? OBJECT_INHERIT_ACE : 0) | (e.toFolders ? CONTAINER_INHERIT_ACE : 0) |
                             (e.here ? 0 : INHERIT_ONLY_ACE) | (e.inherited ? INHERITED_ACE : 0));
}

}  // namespace

BOOL GetSecurityInfoOfHandle(HANDLE hFile, OBJECT_SECURITY* security) {
    KernelLock lock;
    if (sim::TakeFault(sim::Op::GetSecurityInfo)) return FALSE;
    HandleEntry* e = FindHandle(hFile, "GetSecurityInfo");
    if (!e || e->kind != HandleKind::File || !(e->access & READ_CONTROL) || !security) return FALSE;
    const Node* node = e->node;
    if (node->acl.size() > MAX_ACCESS_ENTRIES) return FALSE;
    security->owner = KindOf(node->owner);
    security->hasAccessList = TRUE;
    security->entryCount = static_cast<DWORD>(node->acl.size());
    for (std::size_t i = 0; i < node->acl.size(); ++i) {
        const sim::AccessEntry& entry = node->acl[i];
        security->entries[i] = {TypeOf(entry.type), FlagsOf(entry), MaskOf(entry.rights), KindOf(entry.who)};
    }
    return TRUE;
}

}  // namespace plat

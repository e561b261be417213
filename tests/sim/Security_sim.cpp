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

BOOL ProtectDirectoryA(const char* lpPathName) {
    KernelLock lock;
    if (sim::TakeFault(sim::Op::ProtectDirectory) || !lpPathName) return FALSE;
    Node* node = Lookup(lpPathName);
    if (!node || !node->folder || !Allowed(node, sim::kChangeRights)) return FALSE;
    SetList(node, ProtectedList(), true);
    return TRUE;
}

BOOL GetPathSecurityA(const char* lpPathName, PATH_SECURITY* security) {
    KernelLock lock;
    if (sim::TakeFault(sim::Op::GetPathSecurity) || !lpPathName || !security) return FALSE;
    const Node* node = Lookup(lpPathName);
    if (!node) return FALSE;
    const sim::Account user = sim::CurrentUser();
    security->owner = node->owner == sim::Account::System           ? OWNER_SYSTEM
                      : node->owner == sim::Account::Administrators ? OWNER_ADMINISTRATORS
                      : node->owner == user                         ? OWNER_CURRENT_USER
                                                                    : OWNER_OTHER;
    constexpr unsigned kChanges = sim::kWrite | sim::kDelete | sim::kDeleteChild | sim::kChangeRights;
    security->othersMayChange = FALSE;
    for (const sim::AccessEntry& e : node->acl) {
        const bool trusted =
            e.who == sim::Account::System || e.who == sim::Account::Administrators || e.who == user;
        if (e.here && !trusted && (e.rights & kChanges)) security->othersMayChange = TRUE;
    }
    return TRUE;
}

}  // namespace plat

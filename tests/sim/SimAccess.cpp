// Owners, access lists and the current user of the simulated Windows: the
// model SimSecurity.h describes, and the checks the simulated calls make.
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimSecurity.h"

namespace sim {
namespace detail {
namespace {

Account& Current() {
    static Account user = Account::UserA;
    return user;
}

bool IsMember(Account user, Account who) {
    if (who == user) return true;
    if (who == Account::Users)
        return user == Account::UserA || user == Account::UserB || user == Account::Administrators;
    if (who == Account::Administrators) return user == Account::System;
    return false;
}

bool Grants(EntryType type) {
    return type == EntryType::Allow || type == EntryType::AllowObject || type == EntryType::AllowCallback;
}

unsigned Granted(const Node* node, Account user) {
    unsigned granted = 0, denied = 0;
    for (const AccessEntry& e : node->acl) {
        if (!e.here || !IsMember(user, e.who)) continue;
        if (Grants(e.type)) granted |= e.rights;
        if (e.type == EntryType::Deny) denied |= e.rights;
    }
    // The owner may always change the list.
    return (granted & ~denied) | (node->owner == user ? kChangeRights : 0u);
}

// What flows from the folder to a node made in it by creator: a folder keeps
// passing the entries on (CREATOR OWNER stays inherit-only there, beside an
// entry for the creator); a file only takes them.
std::vector<AccessEntry> FlowingTo(const Node* folder, bool isFolder, Account creator) {
    std::vector<AccessEntry> out;
    if (!folder) return out;
    for (const AccessEntry& e : folder->acl) {
        if (!(isFolder ? e.toFolders : e.toFiles)) continue;
        const Account who = e.who == Account::CreatorOwner ? creator : e.who;
        if (isFolder) {
            AccessEntry kept = e;
            kept.here = e.who != Account::CreatorOwner;
            kept.inherited = true;
            out.push_back(kept);
            if (e.who != Account::CreatorOwner) continue;
        }
        out.push_back({who, e.rights, true, false, false, true, e.type});
    }
    return out;
}

void Reinherit(Node* node) {
    if (!node->aclProtected) {
        std::vector<AccessEntry> own;
        for (const AccessEntry& e : node->acl)
            if (!e.inherited) own.push_back(e);
        for (const AccessEntry& e : FlowingTo(node->parent, node->folder, node->owner)) own.push_back(e);
        node->acl = own;
    }
    for (auto& [key, child] : node->children) Reinherit(child.get());
}

const AccessEntry kRootList[] = {
    Everywhere(Account::System, kFullControl),
    Everywhere(Account::Administrators, kFullControl),
    {Account::CreatorOwner, kFullControl, false, true, true, false},
    Everywhere(Account::Users, kReadExecute),
    {Account::Users, kWrite, true, false, true, false},
};

}  // namespace

void InheritAccess(Node* node) {
    node->owner = Current();
    node->aclProtected = false;
    node->acl = FlowingTo(node->parent, node->folder, node->owner);
}

void RootAccess(Node* root) {
    root->owner = Account::System;
    root->acl.assign(std::begin(kRootList), std::end(kRootList));
    root->aclProtected = true;
}

bool Allowed(const Node* node, unsigned rights) { return (Granted(node, Current()) & rights) == rights; }

bool MayDelete(const Node* node) {
    return Allowed(node, kDelete) || (node->parent && Allowed(node->parent, kDeleteChild));
}

bool MayCreateOrWrite(const std::string& path) {
    const ParsedPath p = ParsePath(path);
    if (const Node* node = Lookup(p)) return Allowed(node, kWrite);
    const Node* folder = LookupParent(p);
    return folder && Allowed(folder, kWrite);
}

std::vector<AccessEntry> ProtectedList() {
    return {Everywhere(Account::System, kFullControl), Everywhere(Account::Administrators, kFullControl),
            Everywhere(Current(), kFullControl), Everywhere(Account::Users, kReadExecute)};
}

void SetList(Node* node, const std::vector<AccessEntry>& entries, bool isProtected) {
    node->acl.clear();
    for (AccessEntry e : entries) {
        e.inherited = false;
        node->acl.push_back(e);
    }
    node->aclProtected = isProtected;
    Reinherit(node);
}

void ApplyDefaultRights() {
    // The common application data folder: every user may add files and
    // folders, and owns what they add.
    if (Node* data = Lookup("C:\\ProgramData")) {
        data->owner = Account::System;
        SetList(data, {Everywhere(Account::System, kFullControl), Everywhere(Account::Administrators, kFullControl),
                       {Account::CreatorOwner, kFullControl, false, true, true, false},
                       Everywhere(Account::Users, kReadExecute), {Account::Users, kWrite, true, false, true, false}},
                true);
    }
    if (Node* profile = Lookup("C:\\Users\\user")) {
        profile->owner = Account::UserA;
        SetList(profile, {Everywhere(Account::System, kFullControl), Everywhere(Account::Administrators, kFullControl),
                          Everywhere(Account::UserA, kFullControl)},
                true);
    }
}

void ResetAccess() { Current() = Account::UserA; }

}  // namespace detail

void SetCurrentUser(Account user) { detail::Current() = user; }
Account CurrentUser() { return detail::Current(); }

Account OwnerOf(const std::string& path) {
    const detail::Node* node = detail::Lookup(path);
    return node ? node->owner : Account::System;
}

bool MayAccess(const std::string& path, Account user, unsigned rights) {
    const detail::Node* node = detail::Lookup(path);
    if (!node) return false;
    if ((detail::Granted(node, user) & rights) == rights) return true;
    // Deleting is also granted by the folder.
    return rights == kDelete && node->parent && (detail::Granted(node->parent, user) & kDeleteChild);
}

std::vector<AccessEntry> AccessListOf(const std::string& path) {
    const detail::Node* node = detail::Lookup(path);
    return node ? node->acl : std::vector<AccessEntry>{};
}

bool SetAccess(const std::string& path, Account owner, const std::vector<AccessEntry>& entries,
               bool isProtected) {
    detail::Node* node = detail::Lookup(path);
    if (!node) return false;
    node->owner = owner;
    detail::SetList(node, entries, isProtected);
    detail::SyncNames(node);
    return true;
}

}  // namespace sim

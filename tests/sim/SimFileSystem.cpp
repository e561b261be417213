// The in-memory volumes of the simulated kernel and the test helpers that
// reach them directly.
#include "base/CString.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace detail {
namespace {

std::map<char, std::unique_ptr<Node>>& Volumes() {
    static std::map<char, std::unique_ptr<Node>> volumes;
    return volumes;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsValidNameByte(unsigned char c) {
    return c >= 0x20 && std::strchr("<>:\"|?*", c) == nullptr;
}

// Splits at separators, stepping over double-byte characters whole.
bool SplitInto(const std::string& s, std::size_t from, std::vector<std::string>& parts) {
    std::string cur;
    auto flush = [&]() -> bool {
        if (cur.empty()) return true;
        if (cur == ".") {
        } else if (cur == "..") {
            if (!parts.empty()) parts.pop_back();
        } else {
            // Win32 drops trailing dots and blanks from each name.
            while (!cur.empty() && (cur.back() == '.' || cur.back() == ' ')) cur.pop_back();
            if (cur.empty()) return false;
            parts.push_back(cur);
        }
        cur.clear();
        return true;
    };
    for (std::size_t i = from; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (IsLeadByte936(c) && i + 1 < s.size()) {
            cur += s[i];
            cur += s[++i];
        } else if (IsSeparator(s[i])) {
            if (!flush()) return false;
        } else if (!IsValidNameByte(c)) {
            return false;
        } else {
            cur += s[i];
        }
    }
    return flush();
}

char UpperDrive(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsDriveLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }


struct HandleTable {
    std::map<std::uintptr_t, HandleEntry> live;
    std::uintptr_t next = 0x1000;
    std::vector<std::string> bad;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

}  // namespace

std::map<char, std::unique_ptr<Node>>& AllVolumes() { return Volumes(); }

std::string Key(const std::string& name) {
    std::string k = name;
    for (std::size_t i = 0; i < k.size(); ++i) {
        const auto c = static_cast<unsigned char>(k[i]);
        if (IsLeadByte936(c)) {
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            k[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
    return k;
}

ParsedPath ParsePath(const std::string& path) {
    ParsedPath p;
    if (path.empty()) return p;
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
        if (path.size() > 2 && !IsSeparator(path[2])) return p;  // drive-relative
        p.drive = UpperDrive(path[0]);
        p.ok = SplitInto(path, 2, p.parts);
        return p;
    }
    if (IsSeparator(path[0])) {
        if (path.size() > 1 && IsSeparator(path[1])) return p;  // no network paths
        p.drive = UpperDrive(CurrentDirectory()[0]);
        p.ok = SplitInto(path, 1, p.parts);
        return p;
    }
    p = ParsePath(CurrentDirectory());
    if (!p.ok) return p;
    p.ok = SplitInto(path, 0, p.parts);
    return p;
}

std::string Join(const ParsedPath& p) {
    std::string s(1, p.drive);
    s += ":\\";
    for (std::size_t i = 0; i < p.parts.size(); ++i) {
        if (i) s += '\\';
        s += p.parts[i];
    }
    return s;
}

Node* Volume(char drive) {
    auto& v = Volumes()[UpperDrive(drive)];
    if (!v) {
        v = std::make_unique<Node>();
        v->folder = true;
        v->name = std::string(1, UpperDrive(drive)) + ":";
        RootAccess(v.get());
    }
    return v.get();
}

char DriveOf(const Node* node) {
    while (node->parent) node = node->parent;
    return node->name[0];
}

Node::~Node() {
    if (!names) return;
    names->erase(std::remove(names->begin(), names->end(), this), names->end());
}

bool IsNameSurrogate(const Node* node) {
    constexpr plat::DWORD kNameSurrogate = 0x20000000u;
    return node && (node->reparseTag & kNameSurrogate);
}

namespace {

// Links lead on to links at most this often, as Windows gives up on a loop.
constexpr int kMaxLinkHops = 8;

Node* LookupFrom(const ParsedPath& p, int hops);

Node* ResolveFrom(Node* node, int hops) {
    while (IsNameSurrogate(node)) {
        if (++hops > kMaxLinkHops) return nullptr;
        node = LookupFrom(ParsePath(node->linkTarget), hops);
    }
    return node;
}

Node* LookupFrom(const ParsedPath& p, int hops) {
    if (!p.ok) return nullptr;
    Node* n = Volume(p.drive);
    for (const auto& part : p.parts) {
        n = ResolveFrom(n, hops);  // a link on the way is gone through
        if (!n || !n->folder) return nullptr;
        auto it = n->children.find(Key(part));
        if (it == n->children.end()) return nullptr;
        n = it->second.get();
    }
    return n;
}

}  // namespace

Node* Resolve(Node* node) { return ResolveFrom(node, 0); }

void SyncNames(Node* node) {
    if (!node->names) return;
    for (Node* other : *node->names) {
        if (other == node) continue;
        other->data = node->data;
        other->onDisk = node->onDisk;
        other->unflushed = node->unflushed;
        other->owner = node->owner;
        other->acl = node->acl;
        other->aclProtected = node->aclProtected;
    }
}

plat::DWORD NameCount(const Node* node) {
    return node->names ? static_cast<plat::DWORD>(node->names->size()) : 1u;
}

Node* Lookup(const ParsedPath& p) { return LookupFrom(p, 0); }

Node* Lookup(const std::string& path) { return Lookup(ParsePath(path)); }

Node* LookupParent(const ParsedPath& p) {
    if (!p.ok || p.parts.empty()) return nullptr;
    ParsedPath parent = p;
    parent.parts.pop_back();
    Node* n = Resolve(Lookup(parent));
    return (n && n->folder) ? n : nullptr;
}

plat::HANDLE NewHandle(const HandleEntry& entry) {
    auto& t = Handles();
    const std::uintptr_t token = t.next;
    t.next += 4;  // tokens are never reused, so a stale handle stays invalid
    t.live[token] = entry;
    return reinterpret_cast<plat::HANDLE>(token);
}

// A null name only looks: nothing is recorded.
void RecordBadHandle(const char* fn) {
    if (fn) Handles().bad.emplace_back(fn);
}

HandleEntry* FindHandle(plat::HANDLE h, const char* fn) {
    auto& t = Handles();
    auto it = t.live.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == t.live.end()) {
        RecordBadHandle(fn);
        return nullptr;
    }
    return &it->second;
}

bool ReleaseHandle(plat::HANDLE h) { return Handles().live.erase(reinterpret_cast<std::uintptr_t>(h)) == 1; }

// Every name of one file is one file: a handle on any of them counts.
std::vector<const HandleEntry*> HandlesOn(const Node* node) {
    std::vector<const HandleEntry*> found;
    for (const auto& [token, e] : Handles().live) {
        const bool same = e.node == node || (node->names && std::find(node->names->begin(), node->names->end(),
                                                                     e.node) != node->names->end());
        if (same) found.push_back(&e);
    }
    return found;
}

bool HasOpenHandles(const Node* node) {
    if (!HandlesOn(node).empty()) return true;
    for (const auto& [key, child] : node->children)
        if (HasOpenHandles(child.get())) return true;
    return false;
}

namespace {

std::string PathKey(const std::string& path) {
    ParsedPath p = ParsePath(path);
    return p.ok ? Key(Join(p)) : std::string();
}

const Node* LoadedFrom(const Node* node, const std::string& key) {
    if (node->runningImage && node->loadedFrom == key) return node;
    for (const auto& [name, child] : node->children)
        if (const Node* found = LoadedFrom(child.get(), key)) return found;
    return nullptr;
}

}  // namespace

const std::string* LoadedImageAt(const std::string& path) {
    const std::string key = PathKey(path);
    if (key.empty()) return nullptr;
    for (const auto& [drive, root] : Volumes())
        if (const Node* found = LoadedFrom(root.get(), key)) return &found->loadedBytes;
    return nullptr;
}

void ResetFiles() {
    Volumes().clear();
    Handles() = HandleTable{};
    Volume('C');
}

}  // namespace detail

using namespace detail;

bool MakeFolder(const std::string& path, bool recursive) {
    ParsedPath p = ParsePath(path);
    if (!p.ok) return false;
    Node* n = Volume(p.drive);
    for (std::size_t i = 0; i < p.parts.size(); ++i) {
        n = Resolve(n);
        if (!n || !n->folder) return false;
        auto& slot = n->children[Key(p.parts[i])];
        if (!slot) {
            if (!recursive && i + 1 < p.parts.size()) {
                n->children.erase(Key(p.parts[i]));
                return false;
            }
            slot = std::make_unique<Node>();
            slot->folder = true;
            slot->name = p.parts[i];
            slot->parent = n;
            InheritAccess(slot.get());
        }
        n = slot.get();
    }
    n = Resolve(n);
    return n && n->folder;
}

bool PutFile(const std::string& path, const std::string& bytes) {
    ParsedPath p = ParsePath(path);
    if (!p.ok || p.parts.empty()) return false;
    ParsedPath parent = p;
    parent.parts.pop_back();
    if (!MakeFolder(Join(parent), true)) return false;
    Node* folder = LookupParent(p);
    auto& slot = folder->children[Key(p.parts.back())];
    if (!slot) {
        slot = std::make_unique<Node>();
        slot->name = p.parts.back();
        slot->parent = folder;
        InheritAccess(slot.get());
    }
    Node* file = Resolve(slot.get());  // written through a link, as CreateFileA would
    if (!file || file->folder) return false;
    file->data = bytes;
    Flushed(file);  // set-up files are on the disk
    SyncNames(file);
    return true;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    Node* n = Resolve(Lookup(path));
    if (!n || n->folder) return std::nullopt;
    return n->data;
}

bool Exists(const std::string& path) { return Lookup(path) != nullptr; }

bool IsFolder(const std::string& path) {
    Node* n = Lookup(path);
    return n && n->folder;
}

bool RemovePath(const std::string& path) {
    ParsedPath p = ParsePath(path);
    Node* n = Lookup(p);
    if (!n || !n->parent || !n->children.empty() || HasOpenHandles(n)) return false;
    n->parent->children.erase(Key(n->name));
    return true;
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    Node* n = Resolve(Lookup(path));
    if (!n || !n->folder) return names;
    for (const auto& [key, child] : n->children) names.push_back(child->name);
    return names;  // the map keeps them in key order
}

int OpenHandleCount() { return static_cast<int>(Handles().live.size()); }

int OpenFileHandleCount() {
    int n = 0;
    for (const auto& [token, e] : Handles().live)
        if (e.kind == HandleKind::File) ++n;
    return n;
}

std::vector<std::string> BadHandleCalls() { return Handles().bad; }

void SetRunningImage(const std::string& path, bool running) {
    Node* n = Lookup(path);
    if (!n || n->folder) return;
    n->runningImage = running;
    if (running && PathKey(path) != PathKey(ModulePath())) return;
    n->loadedFrom = running ? PathKey(path) : std::string();
    n->loadedBytes = running ? n->data : std::string();
}

bool IsRunningImage(const std::string& path) {
    Node* n = Lookup(path);
    return n && n->runningImage;
}

bool MakeLink(const std::string& path, const std::string& target, bool folder, plat::DWORD tag) {
    ParsedPath p = ParsePath(path);
    Node* parent = LookupParent(p);
    if (!parent || parent->children.count(Key(p.parts.back()))) return false;
    auto node = std::make_unique<Node>();
    node->name = p.parts.back();
    node->folder = folder;
    node->parent = parent;
    node->reparseTag = tag;
    node->linkTarget = target;
    InheritAccess(node.get());
    parent->children[Key(node->name)] = std::move(node);
    return true;
}

bool MarkReparsePoint(const std::string& path, plat::DWORD tag, bool tagUnreadable) {
    Node* n = Lookup(path);
    if (!n) return false;
    n->reparseTag = tag;
    n->tagUnreadable = tagUnreadable;
    return true;
}

bool HardLink(const std::string& existing, const std::string& newName) {
    Node* file = Resolve(Lookup(existing));
    ParsedPath p = ParsePath(newName);
    Node* parent = LookupParent(p);
    if (!file || file->folder || !parent || parent->children.count(Key(p.parts.back()))) return false;
    auto node = std::make_unique<Node>();
    node->name = p.parts.back();
    node->parent = parent;
    if (!file->names) file->names = std::make_shared<std::vector<Node*>>(1, file);
    node->names = file->names;
    node->names->push_back(node.get());
    SyncNames(file);
    parent->children[Key(node->name)] = std::move(node);
    return true;
}

}  // namespace sim

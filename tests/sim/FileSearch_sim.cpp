// The simulated folder search over the in-memory volumes: the names a
// pattern matches are listed when the search starts.
#include "platform/FileSearch.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"

#include <cstring>
#include <map>
#include <utility>

namespace sim::detail {
namespace {

struct Search {
    std::vector<std::string> names;
    std::size_t next = 0;
};

std::map<plat::HANDLE, Search>& Searches() {
    static std::map<plat::HANDLE, Search> searches;
    return searches;
}

bool Matches(const char* pattern, const char* name) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') return Matches(pattern + 1, name) || (*name && Matches(pattern, name + 1));
    if (*name == '\0') return false;
    bool same = *pattern == '?' || detail::Key(std::string(1, *pattern)) == detail::Key(std::string(1, *name));
    return same && Matches(pattern + 1, name + 1);
}

void CopyOut(const std::string& folder, const std::string& name, plat::WIN32_FIND_DATAA* data) {
    const Node* node = Lookup(folder + "\\" + name);
    data->dwFileAttributes = (node && node->folder ? plat::FILE_ATTRIBUTE_DIRECTORY : plat::FILE_ATTRIBUTE_NORMAL) |
                             (node && node->reparseTag ? plat::FILE_ATTRIBUTE_REPARSE_POINT : 0);
    std::strncpy(data->cFileName, name.c_str(), plat::MAX_PATH - 1);
    data->cFileName[plat::MAX_PATH - 1] = '\0';
}

}  // namespace

void ResetSearches() { Searches().clear(); }

}  // namespace sim::detail

namespace plat {

HANDLE FindFirstFileA(const char* lpFileName, WIN32_FIND_DATAA* lpFindFileData) {
    sim::detail::KernelLock lock;
    std::string pattern = lpFileName ? lpFileName : "";
    std::size_t slash = pattern.find_last_of('\\');
    if (slash == std::string::npos) return INVALID_HANDLE_VALUE;
    std::string folder = pattern.substr(0, slash);
    sim::detail::Search search;
    for (const std::string& name : sim::ListFolder(folder))
        if (sim::detail::Matches(pattern.c_str() + slash + 1, name.c_str())) search.names.push_back(name);
    if (search.names.empty()) return INVALID_HANDLE_VALUE;
    sim::detail::CopyOut(folder, search.names[0], lpFindFileData);
    search.next = 1;
    for (auto& name : search.names) name = folder + "\\" + name;
    sim::detail::HandleEntry entry;
    entry.kind = sim::detail::HandleKind::Search;
    HANDLE h = sim::detail::NewHandle(entry);
    sim::detail::Searches()[h] = std::move(search);
    return h;
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* lpFindFileData) {
    sim::detail::KernelLock lock;
    if (!sim::detail::FindHandle(hFindFile, "FindNextFileA")) return FALSE;
    sim::detail::Search& search = sim::detail::Searches()[hFindFile];
    if (search.next >= search.names.size()) return FALSE;
    const std::string& path = search.names[search.next++];
    std::size_t slash = path.find_last_of('\\');
    sim::detail::CopyOut(path.substr(0, slash), path.substr(slash + 1), lpFindFileData);
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
    sim::detail::KernelLock lock;
    if (!sim::detail::FindHandle(hFindFile, "FindClose")) return FALSE;
    sim::detail::Searches().erase(hFindFile);
    sim::detail::ReleaseHandle(hFindFile);
    return TRUE;
}

}  // namespace plat

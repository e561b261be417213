// Shared inner state of the simulated kernel: the in-memory volumes and the
// handle table. Only the simulation's own files include this.
#pragma once
#include "platform/WinTypes.h"
#include "tests/sim/SimSecurity.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sim::detail {

struct Node {
    bool folder = false;
    std::string name;  // stored case
    std::string data;
    bool runningImage = false;
    // The running program's own image: the key of the path it was loaded
    // from (empty for any other file) and its bytes then.
    std::string loadedFrom;
    std::string loadedBytes;
    // Data written since the last flush; the disk then holds only onDisk.
    bool unflushed = false;
    std::string onDisk;
    // Owner and access list (SimSecurity.h): the entries inherited from the
    // folder above are copies, made when the node was made.
    sim::Account owner = sim::Account::System;
    std::vector<sim::AccessEntry> acl;
    bool aclProtected = false;
    Node* parent = nullptr;
    std::map<std::string, std::unique_ptr<Node>> children;  // by Key(name)
    // A reparse point: its tag, 0 for none. A name surrogate (junction,
    // mount point, symbolic link) leads to linkTarget: a path goes on through
    // it there, and an opening reaches the target unless it asks for the
    // link itself. tagUnreadable: the tag cannot be queried.
    plat::DWORD reparseTag = 0;
    bool tagUnreadable = false;
    std::string linkTarget;
    // Every name of this file (hard links), this one included; null while it
    // has one. The names share data, owner and list (SyncNames).
    std::shared_ptr<std::vector<Node*>> names;

    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    ~Node();  // leaves its group of names
};

bool IsNameSurrogate(const Node* node);
// The node a link leads to (through chains of links), the node itself when
// it is no link; null for a link that leads nowhere.
Node* Resolve(Node* node);
// After the data, owner or list of one name changed: the same for every name.
void SyncNames(Node* node);
// How many names the file has (1 for a folder or a file of one name).
plat::DWORD NameCount(const Node* node);

// A path split into its volume and its components ("." and ".." resolved).
struct ParsedPath {
    bool ok = false;
    char drive = 0;  // upper case
    std::vector<std::string> parts;
};

ParsedPath ParsePath(const std::string& path);
// The comparison key of a name: ASCII letters upper-cased, double-byte
// characters untouched.
std::string Key(const std::string& name);
std::string Join(const ParsedPath& p);

Node* Volume(char drive);  // created on first use
std::map<char, std::unique_ptr<Node>>& AllVolumes();
// The node of the path's last name itself (a link there is not followed);
// links on the way to it are.
Node* Lookup(const ParsedPath& p);
Node* Lookup(const std::string& path);
Node* LookupParent(const ParsedPath& p);  // the containing folder (links followed), or null
char DriveOf(const Node* node);
// The bytes the running program's image had when it was loaded from this
// path, or null when it was not loaded from there.
const std::string* LoadedImageAt(const std::string& path);

// Handles
enum class HandleKind { File, Process, Thread, Mutex, Event, Search };
struct HandleEntry {
    HandleKind kind = HandleKind::File;
    Node* node = nullptr;
    plat::DWORD access = 0;
    plat::DWORD share = 0;
    std::size_t position = 0;
    bool append = false;  // FILE_APPEND_DATA alone: every write at the end
    plat::DWORD processId = 0;  // of a Process handle
};
plat::HANDLE NewHandle(const HandleEntry& entry);
// A mutex handle on the object that key names (Threads_sim.cpp); the
// kernel lock held.
plat::HANDLE NewMutex(const std::string& key);
// The live entry of the handle, or null (the call is then recorded under fn).
HandleEntry* FindHandle(plat::HANDLE h, const char* fn);
bool ReleaseHandle(plat::HANDLE h);
bool HasOpenHandles(const Node* node);
std::vector<const HandleEntry*> HandlesOn(const Node* node);
void RecordBadHandle(const char* fn);

std::string CurrentDirectory();
// True once the process of a handle from CreateProcessA has ended.
bool ProcessHasEnded(const HandleEntry& process);

class KernelLock;
// A wait on the simulated server: what the test scripted for it runs before
// the wait ends. A worker hands it to the test's thread and waits meanwhile
// (Threads_sim.cpp); on the test's own thread it runs in place.
void WaitMeanwhile(const std::function<void()>& meanwhile, KernelLock& held);

// What the disk holds of a file's data (SimPowerCut.cpp).
void BeforeWrite(Node* node);      // data about to change in the cache
void Reallocated(Node* node);      // truncated or copied: nothing of it on disk yet
void Flushed(Node* node);          // the cache is on the disk
// Called as every kernel operation begins: the moment a planned cut strikes.
void BeforeKernelOperation(int op);
void ResetPowerCut();

// Access (SimAccess.cpp), always for the current user. A new node gets the
// current user as owner and what flows to it from its folder.
void InheritAccess(Node* node);
void RootAccess(Node* root);
bool Allowed(const Node* node, unsigned rights);
bool MayDelete(const Node* node);
// A file may be made at the path (its folder allows adding) or written
// (it exists and allows writing).
bool MayCreateOrWrite(const std::string& path);
// The access list SYSTEM, Administrators and the current user get in full,
// Users read and execute, flowing to everything inside.
std::vector<sim::AccessEntry> ProtectedList();
void SetList(Node* node, const std::vector<sim::AccessEntry>& entries, bool isProtected);
// Windows' rights on the common application data folder and the profile.
void ApplyDefaultRights();
void ResetAccess();

// Windows of every process (UserWindows_sim.cpp) and the other programs
// they belong to (Processes_sim.cpp).
std::vector<plat::HWND> TopLevelWindows();
bool WindowOf(plat::HWND hwnd, plat::DWORD* process, bool* visible);
void SetWindowProcess(plat::HWND hwnd, plat::DWORD process);
void DestroyWindowsOf(plat::DWORD process);
void OtherProgramGets(plat::DWORD process, plat::UINT msg);
// Whether the process is another program's, and then whether it has ended.
bool OtherProgramEnded(plat::DWORD process, bool* ended);
void ResetOtherPrograms();

void ResetFiles();
void ResetSearches();
void ResetPendingMoves();
void ResetProcesses();
void ResetVersionData();
void ResetMessageBoxes();
void ResetWindows();
// What plat::GetLastError answers next on the calling thread.
void SetLastError(plat::DWORD error);

}  // namespace sim::detail

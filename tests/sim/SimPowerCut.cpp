// Power cuts: what the simulated disk keeps when the power goes.
//
// The model is NTFS's: metadata (creation, truncation, length, rename,
// delete) goes through the journal, file data through the cache. A cut keeps
// every completed metadata change, the harshest order a journal allows, and
// loses every byte written but not flushed: such a file keeps its length and
// reads as zeros where the lost data was (a truncated and rewritten file is
// all zeros). A move to another volume copies the data, which is on the
// disk only when the move was made with MOVEFILE_WRITE_THROUGH.
#include "tests/sim/SimFaults.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimPowerCut.h"

#include <algorithm>

namespace sim {
namespace detail {
namespace {

using Volumes = std::map<char, std::unique_ptr<Node>>;

struct PowerCut {
    int cutAfter = -1;  // operations that complete before the cut; -1 = none planned
    int operations = 0;
    bool struck = false;
    Volumes disk;  // what the disk held when the cut struck
};

PowerCut& State() {
    static PowerCut state;
    return state;
}

bool TouchesDisk(int op) {
    return op >= static_cast<int>(Op::CreateFileRead) && op <= static_cast<int>(Op::CreateProcess);
}

std::string DataOnDisk(const Node& node) {
    if (!node.unflushed) return node.data;
    std::string kept(node.data.size(), '\0');
    std::copy_n(node.onDisk.begin(), std::min(node.onDisk.size(), kept.size()), kept.begin());
    return kept;
}

std::unique_ptr<Node> DiskCopy(const Node& node, Node* parent) {
    auto copy = std::make_unique<Node>();
    copy->folder = node.folder;
    copy->name = node.name;
    copy->parent = parent;
    copy->data = DataOnDisk(node);
    copy->owner = node.owner;
    copy->acl = node.acl;
    copy->aclProtected = node.aclProtected;
    for (const auto& [key, child] : node.children) copy->children[key] = DiskCopy(*child, copy.get());
    return copy;
}

void Strike() {
    PowerCut& st = State();
    st.struck = true;
    st.disk.clear();
    for (const auto& [drive, root] : AllVolumes()) st.disk[drive] = DiskCopy(*root, nullptr);
}

}  // namespace

void BeforeWrite(Node* node) {
    if (node->unflushed) return;
    node->onDisk = node->data;
    node->unflushed = true;
}

void Reallocated(Node* node) {
    node->onDisk.clear();
    node->unflushed = true;
}

void Flushed(Node* node) {
    node->onDisk.clear();
    node->unflushed = false;
}

void BeforeKernelOperation(int op) {
    PowerCut& st = State();
    if (!TouchesDisk(op)) return;
    if (!st.struck && st.operations == st.cutAfter) Strike();
    ++st.operations;
}

void ResetPowerCut() { State() = PowerCut{}; }

}  // namespace detail

void PlanPowerCut(int operations) {
    detail::ResetPowerCut();
    detail::State().cutAfter = operations;
}

bool RestartAfterPowerCut() {
    detail::PowerCut& st = detail::State();
    const bool cutDuringRun = st.struck;
    if (!st.struck) detail::Strike();
    detail::Volumes disk = std::move(st.disk);
    detail::ResetFiles();  // no handles, no running images survive
    detail::AllVolumes() = std::move(disk);
    detail::ResetPowerCut();
    return cutDuringRun;
}

}  // namespace sim

#include "tests/sim/SimFaults.h"
#include "tests/sim/SimInternal.h"

#include <array>
#include <vector>

namespace sim {
namespace {

struct Armed {
    int remaining;  // calls still to pass before the fault hits (0 = next)
    Fault fault;
};

struct FaultState {
    std::array<int, static_cast<int>(Op::Count_)> calls{};
    std::array<std::vector<Armed>, static_cast<int>(Op::Count_)> armed;
};

FaultState& State() {
    static FaultState state;
    return state;
}

}  // namespace

void ResetFaults() { State() = FaultState{}; }

void InjectFault(Op op, int nth, Fault fault) {
    if (nth < 1) nth = 1;
    State().armed[static_cast<int>(op)].push_back(Armed{nth - 1, fault});
}

int CallCount(Op op) { return State().calls[static_cast<int>(op)]; }

int PendingFaultCount() {
    int n = 0;
    for (const auto& list : State().armed)
        for (const auto& a : list)
            if (a.remaining >= 0 && !a.fault.sticky) ++n;
    return n;
}

bool TakeFault(Op op, Fault* out) {
    auto& st = State();
    const int i = static_cast<int>(op);
    detail::BeforeKernelOperation(i);
    ++st.calls[i];
    bool hit = false;
    Fault found;
    auto& list = st.armed[i];
    for (auto it = list.begin(); it != list.end();) {
        if (it->remaining > 0) {
            --it->remaining;
            ++it;
            continue;
        }
        // One fault per call; another due now waits for the next call.
        if (hit || it->fault.sticky) {
            if (!hit) found = it->fault;
            hit = true;
            ++it;
            continue;
        }
        hit = true;
        found = it->fault;
        it = list.erase(it);
    }
    if (hit && out) *out = found;
    return hit;
}

}  // namespace sim

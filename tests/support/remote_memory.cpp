#include "support/remote_memory.h"

#include <algorithm>
#include <iterator>

namespace {

// Calls `visit` with every committed private region of the process.
template <typename Visit>
void ForEachPrivateRegion(HANDLE process, Visit visit) {
    MEMORY_BASIC_INFORMATION region{};
    for (uintptr_t address = 0;
         VirtualQueryEx(process, reinterpret_cast<const void*>(address), &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) visit(region);
        const uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;  // wrapped around the top of the address space
        address = next;
    }
}

}  // namespace

std::set<uintptr_t> PrivateAllocationBases(HANDLE process) {
    std::set<uintptr_t> bases;
    ForEachPrivateRegion(process, [&bases](const MEMORY_BASIC_INFORMATION& region) {
        bases.insert(reinterpret_cast<uintptr_t>(region.AllocationBase));
    });
    return bases;
}

SIZE_T PrivateCommittedBytes(HANDLE process) {
    SIZE_T bytes = 0;
    ForEachPrivateRegion(process, [&bytes](const MEMORY_BASIC_INFORMATION& region) { bytes += region.RegionSize; });
    return bytes;
}

std::set<uintptr_t> AllocationBasesAdded(const std::set<uintptr_t>& before, const std::set<uintptr_t>& after) {
    std::set<uintptr_t> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::inserter(added, added.end()));
    return added;
}

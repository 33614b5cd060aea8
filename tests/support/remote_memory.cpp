#include "remote_memory.h"

#include <algorithm>
#include <iterator>

std::set<uintptr_t> PrivateAllocationBases(HANDLE process)
{
    std::set<uintptr_t> bases;
    MEMORY_BASIC_INFORMATION region{};
    for (uintptr_t address = 0;
         VirtualQueryEx(process, reinterpret_cast<const void*>(address), &region, sizeof region) == sizeof region;)
    {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            bases.insert(reinterpret_cast<uintptr_t>(region.AllocationBase));
        const uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;  // wrapped around the top of the address space
        address = next;
    }
    return bases;
}

std::set<uintptr_t> AllocationBasesAdded(const std::set<uintptr_t>& before, const std::set<uintptr_t>& after)
{
    std::set<uintptr_t> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::inserter(added, added.end()));
    return added;
}

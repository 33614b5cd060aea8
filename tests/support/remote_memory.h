#pragma once

#include <windows.h>

#include <cstdint>
#include <set>

// The allocation bases of every committed private region of a process (what
// VirtualAllocEx hands out, among much else). Needs PROCESS_QUERY_INFORMATION.
std::set<uintptr_t> PrivateAllocationBases(HANDLE process);

// The bytes of all committed private regions of a process.
SIZE_T PrivateCommittedBytes(HANDLE process);

// The bases in `after` that were not in `before`: what was allocated between
// two snapshots and is still there.
std::set<uintptr_t> AllocationBasesAdded(const std::set<uintptr_t>& before, const std::set<uintptr_t>& after);

#pragma once

#include <windows.h>

#include <cstddef>

// How many handles a process holds, from the system's table of all handles.
// (Wine's GetProcessHandleCount answers 0 for every process.)
size_t HandleCount(DWORD processId);

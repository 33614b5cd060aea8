#pragma once

#include <windows.h>

#include <initializer_list>

#include "desktop/remote_buffers.h"

// Opens the shell process behind the list view and reports on standard error
// when it cannot be used; true when it can.
[[nodiscard]] bool OpenShellProcess(RemoteBuffers& buffers, HWND listView);

// Allocates the action's blocks and reports on standard error when one is missing.
[[nodiscard]] bool AllocateShellBlocks(RemoteBuffers& buffers, std::initializer_list<RemoteBlock> order);

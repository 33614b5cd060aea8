#pragma once

#include "support/unique_resource.h"

#include <windows.h>

#include <string>
#include <vector>

// Starts exePath with args, handing it the standard handles in startup (the
// handles are inherited), and returns the new process. Throws
// std::runtime_error when the program cannot be started.
UniqueHandle StartProcess(const std::wstring& exePath, const std::vector<std::wstring>& args,
                          const STARTUPINFOW& startup);

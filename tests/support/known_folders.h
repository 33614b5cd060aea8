#pragma once

#include <string>

// Where the prefix keeps things, without a trailing backslash. Both throw
// std::runtime_error when Windows cannot say.
std::wstring DesktopDirectory();
std::wstring TemporaryDirectory();

// Creates an empty file; fails (throws) if the name is already taken.
void CreateEmptyFile(const std::wstring& path);

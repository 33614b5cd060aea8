#pragma once

#include <string>
#include <vector>

// A command line that CommandLineToArgvW (and the C runtime) split back into
// exactly exePath followed by args: empty arguments, spaces, embedded quotes
// and backslashes before quotes all survive.
std::wstring BuildCommandLine(const std::wstring& exePath, const std::vector<std::wstring>& args);

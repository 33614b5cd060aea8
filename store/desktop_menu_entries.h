#pragma once

#include <vector>

#include "text/wstring.h"

// The entries of the menu of the desktop's background for the current user:
// one subkey each, whose "command" subkey's default value is the command line
// the entry runs.
constexpr wchar_t kDesktopMenuKey[] = L"Software\\Classes\\DesktopBackground\\Shell";

// The names of the entries whose command line runs a Kelvane program, in the
// registry's enumeration order; read without creating anything.
[[nodiscard]] std::vector<WString> FindKelvaneMenuEntries();

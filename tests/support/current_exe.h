#pragma once

#include <string>

// The folder holding the running executable, without a trailing backslash.
// Test programs find their helpers (desktop_fixture.exe, the product) there.
std::wstring CurrentExeDirectory();

#pragma once

#include <windows.h>

// The version of Windows as the system itself has it (RtlGetVersion), which
// GetVersionEx hides from a program whose manifest names no later Windows.
// False when ntdll does not offer it.
[[nodiscard]] bool ReadWindowsVersion(RTL_OSVERSIONINFOW& version);

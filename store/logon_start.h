#pragma once

#include "text/wstring.h"

// The command line that the shell starts at each log-on of the current user,
// registered as one value of the user's Run key, which a standard user can
// always write.
constexpr wchar_t kLogonStartKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kLogonStartValue[] = L"Kelvane";

// Writes the value, replacing one written before; false when the registry refused.
[[nodiscard]] bool RegisterLogonStart(const wchar_t* commandLine);

// The command line registered, read without creating anything; false when
// there is none.
[[nodiscard]] bool ReadLogonStart(WString& commandLine);

// Removes the value; true also when there was none.
[[nodiscard]] bool UnregisterLogonStart();

#pragma once

// Stores the layouts of a layout file as a save stores a layout, after checking
// the whole file and asking before it replaces a stored layout (unless told
// yes). With a name, the file's one layout is stored under that name.
int ImportLayouts(bool assumeYes, const wchar_t* fileName, const wchar_t* givenName);

// Larger files are refused unread.
constexpr unsigned long long kMaxLayoutFileSize = 16ull * 1024 * 1024;

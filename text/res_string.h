#pragma once

#include <windows.h>

// String-table ids of the program image.
enum : unsigned {
    kStoreBaseKeyId = 101,       // "Software\Brenlow\DeskTop"
    kSingleMonitorNameId = 102,  // "Layout %d x %d"
    kMultiMonitorNameId = 103,   // "Multi-Monitor"
};

// The module whose string table LoadResString reads; wmain sets it first thing.
void SetResourceModule(HINSTANCE module);

// Loads a string resource into one of three rotating 256-character buffers: the
// text stays valid until three further calls have been made.
const wchar_t* LoadResString(unsigned id);

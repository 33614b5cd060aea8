#pragma once

#include <windows.h>

// The restore engine: loads the named layout and moves each stored icon back,
// matching records to items by text and then by identity. Returns 1 when it
// walked the whole layout, 0 when it stopped before.
int ApplyLayout(HWND listView, const wchar_t* layoutName);

#pragma once

#include <windows.h>

#include "text/wstring.h"

// How a restore treats a layout saved on another display configuration: it
// places the icons as stored, or fits them to the display in force (fit_layout.h).
enum class Fitting { AsStored, ToDisplay };

// Restores the named layout, or the one named after the current display when the
// name is empty; the stored name matches without regard to ASCII letter case.
void RestoreLayout(bool assumeYes, const wchar_t* layoutName, Fitting fitting = Fitting::AsStored);

// Restores version `number` (1 is the newest) kept of the named layout, or of
// the one named after the current display when the name is empty, as a restore
// does; the layouts themselves are not changed. A version that is not kept is
// reported as a layout not found, and nothing moves.
void RestoreLayoutVersion(bool assumeYes, const wchar_t* layoutName, int number, Fitting fitting = Fitting::AsStored);

// Lists the stored layouts under a one-key menu and restores the one chosen.
void QueryLayouts(bool assumeYes);

// What every restore does once its stored layout is found: asks (unless told
// yes), then moves the icons with the desktop's redrawing held back until the
// last one stands.
void RestoreFoundLayout(bool assumeYes, HWND listView, const WString& layoutName, Fitting fitting = Fitting::AsStored);

// The menu keys, in enumeration order of the layouts: the menu offers at most 35.
constexpr wchar_t kMenuKeys[] = L"123456789abcdefghijklmnopqrstuvwxyz";
constexpr int kMenuKeyCount = sizeof(kMenuKeys) / sizeof(kMenuKeys[0]) - 1;

#pragma once

// Without a name, the stored layout names, one a line in enumeration order. With
// one, the icons of that layout as a restore reads them, one a line:
// x, y, "item" or "text", the key and the display text, separated by tabs.
int ListLayouts(const wchar_t* givenName);

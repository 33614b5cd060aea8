#include "text/item_text_match.h"

#include <windows.h>

bool ItemTextsMatch(const wchar_t* itemText, const wchar_t* searched) { return lstrcmpiW(itemText, searched) == 0; }

#pragma once

// Whether an item's text, as the list view reports it, is the text a search for
// `searched` would find: the list view's own text search (LVM_FINDITEMW with
// LVFI_STRING) compares whole texts with lstrcmpiW, the user's locale deciding
// what case and equivalence mean, so the restore's matching compares the same
// way rather than by code unit.
[[nodiscard]] bool ItemTextsMatch(const wchar_t* itemText, const wchar_t* searched);

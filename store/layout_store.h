#pragma once

#include "store/icon_record.h"

// Value names are at most this long in a stored layout (terminating zero included).
constexpr DWORD kNameBufferLength = 260;

// Replaces the list with the records of the named layout (a subkey of the store's
// base key), in the registry's enumeration order. Stops at the first value that
// cannot be read whole; values of other types are skipped. A missing layout is
// created empty. True when at least one record was read.
bool LoadLayout(const wchar_t* layoutName, IconRecordList& list);

// Replaces the named layout's records with these, creating the layout when it is
// missing. The records are written over the stored ones in place, and the values
// of icons that are gone are removed only after every record was written: a
// failure at any step leaves every icon of the stored layout in it, as it was or
// as it is now, and a reader never finds the layout missing or half empty. True
// when the layout holds exactly the records.
bool StoreLayout(const wchar_t* layoutName, const IconRecordList& records);

// Why a layout name cannot be stored, or null when it can: a backslash would
// nest keys that no restore finds, and the registry limits a key name's length.
const wchar_t* LayoutNameProblem(const wchar_t* layoutName);

// The stored layout that a save under this name would write into although a
// restore by the name would not find it: the registry takes names differing in
// the case of any letter for one name, a restore only those differing in the
// case of A to Z. False when there is none, or when the store cannot be listed.
bool FindCaseTwin(const wchar_t* layoutName, WString& storedName);

#pragma once

#include <vector>

#include "store/icon_record.h"
#include "store/layout_versions.h"

// Layout and value names are at most this long as the store reads them
// (terminating zero included).
constexpr DWORD kNameBufferLength = 260;

// Replaces the list with the records of the named layout (a subkey of the store's
// base key), in the registry's enumeration order. Stops at the first value that
// cannot be read whole; values of other types are skipped. A missing layout is
// created empty. True when at least one record was read.
[[nodiscard]] bool LoadLayout(const wchar_t* layoutName, IconRecordList& list);

// What storing records left in a layout.
enum class StoreOutcome {
    Stored,          // exactly the records (and the values kept for unread icons)
    StaleKept,       // every record, and some values of icons that are gone
    PartlyWritten,   // some records; the other values as they were, none removed
    NothingWritten,  // the layout as it was
};

// The icons a save could not read, whose stored values stay although no record
// replaces them: those whose record shows one of these display texts, and every
// value when an icon was not read even that far.
struct UnreadIcons {
    std::vector<WString> texts;
    bool someWithoutText = false;
};

// What a write of a layout did: what it left in the layout, and whether what the
// layout held before was kept as a version (layout_versions.h), or needed none.
struct StoreResult {
    StoreOutcome outcome;
    bool versionKept;
};

// Replaces the named layout's records with these, creating the layout when it is
// missing. Every write of a layout comes here, and what the layout held is first
// kept as a version replaced by `change`; a keep that fails does not stop the
// write. The records are written over the stored ones in place, and the values
// of icons that are gone are removed only after every record was written: a
// failure at any step leaves every icon of the stored layout in it, as it was or
// as it is now, and a reader never finds the layout missing or half empty. A
// value whose name the registry takes for a record's, spelt in another case,
// ends up under the record's spelling, the one a restore looks for.
[[nodiscard]] StoreResult StoreLayout(const wchar_t* layoutName, const IconRecordList& records, LayoutChange change,
                                      const UnreadIcons& unread = {});

// The same two, on a key the caller opened: the values of the key are the
// records.
[[nodiscard]] bool LoadRecords(RegKey& key, IconRecordList& list);
[[nodiscard]] StoreOutcome StoreRecords(RegKey& key, const IconRecordList& records, const UnreadIcons& unread = {});

// Removes the layout of that name as stored, with everything in it, after
// keeping what it held as a version replaced by a delete. `deleted` is false
// when the registry refused (or the name is empty, which would be the whole
// store).
struct DeleteResult {
    bool deleted;
    bool versionKept;
};
[[nodiscard]] DeleteResult DeleteLayout(const wchar_t* storedName);

// Why a layout name cannot be stored, or null when it can: a backslash would
// nest keys that no restore finds, and the registry limits a key name's length.
[[nodiscard]] const wchar_t* LayoutNameProblem(const wchar_t* layoutName);

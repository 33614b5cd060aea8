#pragma once

#include <windows.h>

#include <vector>

#include "display/monitor_areas.h"
#include "store/icon_record.h"
#include "text/wstring.h"

// The past versions of the layouts. Before a write replaces or removes a stored
// layout, what the layout held is kept beside the layouts rather than among them
// (in the store's base key path with " Versions" appended), so that no listing
// of the layouts, restore or menu sees it. There each layout name has a key with
// one subkey per version, named by a ten-digit sequence number that grows with
// every keep; a version's key holds the time it was kept ("Kept", a REG_QWORD
// FILETIME in UTC) and what replaced it ("Replaced by"), and its subkey "Icons"
// the records in the layouts' own value form. A version of a layout whose
// display was recorded (display_record.h) holds that record too ("Display").

// What replaced a kept version; stored as the command's word.
enum class LayoutChange { Save, Watch, Import, Delete };

// Versions kept of one layout name: the oldest beyond these is dropped.
constexpr int kMaxLayoutVersions = 10;

struct LayoutVersion {
    FILETIME kept = {};  // UTC
    WString replacedBy;  // "save", "watch", "import" or "delete"
    IconRecordList records;
    DisplayConfig display;  // empty when none was recorded
};

// Keeps `stored`, what the named layout holds, as its newest version before
// `change` replaces it with `replacing` (empty for a delete). Nothing is kept
// when `stored` is empty, equals `replacing` (a write that changes nothing
// replaces nothing) or equals the newest version kept. True when the version
// is kept or nothing needed keeping; false when the registry refused, and a
// version written only in part is removed again.
[[nodiscard]] bool KeepLayoutVersion(const wchar_t* layoutName, const IconRecordList& stored,
                                     const IconRecordList& replacing, LayoutChange change);

// The versions kept under the name that the registry takes for `name` (any
// letter case), newest first; that name, as kept, goes to keptName. Empty when
// none are kept. Reading creates no key.
[[nodiscard]] std::vector<LayoutVersion> LoadLayoutVersions(const wchar_t* name, WString& keptName);

// Every name under which versions were kept, a deleted layout's included, in
// enumeration order (one whose versions are all gone may be among them).
// Reading creates no key.
[[nodiscard]] std::vector<WString> VersionedLayoutNames();

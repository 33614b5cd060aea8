#pragma once

#include "store/icon_record.h"
#include "store/reg_key.h"

// The arrangement that the last restore replaced, kept for `undo` beside the
// layouts rather than among them (in the store's base key path with " Undo"
// appended), so that no listing of the layouts shows it. Its values have the
// layouts' form.

// Replaces the kept arrangement with these records, in place as a save writes
// a layout. True when the key holds exactly the records.
[[nodiscard]] bool StoreUndoArrangement(const IconRecordList& records);

// The kept arrangement; false when nothing is kept. Opening the key creates
// it when it is missing, unless told ExistingOnly.
[[nodiscard]] bool LoadUndoArrangement(IconRecordList& records, KeyOpening opening = KeyOpening::CreateMissing);

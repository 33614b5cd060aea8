#pragma once

#include <vector>

#include "store/stored_values.h"

struct SkippedValue {
    WString name;
    ValueProblem problem;
};

// Every value of the named layout, read whole, unlike the loading of a restore,
// which stops at the first value it cannot read: each value that a save could
// have written becomes a record that writes back to the same bytes, every other
// value is named in `skipped`. False when the layout could not be listed to its
// end.
[[nodiscard]] bool ReadWholeLayout(const wchar_t* storedName, IconRecordList& records,
                                   std::vector<SkippedValue>& skipped);

#pragma once

#include <vector>

#include "store/icon_record.h"

// Why a stored value is not a record that a save could have written.
// The export names each in a table in this order (manage/export_layouts.cpp).
enum class ValueProblem {
    NameTooLong,   // 260 characters or more: no record key is that long
    DataTooLong,   // over 528 bytes
    DataTooShort,  // a REG_BINARY value under 10 bytes
    DwordSize,     // a REG_DWORD value of other than 4 bytes
    OtherType,     // neither REG_BINARY nor REG_DWORD
    TextNotEnded,  // the text does not end with the data's last, and first, zero unit
};

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

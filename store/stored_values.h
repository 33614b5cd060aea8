#pragma once

#include <functional>
#include <optional>

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

// One value of a layout key with its verdict.
struct StoredValue {
    WString name;
    // The name is under 260 characters and the data at most 528 bytes: the value
    // fits the buffers a record is read into.
    bool fits = false;
    // The record of a REG_BINARY or REG_DWORD value that fits, read as a restore
    // reads it: zeros beyond the data.
    std::optional<IconRecord> record;
    // Why the value is not a record that writes back to the same bytes; empty
    // when it is one.
    std::optional<ValueProblem> problem;
};

// Hands every value of the open key, however long its name or data, to `take` in
// enumeration order, until `take` answers false. False when the key could not
// be listed to its end or to that value.
[[nodiscard]] bool ReadStoredValues(RegKey& key, const std::function<bool(const StoredValue&)>& take);

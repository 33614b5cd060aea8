#pragma once

#include <cstdint>
#include <vector>

#include "store/reg_key.h"
#include "text/wstring.h"

// Longest display text a stored record holds, and the largest record data:
// x, y, then the text and its terminating zero.
constexpr int kMaxDisplayTextLength = 259;
constexpr DWORD kMaxRecordDataSize = 8 + (kMaxDisplayTextLength + 1) * 2;
static_assert(kMaxRecordDataSize == 528);
// The smallest: x, y and the zero unit of an empty text.
constexpr DWORD kMinRecordDataSize = 8 + 2;

// One saved icon. An icon with a shell item is stored as a REG_BINARY value named
// by its identity, holding x, y and the display text; an icon without one as a
// REG_DWORD value named by its display text, holding the position packed in 32 bits.
struct IconRecord {
    WString keyName;
    WString displayText;
    int32_t x = 0;
    int32_t y = 0;
    bool textOnly = false;

    void Set(const wchar_t* key, const wchar_t* text, int32_t xPosition, int32_t yPosition);
    // A record without a shell item: keyed by its display text.
    void SetTextOnly(const wchar_t* text, int32_t xPosition, int32_t yPosition);

    // The name of the record's value: the identity, or the display text for a
    // record without one.
    const wchar_t* ValueName() const;

    // Writes the record as one value of the open layout key; false when the key
    // is not open or the registry refused the write.
    [[nodiscard]] bool WriteIconRecord(RegKey& layoutKey) const;
};

using IconRecordList = std::vector<IconRecord>;

// Whether both lists store the same values, in whatever order: each record's
// value name, position (a text-only record's as its 16-bit halves) and display
// text.
[[nodiscard]] bool SameRecords(IconRecordList first, IconRecordList second);

// The REG_DWORD form: each coordinate's low 16 bits, y in the high half. Read
// back as signed halves, so that negative coordinates survive the round trip;
// values written by older copies as y * 65536 + x unpack to the same 16-bit
// position that the list view receives.
uint32_t PackPosition(int32_t x, int32_t y);
void UnpackPosition(uint32_t packed, int32_t& x, int32_t& y);

// The REG_BINARY form of a record, 2n + 10 bytes for a text of n code units (cut
// to kMaxDisplayTextLength). Returns the size written into data.
DWORD EncodeRecordData(int32_t x, int32_t y, const wchar_t* displayText, uint8_t (&data)[kMaxRecordDataSize]);

// Room to read a REG_BINARY value into: the largest record data and two spare
// zero bytes, which end a text that fills the whole data without its own zero.
constexpr DWORD kRecordReadBufferSize = kMaxRecordDataSize + 2;

// Reads the REG_BINARY form back. The buffer must be zero beyond the value's
// data, so that short data gives zero coordinates and an empty text.
void DecodeRecordData(const uint8_t (&data)[kRecordReadBufferSize], int32_t& x, int32_t& y, WString& displayText);

#include "store/icon_record.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

void IconRecord::Set(const wchar_t* key, const wchar_t* text, int32_t xPosition, int32_t yPosition) {
    keyName.Assign(key);
    displayText.Assign(text);
    x = xPosition;
    y = yPosition;
}

void IconRecord::SetTextOnly(const wchar_t* text, int32_t xPosition, int32_t yPosition) {
    keyName.Assign(text);
    displayText.Assign(text);
    x = xPosition;
    y = yPosition;
    textOnly = true;
}

uint32_t PackPosition(int32_t x, int32_t y) {
    return (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) | static_cast<uint16_t>(x);
}

void UnpackPosition(uint32_t packed, int32_t& x, int32_t& y) {
    x = static_cast<int16_t>(packed & 0xFFFF);
    y = static_cast<int16_t>(packed >> 16);
}

DWORD EncodeRecordData(int32_t x, int32_t y, const wchar_t* displayText, uint8_t (&data)[kMaxRecordDataSize]) {
    std::memset(data, 0, sizeof(data));
    size_t length = std::wcslen(displayText);
    if (length > kMaxDisplayTextLength) {
        length = kMaxDisplayTextLength;
    }
    const uint32_t coordinates[2] = {static_cast<uint32_t>(x), static_cast<uint32_t>(y)};
    for (int field = 0; field < 2; ++field) {
        for (int byte = 0; byte < 4; ++byte) {
            data[field * 4 + byte] = static_cast<uint8_t>(coordinates[field] >> (8 * byte));
        }
    }
    for (size_t unit = 0; unit < length; ++unit) {
        data[8 + unit * 2] = static_cast<uint8_t>(displayText[unit] & 0xFF);
        data[8 + unit * 2 + 1] = static_cast<uint8_t>(displayText[unit] >> 8);
    }
    return static_cast<DWORD>(2 * length + 10);
}

void DecodeRecordData(const uint8_t (&data)[kRecordReadBufferSize], int32_t& x, int32_t& y, WString& displayText) {
    int32_t coordinates[2];
    for (int field = 0; field < 2; ++field) {
        const uint8_t* bytes = data + field * 4;
        coordinates[field] = static_cast<int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                                  (static_cast<uint32_t>(bytes[3]) << 24));
    }
    x = coordinates[0];
    y = coordinates[1];
    wchar_t text[kMaxDisplayTextLength + 2];
    size_t length = 0;
    for (; length < kMaxDisplayTextLength + 1; ++length) {
        const wchar_t unit = static_cast<wchar_t>(data[8 + length * 2] | (data[8 + length * 2 + 1] << 8));
        if (unit == L'\0') {
            break;
        }
        text[length] = unit;
    }
    text[length] = L'\0';
    displayText.Assign(text);
}

namespace {

// A total order of records: by value name as the registry compares names, then
// by spelling.
bool RecordBefore(const IconRecord& left, const IconRecord& right) {
    const int order = CompareRegistryNames(left.ValueName(), right.ValueName());
    return order != 0 ? order < 0 : std::wcscmp(left.ValueName(), right.ValueName()) < 0;
}

// Whether the two records store the same value. A text-only record holds its
// position in 16 bits a coordinate, so a walk's wider one is compared as stored.
bool SameRecord(const IconRecord& left, const IconRecord& right) {
    if (left.textOnly != right.textOnly || std::wcscmp(left.ValueName(), right.ValueName()) != 0) {
        return false;
    }
    if (left.textOnly) {
        return PackPosition(left.x, left.y) == PackPosition(right.x, right.y);
    }
    return left.x == right.x && left.y == right.y &&
           std::wcscmp(left.displayText.Text(), right.displayText.Text()) == 0;
}

}  // namespace

bool SameRecords(IconRecordList left, IconRecordList right) {
    if (left.size() != right.size()) {
        return false;
    }
    std::sort(left.begin(), left.end(), RecordBefore);
    std::sort(right.begin(), right.end(), RecordBefore);
    return std::equal(left.begin(), left.end(), right.begin(), SameRecord);
}

const wchar_t* IconRecord::ValueName() const { return textOnly ? displayText.Text() : keyName.Text(); }

bool IconRecord::WriteIconRecord(RegKey& layoutKey) const {
    if (textOnly) {
        return layoutKey.SetDword(ValueName(), PackPosition(x, y));
    }
    uint8_t data[kMaxRecordDataSize];
    const DWORD size = EncodeRecordData(x, y, displayText.Text(), data);
    return layoutKey.SetBinary(ValueName(), data, size);
}

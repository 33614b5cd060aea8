#include "desktop/remote_records.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>

namespace {

// The platform's own records agree with the native layout where they overlap.
static_assert(offsetof(LVITEMW, mask) == 0 && offsetof(LVITEMW, iItem) == 4 && offsetof(LVITEMW, iSubItem) == 8);
static_assert(offsetof(LVITEMW, state) == 12 && offsetof(LVITEMW, stateMask) == 16);
static_assert(offsetof(LVITEMW, pszText) == kNativeLayout.itemTextOffset);
static_assert(offsetof(LVITEMW, cchTextMax) == kNativeLayout.itemTextMaxOffset);
static_assert(offsetof(LVITEMW, lParam) == kNativeLayout.itemParamOffset);
static_assert(offsetof(LVITEMW, iIndent) + sizeof(int) <= kNativeLayout.itemSize);
static_assert(kNativeLayout.itemSize == (sizeof(void*) == 8 ? 56 : 40));
static_assert(sizeof(LVFINDINFOW) == kNativeLayout.findSize);
static_assert(offsetof(LVFINDINFOW, flags) == 0);
static_assert(offsetof(LVFINDINFOW, psz) == kNativeLayout.findTextOffset);
static_assert(offsetof(LVFINDINFOW, pt) == kNativeLayout.findPointOffset);
static_assert(offsetof(LVFINDINFOW, vkDirection) == kNativeLayout.findPointOffset + 8);
static_assert(kLayout32.itemSize <= kMaxRecordSize && kLayout64.itemSize <= kMaxRecordSize);

constexpr uint32_t kItemMask = LVIF_TEXT | LVIF_PARAM;

void Put32(RemoteRecord& record, size_t offset, uint32_t value) {
    // Little-endian on every Windows target.
    for (int byte = 0; byte < 4; ++byte) {
        record.bytes[offset + byte] = static_cast<uint8_t>(value >> (8 * byte));
    }
}

void PutAddress(const RecordLayout& layout, RemoteRecord& record, size_t offset, uint64_t address) {
    for (uint32_t byte = 0; byte < layout.addressSize; ++byte) {
        record.bytes[offset + byte] = static_cast<uint8_t>(address >> (8 * byte));
    }
}

}  // namespace

RemoteRecord EncodeItemRequest(const RecordLayout& layout, int item, uint64_t remoteText) {
    RemoteRecord record;
    record.size = layout.itemSize;
    Put32(record, 0, kItemMask);
    Put32(record, 4, static_cast<uint32_t>(item));
    PutAddress(layout, record, layout.itemTextOffset, remoteText);
    Put32(record, layout.itemTextMaxOffset, kRemoteTextLength);
    return record;
}

RemoteRecord EncodeTextSearch(const RecordLayout& layout, uint64_t remoteText) {
    RemoteRecord record;
    record.size = layout.findSize;
    Put32(record, 0, LVFI_STRING);
    PutAddress(layout, record, layout.findTextOffset, remoteText);
    return record;
}

RemoteRecord EncodeNearestSearch(const RecordLayout& layout, int32_t x, int32_t y) {
    RemoteRecord record;
    record.size = layout.findSize;
    Put32(record, 0, LVFI_NEARESTXY);
    Put32(record, layout.findPointOffset, static_cast<uint32_t>(x));
    Put32(record, layout.findPointOffset + 4, static_cast<uint32_t>(y));
    return record;
}

uint64_t DecodeItemParam(const RecordLayout& layout, const uint8_t* record) {
    uint64_t value = 0;
    for (uint32_t byte = 0; byte < layout.addressSize; ++byte) {
        value |= static_cast<uint64_t>(record[layout.itemParamOffset + byte]) << (8 * byte);
    }
    return value;
}

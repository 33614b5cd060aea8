#pragma once

#include <cstddef>
#include <cstdint>

// Byte layouts of the records written into the shell process. The shell reads
// them with its own pointer width, so they are laid out here field by field for
// both widths rather than taken from the compiler's headers, whose LVITEMW has
// grown extra fields over the header versions.
struct RecordLayout {
    uint32_t addressSize;
    // LVITEMW, in its form that ends with iIndent.
    uint32_t itemSize;
    uint32_t itemTextOffset;     // pszText
    uint32_t itemTextMaxOffset;  // cchTextMax
    uint32_t itemParamOffset;    // lParam
    // LVFINDINFOW.
    uint32_t findSize;
    uint32_t findTextOffset;   // psz
    uint32_t findPointOffset;  // pt
};

// mask, iItem, iSubItem, state and stateMask lead both item layouts at offsets 0
// to 16; flags leads the search record. Padding and unset fields are zero.
inline constexpr RecordLayout kLayout32{4, 40, 20, 24, 32, 24, 4, 12};
inline constexpr RecordLayout kLayout64{8, 56, 24, 32, 40, 40, 8, 24};
inline constexpr const RecordLayout& kNativeLayout = sizeof(void*) == 8 ? kLayout64 : kLayout32;

constexpr size_t kMaxRecordSize = 56;
constexpr int kRemoteTextLength = 260;  // code units, terminating zero included

// One record ready to be copied into the shell: the first `size` bytes count.
struct RemoteRecord {
    uint8_t bytes[kMaxRecordSize] = {};
    size_t size = 0;
};

// LVM_GETITEMW request for the text and the item data of one item, whose text the
// shell writes to remoteText.
RemoteRecord EncodeItemRequest(const RecordLayout& layout, int item, uint64_t remoteText);

// LVM_FINDITEMW search for the items whose whole text equals the text in remoteText.
RemoteRecord EncodeTextSearch(const RecordLayout& layout, uint64_t remoteText);

// LVM_FINDITEMW search for the item nearest to a point.
RemoteRecord EncodeNearestSearch(const RecordLayout& layout, int32_t x, int32_t y);

// The item data (lParam) of an item record that the shell filled.
uint64_t DecodeItemParam(const RecordLayout& layout, const uint8_t* record);

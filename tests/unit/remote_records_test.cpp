#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "desktop/remote_records.h"

namespace {

std::vector<uint8_t> Bytes(const RemoteRecord& record) { return {record.bytes, record.bytes + record.size}; }

// Little-endian helpers for writing the expected records out by hand.
void Put(std::vector<uint8_t>& bytes, size_t offset, uint64_t value, size_t size) {
    for (size_t byte = 0; byte < size; ++byte)
        bytes[offset + byte] = static_cast<uint8_t>(value >> (8 * byte));
}

constexpr uint64_t kText64 = 0x0000123456789ABCull;
constexpr uint64_t kText32 = 0x89ABCDEFull;

TEST(RemoteRecords, ItemRequestOf64BitShell) {
    std::vector<uint8_t> expected(56, 0);
    Put(expected, 0, 5, 4);         // mask: LVIF_TEXT | LVIF_PARAM
    Put(expected, 4, 7, 4);         // iItem
    Put(expected, 24, kText64, 8);  // pszText
    Put(expected, 32, 260, 4);      // cchTextMax
    EXPECT_EQ(expected, Bytes(EncodeItemRequest(kLayout64, 7, kText64)));
}

TEST(RemoteRecords, ItemRequestOf32BitShell) {
    std::vector<uint8_t> expected(40, 0);
    Put(expected, 0, 5, 4);
    Put(expected, 4, 0x01020304, 4);
    Put(expected, 20, kText32, 4);
    Put(expected, 24, 260, 4);
    EXPECT_EQ(expected, Bytes(EncodeItemRequest(kLayout32, 0x01020304, kText32)));
}

TEST(RemoteRecords, TextSearchOfBothWidths) {
    std::vector<uint8_t> expected64(40, 0);
    Put(expected64, 0, 0x2, 4);  // LVFI_STRING
    Put(expected64, 8, kText64, 8);
    EXPECT_EQ(expected64, Bytes(EncodeTextSearch(kLayout64, kText64)));

    std::vector<uint8_t> expected32(24, 0);
    Put(expected32, 0, 0x2, 4);
    Put(expected32, 4, kText32, 4);
    EXPECT_EQ(expected32, Bytes(EncodeTextSearch(kLayout32, kText32)));
}

TEST(RemoteRecords, NearestSearchCarriesOnlyFlagsAndPoint) {
    std::vector<uint8_t> expected64(40, 0);
    Put(expected64, 0, 0x40, 4);  // LVFI_NEARESTXY
    Put(expected64, 24, static_cast<uint32_t>(-5), 4);
    Put(expected64, 28, 300, 4);
    EXPECT_EQ(expected64, Bytes(EncodeNearestSearch(kLayout64, -5, 300)));

    std::vector<uint8_t> expected32(24, 0);
    Put(expected32, 0, 0x40, 4);
    Put(expected32, 12, static_cast<uint32_t>(-5), 4);
    Put(expected32, 16, 300, 4);
    EXPECT_EQ(expected32, Bytes(EncodeNearestSearch(kLayout32, -5, 300)));
}

TEST(RemoteRecords, ItemParamIsReadAtTheWidthsOffset) {
    std::vector<uint8_t> record(56, 0xEE);
    Put(record, 40, 0x00007FF612345678ull, 8);
    EXPECT_EQ(0x00007FF612345678ull, DecodeItemParam(kLayout64, record.data()));
    Put(record, 32, 0x00ABCDEFull, 4);
    EXPECT_EQ(0x00ABCDEFull, DecodeItemParam(kLayout32, record.data()));
}

TEST(RemoteRecords, NativeLayoutIsThisBuildsWidth) { EXPECT_EQ(sizeof(void*), kNativeLayout.addressSize); }

}  // namespace

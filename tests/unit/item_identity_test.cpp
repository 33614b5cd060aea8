#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "desktop/item_identity.h"
#include "desktop/shell_platform.h"

namespace {

TEST(FormatGuid, FixedWidthUpperCase) {
    WString text;
    const GUID example = {10, 1, 255, {0, 1, 2, 3, 4, 5, 6, 171}};
    FormatGuid(text, example);
    EXPECT_STREQ(L"{0000000A-0001-00FF-0001-0203040506AB}", text.Text());

    const GUID high = {0xFEDCBA98, 0xABCD, 0xEF01, {0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88}};
    FormatGuid(text, high);
    EXPECT_STREQ(L"{FEDCBA98-ABCD-EF01-FFEE-DDCCBBAA9988}", text.Text());
    EXPECT_EQ(38u, text.Length());
}

// The shell's memory and namespace as the test wants them: an ID list read from
// a local array, and namespace answers chosen per query.
class FakeNamespace : public ShellPlatform {
public:
    bool Read(HANDLE, const void* address, void* data, SIZE_T size) override {
        reads.push_back(size);
        if (static_cast<int>(reads.size()) == failingRead) return false;
        std::memcpy(data, address, size);
        return true;
    }
    HRESULT GetDataFromIdList(IShellFolder*, PCUITEMID_CHILD idList, int format, void* data, int size) override {
        const auto* bytes = reinterpret_cast<const uint8_t*>(idList);
        const size_t cb = bytes[0] | bytes[1] << 8;
        seenTerminator = bytes[cb] == 0 && bytes[cb + 1] == 0;
        if (format == SHGDFIL_FINDDATA) {
            if (fileName == nullptr) return E_FAIL;
            EXPECT_EQ(592, size);
            auto* findData = static_cast<WIN32_FIND_DATAW*>(data);
            wcscpy(findData->cFileName, fileName);
            return S_OK;
        }
        if (format == SHGDFIL_DESCRIPTIONID && hasClassId) {
            EXPECT_EQ(20, size);
            static_cast<SHDESCRIPTIONID*>(data)->clsid = classId;
            return S_OK;
        }
        return E_INVALIDARG;
    }

    std::vector<SIZE_T> reads;
    int failingRead = 0;
    const wchar_t* fileName = nullptr;
    bool hasClassId = false;
    GUID classId = {};
    bool seenTerminator = false;

private:
    ShellPlatform::Scope installed_{this};
};

class ItemIdentity : public ::testing::Test {
protected:
    ItemIdentity() : idList(40, 0xCC), buffer(AllocateIdListBuffer()) {
        idList[0] = 20;  // first identifier: 20 bytes, then more identifiers
        idList[1] = 0;
    }
    IdentityOutcome Run() {
        return GetItemIdentity(nullptr, reinterpret_cast<uintptr_t>(idList.data()), nullptr, buffer.get(), identity);
    }

    FakeNamespace shell;
    std::vector<uint8_t> idList;
    IdListBuffer buffer;
    WString identity;
};

TEST_F(ItemIdentity, FileSystemNameComesFirst) {
    shell.fileName = L"B\u00fcro.txt";
    shell.hasClassId = true;
    EXPECT_EQ(IdentityOutcome::Found, Run());
    EXPECT_STREQ(L"B\u00fcro.txt", identity.Text());
    EXPECT_EQ((std::vector<SIZE_T>{3, 20}), shell.reads) << "the header, then exactly the first identifier";
    EXPECT_TRUE(shell.seenTerminator);
}

TEST_F(ItemIdentity, VirtualItemGivesItsClassIdentifier) {
    shell.hasClassId = true;
    shell.classId = {0x20D04FE0, 0x3AEA, 0x1069, {0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D}};
    EXPECT_EQ(IdentityOutcome::Found, Run());
    EXPECT_STREQ(L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", identity.Text());
}

TEST_F(ItemIdentity, FailuresAreNamed) {
    EXPECT_EQ(IdentityOutcome::NoIdentity, Run());
    EXPECT_TRUE(identity.IsEmpty());
    shell.reads.clear();
    shell.failingRead = 1;
    EXPECT_EQ(IdentityOutcome::HeaderReadFailed, Run());
    shell.reads.clear();
    shell.failingRead = 2;
    EXPECT_EQ(IdentityOutcome::ListReadFailed, Run());
}

}  // namespace

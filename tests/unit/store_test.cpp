#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/icon_record.h"
#include "store/layout_store.h"
#include "store/layout_versions.h"
#include "store/reg_key.h"
#include "store/registry_platform.h"
#include "text/res_string.h"
#include "unit/faulty_registry.h"

namespace {

const wchar_t kBase[] = L"Software\\Brenlow\\DeskTop";

struct RawValue {
    std::wstring name;
    DWORD type;
    std::vector<uint8_t> data;
};

// The store as the registry holds it, read with the raw API.
std::vector<RawValue> RawValues(const std::wstring& layout) {
    std::vector<RawValue> values;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kBase) + L"\\" + layout).c_str(), 0, KEY_READ, &key) != 0) {
        return values;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        uint8_t data[4096];
        DWORD size = sizeof(data);
        DWORD type = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        values.push_back({name, type, std::vector<uint8_t>(data, data + size)});
    }
    RegCloseKey(key);
    return values;
}

void WriteRaw(const std::wstring& layout, const std::wstring& name, DWORD type, const std::vector<uint8_t>& data) {
    HKEY key;
    ASSERT_EQ(0, RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kBase) + L"\\" + layout).c_str(), 0, nullptr, 0,
                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ASSERT_EQ(0, RegSetValueExW(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())));
    RegCloseKey(key);
}

bool KeyExists(const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != 0) return false;
    RegCloseKey(key);
    return true;
}

class Store : public ::testing::Test {
protected:
    void SetUp() override {
        SetResourceModule(GetModuleHandleW(nullptr));
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brenlow");
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brenlow"); }

    void Write(const IconRecord& record, const wchar_t* layout = L"L") {
        RegKey key(kBase, kStoreWriteAccess, 0);
        ASSERT_TRUE(key.Descend(layout));
        ASSERT_TRUE(record.WriteIconRecord(key));
    }
};

IconRecord ShellItem(const wchar_t* key, const wchar_t* text, int x, int y) {
    IconRecord record;
    record.Set(key, text, x, y);
    return record;
}

IconRecord TextOnly(const wchar_t* text, int x, int y) {
    IconRecord record;
    record.SetTextOnly(text, x, y);
    return record;
}

TEST_F(Store, ShellItemRecordBytes) {
    Write(ShellItem(L"x.lnk", L"abc", 10, 20));
    const auto values = RawValues(L"L");
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(L"x.lnk", values[0].name);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), values[0].type);
    EXPECT_EQ((std::vector<uint8_t>{0x0A, 0, 0, 0, 0x14, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0, 0, 0}), values[0].data);
}

TEST_F(Store, ShellItemRecordSizes) {
    Write(ShellItem(L"empty", L"", -1, 2));
    Write(ShellItem(L"long", std::wstring(259, L'\u00e9').c_str(), 3, 4));
    Write(ShellItem(L"cut", std::wstring(300, L'z').c_str(), 3, 4));
    const auto values = RawValues(L"L");
    ASSERT_EQ(3u, values.size());
    for (const RawValue& value : values) {
        if (value.name == L"empty") {
            EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0, 0}), value.data);
        } else {
            EXPECT_EQ(528u, value.data.size()) << "text cut to 259 characters: " << value.name;
            EXPECT_EQ(0, value.data[526] | value.data[527]);
        }
    }
}

TEST_F(Store, TextOnlyPositionsAreStoredAsHalvesAndLoadBackUnchanged) {
    struct Case {
        int x, y;
        uint32_t stored;
    };
    const Case cases[] = {
        {-5, 100, 0x0064FFFB}, {10, -1, 0xFFFF000A}, {-1280, -3, 0xFFFDFB00}, {300, 21, 0x0015012C}, {0, 0, 0},
    };
    for (const Case& c : cases) {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brenlow");
        Write(TextOnly(L"abc", c.x, c.y));
        const auto values = RawValues(L"L");
        ASSERT_EQ(1u, values.size());
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), values[0].type);
        ASSERT_EQ(4u, values[0].data.size());
        const uint32_t stored = values[0].data[0] | values[0].data[1] << 8 | values[0].data[2] << 16 |
                                static_cast<uint32_t>(values[0].data[3]) << 24;
        EXPECT_EQ(c.stored, stored) << c.x << "," << c.y;

        IconRecordList list;
        ASSERT_TRUE(LoadLayout(L"L", list));
        ASSERT_EQ(1u, list.size());
        EXPECT_STREQ(L"abc", list[0].keyName.Text());
        EXPECT_STREQ(L"abc", list[0].displayText.Text());
        EXPECT_TRUE(list[0].textOnly);
        EXPECT_EQ(c.x, list[0].x);
        EXPECT_EQ(c.y, list[0].y);
    }
}

TEST_F(Store, ValuesWrittenAsSumsByOlderCopiesUnpackToTheSamePosition) {
    // 6553595 is y * 65536 + x for (-5, 100): the list view gets x = -5, y = 99.
    WriteRaw(L"L", L"old", REG_DWORD, {0xFB, 0xFF, 0x63, 0x00});
    IconRecordList list;
    ASSERT_TRUE(LoadLayout(L"L", list));
    EXPECT_EQ(-5, list[0].x);
    EXPECT_EQ(99, list[0].y);
}

TEST_F(Store, LoadingRules) {
    // Wine enumerates values in case-insensitive alphabetical order.
    WriteRaw(L"L", L"a shell item", REG_BINARY, {1, 0, 0, 0, 2, 0, 0, 0, 'T', 0, 0, 0});
    WriteRaw(L"L", L"b skipped string", REG_SZ, {'x', 0, 0, 0});
    WriteRaw(L"L", L"c short", REG_BINARY, {7, 0, 0, 0});
    WriteRaw(L"L", L"d full", REG_BINARY, std::vector<uint8_t>(528, 'q'));
    WriteRaw(L"L", L"e too long", REG_BINARY, std::vector<uint8_t>(529, 1));
    WriteRaw(L"L", L"f after", REG_DWORD, {1, 0, 2, 0});
    IconRecordList list;
    list.push_back(TextOnly(L"stale", 0, 0));
    ASSERT_TRUE(LoadLayout(L"L", list));
    ASSERT_EQ(3u, list.size()) << "the string is skipped; data over 528 bytes ends the loading";
    EXPECT_STREQ(L"a shell item", list[0].keyName.Text());
    EXPECT_STREQ(L"T", list[0].displayText.Text());
    EXPECT_FALSE(list[0].textOnly);
    EXPECT_EQ(1, list[0].x);
    EXPECT_EQ(2, list[0].y);
    EXPECT_STREQ(L"c short", list[1].keyName.Text());
    EXPECT_EQ(7, list[1].x);
    EXPECT_EQ(0, list[1].y);
    EXPECT_TRUE(list[1].displayText.IsEmpty());
    // A text without its zero ends with the data: 260 units of 'qq'.
    EXPECT_EQ(260u, list[2].displayText.Length());
}

TEST_F(Store, LongValueNameEndsTheLoading) {
    WriteRaw(L"L", L"a first", REG_DWORD, {1, 0, 1, 0});
    WriteRaw(L"L", L"b" + std::wstring(258, L'n'), REG_DWORD, {2, 0, 2, 0});  // 259 characters: fits
    WriteRaw(L"L", L"c" + std::wstring(259, L'n'), REG_DWORD, {3, 0, 3, 0});  // 260: does not
    WriteRaw(L"L", L"d last", REG_DWORD, {4, 0, 4, 0});
    IconRecordList list;
    ASSERT_TRUE(LoadLayout(L"L", list));
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(259u, list[1].keyName.Length());
}

TEST_F(Store, MissingOrEmptyLayoutLoadsNothing) {
    IconRecordList list;
    list.push_back(TextOnly(L"stale", 0, 0));
    EXPECT_FALSE(LoadLayout(L"Nowhere", list));
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(KeyExists(std::wstring(kBase) + L"\\Nowhere")) << "a missing layout is created empty";
}

TEST_F(Store, ValueNamesDifferingInAsciiCaseLeaveTheLaterRecord) {
    Write(ShellItem(L"Readme.TXT", L"first", 1, 1));
    Write(ShellItem(L"readme.txt", L"second", 2, 2));
    const auto values = RawValues(L"L");
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(L"Readme.TXT", values[0].name) << "the registry keeps the first name's case";
    EXPECT_EQ(2, values[0].data[0]);
    EXPECT_EQ('s', values[0].data[8]);
}

TEST_F(Store, StoringLeavesExactlyTheRecordsWhateverTheLayoutHeld) {
    // The registry takes names differing in any letter case for one name: those
    // values end up under the records' spellings.
    WriteRaw(L"L", L"\u00c4rger.txt", REG_BINARY, {1, 0, 0, 0, 1, 0, 0, 0, 0, 0});
    WriteRaw(L"L", L"README", REG_DWORD, {1, 0, 1, 0});
    WriteRaw(L"L", L"Gone", REG_DWORD, {1, 0, 1, 0});
    WriteRaw(L"L", std::wstring(300, L'w'), REG_DWORD, {1, 0, 1, 0});
    WriteRaw(L"L", L"junk", REG_SZ, {'x', 0, 0, 0});
    IconRecordList records = {ShellItem(L"\u00e4rger.txt", L"A", 7, 8), TextOnly(L"readme", 9, 10),
                              ShellItem(L"new.txt", L"N", 11, 12)};
    ASSERT_EQ(StoreOutcome::Stored, StoreLayout(L"L", records, LayoutChange::Save).outcome);
    const auto values = RawValues(L"L");
    ASSERT_EQ(3u, values.size());
    EXPECT_EQ(L"new.txt", values[0].name);
    EXPECT_EQ(L"readme", values[1].name);
    EXPECT_EQ((std::vector<uint8_t>{9, 0, 10, 0}), values[1].data);
    EXPECT_EQ(L"\u00e4rger.txt", values[2].name);
    EXPECT_EQ((std::vector<uint8_t>{7, 0, 0, 0, 8, 0, 0, 0, 'A', 0, 0, 0}), values[2].data);

    ASSERT_EQ(StoreOutcome::Stored, StoreLayout(L"New", {}, LayoutChange::Save).outcome);
    EXPECT_TRUE(KeyExists(std::wstring(kBase) + L"\\New")) << "an empty desktop stores an empty layout";
}

// Whichever step of moving a record onto its own spelling fails, the layout
// keeps the stored record as it was.
TEST_F(Store, RespellingThatFailsKeepsTheStoredRecord) {
    for (const FaultyRegistry::Kind failing : {FaultyRegistry::Kind::DeleteValue, FaultyRegistry::Kind::SetValue}) {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brenlow");
        Write(ShellItem(L"\u00e9lan.txt", L"old", 1, 2));
        const auto before = RawValues(L"L");
        {
            FaultyRegistry registry([failing](const FaultyRegistry::Call& call) {
                return call.kind == failing && call.path == std::wstring(kBase) + L"\\L";
            });
            EXPECT_EQ(StoreOutcome::NothingWritten,
                      StoreLayout(L"L", {ShellItem(L"\u00c9lan.txt", L"new", 3, 4)}, LayoutChange::Save).outcome);
            EXPECT_EQ(1, registry.failures());
        }
        const auto after = RawValues(L"L");
        ASSERT_EQ(1u, after.size());
        EXPECT_EQ(before[0].name, after[0].name);
        EXPECT_EQ(before[0].data, after[0].data);
    }
}

// A write that leaves the layout as it was, whatever the order of its records,
// replaces nothing, and a layout equal to the newest version is not kept again;
// the versions come newest first under the name the registry takes for any case.
TEST_F(Store, VersionsKeepWhatAWriteReplaces) {
    const IconRecordList first = {TextOnly(L"A", 1, 2), ShellItem(L"b.txt", L"B", 3, 4)};
    // A text-only record keeps 16 bits a coordinate: 65537 is stored as 1.
    const IconRecordList reordered = {ShellItem(L"b.txt", L"B", 3, 4), TextOnly(L"A", 65537, 2)};
    const IconRecordList second = {TextOnly(L"A", 5, 6)};
    FILETIME before;
    GetSystemTimeAsFileTime(&before);
    EXPECT_TRUE(KeepLayoutVersion(L"\u00c4rger", {}, first, LayoutChange::Save));
    EXPECT_TRUE(KeepLayoutVersion(L"\u00c4rger", first, reordered, LayoutChange::Save));
    WString kept;
    EXPECT_TRUE(LoadLayoutVersions(L"\u00c4rger", kept).empty());
    EXPECT_TRUE(KeepLayoutVersion(L"\u00c4rger", first, second, LayoutChange::Import));
    EXPECT_TRUE(KeepLayoutVersion(L"\u00c4rger", reordered, {}, LayoutChange::Delete));
    EXPECT_TRUE(KeepLayoutVersion(L"\u00c4rger", second, first, LayoutChange::Watch));

    const std::vector<LayoutVersion> versions = LoadLayoutVersions(L"\u00e4RGER", kept);
    EXPECT_STREQ(L"\u00c4rger", kept.Text());
    ASSERT_EQ(2u, versions.size());
    EXPECT_STREQ(L"watch", versions[0].replacedBy.Text());
    ASSERT_EQ(1u, versions[0].records.size());
    EXPECT_EQ(5, versions[0].records[0].x);
    EXPECT_STREQ(L"import", versions[1].replacedBy.Text());
    EXPECT_EQ(2u, versions[1].records.size());
    EXPECT_GE(CompareFileTime(&versions[1].kept, &before), 0);
    EXPECT_EQ(1u, VersionedLayoutNames().size());
}

// The time of keeping is written last: a version the registry refuses it is
// taken away again.
TEST_F(Store, AVersionWrittenOnlyInPartIsRemoved) {
    {
        FaultyRegistry registry([seen = 0](const FaultyRegistry::Call& call) mutable {
            return call.kind == FaultyRegistry::Kind::SetValue && ++seen == 2;
        });
        EXPECT_FALSE(KeepLayoutVersion(L"L", {TextOnly(L"A", 1, 2)}, {}, LayoutChange::Delete));
        EXPECT_EQ(1, registry.failures());
    }
    EXPECT_TRUE(KeyExists(std::wstring(kBase) + L" Versions\\L"));
    EXPECT_FALSE(KeyExists(std::wstring(kBase) + L" Versions\\L\\0000000001"));
}

TEST_F(Store, RegKeyDescent) {
    RegKey key(kBase, kStoreReadAccess, 0);
    ASSERT_NE(nullptr, key.handle) << "opening creates the base key";
    EXPECT_FALSE(key.Descend(L""));
    EXPECT_NE(nullptr, key.handle);
    EXPECT_STREQ(kBase, key.path.Text());
    EXPECT_TRUE(key.Descend(L"A"));
    EXPECT_STREQ(L"Software\\Brenlow\\DeskTop\\A", key.path.Text());
    EXPECT_TRUE(KeyExists(L"Software\\Brenlow\\DeskTop\\A"));
}

// A registry that refuses every open.
class ClosedRegistry : public RegistryPlatform {
public:
    LSTATUS CreateKey(HKEY, const wchar_t*, DWORD, REGSAM, SECURITY_ATTRIBUTES*, HKEY*) override {
        return ERROR_ACCESS_DENIED;
    }
    LSTATUS SetValue(HKEY, const wchar_t*, DWORD, const BYTE*, DWORD) override {
        ++writes;
        return ERROR_SUCCESS;
    }
    int writes = 0;

private:
    RegistryPlatform::Scope installed_{this};
};

TEST_F(Store, WritesOnAKeyThatDidNotOpenFailWithoutCallingTheRegistry) {
    ClosedRegistry registry;
    RegKey key(kBase, kStoreWriteAccess, 0);
    EXPECT_EQ(nullptr, key.handle);
    EXPECT_FALSE(key.Descend(L"A"));
    EXPECT_FALSE(key.SetDword(L"v", 1));
    EXPECT_FALSE(key.SetBinary(L"v", "x", 1));
    EXPECT_FALSE(TextOnly(L"t", 1, 1).WriteIconRecord(key));
    EXPECT_EQ(0, registry.writes);
    IconRecordList list;
    EXPECT_FALSE(LoadLayout(L"A", list));
}

TEST(LayoutNameProblem, Table) {
    EXPECT_EQ(nullptr, LayoutNameProblem(L"Office"));
    EXPECT_EQ(nullptr, LayoutNameProblem(L"Multi-Monitor *[0,0,1920,1080][-1280,0,0,1024]"));
    EXPECT_EQ(nullptr, LayoutNameProblem(std::wstring(255, L'\u00fc').c_str()));
    EXPECT_NE(nullptr, LayoutNameProblem(std::wstring(256, L'a').c_str()));
    EXPECT_NE(nullptr, LayoutNameProblem(L"Home\\Office"));
}

}  // namespace

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <set>

#include "e2e/kelvane_process.h"
#include "support/remote_memory.h"
#include "support/scratch_folder.h"

namespace {

int32_t Int32At(const std::vector<BYTE>& data, size_t offset) {
    return static_cast<int32_t>(data[offset] | data[offset + 1] << 8 | data[offset + 2] << 16 |
                                static_cast<uint32_t>(data[offset + 3]) << 24);
}

std::wstring TextAt(const std::vector<BYTE>& data, size_t offset) {
    std::wstring text;
    for (size_t at = offset; at + 1 < data.size() && (data[at] | data[at + 1]); at += 2) {
        text += static_cast<wchar_t>(data[at] | data[at + 1] << 8);
    }
    return text;
}

const RegistryValue* FindValue(const std::vector<RegistryValue>& values, const std::wstring& name) {
    for (const RegistryValue& value : values) {
        if (_wcsicmp(value.name.c_str(), name.c_str()) == 0) return &value;
    }
    return nullptr;
}

class Save : public ::testing::Test {
protected:
    void SetUp() override { DeleteRegistryTree(L"Software\\Brenlow"); }
    void TearDown() override { DeleteRegistryTree(L"Software\\Brenlow"); }

    // Every item the fixture reports with an identity is stored under it as a
    // REG_BINARY value with the fixture's position and text; nothing else is.
    void ExpectShellItemsStored(DesktopFixture& fixture, const std::wstring& layout) {
        const auto values = RegistryValues(LayoutKey(layout));
        size_t identified = 0;
        for (const FixtureItem& item : fixture.Items()) {
            const std::wstring identity = fixture.Identity(item.index);
            if (identity.empty()) continue;
            ++identified;
            const RegistryValue* value = FindValue(values, identity);
            ASSERT_NE(nullptr, value) << identity;
            EXPECT_EQ(static_cast<DWORD>(REG_BINARY), value->type);
            ASSERT_EQ(2 * item.text.size() + 10, value->data.size()) << identity;
            EXPECT_EQ(item.x, Int32At(value->data, 0)) << identity;
            EXPECT_EQ(item.y, Int32At(value->data, 4)) << identity;
            EXPECT_EQ(item.text, TextAt(value->data, 8)) << identity;
        }
        EXPECT_EQ(identified, values.size());
    }
};

TEST_F(Save, ShellFolderItemsAreStoredByIdentity) {
    ScratchFolder folder(ScratchLocation::Temp, {L"alpha.txt", L"Beta.doc", L"B\u00fcro.txt", L"gamma"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--shell-folder", folder.Path()});
    const auto items = fixture.Items();
    ASSERT_EQ(4u, items.size());
    for (const FixtureItem& item : items)
        fixture.Move(item.index, 101 + 90 * item.index, 333 - 7 * item.index);

    const auto blocksBefore = PrivateAllocationBases(fixture.Process());
    const RunResult result = RunKelvane({L"save", L"/y", L"/n", L"Files"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"", AfterBanner(result.standardOutput));
    EXPECT_EQ(L"", result.standardError);
    ExpectShellItemsStored(fixture, L"Files");
    EXPECT_EQ(4u, RegistryValues(LayoutKey(L"Files")).size());
    EXPECT_TRUE(AllocationBasesAdded(blocksBefore, PrivateAllocationBases(fixture.Process())).empty())
        << "the save left memory in the shell";
}

TEST_F(Save, DesktopItemsWithoutIdentityAreLeftOutSilently) {
    DesktopFixture fixture(FixtureBesideTest(), {L"--shell-desktop"});
    const RunResult result = RunKelvane({L"save", L"/y", L"/n", L"Desktop"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"", AfterBanner(result.standardOutput));
    EXPECT_EQ(L"", result.standardError);
    ExpectShellItemsStored(fixture, L"Desktop");
    EXPECT_LT(RegistryValues(LayoutKey(L"Desktop")).size(), fixture.Items().size())
        << "Wine's virtual desktop items have no identity";
}

TEST_F(Save, ItemsWithoutItemDataAreStoredByText) {
    const std::wstring items = WriteItemsFile({
        L"Plain\t10\t20\tnone",
        L"\t30\t40\tnone",
        L"Broken\t50\t60\tbad",
        L"Negative\t-5\t100\tnone",
        L"Dup\t70\t80\tnone",
        L"dup\t90\t-1\tnone",
    });
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const RunResult result = RunKelvane({L"save", L"/y", L"/n", L"Synthetic"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"Desktop Saving. Read ITEMIDLIST Item 2 failed\n", AfterBanner(result.standardOutput));
    EXPECT_EQ(L"", result.standardError);

    const auto values = RegistryValues(LayoutKey(L"Synthetic"));
    struct Expected {
        const wchar_t* name;
        uint32_t packed;
    };
    const Expected expected[] = {
        {L"Plain", 20u << 16 | 10},
        {L"", 40u << 16 | 30},
        {L"Negative", 100u << 16 | 0xFFFB},
        {L"Dup", 0xFFFFu << 16 | 90},
    };
    ASSERT_EQ(4u, values.size());
    for (const Expected& e : expected) {
        const RegistryValue* value = FindValue(values, e.name);
        ASSERT_NE(nullptr, value) << e.name;
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value->type) << e.name;
        EXPECT_EQ(e.packed, static_cast<uint32_t>(Int32At(value->data, 0))) << e.name;
    }
    DeleteFileW(items.c_str());
}

TEST_F(Save, SavingAgainReplacesTheLayoutWholly) {
    const std::wstring items = WriteItemsFile({L"Kept\t10\t20\tnone"});
    WriteRegistryValue(LayoutKey(L"Again"), L"Gone", REG_DWORD, {1, 0, 1, 0});
    WriteRegistryValue(LayoutKey(L"Other"), L"Untouched", REG_DWORD, {1, 0, 1, 0});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    EXPECT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Again"}).exitCode);
    const auto values = RegistryValues(LayoutKey(L"Again"));
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(L"Kept", values[0].name);
    EXPECT_EQ(1u, RegistryValues(LayoutKey(L"Other")).size());
    DeleteFileW(items.c_str());
}

// The registry takes names differing in the case of any letter for one, a
// restore only those differing in A to Z: after a rename in the case of an
// accented letter the record is stored under the new spelling.
TEST_F(Save, RenameInTheCaseOfALetterStoresTheRecordUnderTheNewSpelling) {
    ScratchFolder folder(ScratchLocation::Temp, {L"\u00e9lan.txt"});
    {
        DesktopFixture fixture(FixtureBesideTest(), {L"--shell-folder", folder.Path()});
        EXPECT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Case"}).exitCode);
    }
    ASSERT_TRUE(DeleteFileW(folder.PathOf(L"\u00e9lan.txt").c_str()));
    folder.WriteTextFile(L"\u00c9lan.txt", L"");
    DesktopFixture fixture(FixtureBesideTest(), {L"--shell-folder", folder.Path()});
    ASSERT_EQ(L"\u00c9lan.txt", fixture.Identity(0));
    const FixtureItem saved = fixture.Items()[0];
    EXPECT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Case"}).exitCode);
    const auto values = RegistryValues(LayoutKey(L"Case"));
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(L"\u00c9lan.txt", values[0].name);

    fixture.Move(0, saved.x + 200, saved.y + 100);
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"Case"});
    EXPECT_NE(std::wstring::npos, result.standardOutput.find(L"Desktop Restored: 1 icons")) << result.standardOutput;
    EXPECT_EQ(saved.x, fixture.Items()[0].x);
    EXPECT_EQ(saved.y, fixture.Items()[0].y);
}

// An icon whose identity could not be read is still on the desktop: the stored
// records showing its text stay, and only those of icons that are gone go.
TEST_F(Save, IconsThatCouldNotBeReadKeepTheirStoredRecords) {
    const std::wstring items = WriteItemsFile({L"Kept\t10\t20\tnone", L"Broken\t50\t60\tbad"});
    const std::vector<BYTE> broken = ShellRecordData(5, 6, L"Broken");
    WriteRegistryValue(LayoutKey(L"Unread"), L"broken.lnk", REG_BINARY, broken);
    WriteRegistryValue(LayoutKey(L"Unread"), L"other.lnk", REG_BINARY, ShellRecordData(7, 8, L"Other"));
    WriteRegistryValue(LayoutKey(L"Unread"), L"Gone", REG_DWORD, {1, 0, 1, 0});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const RunResult result = RunKelvane({L"save", L"/y", L"/n", L"Unread"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"Desktop Saving. Read ITEMIDLIST Item 1 failed\n", AfterBanner(result.standardOutput));
    EXPECT_EQ(L"", result.standardError);
    const auto values = RegistryValues(LayoutKey(L"Unread"));
    ASSERT_EQ(2u, values.size());
    EXPECT_EQ(L"broken.lnk", values[0].name);
    EXPECT_EQ(broken, values[0].data);
    EXPECT_EQ(L"Kept", values[1].name);
    DeleteFileW(items.c_str());
}

// A desktop not filled yet, or a shell that shows nothing, leaves the layout.
TEST_F(Save, DesktopWithoutIconsLeavesTheLayoutAsItWas) {
    WriteRegistryValue(LayoutKey(L"Previous"), L"Old", REG_DWORD, {5, 0, 6, 0});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"0"});
    const RunResult result = RunKelvane({L"save", L"/y", L"/n", L"Previous"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"", AfterBanner(result.standardOutput));
    EXPECT_EQ(L"The save found no icons on the desktop: the layout Previous was not changed.\n", result.standardError);
    const auto values = RegistryValues(LayoutKey(L"Previous"));
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(L"Old", values[0].name);
}

TEST_F(Save, DefaultNameWhenNoneOrAnEmptyOneIsGiven) {
    const std::wstring items = WriteItemsFile({L"Icon\t10\t20\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    for (const std::vector<std::wstring>& arguments :
         {std::vector<std::wstring>{L"save", L"/y"}, std::vector<std::wstring>{L"save", L"/y", L"/n", L""}}) {
        DeleteRegistryTree(L"Software\\Brenlow");
        EXPECT_EQ(0u, RunKelvane(arguments).exitCode);
        EXPECT_EQ(std::vector<std::wstring>{DefaultLayoutName()}, RegistrySubkeys(kStoreKey));
    }
    DeleteFileW(items.c_str());
}

TEST_F(Save, NamesTheStoreCannotHoldAreRefusedBeforeTheQuestion) {
    const std::wstring items = WriteItemsFile({L"Icon\t10\t20\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    for (const std::wstring& name : {std::wstring(L"Home\\Office"), std::wstring(256, L'n')}) {
        const RunResult result = RunKelvane({L"save", L"/n", name});
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ(L"", AfterBanner(result.standardOutput)) << "no question is asked";
        EXPECT_EQ(1, std::count(result.standardError.begin(), result.standardError.end(), L'\n'));
        EXPECT_NE(std::wstring::npos, result.standardError.find(L"Nothing was saved")) << result.standardError;
    }
    EXPECT_FALSE(RegistryKeyExists(kStoreKey));
    const std::wstring longest(255, L'\u00fc');
    EXPECT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", longest}).exitCode);
    EXPECT_EQ(std::vector<std::wstring>{longest}, RegistrySubkeys(kStoreKey));
    DeleteFileW(items.c_str());
}

// Every save keeps the layout it replaces, ten at most, the oldest dropped; a
// save of the same arrangement replaces nothing and keeps nothing. Restoring a
// version changes no layout.
TEST_F(Save, EverySaveKeepsTheLayoutItReplacesUpToTen) {
    const std::wstring items = WriteItemsFile({L"Icon\t10\t20\tnone"});
    WriteRegistryValue(LayoutKey(L"Desk"), L"Icon", REG_DWORD, PackedRecordData(5, 5));
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    for (int save = 1; save <= 11; ++save) {
        fixture.Move(0, 100 + 10 * save, 200);
        ASSERT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Desk"}).exitCode);
    }
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Desk"}).exitCode);
    EXPECT_EQ(10u, RegistrySubkeys(VersionsKey(L"Desk")).size());
    const RunResult history = RunKelvane({L"history", L"/n", L"desk"});
    EXPECT_EQ(0u, history.exitCode);
    std::wstring lines;
    for (int version = 1; version <= 10; ++version)
        lines += std::to_wstring(version) + L"\t" + kTimePattern + L"\t1 icon\tsave\n";
    EXPECT_TRUE(std::regex_match(AfterBanner(history.standardOutput), std::wregex(lines))) << history.standardOutput;

    // Version 10 is what the second save replaced, version 1 what the eleventh did.
    const auto layout = RegistryValues(LayoutKey(L"Desk"));
    for (const auto& [version, x] : {std::pair{L"10", 110}, std::pair{L"1", 200}}) {
        const RunResult restored = RunKelvane({L"restore", L"/y", L"/n", L"Desk", L"/v", version});
        EXPECT_EQ(std::wstring(L"Layout: Desk, version ") + version + L"\nDesktop Restored: 1 icons\n",
                  AfterBanner(restored.standardOutput));
        EXPECT_EQ(x, fixture.Items()[0].x) << version;
    }
    EXPECT_EQ(layout, RegistryValues(LayoutKey(L"Desk")));
    DeleteFileW(items.c_str());
}

// The registry refuses a lasting key below a volatile one: with the store's
// keys volatile, no version can be kept, and the save goes on.
TEST_F(Save, AVersionTheRegistryRefusesSaysSoAndTheSaveGoesOn) {
    CreateVolatileKey(L"Software\\Brenlow");
    CreateVolatileKey(kStoreKey);
    CreateVolatileKey(LayoutKey(L"Volatile"));
    WriteRegistryValue(LayoutKey(L"Volatile"), L"Icon", REG_DWORD, PackedRecordData(300, 320));
    const std::wstring items = WriteItemsFile({L"Icon\t10\t20\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const RunResult result = RunKelvane({L"save", L"/y", L"/n", L"Volatile"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"Could not keep a version of the layout Volatile: the registry refused it. The save goes on.\n",
              result.standardError);
    const std::vector<RegistryValue> saved = {{L"Icon", REG_DWORD, PackedRecordData(10, 20)}};
    EXPECT_EQ(saved, RegistryValues(LayoutKey(L"Volatile")));
    DeleteFileW(items.c_str());
}

TEST_F(Save, NoListViewLeavesTheStoreAlone) {
    WriteRegistryValue(LayoutKey(DefaultLayoutName()), L"Kept", REG_DWORD, {1, 0, 1, 0});
    const RunResult result = RunKelvane({L"save", L"/y"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"Could not locate Desktop ListView.\n", result.standardError);
    EXPECT_EQ(1u, RegistryValues(LayoutKey(DefaultLayoutName())).size());
}

TEST_F(Save, WithoutConsoleInputTheQuestionIsAnsweredNo) {
    const std::wstring items = WriteItemsFile({L"Icon\t10\t20\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const RunResult result = RunKelvane({L"save", L"/n", L"Quiet"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"Save Icon Locations for:\nQuiet [y/n]? n\n", AfterBanner(result.standardOutput));
    EXPECT_NE(std::wstring::npos, result.standardError.find(L"/y"));
    EXPECT_FALSE(RegistryKeyExists(kStoreKey));
    DeleteFileW(items.c_str());
}

TEST_F(Save, ShellGoingAwayMidWalkKeepsThePreviousLayout) {
    const std::wstring items =
        WriteItemsFile({L"A\t10\t10\tnone", L"B\t100\t10\tnone", L"C\t200\t10\tnone", L"D\t300\t10\tnone"});
    WriteRegistryValue(LayoutKey(L"Previous"), L"Old", REG_DWORD, {5, 0, 6, 0});
    // The walk costs 13 messages: the first item lookup, then three per item.
    // After 12 or more every item has been read and the save may complete.
    for (unsigned messages : {1u, 2u, 6u, 8u, 11u}) {
        SCOPED_TRACE(messages);
        DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
        fixture.QuitAfter(messages);
        const auto start = std::chrono::steady_clock::now();
        const RunResult result = RunKelvane({L"save", L"/y", L"/n", L"Previous"}, RunOptions{std::nullopt, 30000});
        ASSERT_FALSE(result.timedOut) << "the walk must end when the list view has gone";
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_NE(std::wstring::npos, result.standardError.find(L"went away")) << result.standardError;
        const auto values = RegistryValues(LayoutKey(L"Previous"));
        ASSERT_EQ(1u, values.size());
        EXPECT_EQ(L"Old", values[0].name);
    }
    DeleteFileW(items.c_str());
}

// The blocks an item request left in the shell: the one holding the request for
// `index` and the text block that request points to, or nothing when no such
// pair is among them.
std::set<uintptr_t> ItemRequestBlocks(HANDLE shell, const std::set<uintptr_t>& blocks, int index) {
    for (uintptr_t base : blocks) {
        LVITEMW request{};
        if (!ReadProcessMemory(shell, reinterpret_cast<const void*>(base), &request, sizeof request, nullptr)) continue;
        const uintptr_t text = reinterpret_cast<uintptr_t>(request.pszText);
        if (request.mask == (LVIF_TEXT | LVIF_PARAM) && request.iItem == index && blocks.count(text) == 1)
            return {base, text};
    }
    return {};
}

TEST_F(Save, ShellThatStopsAnsweringEndsTheSaveAndKeepsThePreviousLayout) {
    const std::wstring items =
        WriteItemsFile({L"A\t10\t10\tnone", L"B\t100\t10\tnone", L"C\t200\t10\tnone", L"D\t300\t10\tnone"});
    WriteRegistryValue(LayoutKey(L"Previous"), L"Old", REG_DWORD, {5, 0, 6, 0});
    // The walk begins with the first item lookup, then asks for item 0 (its text
    // and data, written into two blocks). The list view stops either before it
    // takes that request, which then waits in its queue, or inside its handling,
    // before it writes the answer.
    struct Stall {
        const char* name;
        unsigned after;  // stop after answering this many messages; 0: inside the request
    };
    for (const Stall& stall : {Stall{"before it takes the request", 1}, Stall{"inside the request", 0}}) {
        SCOPED_TRACE(stall.name);
        DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
        const auto blocksBefore = PrivateAllocationBases(fixture.Process());
        if (stall.after > 0) {
            fixture.StallAfter(stall.after);
        } else {
            fixture.StallIn(LVM_GETITEMW);
        }
        const RunResult result = RunKelvane({L"save", L"/y", L"/n", L"Previous"}, RunOptions{std::nullopt, 120000});
        ASSERT_FALSE(result.timedOut) << "the save must give up on a list view that does not answer";
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ(L"Desktop Saving. Get Item 0 failed\n", AfterBanner(result.standardOutput));
        EXPECT_EQ(
            L"The desktop list view is not responding: the save stopped, and the layout Previous was not "
            L"changed.\n",
            result.standardError);
        const auto values = RegistryValues(LayoutKey(L"Previous"));
        ASSERT_EQ(1u, values.size());
        EXPECT_EQ(L"Old", values[0].name);

        // Woken, the list view carries the request out, if it had taken it, into
        // the two blocks it points to: those alone are left, and are not freed.
        fixture.Wake();
        const StallReport report = fixture.LastStall();
        EXPECT_EQ(0u, report.freedWrites) << "the list view wrote into memory the program had freed";
        const auto left = AllocationBasesAdded(blocksBefore, PrivateAllocationBases(fixture.Process()));
        EXPECT_EQ(2u, left.size());
        EXPECT_EQ(left, ItemRequestBlocks(fixture.Process(), left, 0));
        if (stall.after == 0) {
            EXPECT_EQ(left, report.blocks);
        }
        EXPECT_EQ(4u, fixture.Items().size()) << "the list view answers again";
    }
    DeleteFileW(items.c_str());
}

}  // namespace

#include <gtest/gtest.h>

#include "e2e/kelvane_process.h"
#include "support/known_folders.h"
#include "support/utf8.h"

// Names a user may give a layout: each is stored by a save and found again by
// a restore that puts the icons back. (Names the store cannot hold, over 255
// characters or with a backslash, are refused before the question: see the
// save tests.)

namespace {

TEST(LayoutNames, EveryNameStoredIsFoundAgain) {
    const std::wstring items = WriteItemsFile({L"One\t21\t2\tnone", L"Two\t96\t2\tnone", L"Three\t171\t2\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const auto placed = fixture.Items();
    const std::wstring names[] = {
        L"",                                              // the display's own name
        L"\u00c4" + std::wstring(253, L'x') + L"\u03a9",  // 255 characters, the longest
        L"B\u00fcro \u03a9mega \u6771\u4eac",
        L"\U0001F600 smile",
        L"%s%n%x%S%%",
        L"  spaced  out  ",
        L"   ",
        L".",
        L"..",
        L"a/b",
        L"tab\there",
        L"\"quoted\" 'too'",
    };
    for (const std::wstring& name : names) {
        SCOPED_TRACE(ToUtf8(L"[" + name + L"]"));
        DeleteRegistryTree(L"Software\\Brenlow");
        const std::wstring stored = name.empty() ? DefaultLayoutName() : name;

        const RunResult saved = RunKelvane({L"save", L"/y", L"/n", name});
        EXPECT_EQ(0u, saved.exitCode);
        EXPECT_EQ(L"", AfterBanner(saved.standardOutput));
        EXPECT_EQ(L"", saved.standardError);
        EXPECT_EQ(std::vector<std::wstring>{stored}, RegistrySubkeys(kStoreKey));
        EXPECT_EQ(placed.size(), RegistryValues(LayoutKey(stored)).size());

        for (const FixtureItem& item : placed)
            fixture.Move(item.index, 600 + item.x, 500);
        const RunResult restored = RunKelvane({L"restore", L"/y", L"/n", name});
        EXPECT_EQ(0u, restored.exitCode);
        EXPECT_EQ(L"Layout: " + stored + L"\nDesktop Restored: 3 icons\n", AfterBanner(restored.standardOutput));
        EXPECT_EQ(L"", restored.standardError);
        const auto now = fixture.Items();
        for (size_t i = 0; i < placed.size(); ++i) {
            EXPECT_EQ(placed[i].x, now[i].x) << placed[i].text;
            EXPECT_EQ(placed[i].y, now[i].y) << placed[i].text;
        }
    }
    DeleteRegistryTree(L"Software\\Brenlow");
    DeleteFileW(items.c_str());
}

// Every action on a name no layout has says so with the name whole, however
// long it is and whatever it holds.
TEST(LayoutNames, ANameNotStoredIsReportedWhole) {
    const std::wstring items = WriteItemsFile({L"One\t21\t2\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    DeleteRegistryTree(L"Software\\Brenlow");
    WriteRegistryValue(LayoutKey(L"Stored"), L"One", REG_DWORD, PackedRecordData(300, 300));
    const std::wstring names[] = {
        std::wstring(2000, L'n'),
        L"%s%n" + std::wstring(1019, L'\u00fc') + L"%d",  // the formatting buffer's size and more
        L"Nowhere",
    };
    const std::wstring exported = TemporaryDirectory() + L"\\kv-not-found.json";
    const struct {
        std::vector<std::wstring> command;
        DWORD exitCode;
    } actions[] = {
        {{L"restore", L"/y"}, 0},
        {{L"list"}, kNotDone},
        {{L"delete", L"/y"}, kNotDone},
        {{L"export", L"/y", L"/f", exported}, kNotDone},
    };
    for (const auto& action : actions) {
        for (const std::wstring& name : names) {
            SCOPED_TRACE(ToUtf8(action.command[0]) + " " + std::to_string(name.size()));
            std::vector<std::wstring> arguments = action.command;
            arguments.insert(arguments.end(), {L"/n", name});
            const RunResult result = RunKelvane(arguments);
            EXPECT_EQ(action.exitCode, result.exitCode);
            EXPECT_EQ(L"", AfterBanner(result.standardOutput));
            EXPECT_EQ(L"Layout not found: " + name + L".\n", result.standardError);
        }
    }
    EXPECT_EQ(1u, RegistryValues(LayoutKey(L"Stored")).size());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(exported.c_str()));
    EXPECT_EQ(21, fixture.Items()[0].x);
    DeleteFileW(items.c_str());
}

// The registry takes names differing in the case of any letter for one name,
// a restore only those differing in the case of A to Z: a save refuses such a
// name, which no restore would find, and keeps the stored layout as it was.
TEST(LayoutNames, ANameTheRegistryTakesForAStoredOneIsRefused) {
    const std::wstring items = WriteItemsFile({L"One\t21\t2\tnone"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    DeleteRegistryTree(L"Software\\Brenlow");
    WriteRegistryValue(LayoutKey(L"\u00c4rger"), L"One", REG_DWORD, {44, 1, 44, 1});
    const auto before = RegistryValues(LayoutKey(L"\u00c4rger"));

    const RunResult saved = RunKelvane({L"save", L"/y", L"/n", L"\u00e4rger"});
    EXPECT_EQ(0u, saved.exitCode);
    EXPECT_EQ(L"", AfterBanner(saved.standardOutput));
    EXPECT_EQ(
        L"The layout \u00c4rger is stored already, and the registry does not tell \u00e4rger apart from it. Nothing "
        L"was saved.\n",
        saved.standardError);
    EXPECT_EQ(std::vector<std::wstring>{L"\u00c4rger"}, RegistrySubkeys(kStoreKey));
    const auto after = RegistryValues(LayoutKey(L"\u00c4rger"));
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ(before[0].data, after[0].data);
    DeleteRegistryTree(L"Software\\Brenlow");
    DeleteFileW(items.c_str());
}

}  // namespace

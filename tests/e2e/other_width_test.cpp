#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/kelvane_process.h"
#include "support/desktop_files.h"
#include "support/remote_memory.h"

// The two builds side by side: a program facing a shell of the other width
// refuses without harm, and a layout stored by either build is the same.

namespace {

bool OtherWidthBuilt() { return GetFileAttributesW(OtherWidthKelvanePath().c_str()) != INVALID_FILE_ATTRIBUTES; }

class OtherWidth : public ::testing::Test {
protected:
    void SetUp() override {
        if (!OtherWidthBuilt()) GTEST_SKIP() << "the other width's build is not beside this one";
        DeleteRegistryTree(L"Software\\Brenlow");
    }
    void TearDown() override { DeleteRegistryTree(L"Software\\Brenlow"); }
};

std::vector<std::pair<int, int>> Positions(DesktopFixture& fixture) {
    std::vector<std::pair<int, int>> positions;
    for (const FixtureItem& item : fixture.Items())
        positions.emplace_back(item.x, item.y);
    return positions;
}

TEST_F(OtherWidth, ProgramFacingAShellOfTheOtherWidthRefusesWithoutHarm) {
    const std::wstring items = WriteItemsFile({L"Alpha\t100\t100\tnone", L"Beta\t200\t100\tnone"});
    WriteRegistryValue(LayoutKey(L"Guard"), L"Alpha", REG_DWORD, {0x2C, 0x01, 0x2C, 0x01});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const auto before = Positions(fixture);
    const auto blocksBefore = PrivateAllocationBases(fixture.Process());
    for (const std::vector<std::wstring>& arguments : {std::vector<std::wstring>{L"save", L"/y", L"/n", L"Guard"},
                                                       std::vector<std::wstring>{L"restore", L"/y", L"/n", L"Guard"}}) {
        const RunResult result = RunProcess(OtherWidthKelvanePath(), arguments);
        EXPECT_EQ(0u, result.exitCode) << arguments[0];
        EXPECT_EQ(1, std::count(result.standardError.begin(), result.standardError.end(), L'\n')) << arguments[0];
        EXPECT_NE(std::wstring::npos, result.standardError.find(std::wstring(L"use ") + kKelvaneExeName))
            << result.standardError;
    }
    EXPECT_TRUE(fixture.IsRunning());
    EXPECT_EQ(before, Positions(fixture));
    EXPECT_TRUE(AllocationBasesAdded(blocksBefore, PrivateAllocationBases(fixture.Process())).empty());
    const auto values = RegistryValues(LayoutKey(L"Guard"));
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ((std::vector<BYTE>{0x2C, 0x01, 0x2C, 0x01}), values[0].data);
    DeleteFileW(items.c_str());
}

TEST_F(OtherWidth, LayoutsCrossBetweenTheBuilds) {
    DesktopFiles files({L"kv-cross.txt"});
    const std::wstring items = WriteItemsFile(
        {L"Alpha\t100\t100\tnone", L"Cross\t250\t120\tdesktop:kv-cross.txt", L"\u00c4rger\t-30\t400\tnone"});
    const auto scramble = [](DesktopFixture& fixture) {
        for (const FixtureItem& item : fixture.Items())
            fixture.Move(item.index, 600 + 80 * item.index, 500);
    };
    // Saved just off the screen's left edge, the third icon comes back into view.
    const auto expectRestored = [](const RunResult& result, const std::vector<std::pair<int, int>>& saved,
                                   const std::vector<std::pair<int, int>>& now) {
        EXPECT_NE(std::wstring::npos,
                  AfterBanner(result.standardOutput).find(L"Desktop Restored: 3 icons\nBrought into view: 1 icons\n"));
        ASSERT_EQ(saved.size(), now.size());
        EXPECT_EQ(saved[0], now[0]);
        EXPECT_EQ(saved[1], now[1]);
        EXPECT_GE(now[2].first, 0);
    };

    DesktopFixture here(FixtureBesideTest(), {L"--synthetic", items});
    const auto saved = Positions(here);
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Here"}).exitCode);
    {
        DesktopFixture there(OtherWidthFixturePath(), {L"--synthetic", items});
        here.Quit();
        ASSERT_EQ(saved, Positions(there));
        ASSERT_EQ(0u, RunProcess(OtherWidthKelvanePath(), {L"save", L"/y", L"/n", L"There"}).exitCode);
        const auto stored = RegistryValues(LayoutKey(L"Here"));
        const auto storedThere = RegistryValues(LayoutKey(L"There"));
        ASSERT_EQ(3u, stored.size());
        ASSERT_EQ(stored.size(), storedThere.size());
        for (size_t i = 0; i < stored.size(); ++i) {
            EXPECT_EQ(stored[i].name, storedThere[i].name);
            EXPECT_EQ(stored[i].type, storedThere[i].type);
            EXPECT_EQ(stored[i].data, storedThere[i].data) << stored[i].name;
        }
        scramble(there);
        const RunResult result = RunProcess(OtherWidthKelvanePath(), {L"restore", L"/y", L"/n", L"Here"});
        expectRestored(result, saved, Positions(there));
    }
    DesktopFixture again(FixtureBesideTest(), {L"--synthetic", items});
    scramble(again);
    const RunResult result = RunKelvane({L"restore", L"/y", L"/n", L"There"});
    expectRestored(result, saved, Positions(again));
    DeleteFileW(items.c_str());
}

// A file exported by either build is the same, and imports byte for byte in the
// other.
TEST_F(OtherWidth, LayoutFilesCrossBetweenTheBuilds) {
    WriteRegistryValue(LayoutKey(L"\u00c4rger"), L"Alpha", REG_DWORD, PackedRecordData(-5, 40));
    WriteRegistryValue(LayoutKey(L"\u00c4rger"), L"kv-cross.txt", REG_BINARY,
                       ShellRecordData(-30, 70000, L"Cr\u00f6ss"));
    WriteRegistryValue(LayoutKey(L"Plain"), L"Beta", REG_DWORD, PackedRecordData(100, 200));
    const auto stored = RegistryTreeImage(kStoreKey);
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring here = std::wstring(folder) + L"kv-cross-here.json";
    const std::wstring there = std::wstring(folder) + L"kv-cross-there.json";
    ASSERT_EQ(0u, RunKelvane({L"export", L"/y", L"/f", here}).exitCode);
    ASSERT_EQ(0u, RunProcess(OtherWidthKelvanePath(), {L"export", L"/y", L"/f", there}).exitCode);

    const struct {
        std::wstring exe;
        std::wstring file;
    } imports[] = {{OtherWidthKelvanePath(), here}, {KelvanePath(), there}};
    for (const auto& import : imports) {
        DeleteRegistryTree(L"Software\\Brenlow");
        const RunResult result = RunProcess(import.exe, {L"import", L"/f", import.file});
        EXPECT_EQ(0u, result.exitCode) << result.standardError;
        EXPECT_EQ(stored, RegistryTreeImage(kStoreKey)) << import.file;
    }
    DeleteFileW(here.c_str());
    DeleteFileW(there.c_str());
}

}  // namespace

#include <gtest/gtest.h>

#include <map>

#include "e2e/kelvane_process.h"

// Two copies of the program at once, as a log-on task and a user might start
// them: a save and a restore of the same layout, started together, over and
// over against one desktop.

namespace {

constexpr int kIcons = 40;
constexpr int kRounds = 20;
constexpr int kSpacing = 75;
constexpr int kStagger = 10;  // milliseconds, per round

std::wstring IconText(int index) { return L"Race " + std::to_wstring(index); }

// Four columns of ten: the desktop's own grid, and two regions to the right
// that the icons are scrambled into by turns. An icon's places never overlap
// another icon's, so a restore never evicts.
POINT GridPlace(int index, int left) { return {left + kSpacing * (index / 10), 2 + kSpacing * (index % 10)}; }

int32_t PackedX(const std::vector<BYTE>& data) { return static_cast<int16_t>(data[0] | data[1] << 8); }
int32_t PackedY(const std::vector<BYTE>& data) { return static_cast<int16_t>(data[2] | data[3] << 8); }

TEST(TwoCopies, SaveAndRestoreTogetherLeaveOneCompleteLayout) {
    DeleteRegistryTree(L"Software\\Brenlow");
    std::vector<std::wstring> lines;
    for (int i = 0; i < kIcons; ++i) {
        const POINT place = GridPlace(i, 21);
        lines.push_back(IconText(i) + L"\t" + std::to_wstring(place.x) + L"\t" + std::to_wstring(place.y) + L"\tnone");
    }
    const std::wstring items = WriteItemsFile(lines);
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    ASSERT_EQ(0u, RunKelvane({L"save", L"/y", L"/n", L"Race"}).exitCode);

    // Where the stored layout puts each icon, by its text.
    std::map<std::wstring, POINT> stored;
    for (const FixtureItem& item : fixture.Items())
        stored[item.text] = {item.x, item.y};

    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        const int left = round % 2 == 0 ? 500 : 900;
        for (int i = 0; i < kIcons; ++i) {
            const POINT place = GridPlace(i, left);
            fixture.Move(i, place.x, place.y);
        }
        const RunOptions options{std::nullopt, 60000};
        StartedProcess save(KelvanePath(), {L"save", L"/y", L"/n", L"Race"}, options);
        // The restore starts a little later each round, so that its reading of
        // the layout meets every phase of the save, its writing included.
        Sleep(static_cast<DWORD>(round * kStagger));
        StartedProcess restore(KelvanePath(), {L"restore", L"/y", L"/n", L"Race"}, options);
        const RunResult saved = save.Finish();
        const RunResult restored = restore.Finish();
        ASSERT_FALSE(saved.timedOut);
        ASSERT_FALSE(restored.timedOut);
        EXPECT_EQ(0u, saved.exitCode);
        EXPECT_EQ(0u, restored.exitCode);
        EXPECT_EQ(L"", saved.standardError);
        EXPECT_EQ(L"", restored.standardError);

        // One complete save: every icon once, each where the save could have
        // seen it, before the restore moved it or after.
        const auto values = RegistryValues(LayoutKey(L"Race"));
        ASSERT_EQ(static_cast<size_t>(kIcons), values.size());
        std::map<std::wstring, POINT> now;
        for (const RegistryValue& value : values) {
            ASSERT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << value.name;
            ASSERT_EQ(4u, value.data.size()) << value.name;
            now[value.name] = {PackedX(value.data), PackedY(value.data)};
        }
        for (int i = 0; i < kIcons; ++i) {
            const std::wstring text = IconText(i);
            ASSERT_EQ(1u, now.count(text)) << text;
            const POINT seen = now[text];
            const POINT scrambled = GridPlace(i, left);
            const bool before = seen.x == scrambled.x && seen.y == scrambled.y;
            const bool after = seen.x == stored[text].x && seen.y == stored[text].y;
            EXPECT_TRUE(before || after) << text << " stored at " << seen.x << "," << seen.y;
        }
        stored = now;
    }
    DeleteRegistryTree(L"Software\\Brenlow");
    DeleteFileW(items.c_str());
}

}  // namespace

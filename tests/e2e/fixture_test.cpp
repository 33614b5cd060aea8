// The desktop fixture's own behaviour, which the other end-to-end tests take
// for granted: it shows a folder's files, keeps icons exactly where they are
// put, counts only messages from other processes, can vanish on cue, and can
// keep a record of its own of where its icons stand, as current Windows does.

#include "support/desktop_files.h"
#include "support/fixture_client.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

struct Placement {
    int index;
    int x;
    int y;
};

// Odd, negative and far-off positions: none of them on the 75-pixel grid.
const std::vector<Placement> kPlacements = {{0, 333, 17}, {1, -45, 1001}, {2, 7, -3}};

// What makes Wine's list view lay its icons out anew: switching redrawing
// back on (the shell view does so whenever it refreshes) and painting (the
// first paint arranges everything).
void ProvokeRelayout(HWND listView) {
    SendMessageW(listView, WM_SETREDRAW, FALSE, 0);
    SendMessageW(listView, WM_SETREDRAW, TRUE, 0);
    SendMessageW(listView, WM_PAINT, 0, 0);
}

void ExpectPlacements(DesktopFixture& fixture, const std::vector<Placement>& placements) {
    ProvokeRelayout(fixture.ListView());
    const std::vector<FixtureItem> items = fixture.Items();
    for (const Placement& placement : placements) {
        ASSERT_LT(static_cast<size_t>(placement.index), items.size());
        EXPECT_EQ(items[placement.index].x, placement.x) << "item " << placement.index;
        EXPECT_EQ(items[placement.index].y, placement.y) << "item " << placement.index;
    }
}

void MoveAll(DesktopFixture& fixture, const std::vector<Placement>& placements) {
    for (const Placement& placement : placements)
        fixture.Move(placement.index, placement.x, placement.y);
}

}  // namespace

TEST(DesktopFixtureTest, ShellFolderViewShowsTheFolderFiles) {
    const std::vector<std::wstring> names = {L"alpha.txt", L"beta.ini", L"gamma.dat"};
    ScratchFolder folder(ScratchLocation::Temp, names);
    DesktopFixture fixture(FixtureBesideTest(), {L"--shell-folder", folder.Path()});

    std::vector<std::wstring> identities;
    for (const FixtureItem& item : fixture.Items())
        identities.push_back(fixture.Identity(item.index));
    std::sort(identities.begin(), identities.end());
    EXPECT_EQ(identities, names);
}

TEST(DesktopFixtureTest, ShellFolderViewKeepsMovedIconsExactly) {
    ScratchFolder folder(ScratchLocation::Temp, {L"one.txt", L"two.txt", L"three.txt", L"four.txt"});
    DesktopFixture fixture(FixtureBesideTest(), {L"--shell-folder", folder.Path()});
    const FixtureItem untouched = fixture.Items()[3];

    MoveAll(fixture, kPlacements);

    ExpectPlacements(fixture, kPlacements);
    ExpectPlacements(fixture, {{3, untouched.x, untouched.y}});
}

TEST(DesktopFixtureTest, SyntheticItemsStandWhereTheFileSaysAndWhereTheyAreMoved) {
    ScratchFolder folder(ScratchLocation::Temp, {});
    folder.WriteTextFile(L"items.txt",
                         L"Ωmega\t5\t-9\tnone\n"
                         L"\t1190\t3\tnone\n"
                         L"Büro\t-31\t477\tnone\n");
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", folder.PathOf(L"items.txt")});
    ExpectPlacements(fixture, {{0, 5, -9}, {1, 1190, 3}, {2, -31, 477}});

    MoveAll(fixture, kPlacements);

    ExpectPlacements(fixture, kPlacements);
}

TEST(DesktopFixtureTest, CountsOnlyMessagesFromOtherProcesses) {
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"5"});
    const HWND listView = fixture.ListView();
    fixture.ResetCounts();

    fixture.Items();  // the fixture's own list-view calls
    SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0);
    SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0);

    const std::map<UINT, unsigned> expected = {{LVM_GETITEMCOUNT, 2}};
    EXPECT_EQ(fixture.MessageCounts(), expected);
}

TEST(DesktopFixtureTest, QuitAfterAnswersTheLastMessageThenEnds) {
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"5"});
    const HWND listView = fixture.ListView();
    fixture.QuitAfter(2);

    EXPECT_EQ(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0), 5);

    ASSERT_EQ(WaitForSingleObject(fixture.Process(), 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(IsWindow(listView));
}

TEST(DesktopFixtureTest, StandInShellPutsBackWhatOnlyTheListViewWasTold) {
    const DesktopFiles files({L"kv-record.txt"});
    ScratchFolder folder(ScratchLocation::Temp, {});
    folder.WriteTextFile(L"items.txt", L"Named\t10\t10\tdesktop:kv-record.txt\nPlain\t100\t10\tnone\n");
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", folder.PathOf(L"items.txt"), L"--stand-in"});
    const HWND listView = fixture.ListView();

    fixture.Move(0, 200, 210);  // the shell's own move, as a user's drag
    SendMessageW(listView, LVM_SETITEMPOSITION, 0, MAKELPARAM(300, 310));
    SendMessageW(listView, LVM_SETITEMPOSITION, 1, MAKELPARAM(400, 410));
    ExpectPlacements(fixture, {{0, 300, 310}, {1, 400, 410}});

    fixture.Refresh();
    // The item without an ID list is not in the record and stays.
    ExpectPlacements(fixture, {{0, 200, 210}, {1, 400, 410}});
    EXPECT_EQ(0u, fixture.StandInObjectCount().made);

    DesktopFixture plain(FixtureBesideTest(), {L"--synthetic-count", L"1"});
    EXPECT_THROW(plain.Refresh(), std::runtime_error) << "only a stand-in desktop keeps a record";
}

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <thread>
#include <vector>

#include "actions/restore_layout.h"
#include "actions/save_layout.h"
#include "app/command_line.h"
#include "app/stop_request.h"
#include "desktop/remote_records.h"
#include "support/stand_in_registration.h"
#include "unit/action_fault_harness.h"
#include "unit/faulty_registry.h"
#include "unit/faulty_shell.h"

namespace {

using Call = FaultyShell::Call;
using Kind = FaultyShell::Kind;

FaultyShell::Predicate Sends(UINT message, int occurrence = 1) {
    return [message, occurrence, seen = 0](const Call& call) mutable {
        return call.kind == Kind::Send && call.message == message && ++seen == occurrence;
    };
}

FaultyShell::Predicate Silences(UINT message, int occurrence = 1) {
    return [message, occurrence, seen = 0](const Call& call) mutable {
        return call.kind == Kind::Silence && call.message == message && ++seen == occurrence;
    };
}

FaultyShell::Predicate WritesTo(SIZE_T blockSize, int occurrence = 1, int firstByte = -1) {
    return [=, seen = 0](const Call& call) mutable {
        return call.kind == Kind::Write && call.blockSize == blockSize &&
               (firstByte < 0 || static_cast<const uint8_t*>(call.data)[0] == firstByte) && ++seen == occurrence;
    };
}

FaultyShell::Predicate ReadsFrom(SIZE_T blockSize, int occurrence = 1, SIZE_T offset = 0) {
    return [=, seen = 0](const Call& call) mutable {
        return call.kind == Kind::Read && call.blockSize == blockSize && call.blockOffset == offset &&
               ++seen == occurrence;
    };
}

FaultyShell::Predicate ReadsOutsideBlocks(bool header) {
    return [header](const Call& call) {
        return call.kind == Kind::Read && call.blockSize == 0 && (call.size == 3) == header;
    };
}

FaultyShell::Predicate Is(Kind kind, int occurrence = 1) {
    return [kind, occurrence, seen = 0](const Call& call) mutable { return call.kind == kind && ++seen == occurrence; };
}

FaultyShell::Predicate Either(FaultyShell::Predicate first, FaultyShell::Predicate second) {
    return [first = std::move(first), second = std::move(second)](const Call& call) mutable {
        const bool byFirst = first(call);
        return second(call) || byFirst;
    };
}

// Offers the calls to the predicate only during the restore's walk over the
// fixture's four items, which ends with its fifth LVM_GETNEXTITEM.
FaultyShell::Predicate DuringTheWalk(FaultyShell::Predicate fails) {
    return [fails = std::move(fails), lookups = 0](const Call& call) mutable {
        if (call.kind == Kind::Send && call.message == LVM_GETNEXTITEM) ++lookups;
        return lookups < 5 && fails(call);
    };
}

using FaultCase = ::FaultCase<FaultyShell>;

class ActionFaults : public ActionFaultTest {};

TEST_F(ActionFaults, Save) {
    const SIZE_T item = kNativeLayout.itemSize;
    // The layout holds Alpha and Gamma: a save that reads every icon but one
    // stores the others and keeps the stored record of that one.
    struct SaveCase {
        FaultCase fault;
        size_t stored;
    };
    const SaveCase cases[] = {
        {{L"open", Is(Kind::Open), L"", L"Could not get read access to the Desktop ListView memory.\n"}, 2},
        {{L"third block", Is(Kind::Allocate, 3), L"", L"Could not get access to the Desktop ListView memory.\n"}, 2},
        {{L"folder", Is(Kind::DesktopFolder), L"", L"Could not get IShellFolder.\n"}, 2},
        {{L"item request", WritesTo(item), L"Desktop Saving. Write Mem for Item 0 failed\n", L""}, 4},
        {{L"get item", Sends(LVM_GETITEMW, 2), L"Desktop Saving. Get Item 1 failed\n", L""}, 3},
        {{L"position", Sends(LVM_GETITEMPOSITION), L"Desktop Saving. Get Item Position 0 failed\n", L""}, 4},
        {{L"item read", ReadsFrom(item), L"Desktop Saving. Read LVITEM for Item 0 failed\n", L""}, 4},
        {{L"text read", ReadsFrom(520, 4), L"Desktop Saving. Read Name Mem for Item 3 failed\n", L""}, 3},
        {{L"point read", ReadsFrom(8), L"Desktop Saving. Read Position Mem for Item 0 failed\n", L""}, 4},
        {{L"header", ReadsOutsideBlocks(true), L"Desktop Saving. Read ITEMIDLIST Item 2 failed\n", L""}, 4},
        {{L"full list", ReadsOutsideBlocks(false), L"Desktop Saving. Read Full ITEMIDLIST Item 2 failed\n", L""}, 4},
    };
    for (const SaveCase& c : cases) {
        Check(c.fault, [] { SaveLayout(true, kLayout); });
        const auto values = RegistryValues(LayoutKey());
        EXPECT_EQ(c.stored, values.size()) << c.fault.name;
        for (const std::wstring& name : {std::wstring(L"Alpha"), std::wstring(kFile)}) {
            EXPECT_TRUE(std::any_of(values.begin(), values.end(),
                                    [&name](const RegistryValue& value) { return value.name == name; }))
                << c.fault.name << ": " << name;
        }
    }
}

TEST_F(ActionFaults, Restore) {
    const SIZE_T item = kNativeLayout.itemSize;
    const SIZE_T find = kNativeLayout.findSize;
    const std::wstring both = L"Layout: Faults\nDesktop Restored: 2 icons\n";
    const std::wstring one = L"Layout: Faults\nDesktop Restored: 1 icons\n";
    const std::wstring lacksOne =
        L"The arrangement kept for undo lacks 1 icons that could not be read. The restore goes on.\n";
    const FaultCase cases[] = {
        {L"open", Is(Kind::Open), L"", L"Could not get read access to the Desktop ListView memory.\n"},
        {L"third block", Is(Kind::Allocate, 3), L"", L"Could not get access to the Desktop ListView memory.\n"},
        {L"folder", Is(Kind::DesktopFolder), L"", L""},
        // An item the walk could not read is read once more, printed, when a
        // record may be its: here Gamma, item 2, whose record comes second.
        {L"item request", Either(WritesTo(item, 3), WritesTo(item, 5)),
         L"Desktop Saving. Write Mem for Item 2 failed\n" + one, lacksOne, 2},
        {L"get item", Either(Sends(LVM_GETITEMW, 3), Sends(LVM_GETITEMW, 5)),
         L"Desktop Saving. Get Item 2 failed\n" + one, lacksOne, 2},
        {L"position", Either(Sends(LVM_GETITEMPOSITION, 3), Sends(LVM_GETITEMPOSITION, 5)),
         L"Desktop Saving. Get Item Position 2 failed\n" + one, lacksOne, 2},
        {L"item", Either(ReadsFrom(item, 3), ReadsFrom(item, 5)),
         L"Desktop Saving. Read LVITEM for Item 2 failed\n" + one, lacksOne, 2},
        {L"header", ReadsOutsideBlocks(true), L"Desktop Saving. Read ITEMIDLIST Item 2 failed\n" + one, lacksOne, 2},
        {L"full list", ReadsOutsideBlocks(false), L"Desktop Saving. Read Full ITEMIDLIST Item 2 failed\n" + one,
         lacksOne, 2},
        // The walk could not read where Alpha stands, so its placement asks.
        {L"current position", Either(ReadsFrom(8, 1), ReadsFrom(8, 5)),
         L"RestoreIconPosition. Read Position Mem for Item 0 failed\n" + both, lacksOne, 2},
        {L"nearest query", WritesTo(find, 1, LVFI_NEARESTXY),
         L"RestoreIconPosition. Write Mem for Item failed\n" + both, L""},
        {L"bounds query", WritesTo(16), L"RestoreIconPosition. Write Mem for RECT failed\n" + both, L""},
        {L"bounds", Sends(LVM_GETITEMRECT), L"LVM_GETITEMRECT. failed\n" + both, L""},
        {L"bounds read", ReadsFrom(16), L"RestoreIconPosition. Read RECT Mem for Item 0 failed\n" + both, L""},
        {L"scan query", WritesTo(find, 2, LVFI_NEARESTXY), L"RestoreIconPosition. Write Mem for Item failed\n" + both,
         L""},
        {L"scan bounds read", ReadsFrom(16, 2), L"RestoreIconPosition. Read RECT Mem for Item 1 failed\n" + both, L""},
    };
    for (const FaultCase& c : cases) {
        Check(c, [] { RestoreLayout(true, kLayout); });
    }
}

// A walk that fails for an icon keeps the arrangement without it and says so in
// one line; the icon is read again for its record, and the restore prints and
// places all it did before.
TEST_F(ActionFaults, UndoKeep) {
    const std::wstring both = L"Layout: Faults\nDesktop Restored: 2 icons\n";
    const std::wstring lacksOne =
        L"The arrangement kept for undo lacks 1 icons that could not be read. The restore goes on.\n";
    const FaultCase cases[] = {
        {L"item request", WritesTo(kNativeLayout.itemSize), both, lacksOne},
        {L"get item", Sends(LVM_GETITEMW, 2), both, lacksOne},
        {L"text read", ReadsFrom(520, 3), both, lacksOne},
        {L"identity", ReadsOutsideBlocks(true), both, lacksOne},
        {L"every item", [](const Call& call) { return call.kind == Kind::Send && call.message == LVM_GETITEMPOSITION; },
         both, L"The arrangement kept for undo lacks 4 icons that could not be read. The restore goes on.\n", 0},
    };
    for (const FaultCase& c : cases) {
        Check(FaultCase{c.name, DuringTheWalk(c.fails), c.out, c.err, c.count}, [] { RestoreLayout(true, kLayout); });
        const auto items = fixture->Items();
        EXPECT_EQ(400, items[0].x) << c.name;
        EXPECT_EQ(500, items[2].x) << c.name;
    }
}

// A list view that stops answering one message: the message fails as one
// answered 0 would, the action ends there with one line on standard error and
// sends nothing more, a save keeps the layout it found, a restore lets the
// desktop redraw again, and only the blocks the message points into stay in the
// shell, where it may still write when it wakes.
TEST_F(ActionFaults, ShellThatStopsAnswering) {
    const SIZE_T item = kNativeLayout.itemSize;
    const SIZE_T find = kNativeLayout.findSize;
    const std::wstring saveStopped =
        L"The desktop list view is not responding: the save stopped, and the layout Faults was not changed.\n";
    const std::wstring restoreStopped =
        L"The desktop list view is not responding: the restore stopped before its last icons.\n";
    struct SilenceCase {
        const wchar_t* name;
        bool restore;
        FaultyShell::Predicate silenced;
        std::wstring out;
        std::wstring err;
        std::vector<SIZE_T> blocksLeft;
    };
    const SilenceCase cases[] = {
        {L"first item lookup", false, Silences(LVM_GETNEXTITEM), L"", saveStopped, {}},
        {L"item request",
         false,
         Silences(LVM_GETITEMW, 2),
         L"Desktop Saving. Get Item 1 failed\n",
         saveStopped,
         {item, 520}},
        {L"item position",
         false,
         Silences(LVM_GETITEMPOSITION),
         L"Desktop Saving. Get Item Position 0 failed\n",
         saveStopped,
         {8}},
        {L"keep for undo", true, Silences(LVM_GETITEMW), L"", restoreStopped, {item, 520}},
        {L"search for the occupant of a place", true, Silences(LVM_FINDITEMW), L"", restoreStopped, {find}},
        {L"bounds of the target's occupant",
         true,
         Silences(LVM_GETITEMRECT),
         L"LVM_GETITEMRECT. failed\n",
         restoreStopped,
         {16}},
        {L"eviction", true, Silences(LVM_SETITEMPOSITION), L"", restoreStopped, {}},
    };
    for (const SilenceCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartFixture();
        WriteLayout();
        const HWND listView = fixture->ListView();
        CapturedOutput output;
        FaultyShell shell(c.silenced);
        if (c.restore) {
            RestoreLayout(true, kLayout);
        } else {
            SaveLayout(true, kLayout);
        }
        EXPECT_EQ(1, shell.failures()) << "the message was never sent";
        EXPECT_EQ(c.out, output.out);
        EXPECT_EQ(c.err, output.err);
        EXPECT_EQ(0, shell.sendsAfterSilence);
        std::vector<SIZE_T> left = shell.BlocksLeft();
        std::vector<SIZE_T> expectedLeft = c.blocksLeft;
        std::sort(left.begin(), left.end());
        std::sort(expectedLeft.begin(), expectedLeft.end());
        EXPECT_EQ(expectedLeft, left);
        const std::vector<HWND> locks = c.restore ? std::vector<HWND>{listView, nullptr} : std::vector<HWND>{};
        EXPECT_EQ(locks, shell.locks);
        EXPECT_EQ(2u, RegistryValues(LayoutKey()).size()) << "the layout stays as it was";
    }
}

// The namespace names the items from a single-threaded apartment that the
// action enters and leaves; a thread in the multithreaded one already stays
// there, and in it.
TEST_F(ActionFaults, ItemsAreNamedInTheActionsOwnApartment) {
    struct Case {
        const wchar_t* name;
        bool multithreadedBefore;
        void (*action)();
    };
    const Case cases[] = {
        {L"save", false, [] { SaveLayout(true, kLayout); }},
        {L"restore", false, [] { RestoreLayout(true, kLayout); }},
        {L"save, thread in the multithreaded apartment", true, [] { SaveLayout(true, kLayout); }},
        {L"restore, thread in the multithreaded apartment", true, [] { RestoreLayout(true, kLayout); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartFixture();
        WriteLayout();
        std::vector<int> during;
        int after = 0;
        // A thread of its own, in no apartment unless the case puts it in one.
        std::thread([&] {
            const bool multithreaded =
                c.multithreadedBefore && SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
            {
                CapturedOutput output;
                FaultyShell shell([](const Call&) { return false; });
                c.action();
                during = shell.identityApartments;
            }
            after = FaultyShell::CurrentApartment();
            if (multithreaded) CoUninitialize();
        }).join();
        const int expected = c.multithreadedBefore ? APTTYPE_MTA : APTTYPE_STA;
        EXPECT_FALSE(during.empty());
        EXPECT_EQ(std::vector<int>(during.size(), expected), during);
        EXPECT_EQ(c.multithreadedBefore ? APTTYPE_MTA : -1, after);
    }
}

// A stop that comes once no walk is left: a save stores what its walk read and
// a restore that has nothing more to send ends as it would have, both with 0;
// a restore whose positions are still to be committed to the shell's record
// leaves them unsent and says so, and ends as one Ctrl+C stopped.
TEST_F(ActionFaults, StopAfterTheLastIcon) {
    const std::wstring restored = L"Layout: Faults\nDesktop Restored: 2 icons\n";
    const std::wstring notCommitted =
        L"The restore was interrupted before Windows was told to keep the icons where they now stand: it may put "
        L"them back later.\n";
    struct Case {
        const wchar_t* name;
        const wchar_t* action;
        bool standIn;
        std::wstring outEnd;
        std::wstring err;
        int exitCode;
        size_t values;
    };
    const Case cases[] = {
        {L"save, during the store's write", L"save", false, L"", L"", 0, 4},
        {L"restore, nothing to commit", L"restore", false, restored, L"", 0, 2},
        {L"restore, before the commit", L"restore", true, restored, notCommitted, kStoppedExitCode, 2},
    };
    // For the shell that keeps a record, every icon has an ID list, as the
    // folder view's calibration needs.
    const DesktopFiles named({L"kv-stop-a.txt", L"kv-stop-b.txt", L"kv-stop-d.txt"});
    folder->WriteTextFile(L"named.txt",
                          L"Alpha\t700\t500\tdesktop:kv-stop-a.txt\nBeta\t30\t30\tdesktop:kv-stop-b.txt\n"
                          L"Gamma\t300\t100\tdesktop:" +
                              std::wstring(kFile) + L"\nDelta\t400\t400\tdesktop:kv-stop-d.txt\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<StandInRegistration> redirect;
        if (c.standIn) {
            redirect.emplace(StandInServerBesideTest());
            fixture = std::make_unique<DesktopFixture>(
                FixtureBesideTest(),
                std::vector<std::wstring>{L"--synthetic", folder->PathOf(L"named.txt"), L"--stand-in"});
            identity = fixture->Identity(2);
        } else {
            StartFixture();
        }
        WriteLayout();
        CapturedOutput output;
        // The stop comes during the save's first write to the store, or while
        // the restore handles its last record: after each walk's last look at it.
        std::optional<FaultyRegistry> registry;
        std::optional<FaultyShell> shell;
        if (c.action == std::wstring(L"save")) {
            registry.emplace([](const FaultyRegistry::Call& call) {
                if (call.kind == FaultyRegistry::Kind::SetValue) RequestStop();
                return false;
            });
        } else {
            // Gamma's move, after Delta's eviction and Alpha's.
            shell.emplace([last = Sends(LVM_SETITEMPOSITION, 3)](const Call& call) mutable {
                if (last(call)) RequestStop();
                return false;
            });
        }
        const wchar_t* arguments[] = {L"Kelvane", c.action, L"/y", L"/n", kLayout};
        const int exitCode = RunCommandLine(5, arguments);
        const bool stopped = StopRequested();
        ClearStopRequest();
        EXPECT_TRUE(stopped) << "the stop never came";
        EXPECT_EQ(c.exitCode, exitCode);
        EXPECT_EQ(c.outEnd, output.out.substr(output.out.size() - std::min(output.out.size(), c.outEnd.size())));
        EXPECT_EQ(c.err, output.err);
        EXPECT_EQ(c.values, RegistryValues(LayoutKey()).size());
        if (c.standIn) {
            const auto calls = fixture->StandInCalls();
            EXPECT_EQ(0u, calls.count("commit")) << "the commit went out";
        }
    }
}

TEST_F(ActionFaults, RestoreWithoutFaultEvictsAndPlacesEverything) {
    StartFixture();
    WriteLayout();
    CapturedOutput output;
    RestoreLayout(true, kLayout);
    EXPECT_EQ(L"Layout: Faults\nDesktop Restored: 2 icons\n", output.out);
    const auto items = fixture->Items();
    EXPECT_EQ(400, items[0].x);  // Alpha where Delta stood
    EXPECT_EQ(500, items[2].x);  // Gamma by identity
    EXPECT_EQ(21, items[3].x);   // Delta evicted to the first free grid point
    EXPECT_EQ(2, items[3].y);
}

TEST_F(ActionFaults, EvictionThatFailsStillPlacesTheIcon) {
    StartFixture();
    WriteLayout();
    CapturedOutput output;
    FaultyShell shell(WritesTo(kNativeLayout.findSize, 2, LVFI_NEARESTXY));
    RestoreLayout(true, kLayout);
    const auto items = fixture->Items();
    EXPECT_EQ(400, items[0].x) << "Alpha is placed over the occupant";
    EXPECT_EQ(400, items[3].x) << "the occupant stays";
}

}  // namespace

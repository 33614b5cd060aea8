#include "actions/apply_layout.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "actions/action_start.h"
#include "actions/icon_placement.h"
#include "actions/item_exchange.h"
#include "actions/position_commit.h"
#include "actions/shell_access.h"
#include "actions/undo_keep.h"
#include "app/console_output.h"
#include "app/stop_request.h"
#include "desktop/item_identity.h"
#include "desktop/item_request.h"
#include "desktop/remote_buffers.h"
#include "desktop/shell_platform.h"
#include "display/monitor_snapshot.h"
#include "store/layout_store.h"
#include "text/ascii_case.h"

namespace {

constexpr wchar_t kShellHungLine[] =
    L"The desktop list view is not responding: the restore stopped before its last icons.\n";

struct ApplyContext {
    HWND listView;
    RemoteBuffers& shell;
    IShellFolder* desktopFolder;
    uint8_t* idListBuffer;
    FreeSpotScan scan;
    PositionCommit& commit;
    // When set, the only icons the restore may move, in ascending order: a
    // record whose icon is another is passed over.
    const std::vector<int>* onlyIndices;
    // remoteFind still holds the text search written for an earlier record: the
    // record is the same for every text, so it need not be written again.
    bool findHoldsTextSearch = false;
    // The texts of the records whose icon moved to its place.
    std::vector<WString> moved;
    int broughtIntoView = 0;  // icons placed elsewhere, as no work area showed their place
};

bool MayMove(const ApplyContext& context, int index) {
    return context.onlyIndices == nullptr ||
           std::binary_search(context.onlyIndices->begin(), context.onlyIndices->end(), index);
}

void PlaceIcon(ApplyContext& context, int index, const IconRecord& record) {
    const Placement placement =
        RestoreIconPosition(context.listView, index, record.x, record.y, context.shell, context.scan);
    if (placement.blocks == ScratchBlocks::Overwritten) {
        context.findHoldsTextSearch = false;
    }
    // The occupant moved first: an icon that was its own occupant ends at its place.
    if (placement.evicted != -1) {
        context.commit.NoteMoved(placement.evicted, placement.evictedTo, WString());
    }
    if (placement.broughtIntoView) {
        ++context.broughtIntoView;
    }
    if (placement.moved) {
        context.commit.NoteMoved(index, placement.placedAt, record.displayText);
        context.moved.push_back(record.displayText);
    } else {
        context.commit.NoteMatched(index);
    }
}

// The next item after `after` whose text equals the search text, or -1; a search
// left unanswered finds nothing.
int FindNext(const ApplyContext& context, int after) {
    return static_cast<int>(context.shell
                                .Send(context.listView, LVM_FINDITEMW, static_cast<WPARAM>(after),
                                      reinterpret_cast<LPARAM>(context.shell.remoteFind),
                                      {RemoteBlock::Find, RemoteBlock::Text})
                                .value_or(-1));
}

// Whether the candidate's identity equals the record's key; prints the step that
// failed. Each successful item request leaves the candidate's own text in
// remoteText, which equals the search text but for letter case, so the continued
// search walks the same items.
bool CandidateMatches(const ApplyContext& context, int candidate, const IconRecord& record) {
    RemoteBuffers& shell = context.shell;
    if (!RequestItem(context.listView, shell, candidate)) {
        return false;
    }
    uint64_t idList = 0;
    if (!ReadItemParam(shell, idList)) {
        Print(OutputStream::Out, L"Desktop Saving. Read LPCITEMIDLIST Item %d failed\n", candidate);
        return false;
    }
    if (idList == 0) {
        Print(OutputStream::Out, L"Desktop Saving. Read ITEMIDLIST Item %d failed\n", candidate);
        return false;
    }
    WString identity;
    if (IdentifyItem(shell, idList, context.desktopFolder, context.idListBuffer, candidate, identity) !=
        IdentityOutcome::Found) {
        return false;
    }
    return EqualsIgnoringAsciiCase(record.keyName.Text(), identity.Text());
}

// Finds the record's icon and places it; true when one was found.
bool ApplyRecord(ApplyContext& context, const IconRecord& record) {
    RemoteBuffers& shell = context.shell;
    // A stored text longer than the block cannot equal any item's text as the
    // list view reports it, so it is not searched for at all.
    if (record.displayText.Length() >= static_cast<size_t>(kRemoteTextLength)) {
        return false;
    }
    wchar_t searchText[kRemoteTextLength];
    std::memset(searchText, 0, sizeof(searchText));
    std::memcpy(searchText, record.displayText.Text(), (record.displayText.Length() + 1) * sizeof(wchar_t));
    if (!ShellPlatform::Current().Write(shell.process(), shell.remoteText, searchText, sizeof(searchText))) {
        PrintText(OutputStream::Out, L"Desktop Restoring. Write Name Mem for Item failed\n");
        return false;
    }
    if (!context.findHoldsTextSearch) {
        const RemoteRecord search = EncodeTextSearch(kNativeLayout, reinterpret_cast<uintptr_t>(shell.remoteText));
        if (!ShellPlatform::Current().Write(shell.process(), shell.remoteFind, search.bytes, search.size)) {
            PrintText(OutputStream::Out, L"Desktop Restoring. Write Mem for Item failed\n");
            return false;
        }
        context.findHoldsTextSearch = true;
    }
    if (record.textOnly) {
        const int index = FindNext(context, -1);
        if (index == -1 || !MayMove(context, index)) {
            return false;
        }
        PlaceIcon(context, index, record);
        return true;
    }
    // A continued search only looks after the candidate; an answer that does not
    // advance (a list view that has gone answers 0) ends the record.
    for (int candidate = FindNext(context, -1), previous = -1; candidate > previous;
         previous = candidate, candidate = FindNext(context, candidate)) {
        if (MayMove(context, candidate) && CandidateMatches(context, candidate, record)) {
            PlaceIcon(context, candidate, record);
            return true;
        }
    }
    return false;
}

// What a run of the engine tells its caller, once the icons stand and before
// the commit reports: how many records' icons it found (those that already stood
// at their place and those whose move failed count too), how many of them it
// placed elsewhere because no work area showed their place, and the texts of the
// records whose icon it moved.
using EngineSummary = std::function<void(int matched, int broughtIntoView, const std::vector<WString>& moved)>;

// Places the records' icons, or only those at `onlyIndices` when given, and
// commits them to the shell; unless `onlyIndices` is given the arrangement is
// kept for undo first. True when it walked every record.
bool RunEngine(HWND listView, const IconRecordList& records, FreeSpotScan::Start scanStart,
               const std::vector<int>* onlyIndices, const EngineSummary& summarize) {
    if (RefuseArrangedDesktop(listView)) {
        return false;
    }
    // The save names a missing desktop folder, the restore does not: a save that
    // stores nothing must say why, while a restore speaks only of its icons.
    DesktopFolder desktopFolder;
    if (!desktopFolder.Obtain()) {
        return false;
    }
    RemoteBuffers shell;
    if (!OpenShellProcess(shell, listView)) {
        return false;
    }
    // The ID-list buffer comes before the blocks here, after them in the save: the
    // order decides which failure a user meets, and so what is printed.
    IdListBuffer idListBuffer = AllocateIdListBuffer();
    if (!idListBuffer) {
        return false;
    }
    if (!AllocateShellBlocks(
            shell, {RemoteBlock::Rect, RemoteBlock::Item, RemoteBlock::Find, RemoteBlock::Text, RemoteBlock::Point})) {
        return false;
    }
    // The calibration and the keep for undo both read the icons before anything
    // moves, and nothing is kept for a desktop that arranges itself; a shell
    // that stops answering during the calibration ends the keep at once.
    PositionCommit commit(listView, shell, idListBuffer.get());
    if (commit.FolderViewArrangesIcons()) {
        ReportArrangedDesktop();
        return false;
    }
    if (onlyIndices == nullptr) {
        KeepArrangementForUndo(listView, shell, desktopFolder.get(), idListBuffer.get());
    }
    if (shell.ShellHung()) {
        PrintText(OutputStream::Err, kShellHungLine);
        return false;
    }
    ApplyContext context{listView,
                         shell,
                         desktopFolder.get(),
                         idListBuffer.get(),
                         FreeSpotScan(WorkArea, scanStart),
                         commit,
                         onlyIndices,
                         false,
                         {}};
    bool walkedAll = true;
    int matched = 0;
    for (const IconRecord& record : records) {
        if (StopRequested()) {
            PrintText(OutputStream::Err,
                      L"The restore was interrupted before its last icons; the stored layouts were left as they "
                      L"were.\n");
            NoteStopObeyed();
            walkedAll = false;
            break;
        }
        const bool found = ApplyRecord(context, record);
        // A record handled while the shell stopped answering is not counted.
        if (shell.ShellHung()) {
            PrintText(OutputStream::Err, kShellHungLine);
            walkedAll = false;
            break;
        }
        // A list view that has gone answers a search with 0 rather than -1, so a
        // record handled while it went is not counted, and the walk ends.
        if (!ShellPlatform::Current().IsWindowAlive(listView)) {
            PrintText(OutputStream::Err, L"The desktop list view went away: the restore stopped.\n");
            walkedAll = false;
            break;
        }
        if (found) {
            ++matched;
        }
    }
    summarize(matched, context.broughtIntoView, context.moved);
    if (walkedAll) {
        commit.Commit();
    }
    return walkedAll;
}

}  // namespace

int ApplyLayout(HWND listView, const wchar_t* layoutName, FreeSpotScan::Start scanStart) {
    IconRecordList records;
    if (!LoadLayout(layoutName, records)) {
        WString message;
        message.Format(L"No Layout Information Stored:\n%s", layoutName);
        PrintText(OutputStream::Out, message.Text());
        return 0;
    }
    return ApplyRecords(listView, layoutName, records, scanStart);
}

int ApplyRecords(HWND listView, const wchar_t* layoutName, const IconRecordList& records,
                 FreeSpotScan::Start scanStart) {
    const bool walkedAll =
        RunEngine(listView, records, scanStart, nullptr, [&](int matched, int broughtIntoView, const auto&) {
            if (matched > 0) {
                Print(OutputStream::Out, L"Layout: %s\nDesktop Restored: %d icons\n", layoutName, matched);
                if (broughtIntoView > 0) {
                    Print(OutputStream::Out, L"Brought into view: %d icons\n", broughtIntoView);
                }
            }
        });
    return walkedAll ? 1 : 0;
}

void PutBackRecords(HWND listView, const IconRecordList& records, std::vector<int> indices,
                    const std::function<void(const std::vector<WString>& moved)>& report) {
    std::sort(indices.begin(), indices.end());
    (void)RunEngine(listView, records, FreeSpotScan::Start::WhereLastStopped, &indices,
                    [&](int, int, const std::vector<WString>& moved) { report(moved); });
}

#include "actions/apply_layout.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <set>

#include "actions/action_start.h"
#include "actions/desktop_walk.h"
#include "actions/icon_placement.h"
#include "actions/item_exchange.h"
#include "actions/position_commit.h"
#include "actions/shell_access.h"
#include "actions/undo_keep.h"
#include "app/console_output.h"
#include "app/stop_request.h"
#include "desktop/remote_buffers.h"
#include "desktop/shell_platform.h"
#include "display/monitor_snapshot.h"
#include "store/layout_store.h"
#include "text/ascii_case.h"
#include "text/item_text_match.h"

namespace {

constexpr wchar_t kShellHungLine[] =
    L"The desktop list view is not responding: the restore stopped before its last icons.\n";
constexpr wchar_t kListViewGoneLine[] = L"The desktop list view went away: the restore stopped.\n";

struct ApplyContext {
    HWND listView;
    RemoteBuffers& shell;
    IShellFolder* desktopFolder;
    uint8_t* idListBuffer;
    // What the restore's one walk read: the items a record's icon is looked for
    // among, in index order.
    WalkedItems& walked;
    // The walk read every item, not only those the restore may move.
    bool walkedEveryItem;
    FreeSpotScan scan;
    PositionCommit& commit;
    // When set, the only icons the restore may move, in ascending order: a
    // record whose icon is another is passed over.
    const std::vector<int>* onlyIndices;
    // The icons this restore has moved: where the walk saw them no longer holds.
    std::set<int> displaced;
    // The items whose failed read was tried once more.
    std::set<int> readAgain;
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
    std::optional<POINT> standsAt;
    const WalkedItem* item = context.walked.Find(index);
    if (item != nullptr && item->ReadWhole() && context.displaced.count(index) == 0) {
        standsAt = item->position;
    }
    const Placement placement =
        RestoreIconPosition(context.listView, index, record.x, record.y, standsAt, context.shell, context.scan);
    if (placement.blocks == ScratchBlocks::Overwritten) {
        context.findHoldsTextSearch = false;
    }
    // The occupant moved first: an icon that was its own occupant ends at its place.
    if (placement.evicted != -1) {
        context.displaced.insert(placement.evicted);
        context.commit.NoteMoved(placement.evicted, placement.evictedTo, WString());
    }
    if (placement.broughtIntoView) {
        ++context.broughtIntoView;
    }
    if (placement.moved) {
        context.displaced.insert(index);
        context.commit.NoteMoved(index, placement.placedAt, record.displayText);
        context.moved.push_back(record.displayText);
    } else {
        context.commit.NoteMatched(index);
    }
}

// An item the walk could not read whole is read once more, with the failed
// step printed, the first time a record may be its: the walk's reads are
// silent, as they are the keep for undo's.
void ReadAgainIfFailed(ApplyContext& context, WalkedItem& item) {
    if (!item.ReadWhole() && context.readAgain.insert(item.index).second) {
        item = ReadWalkedItem(context.listView, context.shell, context.desktopFolder, context.idListBuffer, item.index,
                              ItemReport::Printed);
    }
}

// The first item after `after` whose text is the record's, as the list view's
// own search finds it, or -1; a search left unanswered finds nothing.
int SearchText(ApplyContext& context, const IconRecord& record, int after) {
    RemoteBuffers& shell = context.shell;
    wchar_t searchText[kRemoteTextLength];
    std::memset(searchText, 0, sizeof(searchText));
    std::memcpy(searchText, record.displayText.Text(), (record.displayText.Length() + 1) * sizeof(wchar_t));
    if (!ShellPlatform::Current().Write(shell.process(), shell.remoteText, searchText, sizeof(searchText))) {
        PrintText(OutputStream::Out, L"Desktop Restoring. Write Name Mem for Item failed\n");
        return -1;
    }
    if (!context.findHoldsTextSearch) {
        const RemoteRecord search = EncodeTextSearch(kNativeLayout, reinterpret_cast<uintptr_t>(shell.remoteText));
        if (!ShellPlatform::Current().Write(shell.process(), shell.remoteFind, search.bytes, search.size)) {
            PrintText(OutputStream::Out, L"Desktop Restoring. Write Mem for Item failed\n");
            return -1;
        }
        context.findHoldsTextSearch = true;
    }
    return static_cast<int>(shell
                                .Send(context.listView, LVM_FINDITEMW, static_cast<WPARAM>(after),
                                      reinterpret_cast<LPARAM>(shell.remoteFind),
                                      {RemoteBlock::Find, RemoteBlock::Text})
                                .value_or(-1));
}

// Whether the item's text is the record's, as the list view's search compares
// texts; an item whose text is unknown is read again first. A text that filled
// the walk's block may be longer in the list view, which compares its whole
// text: only the list view's own search can tell, so it is asked for that
// item alone.
bool TextMatches(ApplyContext& context, WalkedItem& item, const IconRecord& record) {
    if (item.read == ItemRead::Failed) {
        ReadAgainIfFailed(context, item);
    }
    if (item.read == ItemRead::Failed) {
        return false;
    }
    if (item.TextMayBeCut()) {
        return SearchText(context, record, item.index - 1) == item.index;
    }
    return ItemTextsMatch(item.text.Text(), record.displayText.Text());
}

// Whether the item, whose text is the record's, is the record's icon by its
// identity; prints the step that failed.
bool IdentityMatches(ApplyContext& context, WalkedItem& item, const IconRecord& record) {
    ReadAgainIfFailed(context, item);
    if (!item.ReadWhole()) {
        return false;
    }
    if (item.itemData == 0) {
        Print(OutputStream::Out, L"Desktop Saving. Read ITEMIDLIST Item %d failed\n", item.index);
        return false;
    }
    return item.read == ItemRead::Recorded && EqualsIgnoringAsciiCase(record.keyName.Text(), item.identity.Text());
}

// The icon of a record stored by its text alone: the first item with that
// text, in index order, or -1.
int TextOnlyIcon(ApplyContext& context, const IconRecord& record) {
    // The put-back's walk read only the items that appeared: whether an item
    // before them has the same text only the list view's search can tell.
    if (!context.walkedEveryItem) {
        return SearchText(context, record, -1);
    }
    for (WalkedItem& item : context.walked.all()) {
        if (TextMatches(context, item, record)) {
            return item.index;
        }
        if (context.shell.ShellHung()) {
            return -1;
        }
    }
    return -1;
}

// Finds the record's icon and places it; true when one was found. The items
// are tried in index order, as the list view's search would give them.
bool ApplyRecord(ApplyContext& context, const IconRecord& record) {
    // A stored text longer than the block cannot equal any item's text as the
    // list view reports it, so it is not searched for at all.
    if (record.displayText.Length() >= static_cast<size_t>(kRemoteTextLength)) {
        return false;
    }
    if (record.textOnly) {
        const int index = TextOnlyIcon(context, record);
        if (index == -1 || !MayMove(context, index)) {
            return false;
        }
        PlaceIcon(context, index, record);
        return true;
    }
    for (WalkedItem& item : context.walked.all()) {
        if (MayMove(context, item.index) && TextMatches(context, item, record) &&
            IdentityMatches(context, item, record)) {
            PlaceIcon(context, item.index, record);
            return true;
        }
        if (context.shell.ShellHung()) {
            return false;
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
    // One walk reads every item before anything moves, or for a put-back the
    // items that appeared: the keep for undo, the matching of records to icons,
    // the calibration and the commit all use what it read.
    WalkedItems walked;
    WalkResult walk;
    IconRecordList standing;
    if (onlyIndices == nullptr) {
        walk = ReadAllItems(listView, shell, desktopFolder.get(), idListBuffer.get(), ItemReport::Silent, standing,
                            &walked);
    } else {
        walk.end = ReadItemsAt(listView, shell, desktopFolder.get(), idListBuffer.get(), *onlyIndices, walked);
    }
    // Nothing is kept for a desktop that arranges itself.
    PositionCommit commit(listView, shell, idListBuffer.get(), walked);
    if (commit.FolderViewArrangesIcons()) {
        ReportArrangedDesktop();
        return false;
    }
    if (onlyIndices == nullptr) {
        KeepArrangementForUndo(walk, standing);
    }
    if (shell.ShellHung()) {
        PrintText(OutputStream::Err, kShellHungLine);
        return false;
    }
    if (walk.end == WalkEnd::ShellGone) {
        PrintText(OutputStream::Err, kListViewGoneLine);
        return false;
    }
    ApplyContext context{listView,
                         shell,
                         desktopFolder.get(),
                         idListBuffer.get(),
                         walked,
                         onlyIndices == nullptr,
                         FreeSpotScan(WorkArea, scanStart),
                         commit,
                         onlyIndices,
                         {},
                         {},
                         false,
                         {},
                         0};
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
            PrintText(OutputStream::Err, kListViewGoneLine);
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

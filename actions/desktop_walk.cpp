#include "actions/desktop_walk.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "app/console_output.h"
#include "app/stop_request.h"
#include "desktop/item_identity.h"
#include "desktop/shell_platform.h"

namespace {

// The walk's record of an item it read whole; false for an item it leaves out.
bool RecordOf(const WalkedItem& item, IconRecord& record) {
    if (item.read != ItemRead::Recorded) {
        return false;
    }
    if (item.itemData == 0) {
        record.SetTextOnly(item.text.Text(), item.position.x, item.position.y);
    } else {
        record.Set(item.identity.Text(), item.text.Text(), item.position.x, item.position.y);
    }
    return true;
}

// Whether the end of a failed read is the shell's rather than the item's.
std::optional<WalkEnd> EndAfterFailure(HWND listView, const RemoteBuffers& shell) {
    if (shell.ShellHung()) {
        return WalkEnd::ShellHung;
    }
    if (!ShellPlatform::Current().IsWindowAlive(listView)) {
        return WalkEnd::ShellGone;
    }
    return std::nullopt;
}

}  // namespace

WalkedItem* WalkedItems::Find(int index) {
    const auto at = std::lower_bound(items_.begin(), items_.end(), index,
                                     [](const WalkedItem& item, int wanted) { return item.index < wanted; });
    return at != items_.end() && at->index == index ? &*at : nullptr;
}

const WalkedItem* WalkedItems::Find(int index) const { return const_cast<WalkedItems*>(this)->Find(index); }

bool WalkedItems::Listed(int index, ListedIcon& icon) const {
    const WalkedItem* item = Find(index);
    if (item == nullptr || !item->ReadWhole() || item->idList.empty()) {
        return false;
    }
    icon.idList = item->idList;
    icon.position = item->position;
    return true;
}

WalkedItem ReadWalkedItem(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer,
                          int index, ItemReport report) {
    WalkedItem walked;
    walked.index = index;
    if (!RequestItem(listView, shell, index, report)) {
        return walked;
    }
    uint8_t item[kMaxRecordSize];
    if (!ShellPlatform::Current().Read(shell.process(), shell.remoteItem, item, kNativeLayout.itemSize)) {
        ReportItemFailure(report, L"Desktop Saving. Read LVITEM for Item %d failed\n", index);
        return walked;
    }
    wchar_t text[kRemoteTextLength];
    if (!ShellPlatform::Current().Read(shell.process(), shell.remoteText, text, sizeof(text))) {
        ReportItemFailure(report, L"Desktop Saving. Read Name Mem for Item %d failed\n", index);
        return walked;
    }
    text[kRemoteTextLength - 1] = L'\0';
    walked.text.Assign(text);
    walked.read = ItemRead::FailedAfterText;
    if (!ShellPlatform::Current().Read(shell.process(), shell.remotePoint, &walked.position, sizeof(walked.position))) {
        ReportItemFailure(report, L"Desktop Saving. Read Position Mem for Item %d failed\n", index);
        return walked;
    }
    walked.itemData = DecodeItemParam(kNativeLayout, item);
    if (walked.itemData == 0) {
        walked.read = ItemRead::Recorded;
        return walked;
    }
    const IdentityOutcome outcome =
        IdentifyItem(shell, walked.itemData, desktopFolder, idListBuffer, index, walked.identity, report);
    if (outcome == IdentityOutcome::HeaderReadFailed || outcome == IdentityOutcome::ListReadFailed) {
        return walked;
    }
    // The buffer holds the item's first identifier; one no longer than its
    // size names no item to the folder view.
    const size_t firstIdSize = idListBuffer[0] | (idListBuffer[1] << 8);
    if (firstIdSize > sizeof(USHORT)) {
        walked.idList.assign(idListBuffer, idListBuffer + firstIdSize + sizeof(USHORT));
    }
    // An item the namespace cannot name is left out without a message.
    walked.read =
        outcome == IdentityOutcome::Found && !walked.identity.IsEmpty() ? ItemRead::Recorded : ItemRead::Unnamed;
    return walked;
}

WalkResult ReadAllItems(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer,
                        ItemReport report, IconRecordList& records, WalkedItems* walked) {
    WalkResult result;
    const std::optional<LRESULT> first = shell.Send(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_ALL);
    if (!first) {
        result.end = WalkEnd::ShellHung;
        return result;
    }
    int index = static_cast<int>(*first);
    result.anyItem = index != -1;
    while (index != -1) {
        if (StopRequested()) {
            result.end = WalkEnd::Stopped;
            return result;
        }
        WalkedItem item = ReadWalkedItem(listView, shell, desktopFolder, idListBuffer, index, report);
        IconRecord record;
        if (RecordOf(item, record)) {
            records.push_back(record);
        } else if (item.read == ItemRead::Failed || item.read == ItemRead::FailedAfterText) {
            if (const std::optional<WalkEnd> end = EndAfterFailure(listView, shell)) {
                result.end = *end;
                return result;
            }
            ++result.itemsFailed;
            if (item.read == ItemRead::FailedAfterText) {
                result.failedTexts.push_back(item.text);
            }
        }
        if (walked != nullptr) {
            walked->Add(std::move(item));
        }
        const std::optional<LRESULT> next = shell.Send(listView, LVM_GETNEXTITEM, index, LVNI_ALL);
        if (!next) {
            result.end = WalkEnd::ShellHung;
            return result;
        }
        if (*next != -1 && *next <= index) {
            result.end = WalkEnd::ShellGone;
            return result;
        }
        index = static_cast<int>(*next);
    }
    if (StopRequested()) {
        result.end = WalkEnd::Stopped;
    }
    return result;
}

WalkEnd ReadItemsAt(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer,
                    const std::vector<int>& indices, WalkedItems& walked) {
    for (int index : indices) {
        if (StopRequested()) {
            return WalkEnd::Stopped;
        }
        WalkedItem item = ReadWalkedItem(listView, shell, desktopFolder, idListBuffer, index, ItemReport::Silent);
        if (item.read == ItemRead::Failed || item.read == ItemRead::FailedAfterText) {
            if (const std::optional<WalkEnd> end = EndAfterFailure(listView, shell)) {
                return *end;
            }
        }
        walked.Add(std::move(item));
    }
    return StopRequested() ? WalkEnd::Stopped : WalkEnd::Complete;
}

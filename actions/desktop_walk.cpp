#include "actions/desktop_walk.h"

#include <commctrl.h>

#include <optional>

#include "app/console_output.h"
#include "app/stop_request.h"
#include "desktop/item_identity.h"
#include "desktop/shell_platform.h"

namespace {

enum class ItemRead { Recorded, Unnamed, Failed, FailedAfterText };

// Reads one item through the shell's blocks into a record, reporting the step
// that failed; a failure after the text was read leaves the text in the record.
ItemRead ReadItem(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer, int index,
                  ItemReport report, IconRecord& record) {
    if (!RequestItem(listView, shell, index, report)) {
        return ItemRead::Failed;
    }
    uint8_t item[kMaxRecordSize];
    if (!ShellPlatform::Current().Read(shell.process(), shell.remoteItem, item, kNativeLayout.itemSize)) {
        ReportItemFailure(report, L"Desktop Saving. Read LVITEM for Item %d failed\n", index);
        return ItemRead::Failed;
    }
    wchar_t text[kRemoteTextLength];
    if (!ShellPlatform::Current().Read(shell.process(), shell.remoteText, text, sizeof(text))) {
        ReportItemFailure(report, L"Desktop Saving. Read Name Mem for Item %d failed\n", index);
        return ItemRead::Failed;
    }
    text[kRemoteTextLength - 1] = L'\0';
    record.displayText.Assign(text);
    POINT position;
    if (!ShellPlatform::Current().Read(shell.process(), shell.remotePoint, &position, sizeof(position))) {
        ReportItemFailure(report, L"Desktop Saving. Read Position Mem for Item %d failed\n", index);
        return ItemRead::FailedAfterText;
    }
    const uint64_t idList = DecodeItemParam(kNativeLayout, item);
    if (idList == 0) {
        record.SetTextOnly(text, position.x, position.y);
        return ItemRead::Recorded;
    }
    WString identity;
    switch (IdentifyItem(shell, idList, desktopFolder, idListBuffer, index, identity, report)) {
        case IdentityOutcome::Found:
            break;
        case IdentityOutcome::HeaderReadFailed:
        case IdentityOutcome::ListReadFailed:
            return ItemRead::FailedAfterText;
        case IdentityOutcome::NoIdentity:
            return ItemRead::Unnamed;
    }
    // An item the namespace cannot name is left out without a message.
    if (identity.IsEmpty()) {
        return ItemRead::Unnamed;
    }
    record.Set(identity.Text(), text, position.x, position.y);
    return ItemRead::Recorded;
}

}  // namespace

WalkResult ReadAllItems(HWND listView, RemoteBuffers& shell, IShellFolder* desktopFolder, uint8_t* idListBuffer,
                        ItemReport report, IconRecordList& records) {
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
        IconRecord record;
        const ItemRead read = ReadItem(listView, shell, desktopFolder, idListBuffer, index, report, record);
        switch (read) {
            case ItemRead::Recorded:
                records.push_back(record);
                break;
            case ItemRead::Failed:
            case ItemRead::FailedAfterText:
                if (shell.ShellHung()) {
                    result.end = WalkEnd::ShellHung;
                    return result;
                }
                if (!ShellPlatform::Current().IsWindowAlive(listView)) {
                    result.end = WalkEnd::ShellGone;
                    return result;
                }
                ++result.itemsFailed;
                if (read == ItemRead::FailedAfterText) {
                    result.failedTexts.push_back(record.displayText);
                }
                break;
            case ItemRead::Unnamed:
                break;
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

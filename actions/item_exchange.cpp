#include "actions/item_exchange.h"

#include <windows.h>
#include <commctrl.h>

#include "app/console_output.h"
#include "desktop/item_identity.h"
#include "desktop/shell_platform.h"

void ReportItemFailure(ItemReport report, const wchar_t* format, int index) {
    if (report == ItemReport::Printed) {
        Print(OutputStream::Out, format, index);
    }
}

bool RequestItem(HWND listView, RemoteBuffers& shell, int index, ItemReport report) {
    const RemoteRecord request = EncodeItemRequest(kNativeLayout, index, reinterpret_cast<uintptr_t>(shell.remoteText));
    if (!ShellPlatform::Current().Write(shell.process(), shell.remoteItem, request.bytes, request.size)) {
        ReportItemFailure(report, L"Desktop Saving. Write Mem for Item %d failed\n", index);
        return false;
    }
    // A message left unanswered fails like one answered 0; the walk then sees the
    // hung shell and ends.
    if (shell
            .Send(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(shell.remoteItem),
                  {RemoteBlock::Item, RemoteBlock::Text})
            .value_or(0) == 0) {
        ReportItemFailure(report, L"Desktop Saving. Get Item %d failed\n", index);
        return false;
    }
    if (shell
            .Send(listView, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(shell.remotePoint),
                  {RemoteBlock::Point})
            .value_or(0) == 0) {
        ReportItemFailure(report, L"Desktop Saving. Get Item Position %d failed\n", index);
        return false;
    }
    return true;
}

IdentityOutcome IdentifyItem(RemoteBuffers& shell, uint64_t idList, IShellFolder* desktopFolder, uint8_t* idListBuffer,
                             int index, WString& identity, ItemReport report) {
    const IdentityOutcome outcome = GetItemIdentity(shell.process(), idList, desktopFolder, idListBuffer, identity);
    switch (outcome) {
        case IdentityOutcome::HeaderReadFailed:
            ReportItemFailure(report, L"Desktop Saving. Read ITEMIDLIST Item %d failed\n", index);
            break;
        case IdentityOutcome::ListReadFailed:
            ReportItemFailure(report, L"Desktop Saving. Read Full ITEMIDLIST Item %d failed\n", index);
            break;
        case IdentityOutcome::Found:
        case IdentityOutcome::NoIdentity:
            break;
    }
    return outcome;
}

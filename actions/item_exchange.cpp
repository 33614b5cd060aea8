#include "actions/item_exchange.h"

#include <windows.h>

#include "app/console_output.h"
#include "desktop/item_identity.h"
#include "desktop/item_request.h"

void ReportItemFailure(ItemReport report, const wchar_t* format, int index) {
    if (report == ItemReport::Printed) {
        Print(OutputStream::Out, format, index);
    }
}

bool RequestItem(HWND listView, RemoteBuffers& shell, int index, ItemReport report) {
    switch (RequestItemData(listView, shell, index)) {
        case ItemRequest::Filled:
            return true;
        case ItemRequest::NotWritten:
            ReportItemFailure(report, L"Desktop Saving. Write Mem for Item %d failed\n", index);
            break;
        case ItemRequest::ItemRefused:
            ReportItemFailure(report, L"Desktop Saving. Get Item %d failed\n", index);
            break;
        case ItemRequest::PositionRefused:
            ReportItemFailure(report, L"Desktop Saving. Get Item Position %d failed\n", index);
            break;
    }
    return false;
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

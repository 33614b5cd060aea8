#include "actions/item_exchange.h"

#include <windows.h>
#include <commctrl.h>

#include "app/console_output.h"
#include "desktop/item_identity.h"
#include "desktop/shell_platform.h"

bool RequestItem(HWND listView, RemoteBuffers& shell, int index) {
    const RemoteRecord request = EncodeItemRequest(kNativeLayout, index, reinterpret_cast<uintptr_t>(shell.remoteText));
    if (!ShellPlatform::Current().Write(shell.process(), shell.remoteItem, request.bytes, request.size)) {
        Print(OutputStream::Out, L"Desktop Saving. Write Mem for Item %d failed\n", index);
        return false;
    }
    if (ShellPlatform::Current().Send(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(shell.remoteItem)) == 0) {
        Print(OutputStream::Out, L"Desktop Saving. Get Item %d failed\n", index);
        return false;
    }
    if (ShellPlatform::Current().Send(listView, LVM_GETITEMPOSITION, index,
                                      reinterpret_cast<LPARAM>(shell.remotePoint)) == 0) {
        Print(OutputStream::Out, L"Desktop Saving. Get Item Position %d failed\n", index);
        return false;
    }
    return true;
}

bool IdentifyItem(RemoteBuffers& shell, uint64_t idList, IShellFolder* desktopFolder, uint8_t* idListBuffer, int index,
                  WString& identity) {
    switch (GetItemIdentity(shell.process(), idList, desktopFolder, idListBuffer, identity)) {
        case IdentityOutcome::Found:
            return true;
        case IdentityOutcome::HeaderReadFailed:
            Print(OutputStream::Out, L"Desktop Saving. Read ITEMIDLIST Item %d failed\n", index);
            break;
        case IdentityOutcome::ListReadFailed:
            Print(OutputStream::Out, L"Desktop Saving. Read Full ITEMIDLIST Item %d failed\n", index);
            break;
        case IdentityOutcome::NoIdentity:
            break;
    }
    return false;
}

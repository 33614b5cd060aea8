#include "desktop/listed_icon.h"

#include <commctrl.h>

#include "desktop/item_identity.h"
#include "desktop/item_request.h"
#include "desktop/shell_platform.h"

bool ReadListedIcon(HWND listView, RemoteBuffers& shell, int index, uint8_t* idListBuffer, ListedIcon& icon) {
    uint64_t idList = 0;
    if (RequestItemData(listView, shell, index) != ItemRequest::Filled || !ReadItemParam(shell, idList) ||
        idList == 0) {
        return false;
    }
    // An identifier is its two-byte size and at least one byte more; anything
    // shorter names no item.
    size_t firstIdSize = 0;
    if (CopyFirstItemId(shell.process(), idList, idListBuffer, &firstIdSize) != IdListCopy::Copied ||
        firstIdSize <= sizeof(USHORT)) {
        return false;
    }
    if (!ShellPlatform::Current().Read(shell.process(), shell.remotePoint, &icon.position, sizeof(icon.position))) {
        return false;
    }
    icon.idList.assign(idListBuffer, idListBuffer + firstIdSize + 2);
    return true;
}

bool ReadListedPosition(HWND listView, RemoteBuffers& shell, int index, POINT& position) {
    return shell.Send(listView, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(shell.remotePoint),
                      {RemoteBlock::Point})
                   .value_or(0) != 0 &&
           ShellPlatform::Current().Read(shell.process(), shell.remotePoint, &position, sizeof(position));
}

bool ReadListedText(HWND listView, RemoteBuffers& shell, int index, WString& text) {
    wchar_t read[kRemoteTextLength];
    if (RequestItemData(listView, shell, index) != ItemRequest::Filled ||
        !ShellPlatform::Current().Read(shell.process(), shell.remoteText, read, sizeof(read))) {
        return false;
    }
    read[kRemoteTextLength - 1] = L'\0';
    text.Assign(read);
    return true;
}

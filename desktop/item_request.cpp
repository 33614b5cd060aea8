#include "desktop/item_request.h"

#include <commctrl.h>

#include "desktop/shell_platform.h"

ItemRequest RequestItemData(HWND listView, RemoteBuffers& shell, int index) {
    const RemoteRecord request = EncodeItemRequest(kNativeLayout, index, reinterpret_cast<uintptr_t>(shell.remoteText));
    if (!ShellPlatform::Current().Write(shell.process(), shell.remoteItem, request.bytes, request.size)) {
        return ItemRequest::NotWritten;
    }
    // A message left unanswered fails like one answered 0; the shell is then hung
    // for the rest of the action, which sees it and ends.
    if (shell
            .Send(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(shell.remoteItem),
                  {RemoteBlock::Item, RemoteBlock::Text})
            .value_or(0) == 0) {
        return ItemRequest::ItemRefused;
    }
    if (shell
            .Send(listView, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(shell.remotePoint),
                  {RemoteBlock::Point})
            .value_or(0) == 0) {
        return ItemRequest::PositionRefused;
    }
    return ItemRequest::Filled;
}

bool ReadItemParam(RemoteBuffers& shell, uint64_t& itemParam) {
    // Only the item data is read back, into its place in an otherwise empty record.
    uint8_t item[kMaxRecordSize] = {};
    if (!ShellPlatform::Current().Read(shell.process(),
                                       static_cast<uint8_t*>(shell.remoteItem) + kNativeLayout.itemParamOffset,
                                       item + kNativeLayout.itemParamOffset, kNativeLayout.addressSize)) {
        return false;
    }
    itemParam = DecodeItemParam(kNativeLayout, item);
    return true;
}

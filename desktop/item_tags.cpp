#include "desktop/item_tags.h"

#include <commctrl.h>

#include <cwchar>
#include <optional>

#include "desktop/item_request.h"
#include "desktop/remote_buffers.h"
#include "desktop/shell_platform.h"

bool operator==(const ItemTag& left, const ItemTag& right) {
    return left.data == right.data && std::wcscmp(left.text.Text(), right.text.Text()) == 0;
}

bool operator<(const ItemTag& left, const ItemTag& right) {
    if (left.data != right.data) {
        return left.data < right.data;
    }
    return std::wcscmp(left.text.Text(), right.text.Text()) < 0;
}

bool ReadItemTags(HWND listView, std::vector<ItemTag>& tags) {
    tags.clear();
    RemoteBuffers shell;
    if (shell.Open(listView) != ShellAccess::Granted || !shell.Allocate({RemoteBlock::Item, RemoteBlock::Text})) {
        return false;
    }
    const std::optional<LRESULT> count = shell.Send(listView, LVM_GETITEMCOUNT, 0, 0);
    if (!count || *count < 0) {
        return false;
    }
    tags.resize(static_cast<size_t>(*count));
    for (int index = 0; index < static_cast<int>(tags.size()); ++index) {
        const RemoteRecord request =
            EncodeItemRequest(kNativeLayout, index, reinterpret_cast<uintptr_t>(shell.remoteText));
        wchar_t text[kRemoteTextLength];
        // A list view that is gone, or has fewer items now, answers FALSE.
        if (!ShellPlatform::Current().Write(shell.process(), shell.remoteItem, request.bytes, request.size) ||
            shell.Send(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(shell.remoteItem),
                       {RemoteBlock::Item, RemoteBlock::Text})
                    .value_or(FALSE) == FALSE ||
            !ReadItemParam(shell, tags[index].data) ||
            !ShellPlatform::Current().Read(shell.process(), shell.remoteText, text, sizeof(text))) {
            tags.clear();
            return false;
        }
        text[kRemoteTextLength - 1] = L'\0';
        tags[index].text.Assign(text);
    }
    return true;
}

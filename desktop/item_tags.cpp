#include "desktop/item_tags.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <optional>

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
    if (shell.Open(listView) != ShellAccess::Granted || !shell.Allocate({RemoteBlock::Tags})) {
        return false;
    }
    const std::optional<LRESULT> count = shell.Send(listView, LVM_GETITEMCOUNT, 0, 0);
    if (!count || *count < 0) {
        return false;
    }
    tags.resize(static_cast<size_t>(*count));
    const size_t itemSize = kNativeLayout.itemSize;
    const size_t textSize = kRemoteTextLength * sizeof(wchar_t);
    auto* const records = static_cast<uint8_t*>(shell.remoteTags);
    uint8_t* const texts = records + kTagsBatch * itemSize;
    std::vector<uint8_t> requests(kTagsBatch * itemSize);
    std::vector<wchar_t> read(static_cast<size_t>(kTagsBatch) * kRemoteTextLength);
    for (int first = 0; first < static_cast<int>(tags.size()); first += kTagsBatch) {
        const int size = std::min(kTagsBatch, static_cast<int>(tags.size()) - first);
        for (int offset = 0; offset < size; ++offset) {
            const RemoteRecord request = EncodeItemRequest(kNativeLayout, first + offset,
                                                           reinterpret_cast<uintptr_t>(texts + offset * textSize));
            std::memcpy(&requests[offset * itemSize], request.bytes, itemSize);
        }
        if (!ShellPlatform::Current().Write(shell.process(), records, requests.data(), size * itemSize)) {
            tags.clear();
            return false;
        }
        for (int offset = 0; offset < size; ++offset) {
            // A list view that is gone, or has fewer items now, answers FALSE.
            if (shell
                    .Send(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(records + offset * itemSize),
                          {RemoteBlock::Tags})
                    .value_or(FALSE) == FALSE) {
                tags.clear();
                return false;
            }
        }
        if (!ShellPlatform::Current().Read(shell.process(), records, requests.data(), size * itemSize) ||
            !ShellPlatform::Current().Read(shell.process(), texts, read.data(), size * textSize)) {
            tags.clear();
            return false;
        }
        for (int offset = 0; offset < size; ++offset) {
            ItemTag& tag = tags[first + offset];
            tag.data = DecodeItemParam(kNativeLayout, &requests[offset * itemSize]);
            wchar_t* const text = &read[static_cast<size_t>(offset) * kRemoteTextLength];
            text[kRemoteTextLength - 1] = L'\0';
            tag.text.Assign(text);
        }
    }
    return true;
}

#include "desktop/icon_positions.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "desktop/remote_buffers.h"
#include "desktop/shell_platform.h"

bool ReadIconPositions(HWND listView, std::vector<POINT>& positions) {
    positions.clear();
    RemoteBuffers shell;
    if (shell.Open(listView) != ShellAccess::Granted || !shell.Allocate({RemoteBlock::Points})) {
        return false;
    }
    const std::optional<LRESULT> count = shell.Send(listView, LVM_GETITEMCOUNT, 0, 0);
    if (!count || *count < 0) {
        return false;
    }
    positions.resize(static_cast<size_t>(*count));
    auto* const batch = static_cast<POINT*>(shell.remotePoints);
    for (int first = 0; first < static_cast<int>(positions.size()); first += kPointsBatch) {
        const int size = std::min(kPointsBatch, static_cast<int>(positions.size()) - first);
        for (int offset = 0; offset < size; ++offset) {
            // A list view that is gone, or has fewer items now, answers FALSE.
            const std::optional<LRESULT> placed =
                shell.Send(listView, LVM_GETITEMPOSITION, first + offset, reinterpret_cast<LPARAM>(batch + offset),
                           {RemoteBlock::Points});
            if (!placed || *placed == FALSE) {
                return false;
            }
        }
        if (!ShellPlatform::Current().Read(shell.process(), batch, &positions[first], size * sizeof(POINT))) {
            return false;
        }
    }
    return true;
}

#include "desktop/list_view_facts.h"

#include <commctrl.h>

#include "desktop/shell_platform.h"

ListViewFacts ReadListViewFacts(HWND listView) {
    ListViewFacts facts;
    ShellPlatform& shell = ShellPlatform::Current();
    const std::optional<LRESULT> extended = shell.Send(listView, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    if (!extended) {
        return facts;
    }
    facts.snapToGrid = (*extended & LVS_EX_SNAPTOGRID) != 0;
    const std::optional<LRESULT> count = shell.Send(listView, LVM_GETITEMCOUNT, 0, 0);
    if (!count) {
        return facts;
    }
    facts.icons = static_cast<int>(*count);
    if (const std::optional<LRESULT> spacing = shell.Send(listView, LVM_GETITEMSPACING, FALSE, 0)) {
        facts.spacing = SIZE{LOWORD(*spacing), HIWORD(*spacing)};
    }
    return facts;
}

RECT ScreenRectInListView(HWND listView, const RECT& screen) {
    RECT mapped = screen;
    MapWindowPoints(HWND_DESKTOP, listView, reinterpret_cast<POINT*>(&mapped), 2);
    return mapped;
}

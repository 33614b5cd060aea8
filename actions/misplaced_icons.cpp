#include "actions/misplaced_icons.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

#include "app/console_output.h"
#include "desktop/listed_icon.h"

namespace {

constexpr size_t kNamedIcons = 5;

bool ShiftedByGrid(POINT placedAt, POINT standsAt, DWORD spacing) {
    const long halfX = LOWORD(spacing) / 2;
    const long halfY = HIWORD(spacing) / 2;
    return std::labs(standsAt.x - placedAt.x) <= halfX && std::labs(standsAt.y - placedAt.y) <= halfY;
}

void AppendIcon(WString& line, const MisplacedIcon& icon, DWORD spacing) {
    if (icon.name.IsEmpty()) {
        line.Append(L"an icon");
    } else {
        line.Append(L"\"");
        line.Append(icon.name);
        line.Append(L"\"");
    }
    if (!icon.standsAt) {
        line.Append(L" (it went away)");
        return;
    }
    WString where;
    where.Format(L" at %ld,%ld", icon.standsAt->x, icon.standsAt->y);
    line.Append(where);
    if (ShiftedByGrid(icon.placedAt, *icon.standsAt, spacing)) {
        line.Append(L" (\"Align icons to grid\" snapped it to the nearest grid point)");
    } else if (icon.byRecord) {
        line.Append(L" (the shell's record of icon positions did not take it)");
    }
}

}  // namespace

void ReportMisplacedIcons(HWND listView, RemoteBuffers& shell, std::vector<MisplacedIcon> icons) {
    if (icons.empty()) {
        return;
    }
    std::sort(icons.begin(), icons.end(),
              [](const MisplacedIcon& a, const MisplacedIcon& b) { return a.index < b.index; });
    // Asked only now: a restore whose icons all stand where it put them sends nothing.
    const DWORD spacing = static_cast<DWORD>(shell.Send(listView, LVM_GETITEMSPACING, FALSE, 0).value_or(0));
    WString line;
    line.Format(icons.size() == 1 ? L"%u icon does not stand where the restore put it: "
                                  : L"%u icons do not stand where the restore put them: ",
                static_cast<unsigned>(icons.size()));
    for (size_t at = 0; at < icons.size() && at < kNamedIcons; ++at) {
        MisplacedIcon& icon = icons[at];
        if (icon.name.IsEmpty() && icon.standsAt) {
            (void)ReadListedText(listView, shell, icon.index, icon.name);  // unread, it is "an icon"
        }
        if (at > 0) {
            line.Append(L"; ");
        }
        AppendIcon(line, icon, spacing);
    }
    if (icons.size() > kNamedIcons) {
        WString more;
        more.Format(L"; and %u more", static_cast<unsigned>(icons.size() - kNamedIcons));
        line.Append(more);
    }
    line.Append(L".\n");
    PrintText(OutputStream::Err, line.Text());
}

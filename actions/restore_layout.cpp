#include "actions/restore_layout.h"

#include <windows.h>

#include <cwchar>
#include <functional>
#include <vector>

#include "actions/action_start.h"
#include "actions/apply_layout.h"
#include "app/confirm.h"
#include "app/console_output.h"
#include "app/stop_request.h"
#include "desktop/window_update_lock.h"
#include "store/layout_versions.h"
#include "store/stored_layouts.h"
#include "text/local_time.h"

static_assert(kMenuKeyCount == 35);

namespace {

// Refuses a desktop that arranges itself; otherwise asks (unless told yes)
// whether to restore `what`, then moves the icons as `move` does, with the
// desktop's redrawing held back until the last one stands.
void RestoreAfterAsking(bool assumeYes, HWND listView, const WString& what, const std::function<void()>& move) {
    if (RefuseArrangedDesktop(listView)) {
        return;
    }
    WString question(L"Restore Icon Locations for:\n\t");
    question.Append(what);
    if (!assumeYes && !AskYesNo(question.Text())) {
        return;
    }
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    // From here on Ctrl+C stops the walk rather than the process; the scope ends
    // after the lock, so the desktop redraws before the process ends.
    const ConsoleStopScope stopScope;
    const WindowUpdateLock lock(listView);
    move();
}

}  // namespace

void RestoreFoundLayout(bool assumeYes, HWND listView, const WString& layoutName) {
    RestoreAfterAsking(assumeYes, listView, layoutName, [&] { ApplyLayout(listView, layoutName.Text()); });
}

void RestoreLayoutVersion(bool assumeYes, const wchar_t* givenName, int number) {
    const ActionStart start(givenName);
    if (!start.Found()) {
        return;
    }
    WString version;
    LayoutVersion chosen;
    if (!FindLayoutVersion(start.layoutName, number, version, chosen)) {
        return;
    }
    WString what(version);
    what.Append(L", kept ");
    what.Append(LocalTimeText(chosen.kept));
    RestoreAfterAsking(assumeYes, start.listView, what,
                       [&] { ApplyRecords(start.listView, version.Text(), chosen.records); });
}

void RestoreLayout(bool assumeYes, const wchar_t* givenName) {
    const ActionStart start(givenName);
    if (!start.Found()) {
        return;
    }
    StoredLayouts store;
    WString storedName;
    if (!store.Find(start.layoutName.Text(), storedName)) {
        ReportLayoutNotFound(start.layoutName.Text());
        return;
    }
    RestoreFoundLayout(assumeYes, start.listView, storedName);
}

void QueryLayouts(bool assumeYes) {
    // The menu always shows the current display's name, whatever /n said.
    const ActionStart start(L"");
    if (!start.Found()) {
        return;
    }
    StoredLayouts store;
    Print(OutputStream::Out, L"Current Resolution: %s\n\n", start.layoutName.Text());

    const std::vector<WString> names = store.List();
    for (size_t index = 0; index < names.size(); ++index) {
        if (index < kMenuKeyCount) {
            Print(OutputStream::Out, L"%c) %s\n", kMenuKeys[index], names[index].Text());
        } else {
            // No key is left for these; they are shown so the user knows they exist.
            Print(OutputStream::Out, L"   %s\n", names[index].Text());
        }
    }
    const DWORD listed = static_cast<DWORD>(names.size());
    const bool menuHoldsAll = listed <= kMenuKeyCount;
    if (!menuHoldsAll) {
        PrintText(OutputStream::Out,
                  L"More layouts are stored than the menu has keys: none can be chosen here. "
                  L"Use restore /n \"Layout\".\n");
    }
    PrintText(OutputStream::Out, L"Choose Layout: ");
    const wchar_t key = ReadKeyNoEcho();
    if (key == kNoConsoleKey) {
        PrintText(OutputStream::Out, L"\n");
        PrintText(OutputStream::Err,
                  L"No console input to choose a layout: nothing was restored. Use restore /n \"Layout\" /y without a "
                  L"console.\n");
        return;
    }
    if (!menuHoldsAll) {
        return;
    }
    // Only a key the menu showed chooses, and the name is read afresh: the store
    // may have changed since the listing (another copy saving, or a listing that
    // failed part way).
    const wchar_t* position = key != L'\0' ? std::wcschr(kMenuKeys, key) : nullptr;
    const DWORD choice = position != nullptr ? static_cast<DWORD>(position - kMenuKeys) : listed;
    WString chosenName;
    const bool chosen = choice < listed && store.NameAt(choice, chosenName);
    // A key without a character of its own (the code unit 0 that leads F1 to F10
    // and the like) echoes as the line feeds alone: formatted, it would end the
    // text before them.
    const wchar_t echo[] = {key, L'\n', L'\n', L'\0'};
    PrintText(OutputStream::Out, key != L'\0' ? echo : echo + 1);
    if (chosen) {
        RestoreFoundLayout(assumeYes, start.listView, chosenName);
    }
}

#include "actions/restore_layout.h"

#include <windows.h>

#include <cwchar>
#include <functional>
#include <vector>

#include "actions/action_start.h"
#include "actions/apply_layout.h"
#include "actions/fit_layout.h"
#include "app/confirm.h"
#include "app/console_output.h"
#include "app/stop_request.h"
#include "desktop/window_update_lock.h"
#include "display/layout_name.h"
#include "display/monitor_snapshot.h"
#include "store/display_record.h"
#include "store/layout_store.h"
#include "store/layout_versions.h"
#include "store/stored_layouts.h"
#include "text/ascii_case.h"
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

// The records as a restore places them: fitted to the display in force when
// asked and the display they were saved on is known. A layout under the
// default name of the display in force was saved on it, though on a scaled
// display the name's sizes are not the list view's pixels.
IconRecordList RecordsToPlace(HWND listView, const wchar_t* layoutName, const IconRecordList& records,
                              const DisplayConfig& saved, Fitting fitting) {
    WString displayName;
    BuildLayoutName(displayName, monitorTable.count);
    if (fitting == Fitting::AsStored || saved.empty() || EqualsIgnoringAsciiCase(displayName.Text(), layoutName)) {
        return records;
    }
    return FitToDisplayInForce(listView, records, saved);
}

}  // namespace

void RestoreFoundLayout(bool assumeYes, HWND listView, const WString& layoutName, Fitting fitting) {
    RestoreAfterAsking(assumeYes, listView, layoutName, [&] {
        IconRecordList records;
        DisplayConfig saved;
        if (fitting == Fitting::AsStored || !LoadLayout(layoutName.Text(), records) ||
            !LayoutDisplay(layoutName.Text(), saved)) {
            ApplyLayout(listView, layoutName.Text());
            return;
        }
        ApplyRecords(listView, layoutName.Text(), RecordsToPlace(listView, layoutName.Text(), records, saved, fitting));
    });
}

void RestoreLayoutVersion(bool assumeYes, const wchar_t* givenName, int number, Fitting fitting) {
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
    // A version of a layout under a default name was saved on the display its name tells.
    DisplayConfig saved = chosen.display;
    if (saved.empty()) {
        (void)DisplayOfLayoutName(start.layoutName.Text(), saved);
    }
    RestoreAfterAsking(assumeYes, start.listView, what, [&] {
        ApplyRecords(start.listView, version.Text(),
                     RecordsToPlace(start.listView, start.layoutName.Text(), chosen.records, saved, fitting));
    });
}

void RestoreLayout(bool assumeYes, const wchar_t* givenName, Fitting fitting) {
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
    RestoreFoundLayout(assumeYes, start.listView, storedName, fitting);
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

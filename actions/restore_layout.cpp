#include "actions/restore_layout.h"

#include <windows.h>

#include <cwchar>

#include "actions/action_start.h"
#include "actions/apply_layout.h"
#include "app/confirm.h"
#include "app/console_output.h"
#include "display/layout_name.h"
#include "display/monitor_capture.h"
#include "store/layout_store.h"
#include "store/reg_key.h"
#include "text/ascii_case.h"
#include "text/res_string.h"

namespace {

static_assert(kMenuKeyCount == 35);

// Asks (unless told yes), then moves the icons with the desktop's redrawing held
// back until the last one stands.
void ConfirmAndApply(bool assumeYes, HWND listView, const WString& layoutName) {
    WString question;
    question.Format(L"Restore Icon Locations for:\n\t%s", layoutName.Text());
    if (!assumeYes && !AskYesNo(question.Text())) {
        return;
    }
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    LockWindowUpdate(listView);
    ApplyLayout(listView, layoutName.Text());
    LockWindowUpdate(nullptr);
}

}  // namespace

void RestoreLayout(bool assumeYes, const wchar_t* givenName) {
    HWND listView = LocateDesktopListView();
    if (listView == nullptr) {
        return;
    }
    MonitorCapture monitors;
    WString layoutName;
    ChooseLayoutName(layoutName, givenName, monitors.count);
    RegKey baseKey(LoadResString(kStoreBaseKeyId), kStoreReadAccess, 0);
    wchar_t storedName[kNameBufferLength];
    bool found = false;
    for (DWORD index = 0; baseKey.EnumSubKey(index, storedName, kNameBufferLength); ++index) {
        if (EqualsIgnoringAsciiCase(storedName, layoutName.Text())) {
            found = true;
            break;
        }
    }
    if (!found) {
        Print(OutputStream::Err, L"Layout not found: %s.\n", layoutName.Text());
        return;
    }
    layoutName.Assign(storedName);
    ConfirmAndApply(assumeYes, listView, layoutName);
}

void QueryLayouts(bool assumeYes) {
    HWND listView = LocateDesktopListView();
    if (listView == nullptr) {
        return;
    }
    MonitorCapture monitors;
    WString layoutName;
    BuildLayoutName(layoutName, monitors.count);
    RegKey baseKey(LoadResString(kStoreBaseKeyId), kStoreReadAccess, 0);
    Print(OutputStream::Out, L"Current Resolution: %s\n\n", layoutName.Text());

    wchar_t storedName[kNameBufferLength];
    DWORD listed = 0;
    for (; baseKey.EnumSubKey(listed, storedName, kNameBufferLength); ++listed) {
        if (listed < kMenuKeyCount) {
            Print(OutputStream::Out, L"%c) %s\n", kMenuKeys[listed], storedName);
        } else {
            // No key is left for these; they are shown so the user knows they exist.
            Print(OutputStream::Out, L"   %s\n", storedName);
        }
    }
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
    bool chosen = false;
    // Only a key the menu showed chooses: the store may have changed since the
    // listing (another copy saving, or a listing that failed part way).
    const wchar_t* position = key != L'\0' ? std::wcschr(kMenuKeys, key) : nullptr;
    const DWORD choice = position != nullptr ? static_cast<DWORD>(position - kMenuKeys) : listed;
    if (choice < listed && baseKey.EnumSubKey(choice, storedName, kNameBufferLength)) {
        layoutName.Assign(storedName);
        chosen = true;
    }
    Print(OutputStream::Out, L"%c\n\n", key);
    if (chosen) {
        ConfirmAndApply(assumeYes, listView, layoutName);
    }
}

#include "watcher/desktop_watcher.h"

#include <commctrl.h>
#include <wtsapi32.h>

#include <optional>

#include "actions/action_start.h"
#include "actions/put_back_icons.h"
#include "actions/restore_layout.h"
#include "actions/save_layout.h"
#include "app/console_output.h"
#include "app/program_path.h"
#include "app/stop_request.h"
#include "app/timestamped_output.h"
#include "desktop/desktop_list_view.h"
#include "desktop/icon_positions.h"
#include "desktop/shell_platform.h"
#include "store/stored_layouts.h"
#include "watcher/nearest_layout.h"
#include "watcher/watcher_instance.h"
#include "watcher/window_message_filter.h"

namespace {

constexpr wchar_t kWindowClass[] = L"KelvaneWatcher";

// After a shell restart the desktop takes seconds to come back; a desktop that
// is not back after this long is not waited for any more.
constexpr ULONGLONG kAppearanceBoundMilliseconds = 120000;

// How often a watcher that waits for the desktop to settle looks at it.
constexpr DWORD kSettleLookIntervalMilliseconds = 250;

// How often the watcher reads the icons' positions otherwise, at one message an
// icon: an item that appears is back at its place within two seconds, and a
// move is noticed within this time.
constexpr ULONGLONG kLookIntervalMilliseconds = 1000;

bool LayoutStoredForDisplay() {
    WString storedName;
    return StoredLayouts().Find(GivenOrDefaultName(L"").Text(), storedName);
}

}  // namespace

DesktopWatcher::DesktopWatcher(TimestampedOutput& output, ULONGLONG quietMilliseconds,
                               std::optional<ULONGLONG> saveDelayMilliseconds)
    : output_(output),
      settle_(quietMilliseconds, kAppearanceBoundMilliseconds),
      taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {
    if (saveDelayMilliseconds) {
        saves_.emplace(*saveDelayMilliseconds);
    }
}

DesktopWatcher::~DesktopWatcher() {
    if (sessionNotified_) {
        WTSUnRegisterSessionNotification(window_);
    }
    icon_.reset();
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    UnregisterClassW(kWindowClass, GetModuleHandleW(nullptr));
}

bool DesktopWatcher::Listen() {
    // Before the window exists: whoever waits for it knows that every change
    // from then on counts.
    BeginQuietPeriod(LayoutStoredForDisplay());
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);
    // Top-level and never shown: broadcasts reach it, the user never sees it.
    window_ = CreateWindowExW(0, kWindowClass, L"Kelvane watcher", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) {
        return false;
    }
    // A watcher run as administrator would otherwise never hear the shell, which
    // runs at a lower integrity, announce its restart. A refusal leaves the
    // other events to watch.
    if (taskbarCreated_ != 0) {
        (void)WindowMessageFilter::Current().Allow(window_, taskbarCreated_);
    }
    // Without it the watcher hears of no connect or unlock, and watches the rest.
    sessionNotified_ = WTSRegisterSessionNotification(window_, NOTIFY_FOR_THIS_SESSION) != FALSE;
    if (IsWindowlessProgram()) {
        icon_.emplace(window_);
    }
    return true;
}

void DesktopWatcher::Run(const WatcherInstance& instance) {
    const HANDLE requests[] = {StopRequestedEvent(), instance.PauseRequested(), instance.ResumeRequested()};
    while (!StopRequested()) {
        DWORD timeout = INFINITE;
        if (settle_.Waiting()) {
            timeout = kSettleLookIntervalMilliseconds;
        } else if (!paused_) {
            const ULONGLONG now = GetTickCount64();
            timeout = nextLook_ > now ? static_cast<DWORD>(nextLook_ - now) : 0;
        }
        const DWORD woken = MsgWaitForMultipleObjectsEx(3, requests, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 + 1 || woken == WAIT_OBJECT_0 + 2) {
            Pause(woken == WAIT_OBJECT_0 + 1);
        }
        MSG message;
        while (!StopRequested() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        if (StopRequested()) {
            break;
        }
        if (settle_.Waiting()) {
            LookAtDesktop();
        } else if (!paused_ && GetTickCount64() >= nextLook_) {
            LookForChanges();
            nextLook_ = GetTickCount64() + kLookIntervalMilliseconds;
        }
    }
}

LRESULT CALLBACK DesktopWatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* watcher = reinterpret_cast<DesktopWatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return watcher != nullptr ? watcher->OnMessage(window, message, wParam, lParam)
                              : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT DesktopWatcher::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (icon_ && icon_->OnMessage(message, wParam, lParam)) {
        return 0;
    }
    switch (message) {
        case WM_DISPLAYCHANGE:
            OnEvent(L"The display changed.\n");
            return 0;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMRESUMEAUTOMATIC) {
                OnEvent(L"The computer resumed from sleep.\n");
            }
            return TRUE;
        case WM_WTSSESSION_CHANGE:
            OnSessionChange(wParam);
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // Nothing is left to do once this returns: the session may end the
            // process then. The watcher holds nothing in the shell between
            // restores, and a restore under way stops at its next icon.
            if (wParam != FALSE) {
                RequestStop();
            }
            return 0;
        default:
            if (message == taskbarCreated_ && taskbarCreated_ != 0) {
                OnEvent(L"The shell started again.\n");
                return 0;
            }
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

void DesktopWatcher::OnEvent(const wchar_t* what) {
    PrintText(OutputStream::Out, what);
    if (paused_) {
        PrintText(OutputStream::Out, L"The watcher is paused: the icons stay where they are.\n");
        return;
    }
    settle_.OnEvent(GetTickCount64());
}

void DesktopWatcher::OnSessionChange(WPARAM change) {
    switch (change) {
        case WTS_CONSOLE_CONNECT:
            OnEvent(L"The session was connected to the console.\n");
            break;
        case WTS_REMOTE_CONNECT:
            OnEvent(L"The session was connected from another computer.\n");
            break;
        case WTS_SESSION_UNLOCK:
            OnEvent(L"The session was unlocked.\n");
            break;
        default:
            break;
    }
}

void DesktopWatcher::Pause(bool pause) {
    if (pause == paused_) {
        return;
    }
    paused_ = pause;
    if (icon_) {
        icon_->SetState(pause ? NotificationIcon::kPausedState : L"watching");
    }
    if (pause) {
        // A wait under way ends without its restore.
        settle_.Cancel();
        PrintText(OutputStream::Out, L"Paused: nothing is restored, saved or put back until \"watch /resume\".\n");
        return;
    }
    PrintText(OutputStream::Out, L"Resumed: watching again.\n");
    // What the user arranged meanwhile is the desktop as the watcher finds it.
    BeginQuietPeriod(LayoutStoredForDisplay());
}

void DesktopWatcher::LookAtDesktop() {
    HWND listView = FindDesktopListView();
    const std::optional<LRESULT> itemCount =
        listView != nullptr ? ShellPlatform::Current().Send(listView, LVM_GETITEMCOUNT, 0, 0) : std::nullopt;
    // A desktop that does not answer is not back yet.
    if (!itemCount) {
        listView = nullptr;
    }
    bool layoutStored = true;
    switch (settle_.Look(GetTickCount64(), listView, itemCount ? static_cast<int>(*itemCount) : 0)) {
        case DesktopSettle::Verdict::Settled:
            layoutStored = RestoreLayoutOfDisplay();
            break;
        case DesktopSettle::Verdict::NoListView:
            Print(OutputStream::Err, L"The desktop did not come back within %d seconds: nothing was restored.\n",
                  static_cast<int>(kAppearanceBoundMilliseconds / 1000));
            break;
        case DesktopSettle::Verdict::Idle:
        case DesktopSettle::Verdict::Waiting:
            return;
    }
    // The wait is over: the save delay starts after the restore, and what
    // appeared during the wait was the restore's to place.
    BeginQuietPeriod(layoutStored);
}

bool DesktopWatcher::RestoreLayoutOfDisplay() {
    // The monitors and the name are those of the configuration now in force.
    const ActionStart start(L"");
    if (!start.Found()) {
        return true;
    }
    WString storedName;
    if (!StoredLayouts().Find(start.layoutName.Text(), storedName)) {
        if (!RestoreNearestLayoutFitted(start.listView, start.layoutName)) {
            Print(OutputStream::Out, L"No layout is stored for %s: the icons stay where they are.\n",
                  start.layoutName.Text());
        }
        return false;
    }
    RestoreFoundLayout(true, start.listView, storedName);
    // A layout without values leaves its name open at the end of a line.
    output_.EndOpenLines();
    return true;
}

void DesktopWatcher::BeginQuietPeriod(bool layoutStored) {
    if (saves_) {
        saves_->Begin(GetTickCount64(), layoutStored);
    }
    arrivals_.Forget();
    LookForChanges();
    nextLook_ = GetTickCount64() + kLookIntervalMilliseconds;
}

void DesktopWatcher::LookForChanges() {
    DesktopLook seen;
    seen.listView = FindDesktopListView();
    if (seen.listView != nullptr) {
        seen.read = ReadIconPositions(seen.listView, seen.positions);
        // The style is the window's own, read without a message to the shell.
        seen.autoArranged = (GetWindowLongPtrW(seen.listView, GWL_STYLE) & LVS_AUTOARRANGE) != 0;
        seen.displayName = GivenOrDefaultName(L"").Text();
    }
    if (seen.read) {
        const std::vector<int> appeared = arrivals_.Look(seen.listView, seen.positions);
        if (!appeared.empty()) {
            PutBackAppearedIcons(seen.listView, arrivals_.Tags(), appeared);
            output_.EndOpenLines();
        }
    }
    if (saves_ && saves_->Look(GetTickCount64(), seen) == SaveSchedule::Verdict::Save) {
        SaveLayoutOfDisplay();
    }
}

void DesktopWatcher::SaveLayoutOfDisplay() {
    const ActionStart start(L"");
    if (!start.Found()) {
        return;
    }
    // Saved as `save /y` saves, but only when the layout does not hold this
    // arrangement already.
    const DesktopSave save = SaveDesktop(start.listView, start.layoutName, SaveWhen::Changed);
    if (save.end == SaveEnd::Stored) {
        Print(OutputStream::Out, L"Desktop Saved: %d icons, Layout: %s\n", save.icons, start.layoutName.Text());
    }
}

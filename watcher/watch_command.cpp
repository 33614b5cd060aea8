#include "watcher/watch_command.h"

#include <windows.h>

#include <optional>
#include <string>

#include "actions/shell_access.h"
#include "app/console_output.h"
#include "app/log_file_output.h"
#include "app/program_path.h"
#include "app/stop_request.h"
#include "app/timestamped_output.h"
#include "desktop/desktop_list_view.h"
#include "desktop/remote_buffers.h"
#include "store/logon_start.h"
#include "text/wstring.h"
#include "watcher/desktop_watcher.h"
#include "watcher/nearest_layout.h"
#include "watcher/watcher_instance.h"

namespace {

// Lets go of the console. Its window is hidden first only when this process is
// its only one: a console of its own, which Windows shows at log-on, and never
// the cmd.exe or PowerShell the user started the watcher from.
void ReleaseConsole() {
    const HWND window = GetConsoleWindow();
    // The count comes back whole even when the list cannot hold every process.
    DWORD processes[2];
    if (window != nullptr && GetConsoleProcessList(processes, 2) == 1) {
        ShowWindow(window, SW_HIDE);
    }
    FreeConsole();
}

// The lines of the watcher itself, each begun with the time.
int Watch(const WatchOptions& options) {
    TimestampedOutput output;
    // Ctrl+C, Ctrl+Break and closing the console request the stop from here on;
    // the scope ends after the watcher has let go of everything.
    const ConsoleStopScope stopScope;
    const WatcherInstance instance;
    if (!instance.IsTheOnlyOne()) {
        PrintText(OutputStream::Err, L"A watcher is already running in this session.\n");
        return 1;
    }
    // A desktop that is there at the start must be one this build can drive.
    if (const HWND listView = FindDesktopListView()) {
        RemoteBuffers shell;
        if (!OpenShellProcess(shell, listView)) {
            return 1;
        }
    }
    const std::optional<ULONGLONG> saveDelay =
        options.saves ? std::optional<ULONGLONG>(static_cast<ULONGLONG>(options.saveSeconds) * 1000) : std::nullopt;
    SetWatcherFitsNearestLayout(options.fit);
    DesktopWatcher watcher(output, static_cast<ULONGLONG>(options.quietSeconds) * 1000, saveDelay);
    if (!watcher.Listen()) {
        PrintText(OutputStream::Err, L"Could not create the watcher's window: nothing is watched.\n");
        return 1;
    }
    Print(OutputStream::Out,
          L"Watching for display changes, restarts of the shell, resumes from sleep and returns to the session: the "
          L"layout stored for the display in use comes back once the desktop has been quiet for %d s, and an icon "
          L"that appears again goes back to its place. Ctrl+C or \"watch /stop\" stops the watcher, \"watch "
          L"/pause\" pauses it.\n",
          options.quietSeconds);
    if (options.saves) {
        Print(OutputStream::Out,
              L"An arrangement of the icons that stays unchanged for %d s is saved as the layout of the display in "
              L"use.\n",
              options.saveSeconds);
    }
    watcher.Run(instance);
    PrintText(OutputStream::Out, L"The watcher stopped.\n");
    return 0;
}

int RegisterWatcher(const WatchOptions& options) {
    std::wstring commandLine = L"\"" + LaunchProgramPath() + L"\" watch /background";
    if (options.quietSeconds != kDefaultQuietSeconds) {
        commandLine += L" /w " + std::to_wstring(options.quietSeconds);
    }
    if (options.fit) {
        commandLine += L" /fit";
    }
    if (!options.saves) {
        commandLine += L" /nosave";
    } else if (options.saveSeconds != kDefaultSaveSeconds) {
        commandLine += L" /s " + std::to_wstring(options.saveSeconds);
    }
    if (!RegisterLogonStart(commandLine.c_str())) {
        PrintText(OutputStream::Err, L"Could not write to the registry: the watcher does not start at log-on.\n");
        return 1;
    }
    Print(OutputStream::Out, L"The watcher starts at each log-on: HKEY_CURRENT_USER\\%s, value %s = %s\n",
          kLogonStartKey, kLogonStartValue, commandLine.c_str());
    Print(OutputStream::Out, L"It writes what it does to %s\n", WatcherLogPath().c_str());
    return 0;
}

// Reports the stop; false when a watcher runs on.
bool ReportStop(StopOutcome outcome) {
    switch (outcome) {
        case StopOutcome::Stopped:
            PrintText(OutputStream::Out, L"The watcher stopped.\n");
            return true;
        case StopOutcome::NoneRunning:
            return true;
        case StopOutcome::StillRunning:
            PrintText(OutputStream::Err, L"The watcher did not stop.\n");
            return false;
    }
    return false;
}

int UnregisterWatcher() {
    if (!UnregisterLogonStart()) {
        PrintText(OutputStream::Err, L"Could not write to the registry: the watcher still starts at log-on.\n");
        return 1;
    }
    PrintText(OutputStream::Out, L"The watcher no longer starts at log-on.\n");
    return ReportStop(StopRunningWatcher()) ? 0 : 1;
}

int StopWatcher() {
    const StopOutcome outcome = StopRunningWatcher();
    if (outcome == StopOutcome::NoneRunning) {
        PrintText(OutputStream::Out, L"No watcher is running.\n");
    }
    return ReportStop(outcome) ? 0 : 1;
}

int PauseWatcher(bool pause) {
    if (!RequestWatcherPause(pause)) {
        PrintText(OutputStream::Err, L"No watcher is running.\n");
        return 1;
    }
    PrintText(OutputStream::Out, pause ? L"The watcher pauses: it restores, saves and puts back nothing until "
                                         L"\"watch /resume\".\n"
                                       : L"The watcher watches again.\n");
    return 0;
}

}  // namespace

int RunWatchCommand(const WatchOptions& options) {
    switch (options.mode) {
        case WatchMode::Console:
            return Watch(options);
        case WatchMode::Background: {
            // Started at log-on: the console goes at once, and the lines go to
            // the log file instead, where the windowless program writes anyway.
            if (IsWindowlessProgram()) {
                return Watch(options);
            }
            ReleaseConsole();
            const LogFileOutput log(MadeWatcherLogPath(), kWatcherLogSizeBound);
            return Watch(options);
        }
        case WatchMode::Stop:
            return StopWatcher();
        case WatchMode::Pause:
            return PauseWatcher(true);
        case WatchMode::Resume:
            return PauseWatcher(false);
        case WatchMode::Install:
            return RegisterWatcher(options);
        case WatchMode::Uninstall:
            return UnregisterWatcher();
    }
    return 1;
}

// The windowless program: the console program's commands without a console.
// What they print goes to the log file, and the outcome is shown as Windows
// shows it (app/outcome_notice.h).
#include <windows.h>

#include <cstdlib>

#include "app/command_line.h"
#include "app/log_file_output.h"
#include "app/message_box_question.h"
#include "app/outcome_capture.h"
#include "app/outcome_notice.h"
#include "app/timestamped_output.h"
#include "text/res_string.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    SetResourceModule(instance);
    const LogFileOutput log(MadeWatcherLogPath(), kWatcherLogSizeBound);
    // The log's lines carry their time, as the watcher's do; the outcome does not.
    const TimestampedOutput stamped;
    const MessageBoxQuestion question;
    OutcomeCapture capture;
    // The runtime splits the command line as it does for the console program.
    const int exitCode = RunCommandLine(__argc, __wargv);
    const std::wstring& outcome = capture.Outcome();
    const bool failed = capture.Failed() || exitCode != 0;
    // A watcher that has run ends when it is asked to (watch /stop, log-off):
    // nothing to tell. A command that says nothing when it has worked (save)
    // still gets its notice.
    const CommandLine command = ParseArguments(__argc, __wargv);
    const bool watched = command.action == Action::Watch &&
                         (command.watch.mode == WatchMode::Console || command.watch.mode == WatchMode::Background);
    if (failed || !watched) {
        ShowOutcome(!outcome.empty() ? outcome.c_str() : failed ? L"Not done." : L"Done.", failed);
    }
    return exitCode;
}

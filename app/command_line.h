#pragma once

#include "text/wstring.h"
#include "watcher/watch_command.h"

enum class Action {
    None,
    Save,
    Restore,
    Query,
    Help,
    List,
    Delete,
    Export,
    Import,
    Undo,
    History,
    Watch,
    Status,
    Doctor,
    Menu
};

struct CommandLine {
    Action action = Action::None;
    bool assumeYes = false;
    WString layoutName;
    // The argument after /f, which only export and import take.
    WString fileName;
    // The version after /v, which only restore takes; 0 restores the layout itself.
    int version = 0;
    // /fit: restore fits a layout saved on another display to the one in force.
    bool fit = false;
    // The options only watch takes.
    WatchOptions watch;
    // Index of the first argument that is not an option, or 0 when all were.
    int invalidArgument = 0;
};

// Walks the arguments once, left to right; argv[0] is the program path and is
// never looked at. Stops at the first argument it does not know.
CommandLine ParseArguments(int argc, const wchar_t* const* argv);

// The program's version as the banner prints it, the build with three digits:
// 1.5.4.019.
WString VersionText();

void PrintBanner();
void PrintUsage();

// Prints, dispatches the one action and returns the exit code: the action's (0
// for save, restore and query, an ActionResult for the others), -1 when the
// command line itself is wrong, or kStoppedExitCode (app/stop_request.h) when
// the action left work undone on a stop request and said so.
int RunCommandLine(int argc, const wchar_t* const* argv);

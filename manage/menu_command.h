#pragma once

#include "watcher/watch_command.h"

// Runs `menu /install` (mode Install) or `menu /uninstall` (mode Uninstall):
// adds the entries of the desktop's menu for the program the shell starts
// (app/program_path.h) or removes them, printing each entry written or removed.
// Returns 0, 1 when the registry refused, or -1 without either option.
[[nodiscard]] int RunMenuCommand(WatchMode mode);

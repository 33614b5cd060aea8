#include "manage/menu_command.h"

#include "app/command_line.h"
#include "app/console_output.h"
#include "app/program_path.h"
#include "store/desktop_menu_entries.h"

namespace {

int InstallEntries() {
    const std::wstring program = LaunchProgramPath();
    for (const KelvaneMenuEntry& entry : kKelvaneMenuEntries) {
        if (!WriteMenuEntry(entry, program.c_str())) {
            PrintText(OutputStream::Err, L"Could not write to the registry: the desktop's menu lacks Kelvane.\n");
            return 1;
        }
        Print(OutputStream::Out, L"The desktop's menu has \"%s\": HKEY_CURRENT_USER\\%s\\%s, command %s\n", entry.text,
              kDesktopMenuKey, entry.key, MenuEntryCommand(entry, program.c_str()).Text());
    }
    return 0;
}

int RemoveEntries() {
    bool anyRemoved = false;
    for (const KelvaneMenuEntry& entry : kKelvaneMenuEntries) {
        bool removed = false;
        if (!RemoveMenuEntry(entry, removed)) {
            PrintText(OutputStream::Err, L"Could not write to the registry: Kelvane stays in the desktop's menu.\n");
            return 1;
        }
        if (removed) {
            Print(OutputStream::Out, L"Removed \"%s\": HKEY_CURRENT_USER\\%s\\%s\n", entry.text, kDesktopMenuKey,
                  entry.key);
        }
        anyRemoved = anyRemoved || removed;
    }
    if (!anyRemoved) {
        PrintText(OutputStream::Out, L"The desktop's menu holds no entry of Kelvane.\n");
    }
    return 0;
}

}  // namespace

int RunMenuCommand(WatchMode mode) {
    switch (mode) {
        case WatchMode::Install:
            return InstallEntries();
        case WatchMode::Uninstall:
            return RemoveEntries();
        default:
            PrintText(OutputStream::Err, L"Missing /install or /uninstall.\n");
            PrintUsage();
            return -1;
    }
}

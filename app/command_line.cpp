#include "app/command_line.h"

#include <algorithm>

#include "actions/restore_layout.h"
#include "actions/save_layout.h"
#include "actions/undo_restore.h"
#include "app/console_output.h"
#include "app/stop_request.h"
#include "app/version.h"
#include "manage/export_layouts.h"
#include "manage/import_layouts.h"
#include "manage/list_layouts.h"
#include "manage/remove_layout.h"
#include "text/ascii_case.h"
#include "watcher/watch_command.h"

namespace {

struct Option {
    const wchar_t* word;
    Action action;
};

// Tested in this order; every word is compared whole, never as a prefix.
constexpr Option kActionWords[] = {
    {L"save", Action::Save},        {L"/save", Action::Save},     {L"restore", Action::Restore},
    {L"/restore", Action::Restore}, {L"query", Action::Query},    {L"/query", Action::Query},
    {L"list", Action::List},        {L"/list", Action::List},     {L"delete", Action::Delete},
    {L"/delete", Action::Delete},   {L"export", Action::Export},  {L"/export", Action::Export},
    {L"import", Action::Import},    {L"/import", Action::Import}, {L"undo", Action::Undo},
    {L"/undo", Action::Undo},       {L"watch", Action::Watch},    {L"/watch", Action::Watch},
};

struct WatchModeWord {
    const wchar_t* word;
    WatchMode mode;
};

// Options of watch alone; a later one replaces an earlier one.
constexpr WatchModeWord kWatchModeWords[] = {
    {L"/background", WatchMode::Background},
    {L"/stop", WatchMode::Stop},
    {L"/install", WatchMode::Install},
    {L"/uninstall", WatchMode::Uninstall},
};

bool TakesFile(Action action) { return action == Action::Export || action == Action::Import; }

// A whole number of seconds from 1 to the most /w takes, written in digits alone.
bool ParseQuietSeconds(const wchar_t* text, int& seconds) {
    int value = 0;
    for (const wchar_t* digit = text; *digit != L'\0'; ++digit) {
        if (*digit < L'0' || *digit > L'9') {
            return false;
        }
        value = value * 10 + (*digit - L'0');
        if (value > kMaxQuietSeconds) {
            return false;
        }
    }
    if (text[0] == L'\0' || value < 1) {
        return false;
    }
    seconds = value;
    return true;
}

void PrintErrorWithUsage(const wchar_t* message) {
    PrintBanner();
    PrintText(OutputStream::Err, message);
    PrintUsage();
}

}  // namespace

CommandLine ParseArguments(int argc, const wchar_t* const* argv) {
    CommandLine command;
    // /f belongs to export and import, /w and the words of kWatchModeWords to
    // watch: with any other action each is the invalid argument it always was,
    // reported even when a later argument is invalid too, whichever side of the
    // action word it stands.
    int firstFile = 0;
    int firstWatchOption = 0;
    const auto optionOutOfPlace = [&] {
        const int file = TakesFile(command.action) ? 0 : firstFile;
        const int watch = command.action == Action::Watch ? 0 : firstWatchOption;
        return file == 0 || watch == 0 ? file + watch : std::min(file, watch);
    };
    for (int index = 1; index < argc; ++index) {
        const wchar_t* argument = argv[index];
        bool known = false;
        for (const Option& option : kActionWords) {
            if (EqualsIgnoringAsciiCase(argument, option.word)) {
                command.action = option.action;
                known = true;
                break;
            }
        }
        if (known) {
            continue;
        }
        for (const WatchModeWord& option : kWatchModeWords) {
            if (EqualsIgnoringAsciiCase(argument, option.word)) {
                command.watch.mode = option.mode;
                known = true;
                break;
            }
        }
        if (known) {
            firstWatchOption = firstWatchOption != 0 ? firstWatchOption : index;
            continue;
        }
        if (EqualsIgnoringAsciiCase(argument, L"/w")) {
            firstWatchOption = firstWatchOption != 0 ? firstWatchOption : index;
            // The seconds are the next argument: a wrong one is the invalid
            // argument, and /w itself when it is the last.
            if (index + 1 >= argc || !ParseQuietSeconds(argv[index + 1], command.watch.quietSeconds)) {
                const int invalid = index + 1 < argc ? index + 1 : index;
                command.invalidArgument = optionOutOfPlace() != 0 ? optionOutOfPlace() : invalid;
                return command;
            }
            ++index;
            continue;
        }
        if (EqualsIgnoringAsciiCase(argument, L"/y")) {
            command.assumeYes = true;
        } else if (EqualsIgnoringAsciiCase(argument, L"/?")) {
            command.action = Action::Help;
        } else if (EqualsIgnoringAsciiCase(argument, L"/n")) {
            // The name is consumed whatever it reads, even "save" or "/y"; an
            // empty name means the default one. A trailing /n is ignored.
            if (index + 1 < argc) {
                ++index;
                command.layoutName.Assign(argv[index]);
            }
        } else if (EqualsIgnoringAsciiCase(argument, L"/f")) {
            // As /n: the file name is consumed whatever it reads; a trailing /f is ignored.
            firstFile = firstFile != 0 ? firstFile : index;
            if (index + 1 < argc) {
                ++index;
                command.fileName.Assign(argv[index]);
            }
        } else {
            command.invalidArgument = optionOutOfPlace() != 0 ? optionOutOfPlace() : index;
            return command;
        }
    }
    command.invalidArgument = optionOutOfPlace();
    return command;
}

void PrintBanner() {
    // The build number has always been printed with three digits: 1.5.4.019.
    Print(OutputStream::Out, L"Kelvane Ver: %d.%d.%d.%03d Saves and restores the desktop icon layout.\n",
          KELVANE_VERSION_MAJOR, KELVANE_VERSION_MINOR, KELVANE_VERSION_PATCH, KELVANE_VERSION_BUILD);
}

void PrintUsage() {
    PrintText(OutputStream::Out,
              L"  Usage: Kelvane [<save | restore | query> /n \"Layout\" /y /?]\n"
              L"    /n \"Layout\" - Use the named layout for save or restore.\n"
              L"                - Quote \"Layout\" if it contains embedded spaces.\n"
              L"    /y          - Answer 'yes' to any questions: silent operation.\n"
              L"    /?          - Display this text.\n"
              L"  list [/n \"Layout\"]           - List the layouts, or the icons of one.\n"
              L"  delete [/n \"Layout\"] /y      - Delete a layout.\n"
              L"  export /f File [/n \"Layout\"] - Write every layout, or one, to a JSON file.\n"
              L"  import /f File [/n \"Layout\"] - Store a file's layouts, or its one as Layout.\n"
              L"  undo /y                      - Take back the last restore.\n"
              L"  watch [/w Seconds | /stop | /install | /uninstall] - Put the icons back by themselves.\n");
}

int RunCommandLine(int argc, const wchar_t* const* argv) {
    if (argc < 2) {
        PrintErrorWithUsage(L"Too few arguments.\n");
        return -1;
    }
    const CommandLine command = ParseArguments(argc, argv);
    if (command.invalidArgument != 0) {
        // Joined, not formatted: a formatted text is cut at 1023 characters, and an
        // argument can be far longer.
        WString message(L"Invalid argument: '");
        message.Append(argv[command.invalidArgument]);
        message.Append(L"'\n");
        PrintErrorWithUsage(message.Text());
        return -1;
    }
    PrintBanner();
    switch (command.action) {
        case Action::Save:
            SaveLayout(command.assumeYes, command.layoutName.Text());
            break;
        case Action::Restore:
            RestoreLayout(command.assumeYes, command.layoutName.Text());
            break;
        case Action::Query:
            QueryLayouts(command.assumeYes);
            break;
        case Action::Help:
            PrintUsage();
            break;
        case Action::List:
            return ListLayouts(command.layoutName.Text());
        case Action::Delete:
            return RemoveLayout(command.assumeYes, command.layoutName.Text());
        case Action::Export:
        case Action::Import:
            if (command.fileName.IsEmpty()) {
                PrintText(OutputStream::Err, L"Missing File.\n");
                PrintUsage();
                return -1;
            }
            return command.action == Action::Export
                       ? ExportLayouts(command.assumeYes, command.fileName.Text(), command.layoutName.Text())
                       : ImportLayouts(command.assumeYes, command.fileName.Text(), command.layoutName.Text());
        case Action::Undo: {
            // Undo walks the icons as a restore does, and ends as one when stopped.
            const int undone = UndoRestore(command.assumeYes);
            return StopObeyed() ? kStoppedExitCode : undone;
        }
        case Action::Watch:
            // A watcher stopped by Ctrl+C has done what it was asked: it ends with 0.
            return RunWatchCommand(command.watch);
        case Action::None:
            PrintText(OutputStream::Err, L"Missing Action.\n");
            PrintUsage();
            return -1;
    }
    // An action stopped by Ctrl+C has released what it held and said what it left
    // undone; the process ends as one that Ctrl+C ended.
    return StopObeyed() ? kStoppedExitCode : 0;
}

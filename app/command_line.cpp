#include "app/command_line.h"

#include <algorithm>
#include <vector>

#include "app/command_table.h"
#include "app/console_output.h"
#include "app/stop_request.h"
#include "app/version.h"
#include "text/ascii_case.h"

namespace {

const CommandSpec* FindCommand(const wchar_t* argument) {
    for (const CommandSpec& command : Commands()) {
        for (const wchar_t* word : command.words) {
            if (word != nullptr && EqualsIgnoringAsciiCase(argument, word)) {
                return &command;
            }
        }
    }
    return nullptr;
}

const OptionSpec* FindOption(const wchar_t* argument) {
    for (const OptionSpec& option : Options()) {
        if (EqualsIgnoringAsciiCase(argument, option.word)) {
            return &option;
        }
    }
    return nullptr;
}

void PrintErrorWithUsage(const wchar_t* message) {
    PrintBanner();
    PrintText(OutputStream::Err, message);
    PrintUsage();
}

}  // namespace

CommandLine ParseArguments(int argc, const wchar_t* const* argv) {
    CommandLine command;
    // Where each option was first given: one that the final action does not own
    // is the invalid argument, before any later one.
    const Rows<OptionSpec> options = Options();
    std::vector<int> firstGiven(options.count, 0);
    const auto firstOutOfPlace = [&] {
        int first = 0;
        for (std::size_t row = 0; row < options.count; ++row) {
            const bool owned = (options.first[row].owners & CommandsOf(command.action)) != 0;
            if (firstGiven[row] != 0 && !owned && (first == 0 || firstGiven[row] < first)) {
                first = firstGiven[row];
            }
        }
        return first;
    };
    const auto invalidAt = [&](int index) {
        const int outOfPlace = firstOutOfPlace();
        command.invalidArgument = outOfPlace != 0 ? outOfPlace : index;
        return command;
    };
    for (int index = 1; index < argc; ++index) {
        if (const CommandSpec* action = FindCommand(argv[index])) {
            // A later action word replaces an earlier one.
            command.action = action->action;
            continue;
        }
        const OptionSpec* option = FindOption(argv[index]);
        if (option == nullptr) {
            return invalidAt(index);
        }
        int& first = firstGiven[option - options.first];
        first = first != 0 ? first : index;
        switch (option->value) {
            case OptionValue::None:
                option->apply(command, nullptr);
                break;
            case OptionValue::Any:
                if (index + 1 < argc) {
                    ++index;
                    option->apply(command, argv[index]);
                }
                break;
            case OptionValue::Checked:
                if (index + 1 >= argc) {
                    return invalidAt(index);
                }
                ++index;
                if (!option->apply(command, argv[index])) {
                    return invalidAt(index);
                }
                break;
        }
    }
    command.invalidArgument = firstOutOfPlace();
    return command;
}

WString VersionText() {
    WString text;
    text.Format(L"%d.%d.%d.%03d", KELVANE_VERSION_MAJOR, KELVANE_VERSION_MINOR, KELVANE_VERSION_PATCH,
                KELVANE_VERSION_BUILD);
    return text;
}

void PrintBanner() {
    Print(OutputStream::Out, L"Kelvane Ver: %s Saves and restores the desktop icon layout.\n", VersionText().Text());
}

void PrintUsage() {
    PrintText(OutputStream::Out,
              L"  Usage: Kelvane [<save | restore | query> /n \"Layout\" /y /?]\n"
              L"    /n \"Layout\" - Use the named layout for save or restore.\n"
              L"                - Quote \"Layout\" if it contains embedded spaces.\n"
              L"    /y          - Answer 'yes' to any questions: silent operation.\n"
              L"    /?          - Display this text.\n");
    for (const CommandSpec& command : Commands()) {
        if (command.usage != nullptr) {
            PrintText(OutputStream::Out, command.usage);
        }
    }
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
    if (command.action == Action::None) {
        PrintText(OutputStream::Err, L"Missing Action.\n");
        PrintUsage();
        return -1;
    }
    const CommandSpec& row = *std::find_if(Commands().begin(), Commands().end(),
                                           [&](const CommandSpec& entry) { return entry.action == command.action; });
    const int exitCode = row.run(command);
    // A command stopped by Ctrl+C has released what it held and said what it left
    // undone; the process ends as one that Ctrl+C ended.
    return row.stopsWithExitCode && StopObeyed() ? kStoppedExitCode : exitCode;
}

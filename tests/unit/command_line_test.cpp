#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/command_table.h"
#include "unit/captured_output.h"

namespace {

struct ParseCase {
    std::vector<const wchar_t*> arguments;  // after the program path
    Action action;
    bool assumeYes;
    const wchar_t* layoutName;
    int invalidArgument;
    const wchar_t* fileName = L"";
    WatchMode watchMode = WatchMode::Console;
    int quietSeconds = kDefaultQuietSeconds;
    int saveSeconds = kDefaultSaveSeconds;
    bool saves = true;
    int version = 0;
};

CommandLine Parse(const std::vector<const wchar_t*>& arguments) {
    std::vector<const wchar_t*> argv = {L"C:\\Kelvane64.exe"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return ParseArguments(static_cast<int>(argv.size()), argv.data());
}

TEST(ParseArguments, Table) {
    const ParseCase cases[] = {
        {{L"save"}, Action::Save, false, L"", 0},
        {{L"/SAVE", L"/Y"}, Action::Save, true, L"", 0},
        {{L"save", L"restore"}, Action::Restore, false, L"", 0},
        {{L"restore", L"/?"}, Action::Help, false, L"", 0},
        {{L"/?", L"save"}, Action::Save, false, L"", 0},
        {{L"/Query"}, Action::Query, false, L"", 0},
        {{L"/y"}, Action::None, true, L"", 0},
        {{L"/n"}, Action::None, false, L"", 0},
        {{L"/n", L"save"}, Action::None, false, L"save", 0},
        {{L"save", L"/n"}, Action::Save, false, L"", 0},
        {{L"save", L"/n", L""}, Action::Save, false, L"", 0},
        {{L"save", L"/n", L"A", L"/N", L"B"}, Action::Save, false, L"B", 0},
        {{L"save", L"/n", L"A", L"/n", L""}, Action::Save, false, L"", 0},
        {{L"save", L"/n", L"/y"}, Action::Save, false, L"/y", 0},
        {{L"save", L"extra"}, Action::Save, false, L"", 2},
        {{L"-save"}, Action::None, false, L"", 1},
        {{L"sav"}, Action::None, false, L"", 1},
        {{L"savee"}, Action::None, false, L"", 1},
        {{L""}, Action::None, false, L"", 1},
        {{L"save", L"", L"restore"}, Action::Save, false, L"", 2},
        {{L"\u00a7ave"}, Action::None, false, L"", 1},
        {{L"query", L"/n", L"X"}, Action::Query, false, L"X", 0},
        {{L"List"}, Action::List, false, L"", 0},
        {{L"/delete", L"/n", L"A", L"/y"}, Action::Delete, true, L"A", 0},
        {{L"/f", L"save", L"EXPORT"}, Action::Export, false, L"", 0, L"save"},
        {{L"import", L"/f", L"a", L"/F", L"b"}, Action::Import, false, L"", 0, L"b"},
        {{L"undo", L"list"}, Action::List, false, L"", 0},
        {{L"/Doctor"}, Action::Doctor, false, L"", 0},
        {{L"save", L"/f", L"x"}, Action::Save, false, L"", 2, L"x"},
        {{L"/f", L"x", L"restore"}, Action::Restore, false, L"", 1, L"x"},
        {{L"restore", L"/n", L"/f"}, Action::Restore, false, L"/f", 0},
        {{L"/f", L"x", L"bad", L"import"}, Action::None, false, L"", 1, L"x"},
        {{L"import", L"/f", L"x", L"bad"}, Action::Import, false, L"", 4, L"x"},
        // The options of watch: /w takes a whole number of seconds from 1 to 3600.
        {{L"WATCH"}, Action::Watch, false, L"", 0},
        {{L"/watch", L"/W", L"1"}, Action::Watch, false, L"", 0, L"", WatchMode::Console, 1},
        {{L"/w", L"3600", L"watch"}, Action::Watch, false, L"", 0, L"", WatchMode::Console, 3600},
        {{L"watch", L"/w", L"007"}, Action::Watch, false, L"", 0, L"", WatchMode::Console, 7},
        {{L"watch", L"/w", L"0"}, Action::Watch, false, L"", 3},
        {{L"watch", L"/w", L"3601"}, Action::Watch, false, L"", 3},
        {{L"watch", L"/w", L"99999999999999999999"}, Action::Watch, false, L"", 3},
        {{L"watch", L"/w", L"-5"}, Action::Watch, false, L"", 3},
        {{L"watch", L"/w", L"2.5"}, Action::Watch, false, L"", 3},
        {{L"watch", L"/w", L" 5"}, Action::Watch, false, L"", 3},
        {{L"watch", L"/w", L""}, Action::Watch, false, L"", 3},
        {{L"watch", L"/w"}, Action::Watch, false, L"", 2},
        {{L"watch", L"/Stop"}, Action::Watch, false, L"", 0, L"", WatchMode::Stop},
        {{L"watch", L"/install", L"/w", L"9"}, Action::Watch, false, L"", 0, L"", WatchMode::Install, 9},
        {{L"watch", L"/install", L"/uninstall"}, Action::Watch, false, L"", 0, L"", WatchMode::Uninstall},
        // /s takes a whole number of seconds from 5 to 86400.
        {{L"watch", L"/S", L"5"}, Action::Watch, false, L"", 0, L"", WatchMode::Console, 3, 5},
        {{L"watch", L"/install", L"/s", L"86400", L"/nosave"},
         Action::Watch,
         false,
         L"",
         0,
         L"",
         WatchMode::Install,
         3,
         86400,
         false},
        {{L"watch", L"/s", L"4"}, Action::Watch, false, L"", 3},
        {{L"watch", L"/s", L"86401"}, Action::Watch, false, L"", 3},
        {{L"watch", L"/s"}, Action::Watch, false, L"", 2},
        {{L"/background", L"watch"}, Action::Watch, false, L"", 0, L"", WatchMode::Background},
        {{L"watch", L"/?", L"/stop"}, Action::Help, false, L"", 3, L"", WatchMode::Stop},
        // ... and of watch alone: with the other actions they stay invalid.
        {{L"save", L"/w", L"5"}, Action::Save, false, L"", 2, L"", WatchMode::Console, 5},
        {{L"/stop", L"restore"}, Action::Restore, false, L"", 1, L"", WatchMode::Stop},
        {{L"query", L"/install"}, Action::Query, false, L"", 2, L"", WatchMode::Install},
        {{L"/uninstall"}, Action::None, false, L"", 1, L"", WatchMode::Uninstall},
        {{L"save", L"/w", L"x"}, Action::Save, false, L"", 2},
        {{L"restore", L"/nosave"}, Action::Restore, false, L"", 2, L"", WatchMode::Console, 3, 60, false},
        {{L"/s", L"9", L"list"}, Action::List, false, L"", 1, L"", WatchMode::Console, 3, 9},
        // /v takes a version from 1 to 10, and belongs to restore alone.
        {{L"History", L"/n", L"A"}, Action::History, false, L"A", 0},
        {{L"restore", L"/v", L"10"},
         Action::Restore,
         false,
         L"",
         0,
         L"",
         WatchMode::Console,
         kDefaultQuietSeconds,
         kDefaultSaveSeconds,
         true,
         10},
        {{L"/V", L"01", L"restore"},
         Action::Restore,
         false,
         L"",
         0,
         L"",
         WatchMode::Console,
         kDefaultQuietSeconds,
         kDefaultSaveSeconds,
         true,
         1},
        {{L"restore", L"/v", L"11"}, Action::Restore, false, L"", 3},
        {{L"restore", L"/v", L"0"}, Action::Restore, false, L"", 3},
        {{L"restore", L"/v"}, Action::Restore, false, L"", 2},
        {{L"query", L"/v", L"2"},
         Action::Query,
         false,
         L"",
         2,
         L"",
         WatchMode::Console,
         kDefaultQuietSeconds,
         kDefaultSaveSeconds,
         true,
         2},
        // Both kinds out of place: the first one is the invalid argument.
        {{L"watch", L"/f", L"x", L"/w", L"2"}, Action::Watch, false, L"", 2, L"x", WatchMode::Console, 2},
        {{L"export", L"/stop", L"/f", L"x"}, Action::Export, false, L"", 2, L"x", WatchMode::Stop},
    };
    for (const ParseCase& c : cases) {
        std::wstring line;
        for (const wchar_t* argument : c.arguments)
            line += std::wstring(L"[") + argument + L"]";
        const CommandLine command = Parse(c.arguments);
        EXPECT_EQ(c.action, command.action) << line;
        EXPECT_EQ(c.assumeYes, command.assumeYes) << line;
        EXPECT_STREQ(c.layoutName, command.layoutName.Text()) << line;
        EXPECT_EQ(c.invalidArgument, command.invalidArgument) << line;
        EXPECT_STREQ(c.fileName, command.fileName.Text()) << line;
        EXPECT_EQ(c.watchMode, command.watch.mode) << line;
        EXPECT_EQ(c.quietSeconds, command.watch.quietSeconds) << line;
        EXPECT_EQ(c.saveSeconds, command.watch.saveSeconds) << line;
        EXPECT_EQ(c.saves, command.watch.saves) << line;
        EXPECT_EQ(c.version, command.version) << line;
    }
}

// Every command's usage line is printed, and every option is taken with the
// commands that own it and refused with every other: both come from the tables.
TEST(CommandTable, UsageAndOptionsComeFromTheTable) {
    CapturedOutput output;
    PrintUsage();
    for (const CommandSpec& command : Commands()) {
        if (command.usage != nullptr) {
            EXPECT_NE(std::wstring::npos, output.out.find(command.usage)) << command.words[0];
        }
        for (const OptionSpec& option : Options()) {
            // "5" is a value every option that takes one accepts.
            std::vector<const wchar_t*> arguments = {command.words[0], option.word};
            if (option.value != OptionValue::None) {
                arguments.push_back(L"5");
            }
            const CommandLine parsed = Parse(arguments);
            const bool owned = (option.owners & CommandsOf(command.action)) != 0;
            EXPECT_EQ(owned ? 0 : 2, parsed.invalidArgument) << command.words[0] << L" " << option.word;
            EXPECT_EQ(command.action, parsed.action) << command.words[0];
        }
    }
}

}  // namespace

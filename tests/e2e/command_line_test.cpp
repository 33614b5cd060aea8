#include <gtest/gtest.h>

#include "kelvane_process.h"

namespace {

struct CommandLineCase {
    std::vector<std::wstring> arguments;
    DWORD exitCode;
    std::wstring output;  // after the banner
    std::wstring error;
};

// No desktop list view exists while these run, so an action that starts reports
// that it found none.
TEST(CommandLine, OutputAndExitCodes) {
    DeleteRegistryTree(L"Software\\Brenlow");
    const std::wstring noListView = L"Could not locate Desktop ListView.\n";
    const CommandLineCase cases[] = {
        {{}, kCommandLineError, kUsage, L"Too few arguments.\n"},
        {{L"/y"}, kCommandLineError, kUsage, L"Missing Action.\n"},
        {{L"/n"}, kCommandLineError, kUsage, L"Missing Action.\n"},
        {{L"/n", L"save"}, kCommandLineError, kUsage, L"Missing Action.\n"},
        {{L"restore", L"/?"}, 0, kUsage, L""},
        {{L"/?"}, 0, kUsage, L""},
        {{L"save", L"extra"}, kCommandLineError, kUsage, L"Invalid argument: 'extra'\n"},
        {{L"/y", L"-save"}, kCommandLineError, kUsage, L"Invalid argument: '-save'\n"},
        {{L"sav"}, kCommandLineError, kUsage, L"Invalid argument: 'sav'\n"},
        {{L""}, kCommandLineError, kUsage, L"Invalid argument: ''\n"},
        {{L"%s%n%x"}, kCommandLineError, kUsage, L"Invalid argument: '%s%n%x'\n"},
        {{L"B\u00fcro \u03a9"}, kCommandLineError, kUsage, L"Invalid argument: 'B\u00fcro \u03a9'\n"},
        {{L"save", L"with space", L"/y"}, kCommandLineError, kUsage, L"Invalid argument: 'with space'\n"},
        {{L"SAVE", L"/Y"}, 0, L"", noListView},
        {{L"/?", L"save", L"/y"}, 0, L"", noListView},
        {{L"save", L"/n"}, 0, L"", noListView},
        {{L"/restore", L"/N", L"x"}, 0, L"", noListView},
        {{L"query", L"/n", L"X"}, 0, L"", noListView},
    };
    for (const CommandLineCase& c : cases) {
        std::wstring line;
        for (const std::wstring& argument : c.arguments) line += L"[" + argument + L"]";
        const RunResult result = RunKelvane(c.arguments);
        ASSERT_FALSE(result.timedOut) << line;
        EXPECT_EQ(c.exitCode, result.exitCode) << line;
        EXPECT_EQ(c.output, AfterBanner(result.standardOutput)) << line;
        EXPECT_EQ(c.error, result.standardError) << line;
    }
    EXPECT_FALSE(RegistryKeyExists(L"Software\\Brenlow")) << "no command line above may touch the store";
}

TEST(CommandLine, BannerIsOneLine) {
    const RunResult result = RunKelvane({L"/?"});
    ASSERT_EQ(0u, result.standardOutput.rfind(kBannerStart, 0));
    const std::wstring banner = result.standardOutput.substr(0, result.standardOutput.find(L'\n'));
    EXPECT_GT(banner.size(), std::wstring(kBannerStart).size()) << "a notice follows the version";
}

}  // namespace

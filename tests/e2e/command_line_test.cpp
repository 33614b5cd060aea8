#include <gtest/gtest.h>

#include <cwchar>
#include <random>
#include <regex>

#include "e2e/kelvane_process.h"
#include "support/utf8.h"

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
        // /f belongs to export and import; elsewhere it is the invalid argument
        // it always was, even before a later invalid one.
        {{L"save", L"/f", L"x"}, kCommandLineError, kUsage, L"Invalid argument: '/f'\n"},
        {{L"/F", L"x", L"restore", L"/y"}, kCommandLineError, kUsage, L"Invalid argument: '/F'\n"},
        {{L"query", L"/f"}, kCommandLineError, kUsage, L"Invalid argument: '/f'\n"},
        {{L"/f", L"x", L"extra", L"export"}, kCommandLineError, kUsage, L"Invalid argument: '/f'\n"},
        {{L"list", L"/f", L"x"}, kCommandLineError, kUsage, L"Invalid argument: '/f'\n"},
        {{L"export", L"save", L"/f", L"x"}, kCommandLineError, kUsage, L"Invalid argument: '/f'\n"},
        {{L"export", L"/f", L"x", L"extra"}, kCommandLineError, kUsage, L"Invalid argument: 'extra'\n"},
        {{L"undos"}, kCommandLineError, kUsage, L"Invalid argument: 'undos'\n"},
        {{L"-list"}, kCommandLineError, kUsage, L"Invalid argument: '-list'\n"},
        {{L"export"}, kCommandLineError, kUsage, L"Missing File.\n"},
        {{L"/Import", L"/y", L"/f"}, kCommandLineError, kUsage, L"Missing File.\n"},
        {{L"import", L"/f", L"", L"/n", L"x"}, kCommandLineError, kUsage, L"Missing File.\n"},
        {{L"save", L"/f", L"x", L"/?"}, kCommandLineError, kUsage, L"Invalid argument: '/f'\n"},
        {{L"export", L"/?"}, 0, kUsage, L""},
        // Undo needs the desktop, and counts its absence as not done.
        {{L"UNDO", L"/y"}, kNotDone, L"", noListView},
        {{L"/undo", L"/n", L"X"}, kNotDone, L"", noListView},
        {{L"watch", L"/w", L"0"}, kCommandLineError, kUsage, L"Invalid argument: '0'\n"},
        {{L"watch", L"/w"}, kCommandLineError, kUsage, L"Invalid argument: '/w'\n"},
        {{L"save", L"/w", L"5", L"/y"}, kCommandLineError, kUsage, L"Invalid argument: '/w'\n"},
        {{L"watch", L"/s", L"4"}, kCommandLineError, kUsage, L"Invalid argument: '4'\n"},
        {{L"restore", L"/nosave"}, kCommandLineError, kUsage, L"Invalid argument: '/nosave'\n"},
        {{L"/stop", L"restore"}, kCommandLineError, kUsage, L"Invalid argument: '/stop'\n"},
        {{L"watch", L"/stop"}, 0, L"No watcher is running.\n", L""},
    };
    for (const CommandLineCase& c : cases) {
        std::wstring line;
        for (const std::wstring& argument : c.arguments)
            line += L"[" + argument + L"]";
        const RunResult result = RunKelvane(c.arguments);
        ASSERT_FALSE(result.timedOut) << line;
        EXPECT_EQ(c.exitCode, result.exitCode) << line;
        EXPECT_EQ(c.output, AfterBanner(result.standardOutput)) << line;
        EXPECT_EQ(c.error, result.standardError) << line;
    }
    EXPECT_FALSE(RegistryKeyExists(L"Software\\Brenlow")) << "no command line above may touch the store";
}

// Argument vectors drawn from the option words and from the texts that break
// parsers and formatters, by a fixed seed: each run gives the same vectors.
class ArgumentGenerator {
public:
    std::vector<std::wstring> Next() {
        std::vector<std::wstring> arguments(Below(7));
        for (std::wstring& argument : arguments) {
            argument = Fragment();
            if (Below(3) == 0) argument += Fragment();
            // The whole command line must stay below the system's 32767 characters.
            argument.resize(std::min(argument.size(), 30000 / std::max<size_t>(arguments.size(), 1)));
        }
        return arguments;
    }

private:
    size_t Below(size_t limit) { return static_cast<size_t>(engine_() % limit); }

    std::wstring Fragment() {
        static const wchar_t* const kPieces[] = {
            L"save",        L"/save",        L"restore",    L"/restore",   L"query",      L"/query",   L"/y",
            L"/Y",          L"/n",           L"/N",         L"/?",         L"SAVE",       L"Restore",  L"-save",
            L"save/",       L"/yes",         L"//n",        L"",           L" ",          L"\t",       L"B\u00fcro",
            L"\u03a9mega",  L"\u6771\u4eac", L"\U0001F600", L"\u200B",     L"\u00c4rger", L"%s%n%x%S", L"%p%d%%",
            L"%999999999s", L"%ls%hs",       L"%c%C",       L"%.*s",       L"%n%n%n%n",   L"%",        L"\"",
            L"a\"b",        L"\\",           L"\\\\\"",     L"C:\\path\\", L"\"\"",       L"'",        L"'%s'",
            L"\n",
        };
        if (Below(12) == 0) {
            // Thousands of characters, of one piece over and over.
            const std::wstring piece = kPieces[Below(std::size(kPieces))];
            std::wstring text;
            const size_t length = 1000 + Below(9000);
            while (!piece.empty() && text.size() < length)
                text += piece;
            return text.empty() ? std::wstring(length, L'x') : text;
        }
        return kPieces[Below(std::size(kPieces))];
    }

    std::mt19937 engine_{20240611};
};

// No desktop list view exists, so any action that starts only says so: the
// command line alone decides what happens.
TEST(CommandLine, GeneratedArgumentVectorsNeverCrashAndEchoLiterally) {
    DeleteRegistryTree(L"Software\\Brenlow");
    // A process starts in a tenth of a second on x86-64, eight times slower in
    // the i386 build under qemu.
    const int runs = sizeof(void*) == 8 ? 150 : 30;
    ArgumentGenerator generator;
    for (int run = 0; run < runs; ++run) {
        const std::vector<std::wstring> arguments = generator.Next();
        std::wstring line;
        for (const std::wstring& argument : arguments)
            line += L"[" + argument.substr(0, 40) + L"]";
        SCOPED_TRACE(testing::Message() << "run " << run << ": " << ToUtf8(line));
        const RunResult result = RunKelvane(arguments, RunOptions{std::nullopt, 20000});
        ASSERT_FALSE(result.timedOut);
        ASSERT_TRUE(result.exitCode == 0 || result.exitCode == kCommandLineError) << std::hex << result.exitCode;
        if (result.exitCode == kCommandLineError) {
            EXPECT_EQ(kUsage, AfterBanner(result.standardOutput));
        } else {
            EXPECT_TRUE(result.standardError.empty() || result.standardError == L"Could not locate Desktop ListView.\n")
                << ToUtf8(result.standardError);
        }
        const std::wstring invalid = L"Invalid argument: '";
        if (result.standardError.rfind(invalid, 0) == 0) {
            bool echoed = false;
            for (const std::wstring& argument : arguments) {
                echoed = echoed || result.standardError == invalid + argument + L"'\n";
            }
            EXPECT_TRUE(echoed) << "not one argument, literally: " << ToUtf8(result.standardError.substr(0, 200));
        }
    }
    EXPECT_FALSE(RegistryKeyExists(L"Software\\Brenlow")) << "no command line above may touch the store";
}

TEST(CommandLine, BannerIsOneLine) {
    const RunResult result = RunKelvane({L"/?"});
    ASSERT_EQ(0u, result.standardOutput.rfind(kBannerStart, 0));
    const std::wstring banner = result.standardOutput.substr(0, result.standardOutput.find(L'\n'));
    EXPECT_GT(banner.size(), std::wstring(kBannerStart).size()) << "a notice follows the version";
}

// What Explorer's Properties > Details and software inventories show, read from
// the program's image as Windows reads it: the version is the one the banner
// prints ("1.5.4.019" is build 19), and the strings sit under the language and
// code page that the Translation entry names, where readers look them up.
TEST(CommandLine, VersionResourceCarriesTheBannersVersion) {
    const RunResult run = RunKelvane({L"/?"});
    std::wsmatch banner;
    ASSERT_TRUE(
        std::regex_search(run.standardOutput, banner, std::wregex(L"^Kelvane Ver: (\\d+)\\.(\\d+)\\.(\\d+)\\.(\\d+) ")))
        << ToUtf8(run.standardOutput);
    const WORD major = static_cast<WORD>(std::stoul(banner[1])), minor = static_cast<WORD>(std::stoul(banner[2]));
    const WORD patch = static_cast<WORD>(std::stoul(banner[3])), build = static_cast<WORD>(std::stoul(banner[4]));
    const std::wstring version = std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." +
                                 std::to_wstring(patch) + L"." + std::to_wstring(build);

    const std::wstring path = KelvanePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_NE(0u, size) << "no version resource: error " << GetLastError();
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

    void* pointer = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", &pointer, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const VS_FIXEDFILEINFO& fixed = *static_cast<const VS_FIXEDFILEINFO*>(pointer);
    const DWORD versionHigh = MAKELONG(minor, major), versionLow = MAKELONG(build, patch);
    EXPECT_EQ(static_cast<DWORD>(VS_FFI_SIGNATURE), fixed.dwSignature);
    EXPECT_EQ(versionHigh, fixed.dwFileVersionMS);
    EXPECT_EQ(versionLow, fixed.dwFileVersionLS);
    EXPECT_EQ(versionHigh, fixed.dwProductVersionMS);
    EXPECT_EQ(versionLow, fixed.dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed.dwFileType);

    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &pointer, &length));
    ASSERT_GE(length, 2 * sizeof(WORD));
    const WORD* translation = static_cast<const WORD*>(pointer);
    EXPECT_EQ(1200, translation[1]) << "the strings are UTF-16";
    wchar_t block[40];
    std::swprintf(block, std::size(block), L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    const auto text = [&](const wchar_t* name) -> std::wstring {
        void* value = nullptr;
        UINT characters = 0;
        if (!VerQueryValueW(data.data(), (block + std::wstring(name)).c_str(), &value, &characters)) {
            return L"<missing>";
        }
        return static_cast<const wchar_t*>(value);
    };
    EXPECT_EQ(L"Kelvane", text(L"ProductName"));
    EXPECT_EQ(version, text(L"FileVersion"));
    EXPECT_EQ(version, text(L"ProductVersion"));
    EXPECT_EQ(kKelvaneExeName, text(L"OriginalFilename"));
    const std::wstring width = sizeof(void*) == 8 ? L"(64-bit)" : L"(32-bit)";
    EXPECT_NE(std::wstring::npos, text(L"FileDescription").find(width)) << ToUtf8(text(L"FileDescription"));
    EXPECT_TRUE(std::regex_match(text(L"LegalCopyright"), std::wregex(L"Copyright \\(C\\) \\d{4} the Kelvane authors")))
        << ToUtf8(text(L"LegalCopyright"));
}

}  // namespace

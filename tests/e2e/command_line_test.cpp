#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <sstream>

#include "e2e/kelvane_process.h"
#include "support/desktop_files.h"
#include "support/stand_in_registration.h"
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
        {{L"save", L"/fit", L"/y"}, kCommandLineError, kUsage, L"Invalid argument: '/fit'\n"},
        {{L"/stop", L"restore"}, kCommandLineError, kUsage, L"Invalid argument: '/stop'\n"},
        {{L"watch", L"/stop"}, 0, L"No watcher is running.\n", L""},
        {{L"menu"}, kCommandLineError, kUsage, L"Missing /install or /uninstall.\n"},
        {{L"menu", L"/stop"}, kCommandLineError, kUsage, L"Invalid argument: '/stop'\n"},
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
// Each program carries it, and the icon that Explorer, the taskbar and the
// notification area show.
void ExpectVersionResource(const std::wstring& path, const std::wstring& fileName, const std::wsmatch& banner) {
    SCOPED_TRACE(ToUtf8(fileName));
    const WORD major = static_cast<WORD>(std::stoul(banner[1])), minor = static_cast<WORD>(std::stoul(banner[2]));
    const WORD patch = static_cast<WORD>(std::stoul(banner[3])), build = static_cast<WORD>(std::stoul(banner[4]));
    const std::wstring version = std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." +
                                 std::to_wstring(patch) + L"." + std::to_wstring(build);
    const HMODULE image = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, image);
    EXPECT_NE(nullptr, FindResourceW(image, MAKEINTRESOURCEW(1), RT_GROUP_ICON)) << "no icon";
    FreeLibrary(image);

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
    EXPECT_EQ(fileName, text(L"OriginalFilename"));
    const std::wstring width = sizeof(void*) == 8 ? L"(64-bit)" : L"(32-bit)";
    EXPECT_NE(std::wstring::npos, text(L"FileDescription").find(width)) << ToUtf8(text(L"FileDescription"));
    EXPECT_TRUE(std::regex_match(text(L"LegalCopyright"), std::wregex(L"Copyright \\(C\\) \\d{4} the Kelvane authors")))
        << ToUtf8(text(L"LegalCopyright"));
}

TEST(CommandLine, VersionResourceCarriesTheBannersVersion) {
    const RunResult run = RunKelvane({L"/?"});
    std::wsmatch banner;
    ASSERT_TRUE(
        std::regex_search(run.standardOutput, banner, std::wregex(L"^Kelvane Ver: (\\d+)\\.(\\d+)\\.(\\d+)\\.(\\d+) ")))
        << ToUtf8(run.standardOutput);
    ExpectVersionResource(KelvanePath(), kKelvaneExeName, banner);
    ExpectVersionResource(WindowlessPath(), kWindowlessExeName, banner);
}

// doctor without a desktop, on Wine's own view of the desktop folder (hosted
// outside Progman) and on the stand-in shell that keeps its own record: each
// fact the README documents has its line, in order, those the test can know
// are right, and neither the store nor the icons change; with nothing stored,
// no key is made.
TEST(CommandLine, DoctorReportsEveryFactAndChangesNothing) {
    const std::vector<std::wstring> documented = {L"program",
                                                  L"version",
                                                  L"program width",
                                                  L"windows version",
                                                  L"windows build",
                                                  L"desktop windows",
                                                  L"shell process width",
                                                  L"auto arrange",
                                                  L"align to grid",
                                                  L"icons",
                                                  L"icon spacing",
                                                  L"monitors",
                                                  L"monitor 1",
                                                  L"monitor 1 in list view",
                                                  L"scale",
                                                  L"dpi awareness",
                                                  L"default layout",
                                                  L"default layout stored",
                                                  L"layouts",
                                                  L"versions",
                                                  L"undo kept",
                                                  L"folder view",
                                                  L"calibration",
                                                  L"watcher",
                                                  L"watcher at log-on",
                                                  L"desktop menu entries",
                                                  L"log file",
                                                  L"log file size"};
    const std::wstring undoKey = std::wstring(kStoreKey) + L" Undo";
    const std::wstring menuKey = L"Software\\Classes\\DesktopBackground\\Shell\\";
    const std::wstring runKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const auto writeText = [](const std::wstring& key, const std::wstring& name, const std::wstring& text) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
        WriteRegistryValue(key, name, REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t)));
    };
    const DesktopFiles files({L"doctor 1.txt", L"doctor 2.txt"});
    const std::wstring items =
        WriteItemsFile({L"One\t21\t2\tdesktop:doctor 1.txt", L"Two\t96\t2\tdesktop:doctor 2.txt"});
    struct Case {
        const char* name;
        std::vector<std::wstring> desktop;  // the fixture's arguments; empty: no desktop, and nothing stored
        bool redirected;
        std::wstring windows, folderView, calibration;
    };
    const std::wstring noListView = L"not tried: no desktop list view";
    const Case cases[] = {
        {"no desktop", {}, false, L"not found: there is no \"Progman\" window", noListView, noListView},
        {"Wine's own shell",
         {L"--shell-desktop", L"--topology", L"other-toplevel"},
         false,
         L"under \"KelvaneFixtureHost\"",
         L"reached",
         L"unanswered: a restore tells the folder view nothing"},
        {"the stand-in shell",
         {L"--synthetic", items, L"--stand-in"},
         true,
         L"under \"Progman\"",
         L"reached",
         L"agrees, offset 0, 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteRegistryTree(L"Software\\Brenlow");
        std::optional<StandInRegistration> redirect;
        if (c.redirected) redirect.emplace(StandInServerBesideTest());
        std::unique_ptr<DesktopFixture> fixture;
        const bool stored = !c.desktop.empty();
        if (stored) {
            fixture = std::make_unique<DesktopFixture>(FixtureBesideTest(), c.desktop);
            WriteRegistryValue(LayoutKey(DefaultLayoutName()), L"One", REG_DWORD, PackedRecordData(300, 300));
            WriteRegistryValue(undoKey, L"One", REG_DWORD, PackedRecordData(1, 2));
            WriteRegistryValue(undoKey, L"Two", REG_DWORD, PackedRecordData(3, 4));
            writeText(runKey, L"Kelvane", L"\"C:\\K\\Kelvane64.exe\" watch /background");
            writeText(menuKey + L"Save icons\\command", L"", L"\"C:\\K\\KELVANE64w.exe\" save /y");
            writeText(menuKey + L"Notes\\command", L"", L"notepad.exe");
        }
        const auto layoutsBefore = stored ? RegistryTreeImage(kStoreKey) : std::vector<RegistryKeyImage>{};
        const auto undoBefore = stored ? RegistryValues(undoKey) : std::vector<RegistryValue>{};
        const auto icons = [&] {
            std::vector<std::pair<int, int>> places;
            for (const FixtureItem& item : fixture ? fixture->Items() : std::vector<FixtureItem>{})
                places.emplace_back(item.x, item.y);
            return places;
        };
        const auto iconsBefore = icons();

        const RunResult result = RunKelvane({L"doctor"}, RunOptions{std::nullopt, 90000});
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ(L"", result.standardError);
        std::vector<std::wstring> names;
        std::map<std::wstring, std::wstring> facts;
        std::wistringstream lines(AfterBanner(result.standardOutput));
        for (std::wstring line; std::getline(lines, line);) {
            const size_t colon = line.find(L": ");
            names.push_back(line.substr(0, colon));
            if (colon != std::wstring::npos) facts[names.back()] = line.substr(colon + 2);
        }
        EXPECT_EQ(documented, names) << ToUtf8(result.standardOutput);
        EXPECT_EQ(c.windows, facts[L"desktop windows"]);
        EXPECT_EQ(stored ? std::to_wstring(iconsBefore.size()) : L"unknown: no desktop list view", facts[L"icons"]);
        EXPECT_EQ(c.folderView, facts[L"folder view"]);
        EXPECT_EQ(c.calibration, facts[L"calibration"]);
        EXPECT_EQ(DefaultLayoutName(), facts[L"default layout"]);
        EXPECT_EQ(stored ? L"yes" : L"no", facts[L"default layout stored"]);
        EXPECT_EQ(stored ? L"yes, 2 icons" : L"no", facts[L"undo kept"]);
        EXPECT_EQ(stored ? L"installed: \"C:\\K\\Kelvane64.exe\" watch /background" : L"not installed",
                  facts[L"watcher at log-on"]);
        EXPECT_EQ(stored ? L"installed: Save icons" : L"not installed", facts[L"desktop menu entries"]);

        EXPECT_EQ(iconsBefore, icons());
        if (stored) {
            EXPECT_EQ(layoutsBefore, RegistryTreeImage(kStoreKey));
            EXPECT_EQ(undoBefore, RegistryValues(undoKey));
            DeleteRegistryValue(runKey, L"Kelvane");
            DeleteRegistryTree(menuKey + L"Save icons");
            DeleteRegistryTree(menuKey + L"Notes");
        } else {
            EXPECT_FALSE(RegistryKeyExists(L"Software\\Brenlow")) << "doctor made a key of the store";
        }
    }
    DeleteRegistryTree(L"Software\\Brenlow");
    DeleteFileW(items.c_str());
}

// The windowless program against the fixture: its question is a Yes/No box, its
// lines go to the log with their time, never to its standard streams, and save
// and restore do their work as the console program's do. Wine's taskbar takes
// the outcome's notification, which a test cannot see: the program ends by
// itself once it has been shown.
TEST(CommandLine, WindowlessProgramAsksInABoxAndLogs) {
    DeleteRegistryTree(L"Software\\Brenlow");
    DeleteFileW(WatcherLogFile().c_str());
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"5"});
    const auto saved = fixture.Items();
    const struct {
        std::vector<std::wstring> arguments;
        std::wstring question;  // empty for none
    } runs[] = {{{L"save"}, L"Save Icon Locations for:\n" + DefaultLayoutName()}, {{L"restore", L"/y"}, L""}};
    for (const auto& run : runs) {
        SCOPED_TRACE(ToUtf8(run.arguments[0]));
        if (run.question.empty()) {
            for (const FixtureItem& item : saved)
                fixture.Move(item.index, 600 - item.y, 500 - item.x / 2);
        }
        StartedProcess program(WindowlessPath(), run.arguments);
        if (!run.question.empty()) {
            const HWND question = WaitForMessageBox(program.Process());
            ASSERT_NE(nullptr, question);
            EXPECT_EQ(run.question, MessageBoxText(question));
            PressButton(question, IDYES);
        }
        const RunResult result = program.Finish();
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ(L"", result.standardOutput + result.standardError);
    }
    EXPECT_EQ(5u, RegistryValues(LayoutKey(DefaultLayoutName())).size());
    const auto restored = fixture.Items();
    for (size_t i = 0; i < saved.size(); ++i)
        EXPECT_TRUE(saved[i].x == restored[i].x && saved[i].y == restored[i].y) << i;
    const std::wstring log = WatcherLogText(), time = std::wstring(L"\n") + kTimePattern + L" ";
    const std::wregex lines(std::wstring(L"(") + kTimePattern + L" [^\n]*\n)+");
    const std::wregex asked(time + DefaultLayoutName() + L" \\[y/n\\]\\? y\n");
    EXPECT_TRUE(std::regex_match(log, lines) && std::regex_search(log, asked) &&
                std::regex_search(log, std::wregex(time + L"Desktop Restored: 5 icons\n")))
        << ToUtf8(log);
}

}  // namespace

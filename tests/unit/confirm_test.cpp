#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "actions/restore_layout.h"
#include "app/confirm.h"
#include "support/fixture_client.h"
#include "support/registry_reader.h"
#include "text/res_string.h"
#include "unit/captured_output.h"
#include "unit/scripted_keys.h"

namespace {

struct AnswerCase {
    std::wstring keys;
    bool yes;
    int beeps;
    const wchar_t* echo;
};

TEST(AskYesNo, AnswersAndBeeps) {
    const AnswerCase cases[] = {
        {L"y", true, 0, L"y\n"},
        {L"Y", true, 0, L"y\n"},
        {L"n", false, 0, L"n\n"},
        {L"N", false, 0, L"n\n"},
        {L"j1 \ry", true, 4, L"y\n"},
        {std::wstring(1, L'\x03') + L"n", false, 1, L"n\n"},    // Ctrl+C is an ordinary key
        {std::wstring{L'\xE0', L'H'} + L"Y", true, 2, L"y\n"},  // an arrow key: two code units
        {std::wstring{L'\0', L';'} + L"N", false, 2, L"n\n"},   // a function key
    };
    for (const AnswerCase& c : cases) {
        CapturedOutput output;
        ScriptedKeys keys(c.keys);
        EXPECT_EQ(c.yes, AskYesNo(L"Save Icon Locations for:\nLayout 1 x 1"));
        EXPECT_EQ(c.beeps, keys.beeps);
        EXPECT_EQ(c.keys.size(), keys.KeysRead());
        EXPECT_EQ(std::wstring(L"Save Icon Locations for:\nLayout 1 x 1 [y/n]? ") + c.echo, output.out);
        EXPECT_EQ(L"", output.err);
    }
}

TEST(AskYesNo, NoConsoleInputCountsAsNoWithoutWaiting) {
    CapturedOutput output;
    ScriptedKeys keys(L"");
    EXPECT_FALSE(AskYesNo(L"Q"));
    EXPECT_EQ(0, keys.beeps);
    EXPECT_EQ(L"Q [y/n]? n\n", output.out);
    EXPECT_NE(std::wstring::npos, output.err.find(L"/y"));
    EXPECT_EQ(1u, std::count(output.err.begin(), output.err.end(), L'\n'));
}

// As it stands and whole: a question far past the 1023 characters of a
// formatted text too.
TEST(AskYesNo, QuestionIsPrintedAsText) {
    for (const std::wstring& question : {std::wstring(L"%s%n%d"), L"%s" + std::wstring(3000, L'\u00e9') + L"end"}) {
        CapturedOutput output;
        ScriptedKeys keys(L"n");
        EXPECT_FALSE(AskYesNo(question.c_str()));
        EXPECT_EQ(question + L" [y/n]? n\n", output.out);
    }
}

// The query menu echoes the key it read, a key without a character of its own
// too: the code unit 0 that leads F1 to F10 and the like echoes as the line
// feeds alone.
TEST(QueryMenu, EchoesTheKeyWhateverItIs) {
    SetResourceModule(GetModuleHandleW(nullptr));
    DeleteRegistryTree(L"Software\\Brenlow");
    WriteRegistryValue(L"Software\\Brenlow\\DeskTop\\Home", L"Icon", REG_DWORD, {100, 0, 100, 0});
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"1"});
    struct EchoCase {
        std::wstring keys;
        const wchar_t* afterPrompt;
    };
    const EchoCase cases[] = {
        {std::wstring{L'\0', L';'}, L"\n\n"},  // F1: only the first unit is read
        {L"x", L"x\n\n"},
        {L"1n", L"1\n\nRestore Icon Locations for:\n\tHome [y/n]? n\n"},
    };
    for (const EchoCase& c : cases) {
        CapturedOutput output;
        ScriptedKeys keys(c.keys);
        QueryLayouts(false);
        const std::wstring menuEnd = L"1) Home\nChoose Layout: ";
        const size_t at = output.out.find(menuEnd);
        ASSERT_NE(std::wstring::npos, at) << output.out;
        EXPECT_EQ(c.afterPrompt, output.out.substr(at + menuEnd.size()));
        EXPECT_EQ(L"", output.err);
    }
    DeleteRegistryTree(L"Software\\Brenlow");
}

}  // namespace

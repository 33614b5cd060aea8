#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "e2e/kelvane_process.h"
#include "support/desktop_files.h"
#include "support/scratch_folder.h"
#include "support/utf8.h"

// Managing the stored layouts without the registry editor: list, delete, export
// and import. None of them needs the desktop list view, so most of these run
// without a desktop; the store is checked through the registry, the file
// through its bytes.

namespace {

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, file.Get());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(bytes.size(), written);
}

// The file's text with the first occurrence of `from` replaced.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

int LinesOf(const std::wstring& text) { return static_cast<int>(std::count(text.begin(), text.end(), L'\n')); }

POINT PositionOf(DesktopFixture& fixture, const std::wstring& text) {
    for (const FixtureItem& item : fixture.Items()) {
        if (item.text == text) return {item.x, item.y};
    }
    return {-99999, -99999};
}

// One layout of every record form a save writes: REG_DWORD records of texts
// (a negative position among them), REG_BINARY records with a non-ASCII text,
// the longest text and an empty one, under a non-ASCII name.
const std::wstring kUmlauts = L"R\u00e4ume \u6771\u4eac";
void WriteEveryRecordForm() {
    WriteRegistryValue(LayoutKey(kUmlauts), L"Alpha", REG_DWORD, PackedRecordData(-5, 40));
    WriteRegistryValue(LayoutKey(kUmlauts), L"B\u00fcro \u03a9", REG_DWORD, PackedRecordData(200, 65535));
    WriteRegistryValue(LayoutKey(kUmlauts), L"High", REG_DWORD, {0x78, 0x56, 0x34, 0x12});
    WriteRegistryValue(LayoutKey(kUmlauts), L"kv-round.txt", REG_BINARY,
                       ShellRecordData(-30, -250, L"Cr\u00f6ss \U0001F600"));
    WriteRegistryValue(LayoutKey(kUmlauts), L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", REG_BINARY,
                       ShellRecordData(2147483647, -2147483647 - 1, std::wstring(259, L'\u00df')));
    WriteRegistryValue(LayoutKey(kUmlauts), L"empty.txt", REG_BINARY, ShellRecordData(7, 8, L""));
    WriteRegistryValue(LayoutKey(L"Second"), L"Alpha", REG_DWORD, PackedRecordData(300, 300));
}

class Manage : public ::testing::Test {
protected:
    void SetUp() override { DeleteRegistryTree(L"Software\\Brenlow"); }
    void TearDown() override { DeleteRegistryTree(L"Software\\Brenlow"); }

    ScratchFolder folder{ScratchLocation::Temp, {}};
    const std::wstring file = folder.PathOf(L"layouts.json");
};

TEST_F(Manage, ListShowsTheNamesOrTheIconsOfOne) {
    WriteEveryRecordForm();
    const RunResult names = RunKelvane({L"list"});
    EXPECT_EQ(0u, names.exitCode);
    EXPECT_EQ(kUmlauts + L"\nSecond\n", AfterBanner(names.standardOutput));
    EXPECT_EQ(L"", names.standardError);

    const RunResult icons = RunKelvane({L"/LIST", L"/n", L"second"});
    EXPECT_EQ(0u, icons.exitCode);
    EXPECT_EQ(L"300\t300\ttext\tAlpha\tAlpha\n", AfterBanner(icons.standardOutput));

    const RunResult one = RunKelvane({L"list", L"/n", kUmlauts});
    const std::wstring lines = AfterBanner(one.standardOutput);
    EXPECT_NE(std::wstring::npos, lines.find(L"-5\t40\ttext\tAlpha\tAlpha\n")) << ToUtf8(lines);
    EXPECT_NE(std::wstring::npos, lines.find(L"-30\t-250\titem\tkv-round.txt\tCr\u00f6ss \U0001F600\n"))
        << ToUtf8(lines);
    EXPECT_EQ(6, LinesOf(lines));

    const RunResult missing = RunKelvane({L"list", L"/n", L"r\u00c4ume \u6771\u4eac"});
    EXPECT_EQ(kNotDone, missing.exitCode);
    EXPECT_EQ(L"", AfterBanner(missing.standardOutput));
    EXPECT_EQ(L"Layout not found: r\u00c4ume \u6771\u4eac.\n", missing.standardError);
}

TEST_F(Manage, DeleteAsksAndRemovesOnlyTheLayoutFound) {
    WriteEveryRecordForm();
    WriteRegistryValue(LayoutKey(DefaultLayoutName()), L"Alpha", REG_DWORD, PackedRecordData(1, 2));

    const RunResult quiet = RunKelvane({L"delete", L"/n", L"SECOND"});
    EXPECT_EQ(kNotDone, quiet.exitCode) << "without a console the question counts as no";
    EXPECT_EQ(L"Delete Icon Locations for:\n\tSecond [y/n]? n\n", AfterBanner(quiet.standardOutput));
    EXPECT_TRUE(RegistryKeyExists(LayoutKey(L"Second")));

    const RunResult missing = RunKelvane({L"delete", L"/y", L"/n", L"r\u00c4ume \u6771\u4eac"});
    EXPECT_EQ(kNotDone, missing.exitCode);
    EXPECT_EQ(L"Layout not found: r\u00c4ume \u6771\u4eac.\n", missing.standardError);

    const RunResult named = RunKelvane({L"/delete", L"/y", L"/n", L"second"});
    EXPECT_EQ(0u, named.exitCode);
    EXPECT_EQ(L"", AfterBanner(named.standardOutput));
    EXPECT_EQ(L"", named.standardError);
    const RunResult unnamed = RunKelvane({L"delete", L"/y"});
    EXPECT_EQ(0u, unnamed.exitCode) << "no name: the current display's layout";
    EXPECT_EQ(std::vector<std::wstring>{kUmlauts}, RegistrySubkeys(kStoreKey));
    EXPECT_EQ(6u, RegistryValues(LayoutKey(kUmlauts)).size());
}

// A deleted layout keeps its versions, which no listing of the layouts, restore
// or menu sees: history finds them, and restore /v puts the icons back as a
// restore does, with the keep for undo, and stores no layout.
TEST_F(Manage, DeletedLayoutComesBackFromItsVersion) {
    const std::wstring items = WriteItemsFile({L"Alpha\t100\t100\tnone", L"Beta\t200\t100\tnone"});
    WriteRegistryValue(LayoutKey(L"Desk"), L"Alpha", REG_DWORD, PackedRecordData(21, 2));
    WriteRegistryValue(LayoutKey(L"Desk"), L"Beta", REG_DWORD, PackedRecordData(96, 2));
    WriteRegistryValue(LayoutKey(L"Other"), L"Alpha", REG_DWORD, PackedRecordData(1, 1));
    const std::wstring twice = L"0,0," + std::to_wstring(2 * GetSystemMetrics(SM_CXSCREEN)) + L"," +
                               std::to_wstring(2 * GetSystemMetrics(SM_CYSCREEN));
    WriteDisplayRecord(L"Desk", L"*" + twice + L"/" + twice);
    ASSERT_EQ(0u, RunKelvane({L"delete", L"/y", L"/n", L"Desk"}).exitCode);
    EXPECT_TRUE(RegistryValues(kDisplaysKey).empty());

    const RunResult names = RunKelvane({L"history"});
    EXPECT_EQ(0u, names.exitCode);
    EXPECT_TRUE(std::regex_match(AfterBanner(names.standardOutput),
                                 std::wregex(std::wstring(L"Desk\t1 version\t") + kTimePattern + L"\n")))
        << names.standardOutput;
    const RunResult versions = RunKelvane({L"history", L"/n", L"DESK"});
    EXPECT_TRUE(std::regex_match(AfterBanner(versions.standardOutput),
                                 std::wregex(std::wstring(L"1\t") + kTimePattern + L"\t2 icons\tdelete\n")))
        << versions.standardOutput;
    const RunResult none = RunKelvane({L"history", L"/n", L"Other"});
    EXPECT_EQ(kNotDone, none.exitCode);
    EXPECT_EQ(L"No versions are kept of the layout Other.\n", none.standardError);
    EXPECT_EQ(L"Other\n", AfterBanner(RunKelvane({L"list"}).standardOutput));

    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    EXPECT_EQ(L"Layout not found: Desk.\n", RunKelvane({L"restore", L"/y", L"/n", L"Desk"}).standardError);
    EXPECT_EQ(std::wstring::npos, RunKelvane({L"query"}).standardOutput.find(L"Desk"));
    EXPECT_EQ(L"Layout not found: Desk, version 2.\n",
              RunKelvane({L"restore", L"/y", L"/n", L"Desk", L"/v", L"2"}).standardError);
    const RunResult asked = RunKelvane({L"restore", L"/n", L"desk", L"/v", L"1"});
    EXPECT_TRUE(std::regex_match(AfterBanner(asked.standardOutput),
                                 std::wregex(std::wstring(L"Restore Icon Locations for:\n\tDesk, version 1, kept ") +
                                             kTimePattern + L" \\[y/n\\]\\? n\n")))
        << asked.standardOutput;
    EXPECT_EQ(100, PositionOf(fixture, L"Alpha").x) << "answered no: nothing moves";

    const RunResult restored = RunKelvane({L"restore", L"/y", L"/n", L"desk", L"/v", L"1"});
    EXPECT_EQ(L"Layout: Desk, version 1\nDesktop Restored: 2 icons\n", AfterBanner(restored.standardOutput));
    EXPECT_EQ(21, PositionOf(fixture, L"Alpha").x);
    EXPECT_EQ(96, PositionOf(fixture, L"Beta").x);
    EXPECT_EQ(std::vector<std::wstring>{L"Other"}, RegistrySubkeys(kStoreKey));
    EXPECT_EQ(0u, RunKelvane({L"undo", L"/y"}).exitCode);
    EXPECT_EQ(100, PositionOf(fixture, L"Alpha").x);
    // The version kept the display of its layout: fitted, Beta's (96, 2) on a
    // screen twice this size becomes a grid point near (48, 1).
    EXPECT_EQ(0u, RunKelvane({L"restore", L"/y", L"/n", L"desk", L"/v", L"1", L"/fit"}).exitCode);
    EXPECT_EQ(21, PositionOf(fixture, L"Alpha").x);
    EXPECT_NE(96, PositionOf(fixture, L"Beta").x);
    EXPECT_LE(std::abs(PositionOf(fixture, L"Beta").x - 48), fixture.Spacing().cx);
    DeleteFileW(items.c_str());
}

// Export every layout, delete them, import the file: the store holds every
// value as it was, byte for byte, and a restore from the imported layout puts
// the icons back.
TEST_F(Manage, ExportDeleteImportGivesBackEveryValueByteForByte) {
    DesktopFiles files({L"kv-round.txt"});
    const std::wstring items = WriteItemsFile({L"Alpha\t100\t100\tnone", L"B\u00fcro \u03a9\t200\t100\tnone",
                                               L"Cr\u00f6ss \U0001F600\t300\t100\tdesktop:kv-round.txt"});
    WriteEveryRecordForm();
    WriteDisplayRecord(kUmlauts, L"*0,0,1920,1080/0,0,1920,1040;-1280,0,0,1024/-1280,0,0,994");
    const auto stored = RegistryTreeImage(kStoreKey);
    const auto displays = RegistryValues(kDisplaysKey);

    const RunResult exported = RunKelvane({L"export", L"/f", file});
    EXPECT_EQ(0u, exported.exitCode);
    EXPECT_EQ(L"", AfterBanner(exported.standardOutput));
    EXPECT_EQ(L"", exported.standardError);
    const std::string bytes = ReadBytes(file);
    EXPECT_EQ(0u, bytes.find("{\n  \"format\": \"Kelvane layouts\",\n  \"version\": 1,\n  \"layouts\": ["));
    EXPECT_NE(std::string::npos, bytes.find(ToUtf8(L"\"name\": \"R\u00e4ume \u6771\u4eac\""))) << "UTF-8, unescaped";
    EXPECT_NE(std::string::npos,
              bytes.find("\"work\": [\n            -1280,\n            0,\n            0,\n            994"));
    EXPECT_EQ(bytes.find("\"display\""), bytes.rfind("\"display\"")) << "only the layout saved with one";

    for (const RegistryKeyImage& layout : stored)
        ASSERT_EQ(0u, RunKelvane({L"delete", L"/y", L"/n", layout.name}).exitCode);
    ASSERT_TRUE(RegistrySubkeys(kStoreKey).empty());
    EXPECT_TRUE(RegistryValues(kDisplaysKey).empty()) << "the displays go with their layouts";

    const RunResult imported = RunKelvane({L"import", L"/f", file});
    EXPECT_EQ(0u, imported.exitCode);
    EXPECT_EQ(L"", AfterBanner(imported.standardOutput));
    EXPECT_EQ(L"", imported.standardError);
    EXPECT_EQ(stored, RegistryTreeImage(kStoreKey));
    EXPECT_EQ(displays, RegistryValues(kDisplaysKey));

    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    const RunResult restored = RunKelvane({L"restore", L"/y", L"/n", kUmlauts});
    // Each of the three stands just off the screen's left or top edge.
    EXPECT_EQ(L"Layout: " + kUmlauts + L"\nDesktop Restored: 3 icons\nBrought into view: 3 icons\n",
              AfterBanner(restored.standardOutput));
    for (const FixtureItem& item : fixture.Items()) {
        EXPECT_GE(item.x, 0) << ToUtf8(item.text);
        EXPECT_GE(item.y, 0) << ToUtf8(item.text);
    }
    DeleteFileW(items.c_str());
}

TEST_F(Manage, HandEditedFileImportsAndRestoresToTheEditedPlace) {
    const std::wstring items = WriteItemsFile({L"Alpha\t100\t100\tnone", L"Beta\t200\t100\tnone"});
    WriteRegistryValue(LayoutKey(L"Desk"), L"Alpha", REG_DWORD, PackedRecordData(21, 2));
    WriteRegistryValue(LayoutKey(L"Desk"), L"Beta", REG_DWORD, PackedRecordData(96, 2));
    ASSERT_EQ(0u, RunKelvane({L"export", L"/f", file, L"/n", L"desk"}).exitCode);
    const std::string edited = Replaced(ReadBytes(file), "\"x\": 21,", "\"x\": 421,");
    // A leading byte-order mark, as some editors write one.
    WriteBytes(file, "\xEF\xBB\xBF" + edited);

    const RunResult asked = RunKelvane({L"import", L"/f", file});
    EXPECT_EQ(kNotDone, asked.exitCode);
    EXPECT_EQ(L"Replace Icon Locations for:\n\tDesk [y/n]? n\n", AfterBanner(asked.standardOutput));
    EXPECT_EQ(PackedRecordData(21, 2), RegistryValues(LayoutKey(L"Desk"))[0].data) << "nothing written on no";

    EXPECT_EQ(0u, RunKelvane({L"import", L"/y", L"/f", file}).exitCode);
    EXPECT_EQ(PackedRecordData(421, 2), RegistryValues(LayoutKey(L"Desk"))[0].data);
    const RunResult history = RunKelvane({L"history", L"/n", L"Desk"});
    EXPECT_TRUE(std::regex_match(AfterBanner(history.standardOutput),
                                 std::wregex(std::wstring(L"1\t") + kTimePattern + L"\t2 icons\timport\n")))
        << history.standardOutput;
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});
    EXPECT_EQ(0u, RunKelvane({L"restore", L"/y", L"/n", L"Desk"}).exitCode);
    EXPECT_EQ(421, PositionOf(fixture, L"Alpha").x);
    EXPECT_EQ(96, PositionOf(fixture, L"Beta").x);

    // A file of one layout, imported under another name, is a copy.
    const RunResult copied = RunKelvane({L"import", L"/f", file, L"/n", L"Copy"});
    EXPECT_EQ(0u, copied.exitCode);
    EXPECT_EQ((std::vector<std::wstring>{L"Copy", L"Desk"}), RegistrySubkeys(kStoreKey));
    EXPECT_EQ(RegistryValues(LayoutKey(L"Desk")), RegistryValues(LayoutKey(L"Copy")));
    DeleteFileW(items.c_str());
}

// The question names every layout an import would replace, however long the
// list: past the formatting buffer's 1023 characters too.
TEST_F(Manage, ImportAsksWithEveryNameItReplaces) {
    std::wstring listed;
    for (int i = 10; i < 30; ++i) {
        const std::wstring name = L"Display " + std::to_wstring(i) + L" " + std::wstring(190, L'\u00e9');
        WriteRegistryValue(LayoutKey(name), L"Alpha", REG_DWORD, PackedRecordData(i, 2));
        listed += (listed.empty() ? L"" : L"\n\t") + name;
    }
    ASSERT_EQ(0u, RunKelvane({L"export", L"/f", file}).exitCode);
    const RunResult asked = RunKelvane({L"import", L"/f", file});
    EXPECT_EQ(kNotDone, asked.exitCode);
    EXPECT_EQ(L"Replace Icon Locations for:\n\t" + listed + L" [y/n]? n\n", AfterBanner(asked.standardOutput));
}

// Values no record form holds are named and left out; the rest is exported and
// the export counts as not done.
TEST_F(Manage, ExportNamesTheValuesItCannotRepresent) {
    const std::wstring odd = L"Odd";
    WriteRegistryValue(LayoutKey(odd), L"Good", REG_DWORD, PackedRecordData(1, 2));
    WriteRegistryValue(LayoutKey(odd), L"good.txt", REG_BINARY, ShellRecordData(3, 4, L"good"));
    WriteRegistryValue(LayoutKey(odd), std::wstring(260, L'n'), REG_DWORD, PackedRecordData(1, 2));
    WriteRegistryValue(LayoutKey(odd), L"long.txt", REG_BINARY, std::vector<BYTE>(530, 0));
    WriteRegistryValue(LayoutKey(odd), L"short.txt", REG_BINARY, std::vector<BYTE>(9, 0));
    WriteRegistryValue(LayoutKey(odd), L"string", REG_SZ, {'x', 0, 0, 0});
    WriteRegistryValue(LayoutKey(odd), L"unended.txt", REG_BINARY, std::vector<BYTE>(528, 'a'));
    WriteRegistryValue(LayoutKey(odd), L"half", REG_DWORD, {1, 2});
    const RunResult result = RunKelvane({L"export", L"/f", file});
    EXPECT_EQ(kNotDone, result.exitCode);
    EXPECT_EQ(6, LinesOf(result.standardError)) << ToUtf8(result.standardError);
    for (const std::wstring& name : {std::wstring(260, L'n'), std::wstring(L"long.txt"), std::wstring(L"short.txt"),
                                     std::wstring(L"string"), std::wstring(L"unended.txt"), std::wstring(L"half")}) {
        EXPECT_NE(std::wstring::npos, result.standardError.find(L"\"" + name + L"\" of the layout Odd"))
            << ToUtf8(name);
    }
    const auto before = RegistryValues(LayoutKey(odd));
    DeleteRegistryTree(L"Software\\Brenlow");
    ASSERT_EQ(0u, RunKelvane({L"import", L"/f", file}).exitCode);
    std::vector<RegistryValue> kept;
    for (const RegistryValue& value : before) {
        if (value.name == L"Good" || value.name == L"good.txt") kept.push_back(value);
    }
    EXPECT_EQ(kept, RegistryValues(LayoutKey(odd)));
}

TEST_F(Manage, ExportAsksBeforeItReplacesAFile) {
    WriteRegistryValue(LayoutKey(L"Desk"), L"Alpha", REG_DWORD, PackedRecordData(21, 2));
    WriteBytes(file, "keep me");
    const RunResult asked = RunKelvane({L"export", L"/f", file});
    EXPECT_EQ(kNotDone, asked.exitCode);
    EXPECT_EQ(L"Overwrite the file:\n\t" + file + L" [y/n]? n\n", AfterBanner(asked.standardOutput));
    EXPECT_EQ("keep me", ReadBytes(file));

    const RunResult missing = RunKelvane({L"export", L"/y", L"/f", file, L"/n", L"Elsewhere"});
    EXPECT_EQ(kNotDone, missing.exitCode);
    EXPECT_EQ(L"Layout not found: Elsewhere.\n", missing.standardError);
    EXPECT_EQ("keep me", ReadBytes(file));

    EXPECT_EQ(0u, RunKelvane({L"export", L"/y", L"/f", file}).exitCode);
    EXPECT_NE(std::string::npos, ReadBytes(file).find("\"key\": \"Alpha\""));
}

struct BadFile {
    const char* what;
    std::string bytes;
    std::wstring problem;  // part of the one line on standard error
    std::vector<std::wstring> extra = {};
};

std::string OneLayout(const std::string& name, const std::string& icons) {
    return "{\"format\": \"Kelvane layouts\", \"version\": 1, \"layouts\": [{\"name\": " + name + ", \"icons\": [" +
           icons + "]}]}";
}

std::string Icon(const std::string& key, const std::string& text, const std::string& x, const std::string& y,
                 const std::string& textOnly) {
    return "{\"key\": " + key + ", \"text\": " + text + ", \"x\": " + x + ", \"y\": " + y +
           ", \"textOnly\": " + textOnly + "}";
}

// A layout of one icon with the display given.
std::string WithDisplay(const std::string& monitors) {
    return Replaced(OneLayout("\"New\"", Icon("\"a.txt\"", "\"A\"", "10", "20", "false")), "]}]}",
                    "], \"display\": " + monitors + "}]}");
}

std::string Monitor(const std::string& monitor, const std::string& work, const std::string& primary) {
    return "[{\"monitor\": " + monitor + ", \"work\": " + work + ", \"primary\": " + primary + "}]";
}

// Each file is refused whole, with one line naming where it goes wrong, and
// the store stays as it was, byte for byte.
TEST_F(Manage, BadFilesAreRefusedWithoutWritingAnything) {
    WriteRegistryValue(LayoutKey(L"\u00c4rger"), L"Alpha", REG_DWORD, PackedRecordData(1, 2));
    WriteRegistryValue(LayoutKey(L"Home"), L"Alpha", REG_DWORD, PackedRecordData(3, 4));
    const std::string good = Icon("\"a.txt\"", "\"A\"", "10", "20", "false");
    const std::string text = Icon("\"T\"", "\"T\"", "10", "20", "true");
    const std::string longest(259, 'k');
    std::string utf16 = "\xFF\xFE";
    for (char c : OneLayout("\"New\"", good)) {
        utf16 += c;
        utf16 += '\0';
    }
    std::string oversize = OneLayout("\"New\"", good);
    oversize.resize(16 * 1024 * 1024 + 1, ' ');
    const BadFile cases[] = {
        {"syntax", "{\n  \"format\": \"Kelvane layouts\",\n  \"version\": 1,\n  \"layouts\": [,]\n}",
         L"line 4, column 15: The file is not valid JSON."},
        {"utf-16", utf16, L"line 1, column 1: The file is not valid JSON."},
        {"empty", "", L"line 1, column 1: The file is not valid JSON."},
        {"ill-formed utf-8", OneLayout("\"N\xC3\"", good), L"The file is not valid JSON."},
        {"lone surrogate", OneLayout("\"\\ud800\"", good), L"The file is not valid JSON."},
        {"over 16 MiB", oversize, L"The file is larger than 16 MiB."},
        {"format", "{\"format\": \"Other\", \"version\": 1, \"layouts\": []}",
         L"\"format\" is not \"Kelvane layouts\"."},
        {"version", "{\"format\": \"Kelvane layouts\", \"version\": 2, \"layouts\": []}", L"\"version\" is not 1."},
        {"missing field", OneLayout("\"New\"", "{\"key\": \"a\", \"text\": \"a\", \"x\": 1, \"textOnly\": true}"),
         L"Layout 1 (\"New\"), icon 1: \"y\" is missing."},
        {"unknown field", "{\"format\": \"Kelvane layouts\", \"version\": 1, \"layouts\": [], \"more\": 1}",
         L"The file: Unknown field \"more\"."},
        {"string for a number", OneLayout("\"New\"", Icon("\"a\"", "\"a\"", "\"10\"", "20", "false")),
         L"\"x\" is not a whole number."},
        {"fraction", OneLayout("\"New\"", Icon("\"a\"", "\"a\"", "1.5", "20", "false")),
         L"\"x\" is not a whole number."},
        {"flag", OneLayout("\"New\"", Icon("\"a\"", "\"a\"", "1", "20", "1")), L"\"textOnly\" is not true or false."},
        {"zero character", OneLayout("\"New\"", Icon("\"a\\u0000b\"", "\"a\"", "1", "2", "false")),
         L"\"key\" holds a zero character."},
        {"empty name", OneLayout("\"\"", good), L"A layout name cannot be empty."},
        {"backslash", OneLayout("\"Home\\\\Office\"", good), L"A layout name cannot contain a backslash."},
        {"long name", OneLayout("\"" + std::string(256, 'n') + "\"", good),
         L"A layout name cannot be longer than 255 characters."},
        {"case twin", OneLayout(ToUtf8(L"\"\u00e4rger\""), good), L"does not tell this name apart from it."},
        {"two of one name",
         "{\"format\": \"Kelvane layouts\", \"version\": 1, \"layouts\": [{\"name\": \"Desk\", \"icons\": []}, "
         "{\"name\": \"DESK\", \"icons\": []}]}",
         L"Layout 2 (\"DESK\"): The registry takes its name for that of layout 1."},
        {"two keys the registry takes for one",
         OneLayout("\"New\"", good + ", " + Icon("\"A.TXT\"", "\"B\"", "1", "2", "false")),
         L"icon 2 (\"A.TXT\"): The registry takes its key for that of icon 1."},
        {"long key", OneLayout("\"New\"", Icon("\"" + longest + "k\"", "\"a\"", "1", "2", "false")),
         L"\"key\" is longer than 259 characters."},
        {"long text", OneLayout("\"New\"", Icon("\"a\"", "\"" + longest + "t\"", "1", "2", "false")),
         L"\"text\" is longer than 259 characters."},
        {"text-only key", OneLayout("\"New\"", Icon("\"T\"", "\"U\"", "1", "2", "true")),
         L"A text-only icon's key must equal its text."},
        {"empty item key", OneLayout("\"New\"", Icon("\"\"", "\"A\"", "1", "2", "false")),
         L"icon 1 (\"\"): The key of an icon that is not text-only cannot be empty."},
        {"item beyond 32 bits", OneLayout("\"New\"", Icon("\"a\"", "\"a\"", "2147483648", "2", "false")),
         L"\"x\" is outside -2147483648 to 2147483647, the range an icon's record holds."},
        {"text-only beyond 16 bits", OneLayout("\"New\"", good + ", " + Replaced(text, "20", "-32769")),
         L"\"y\" is outside -32768 to 32767, the range a text-only record holds."},
        {"display not a list", WithDisplay("{}"), L"\"display\" is not a list of monitors."},
        {"monitor without work area", WithDisplay("[{\"monitor\": [0, 0, 9, 9], \"primary\": true}]"),
         L"monitor 1: \"work\" is missing."},
        {"three edges", WithDisplay(Monitor("[0, 0, 9]", "[0, 0, 9, 9]", "true")),
         L"\"monitor\" is not a list of four numbers."},
        {"fractional edge", WithDisplay(Monitor("[0, 0, 9.5, 9]", "[0, 0, 9, 9]", "true")),
         L"\"right\" is not a whole number."},
        {"no width", WithDisplay(Monitor("[5, 0, 5, 9]", "[5, 0, 5, 9]", "true")),
         L"\"monitor\" has no width or no height."},
        {"work area outside", WithDisplay(Monitor("[0, 0, 9, 9]", "[0, 0, 9, 10]", "true")),
         L"\"work\" is not inside the monitor."},
        {"primary not a flag", WithDisplay(Monitor("[0, 0, 9, 9]", "[0, 0, 9, 9]", "1")),
         L"\"primary\" is not true or false."},
        {"no primary", WithDisplay(Monitor("[0, 0, 9, 9]", "[0, 0, 9, 9]", "false")),
         L"Not exactly one monitor of the display is primary."},
        {"/n with several layouts",
         "{\"format\": \"Kelvane layouts\", \"version\": 1, \"layouts\": [{\"name\": \"A\", \"icons\": []}, "
         "{\"name\": \"B\", \"icons\": []}]}",
         L"/n names one layout, and the file holds 2.",
         {L"/n", L"Copy"}},
    };
    const auto before = RegistryTreeImage(kStoreKey);
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(file, c.bytes);
        std::vector<std::wstring> arguments = {L"import", L"/y", L"/f", file};
        arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
        const RunResult result = RunKelvane(arguments);
        EXPECT_EQ(kNotDone, result.exitCode);
        EXPECT_EQ(L"", AfterBanner(result.standardOutput));
        EXPECT_EQ(1, LinesOf(result.standardError)) << ToUtf8(result.standardError);
        EXPECT_EQ(0u, result.standardError.rfind(L"Cannot import " + file + L": ", 0)) << ToUtf8(result.standardError);
        EXPECT_NE(std::wstring::npos, result.standardError.find(c.problem + L" Nothing was imported.\n"))
            << ToUtf8(result.standardError);
        EXPECT_EQ(before, RegistryTreeImage(kStoreKey));
    }
    // The limit itself is accepted.
    std::string limit = OneLayout("\"New\"", good + ", " + text);
    limit.resize(16 * 1024 * 1024, ' ');
    WriteBytes(file, limit);
    EXPECT_EQ(0u, RunKelvane({L"import", L"/f", file}).exitCode);
    EXPECT_EQ(2u, RegistryValues(LayoutKey(L"New")).size());
}

// menu /install writes exactly the three documented entries, for the windowless
// program beside the console one, and again without harm; each entry's command
// line, run as written, does its work; /uninstall removes exactly them, and
// says so when there is nothing left.
TEST_F(Manage, DesktopMenuEntriesInstallRunAndUninstall) {
    const std::wstring menuKey = L"Software\\Classes\\DesktopBackground\\Shell";
    DeleteRegistryTree(menuKey);
    WriteRegistryValue(menuKey + L"\\Notes\\command", L"", REG_SZ, {'n', 0, 0, 0});
    wchar_t program[MAX_PATH];
    ASSERT_NE(0u, GetFullPathNameW(WindowlessPath().c_str(), MAX_PATH, program, nullptr));
    const auto text = [](const std::wstring& key, const std::wstring& name) {
        for (const RegistryValue& value : RegistryValues(key))
            if (value.name == name) return std::wstring(reinterpret_cast<const wchar_t*>(value.data.data()));
        return std::wstring(L"<missing>");
    };
    const struct {
        std::wstring key, text, arguments;
    } entries[] = {{L"KelvaneRestore", L"Restore icon layout", L"restore /y"},
                   {L"KelvaneSave", L"Save icon layout", L"save /y"},
                   {L"KelvaneUndo", L"Undo icon layout restore", L"undo /y"}};
    for (int time = 0; time < 2; ++time) {
        const RunResult installed = RunKelvane({L"menu", L"/install"});
        EXPECT_EQ(0u, installed.exitCode);
        EXPECT_EQ(3, LinesOf(AfterBanner(installed.standardOutput)));
        EXPECT_EQ((std::vector<std::wstring>{L"KelvaneRestore", L"KelvaneSave", L"KelvaneUndo", L"Notes"}),
                  RegistrySubkeys(menuKey));
        for (const auto& entry : entries) {
            const std::wstring key = menuKey + L"\\" + entry.key;
            EXPECT_EQ(2u, RegistryValues(key).size());
            EXPECT_EQ(entry.text, text(key, L""));
            EXPECT_EQ(L"\"" + std::wstring(program) + L"\",0", text(key, L"Icon"));
            EXPECT_EQ((std::vector<std::wstring>{L"command"}), RegistrySubkeys(key));
            EXPECT_EQ(L"\"" + std::wstring(program) + L"\" " + entry.arguments, text(key + L"\\command", L""));
        }
    }
    // Save, then restore after a move, then undo the restore, as the entries run them.
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic-count", L"3"});
    const auto saved = fixture.Items();
    const auto run = [&](const std::wstring& key) {
        std::wstring commandLine = text(menuKey + L"\\" + key + L"\\command", L"");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &started));
        CloseHandle(started.hThread);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(started.hProcess, 60000));
        CloseHandle(started.hProcess);
    };
    run(L"KelvaneSave");
    EXPECT_EQ(3u, RegistryValues(LayoutKey(DefaultLayoutName())).size());
    fixture.Move(0, 640, 480);
    run(L"KelvaneRestore");
    EXPECT_EQ(saved[0].x, fixture.Items()[0].x);
    run(L"KelvaneUndo");
    EXPECT_EQ(640, fixture.Items()[0].x);

    for (int time = 0; time < 2; ++time) {
        const RunResult removed = RunKelvane({L"menu", L"/uninstall"});
        EXPECT_EQ(0u, removed.exitCode);
        EXPECT_EQ(time == 0 ? 3 : 1, LinesOf(AfterBanner(removed.standardOutput)));
        EXPECT_EQ((std::vector<std::wstring>{L"Notes"}), RegistrySubkeys(menuKey));
    }
    DeleteRegistryTree(menuKey);
}

}  // namespace

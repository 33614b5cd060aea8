#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

#include "desktop/remote_records.h"
#include "text/ascii_case.h"
#include "text/item_text_match.h"
#include "text/res_string.h"
#include "text/wstring.h"

namespace {

class ResourceModule : public ::testing::Test {
protected:
    void SetUp() override { SetResourceModule(GetModuleHandleW(nullptr)); }
};

TEST(WString, EmptySourcesGiveTheNullValue) {
    for (const wchar_t* source : {static_cast<const wchar_t*>(nullptr), L""}) {
        WString text(source);
        EXPECT_TRUE(text.IsEmpty());
        EXPECT_STREQ(L"", text.Text());
        EXPECT_EQ(0u, text.Length());
    }
}

TEST(WString, AppendAndAssign) {
    WString text(L"a");
    text.Append(L"b");
    EXPECT_STREQ(L"ab", text.Text());

    const wchar_t* block = text.Text();
    text.Append(L"");
    text.Append(WString());
    EXPECT_EQ(block, text.Text()) << "appending nothing must keep the block";

    WString empty;
    empty.Append(L"b");
    EXPECT_STREQ(L"b", empty.Text());

    text.Append(text.Text());
    EXPECT_STREQ(L"abab", text.Text());

    text.Assign(text);
    EXPECT_STREQ(L"abab", text.Text());
    text.Assign(text.Text() + 2);
    EXPECT_STREQ(L"ab", text.Text());

    WString copy(text);
    EXPECT_NE(copy.Text(), text.Text());
    EXPECT_STREQ(L"ab", copy.Text());
    copy.Assign(L"");
    EXPECT_TRUE(copy.IsEmpty());
}

TEST(WString, FormatTakesWideStringsAndCharacters) {
    WString text;
    text.Format(L"%s|%c|%d|%-04.4X", L"B\u00fcro \u03a9mega", L'\u00e9', -12, 0xAB);
    EXPECT_STREQ(L"B\u00fcro \u03a9mega|\u00e9|-12|00AB", text.Text());
}

TEST(WString, FormatThatWritesNothingKeepsTheValue) {
    WString text(L"x");
    text.Format(L"%s", L"");
    EXPECT_STREQ(L"x", text.Text());

    text.Format(L"%c", L'\0');
    EXPECT_TRUE(text.IsEmpty()) << "one character written, the first being zero";
}

TEST(WString, FormatMayUseItsOwnText) {
    WString text(L"abc");
    text.Format(L"[%s]", text.Text());
    EXPECT_STREQ(L"[abc]", text.Text());
}

TEST(WString, LongFormatResultIsCutToTheWorkBuffer) {
    const std::wstring longText(3000, L'x');
    WString text;
    text.Format(L"%s!", longText.c_str());
    EXPECT_EQ(1023u, text.Length());
    EXPECT_EQ(std::wstring(1023, L'x'), text.Text());
}

TEST_F(ResourceModule, StringTableComesFromTheImage) {
    EXPECT_STREQ(L"Software\\Brenlow\\DeskTop", LoadResString(kStoreBaseKeyId));
    EXPECT_STREQ(L"Layout %d x %d", LoadResString(kSingleMonitorNameId));
    EXPECT_STREQ(L"Multi-Monitor", LoadResString(kMultiMonitorNameId));
    WString name;
    name.FormatResString(kSingleMonitorNameId, 1920, 1080);
    EXPECT_STREQ(L"Layout 1920 x 1080", name.Text());
}

TEST_F(ResourceModule, ThreeBuffersRotate) {
    const wchar_t* first = LoadResString(kStoreBaseKeyId);
    const wchar_t* second = LoadResString(kSingleMonitorNameId);
    const wchar_t* third = LoadResString(kMultiMonitorNameId);
    EXPECT_STREQ(L"Software\\Brenlow\\DeskTop", first);
    const wchar_t* fourth = LoadResString(kMultiMonitorNameId);
    EXPECT_EQ(first, fourth);
    EXPECT_STREQ(L"Multi-Monitor", first) << "the fourth call reuses the first buffer";
    EXPECT_STREQ(L"Layout %d x %d", second);
    EXPECT_STREQ(L"Multi-Monitor", third);
}

TEST(AsciiCase, OnlyAsciiLettersFold) {
    struct Case {
        const wchar_t* left;
        const wchar_t* right;
        bool equal;
    };
    const Case cases[] = {
        {L"Office", L"office", true},
        {L"SAVE", L"save", true},
        {L"/Y", L"/y", true},
        {L"save", L"sav", false},
        {L"sav", L"save", false},
        {L"", L"", true},
        {L"\u00c4rger", L"\u00e4rger", false},  // non-ASCII letters are never folded
        {L"[", L"{", false},
        {L"@", L"`", false},
        {nullptr, L"", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.equal, EqualsIgnoringAsciiCase(c.left, c.right))
            << (c.left ? c.left : L"(null)") << " vs " << c.right;
    }
}

// The restore matches records to the texts its walk read instead of asking the
// list view to search: for each pair, an item showing the first text is found
// by the list view's own search for the second exactly when the text the walk
// reads of it matches. Where the answer does not hang on the locale, it is
// given too.
TEST(ItemTextMatch, AgreesWithTheListViewsOwnSearch) {
    const std::wstring longest(kRemoteTextLength - 2, L'x');
    struct Case {
        std::wstring item;
        std::wstring searched;
        std::optional<bool> found;
    };
    const Case cases[] = {
        {L"Readme.txt", L"README.TXT", true},
        {L"Readme.txt", L"readme.txt", true},
        {L"Note", L"Notes", false},
        {L"Notes", L"Note", false},
        {L"Notes", L"Notes ", false},
        {L"", L"", true},
        {L"\u00c4rger.doc", L"\u00e4RGER.DOC", {}},                                  // Latin-1 letters
        {L"\u0424\u0430\u0439\u043b", L"\u0424\u0410\u0419\u041b", {}},              // Cyrillic
        {L"\u03a9\u03bc\u03ad\u03b3\u03b1", L"\u03a9\u039c\u0388\u0393\u0391", {}},  // Greek, accented
        {L"Stra\u00dfe", L"STRASSE", {}},                                            // a letter that folds to two
        {L"\u0130stanbul", L"istanbul", {}},                                         // dotted capital I
        {L"Caf\u00e9", L"Cafe\u0301", {}},  // composed against combining accent
        {L"Notes\u200b", L"Notes", {}},     // an invisible character
        {L"Caf\u00e9", L"Cafe", {}},
        // The longest text the walk reads whole; one that fills its block may
        // be cut, and the restore asks the list view's own search instead.
        {longest, longest, true},
        {longest, longest.substr(1), false},
    };
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    const HWND listView = CreateWindowExW(0, WC_LISTVIEWW, L"", LVS_ICON, 0, 0, 400, 300, nullptr, nullptr,
                                          GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, listView);
    for (const Case& c : cases) {
        SendMessageW(listView, LVM_DELETEALLITEMS, 0, 0);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.pszText = const_cast<wchar_t*>(c.item.c_str());
        ASSERT_EQ(0, SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        LVFINDINFOW find = {};
        find.flags = LVFI_STRING;
        find.psz = c.searched.c_str();
        const bool found =
            SendMessageW(listView, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)) == 0;
        wchar_t read[kRemoteTextLength] = {};
        item.pszText = read;
        item.cchTextMax = kRemoteTextLength;
        ASSERT_TRUE(SendMessageW(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        EXPECT_EQ(found, ItemTextsMatch(read, c.searched.c_str()))
            << c.item.substr(0, 20) << " / " << c.searched.substr(0, 20);
        if (c.found) {
            EXPECT_EQ(*c.found, found) << c.item.substr(0, 20) << " / " << c.searched.substr(0, 20);
        }
    }
    DestroyWindow(listView);
}

}  // namespace

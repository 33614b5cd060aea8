#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/kelvane_process.h"

namespace {

class Query : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRegistryTree(L"Software\\Brenlow");
        items = WriteItemsFile({L"Icon\t10\t20\tnone"});
        fixture =
            std::make_unique<DesktopFixture>(FixtureBesideTest(), std::vector<std::wstring>{L"--synthetic", items});
    }
    void TearDown() override {
        fixture.reset();
        DeleteFileW(items.c_str());
        DeleteRegistryTree(L"Software\\Brenlow");
    }

    std::wstring items;
    std::unique_ptr<DesktopFixture> fixture;
};

TEST_F(Query, EmptyStoreShowsTheCurrentNameAndNoMenu) {
    const RunResult result = RunKelvane({L"query", L"/y"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"Current Resolution: " + DefaultLayoutName() + L"\n\nChoose Layout: \n",
              AfterBanner(result.standardOutput));
    EXPECT_TRUE(RegistrySubkeys(kStoreKey).empty()) << "the store's key is created, empty";
}

TEST_F(Query, WithoutConsoleInputNothingIsChosen) {
    WriteRegistryValue(LayoutKey(L"Home"), L"Icon", REG_DWORD, {100, 0, 100, 0});
    const RunResult result = RunKelvane({L"query", L"/y"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"Current Resolution: " + DefaultLayoutName() + L"\n\n1) Home\nChoose Layout: \n",
              AfterBanner(result.standardOutput))
        << "no echo for a key that was never read";
    EXPECT_EQ(1, std::count(result.standardError.begin(), result.standardError.end(), L'\n'));
    EXPECT_NE(std::wstring::npos, result.standardError.find(L"No console input")) << result.standardError;
    EXPECT_EQ(10, fixture->Items()[0].x);
}

TEST_F(Query, MissingListView) {
    fixture.reset();
    const RunResult result = RunKelvane({L"query"});
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(L"", AfterBanner(result.standardOutput));
    EXPECT_EQ(L"Could not locate Desktop ListView.\n", result.standardError);
}

}  // namespace

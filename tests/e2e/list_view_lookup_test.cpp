#include <gtest/gtest.h>

#include "e2e/kelvane_process.h"

namespace {

struct TopologyCase {
    const wchar_t* topology;
    bool found;
};

// The program finds the list view under Progman, or under the first other
// top-level window hosting a folder view; never without Progman, and never
// past a folder view that has no list view.
TEST(ListViewLookup, Topologies) {
    const std::wstring items = WriteItemsFile({L"Only\t100\t100\tnone"});
    const TopologyCase cases[] = {
        {L"progman", true},
        {L"other-toplevel", true},
        {L"no-progman", false},
        {L"no-listview", false},
    };
    for (const TopologyCase& c : cases) {
        DeleteRegistryTree(L"Software\\Brenlow");
        DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items, L"--topology", c.topology});
        const RunResult result = RunKelvane({L"save", L"/y", L"/n", L"Lookup"});
        EXPECT_EQ(0u, result.exitCode) << c.topology;
        EXPECT_EQ(L"", AfterBanner(result.standardOutput)) << c.topology;
        if (c.found) {
            EXPECT_EQ(L"", result.standardError) << c.topology;
            ASSERT_TRUE(RegistryKeyExists(LayoutKey(L"Lookup"))) << c.topology;
            const auto values = RegistryValues(LayoutKey(L"Lookup"));
            ASSERT_EQ(1u, values.size()) << c.topology;
            EXPECT_EQ(L"Only", values[0].name);
        } else {
            EXPECT_EQ(L"Could not locate Desktop ListView.\n", result.standardError) << c.topology;
            EXPECT_FALSE(RegistryKeyExists(L"Software\\Brenlow")) << c.topology;
        }
    }
    DeleteFileW(items.c_str());
}

}  // namespace

#include <gtest/gtest.h>

#include <random>

#include "e2e/kelvane_process.h"
#include "support/utf8.h"

// Layouts as another program, an older copy or a damaged registry may leave
// them: values of every type, size and name length among the records of real
// icons. A restore never crashes and keeps the store's rules: the records are
// read in the registry's order up to the first value that cannot be read whole
// (a name of 260 characters or more, data over 528 bytes), values of other
// types than REG_DWORD and REG_BINARY are skipped, and every record read that
// names an icon puts it back.

namespace {

constexpr int kProbes = 6;
constexpr size_t kNameCapacity = 260;  // terminating zero included
constexpr size_t kLargestRecordData = 528;

std::wstring ProbeText(int index) { return L"Probe " + std::to_wstring(index); }
POINT ProbeHome(int index) { return {21 + 75 * index, 2}; }
POINT ProbeTarget(int index, int layout) { return {400 + 75 * index, 300 + 75 * (layout % 4)}; }

std::vector<BYTE> Packed(POINT point) {
    return {static_cast<BYTE>(point.x), static_cast<BYTE>(point.x >> 8), static_cast<BYTE>(point.y),
            static_cast<BYTE>(point.y >> 8)};
}

// Values that no icon answers to, drawn by a fixed seed.
class JunkGenerator {
public:
    RegistryValue Next() {
        RegistryValue value;
        value.name = Name();
        static const DWORD kTypes[] = {REG_NONE,   REG_SZ,       REG_EXPAND_SZ, REG_BINARY,
                                       REG_BINARY, REG_DWORD,    REG_DWORD,     REG_DWORD_BIG_ENDIAN,
                                       REG_LINK,   REG_MULTI_SZ, REG_QWORD,     0x12345};
        value.type = kTypes[Below(std::size(kTypes))];
        value.data = Data();
        return value;
    }

private:
    size_t Below(size_t limit) { return static_cast<size_t>(engine_() % limit); }

    std::wstring Name() {
        static const size_t kLongLengths[] = {kNameCapacity - 1, kNameCapacity, kNameCapacity + 40, 1000};
        const size_t length = Below(8) == 0 ? kLongLengths[Below(std::size(kLongLengths))] : 1 + Below(40);
        // Before, among and after the probes in the registry's order, and never
        // a probe's text: each name goes on past its start.
        static const wchar_t* const kStarts[] = {L"a", L"k", L"Probe 1", L"probe 3", L"q", L"\u00e4"};
        static const wchar_t kAlphabet[] = L"abcXYZ019 %s%n\\._-\u00e4\u00c4\u03a9\u6771";
        std::wstring name = kStarts[Below(std::size(kStarts))];
        do {
            name += kAlphabet[Below(std::size(kAlphabet) - 1)];
        } while (name.size() < length);
        return name;
    }

    std::vector<BYTE> Data() {
        static const size_t kSizes[] = {0,
                                        1,
                                        2,
                                        3,
                                        4,
                                        5,
                                        6,
                                        7,
                                        8,
                                        9,
                                        10,
                                        100,
                                        kLargestRecordData,
                                        kLargestRecordData,
                                        kLargestRecordData,
                                        kLargestRecordData + 1,
                                        600,
                                        2048};
        std::vector<BYTE> data(kSizes[Below(std::size(kSizes))]);
        // Never a zero: a record's text then runs to the end of its data.
        for (BYTE& byte : data)
            byte = static_cast<BYTE>(1 + Below(255));
        return data;
    }

    std::mt19937 engine_{528260};
};

TEST(StoredData, GeneratedLayoutsRestoreByTheStoresRules) {
    DeleteRegistryTree(L"Software\\Brenlow");
    std::vector<std::wstring> lines;
    for (int i = 0; i < kProbes; ++i) {
        lines.push_back(ProbeText(i) + L"\t" + std::to_wstring(ProbeHome(i).x) + L"\t" +
                        std::to_wstring(ProbeHome(i).y) + L"\tnone");
    }
    const std::wstring items = WriteItemsFile(lines);
    DesktopFixture fixture(FixtureBesideTest(), {L"--synthetic", items});

    // A restore process starts eight times slower in the i386 build under qemu.
    const int layouts = sizeof(void*) == 8 ? 30 : 8;
    JunkGenerator junk;
    for (int layout = 0; layout < layouts; ++layout) {
        const std::wstring name = L"Data " + std::to_wstring(layout);
        SCOPED_TRACE(ToUtf8(name));
        for (int i = 0; i < kProbes; ++i) {
            WriteRegistryValue(LayoutKey(name), ProbeText(i), REG_DWORD, Packed(ProbeTarget(i, layout)));
            fixture.Move(i, ProbeHome(i).x, ProbeHome(i).y);
        }
        for (int count = 2 + layout % 6; count > 0; --count) {
            const RegistryValue value = junk.Next();
            WriteRegistryValue(LayoutKey(name), value.name, value.type, value.data);
        }

        // The store's rules, applied to the values in the registry's own order.
        std::vector<bool> placed(kProbes, false);
        int records = 0;
        for (const RegistryValue& value : RegistryValues(LayoutKey(name))) {
            if (value.name.size() >= kNameCapacity || value.data.size() > kLargestRecordData) break;
            if (value.type != REG_DWORD && value.type != REG_BINARY) continue;
            ++records;
            for (int i = 0; i < kProbes; ++i)
                placed[i] = placed[i] || value.name == ProbeText(i);
        }
        const int probesPlaced = static_cast<int>(std::count(placed.begin(), placed.end(), true));

        const RunResult result = RunKelvane({L"restore", L"/y", L"/n", name}, RunOptions{std::nullopt, 30000});
        ASSERT_FALSE(result.timedOut);
        ASSERT_EQ(0u, result.exitCode) << std::hex << result.exitCode;
        EXPECT_EQ(L"", result.standardError);
        const std::wstring output = AfterBanner(result.standardOutput);
        if (records == 0) {
            EXPECT_EQ(L"No Layout Information Stored:\n" + name, output);
        } else if (probesPlaced > 0) {
            EXPECT_NE(std::wstring::npos,
                      output.find(L"Desktop Restored: " + std::to_wstring(probesPlaced) + L" icons\n"))
                << ToUtf8(output);
        }
        const auto now = fixture.Items();
        for (int i = 0; i < kProbes; ++i) {
            const POINT expected = placed[i] ? ProbeTarget(i, layout) : ProbeHome(i);
            EXPECT_EQ(expected.x, now[i].x) << ToUtf8(ProbeText(i));
            EXPECT_EQ(expected.y, now[i].y) << ToUtf8(ProbeText(i));
        }
    }
    DeleteRegistryTree(L"Software\\Brenlow");
    DeleteFileW(items.c_str());
}

}  // namespace

#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "actions/restore_layout.h"
#include "actions/save_layout.h"
#include "unit/action_fault_harness.h"
#include "unit/faulty_registry.h"
#include "unit/scripted_keys.h"

// Save, restore and the menu with one registry call failing: a layout that
// cannot be read is not found or empty, a save that cannot finish says so and
// keeps every icon of the layout it found.

namespace {

using Call = FaultyRegistry::Call;
using Kind = FaultyRegistry::Kind;
using FaultCase = ::FaultCase<FaultyRegistry>;

FaultyRegistry::Predicate Is(Kind kind, int occurrence = 1) {
    return [kind, occurrence, seen = 0](const Call& call) mutable { return call.kind == kind && ++seen == occurrence; };
}

FaultyRegistry::Predicate Every(Kind kind) {
    return [kind](const Call& call) { return call.kind == kind; };
}

FaultyRegistry::Predicate Opens(const std::wstring& path, int occurrence = 1) {
    return [path, occurrence, seen = 0](const Call& call) mutable {
        return call.kind == Kind::CreateKey && call.path == path && ++seen == occurrence;
    };
}

FaultyRegistry::Predicate Writes(const std::wstring& path) {
    return [path](const Call& call) { return call.kind == Kind::SetValue && call.path == path; };
}

FaultyRegistry::Predicate Enumerates(Kind kind, DWORD index) {
    return [kind, index](const Call& call) { return call.kind == kind && call.index == index; };
}

const std::wstring kBaseKey = L"Software\\Brenlow\\DeskTop";

std::set<std::wstring> NamesOf(const std::vector<RegistryValue>& values) {
    std::set<std::wstring> names;
    for (const RegistryValue& value : values)
        names.insert(value.name);
    return names;
}

// The layout also holds a record of an icon that is no longer on the desktop,
// which a complete save drops.
class RegistryFaults : public ActionFaultTest {
protected:
    void WriteLayout() override {
        ActionFaultTest::WriteLayout();
        WriteRegistryValue(LayoutKey(), L"Gone", REG_DWORD, {5, 0, 5, 0});
        previous = RegistryValues(LayoutKey());
    }

    int AlphaX() { return fixture->Items()[0].x; }

    std::vector<RegistryValue> previous;
};

TEST_F(RegistryFaults, Save) {
    const std::wstring notSaved = L"Could not write to the registry: the layout Faults was not saved.\n";
    const std::wstring partlySaved =
        L"Could not write to the registry: the layout Faults was saved only in part, and its other icons keep their "
        L"earlier positions.\n";
    const std::wstring staleKept =
        L"Could not write to the registry: the layout Faults was saved, but still holds icons that are no longer on "
        L"the desktop.\n";
    const std::wstring versionRefused =
        L"Could not keep a version of the layout Faults: the registry refused it. The save goes on.\n";
    enum class Stored { Unchanged, EveryOldRecordKept, CompleteWithStale, Complete };
    struct SaveCase {
        FaultCase fault;
        Stored stored;
    };
    const SaveCase cases[] = {
        // Before it stores, a save looks for a layout that the registry would take
        // for this one; when it cannot look, it stores all the same.
        {{L"layout list", Enumerates(Kind::EnumKey, 0), L"", L""}, Stored::Complete},
        {{L"base key", Opens(kBaseKey, 2), L"", notSaved}, Stored::Unchanged},
        {{L"layout key", Opens(LayoutKey()), L"", notSaved}, Stored::Unchanged},
        {{L"stored records", Is(Kind::EnumValue), L"", notSaved}, Stored::Unchanged},
        // The layout it replaces is kept as a version first; a keep that fails
        // does not stop the save.
        {{L"versions key", Opens(kBaseKey + L" Versions"), L"", versionRefused}, Stored::Complete},
        {{L"version write", Is(Kind::SetValue), L"", versionRefused}, Stored::Complete},
        {{L"one write", Writes(LayoutKey()), L"", partlySaved}, Stored::EveryOldRecordKept},
        {{L"every write", Every(Kind::SetValue), L"", versionRefused + notSaved, 0}, Stored::Unchanged},
        {{L"stale record", Is(Kind::DeleteValue), L"", staleKept}, Stored::CompleteWithStale},
    };
    for (const SaveCase& c : cases) {
        Check(c.fault, [] { SaveLayout(true, kLayout); });
        SCOPED_TRACE(c.fault.name);
        if (!RegistryKeyExists(LayoutKey())) {
            ADD_FAILURE() << "the layout is gone";
            continue;
        }
        const auto values = RegistryValues(LayoutKey());
        switch (c.stored) {
            case Stored::Unchanged:
                EXPECT_EQ(previous.size(), values.size());
                for (size_t i = 0; i < values.size() && i < previous.size(); ++i) {
                    EXPECT_EQ(previous[i].name, values[i].name);
                    EXPECT_EQ(previous[i].data, values[i].data) << values[i].name;
                }
                break;
            case Stored::EveryOldRecordKept: {
                const auto names = NamesOf(values);
                for (const RegistryValue& old : previous)
                    EXPECT_EQ(1u, names.count(old.name)) << old.name;
                break;
            }
            case Stored::CompleteWithStale:
                EXPECT_EQ((std::set<std::wstring>{L"Alpha", L"Beta", L"Delta", L"Gone", kFile}), NamesOf(values));
                EXPECT_EQ((std::vector<BYTE>{0xBC, 0x02, 0xF4, 0x01}), values[0].data) << "Alpha as it stands now";
                break;
            case Stored::Complete:
                EXPECT_EQ((std::set<std::wstring>{L"Alpha", L"Beta", L"Delta", kFile}), NamesOf(values));
                break;
        }
    }
}

TEST_F(RegistryFaults, Restore) {
    const std::wstring notFound = L"Layout not found: Faults.\n";
    const std::wstring empty = L"No Layout Information Stored:\nFaults";
    struct RestoreCase {
        FaultCase fault;
        int alphaX;
    };
    const RestoreCase cases[] = {
        {{L"base key", Opens(kBaseKey), L"", notFound}, 700},
        {{L"layout list", Enumerates(Kind::EnumKey, 0), L"", notFound}, 700},
        {{L"base key for loading", Opens(kBaseKey, 2), empty, L""}, 700},
        {{L"layout key", Opens(LayoutKey()), empty, L""}, 700},
        {{L"first record", Enumerates(Kind::EnumValue, 0), empty, L""}, 700},
        {{L"second record", Enumerates(Kind::EnumValue, 1), L"Layout: Faults\nDesktop Restored: 1 icons\n", L""}, 400},
    };
    for (const RestoreCase& c : cases) {
        Check(c.fault, [] { RestoreLayout(true, kLayout); });
        EXPECT_EQ(c.alphaX, AlphaX()) << c.fault.name;
    }
}

// A keep for undo that the registry refuses says so in one line; the restore
// goes on and prints what it always printed.
TEST_F(RegistryFaults, UndoKeep) {
    const std::wstring refused =
        L"Could not keep the arrangement for undo: the registry refused it. The restore goes on.\n";
    const std::wstring both = L"Layout: Faults\nDesktop Restored: 2 icons\n";
    const FaultCase cases[] = {
        {L"undo key", Opens(kBaseKey + L" Undo"), both, refused},
        {L"kept records", Is(Kind::EnumValue, 5), both, refused},
        {L"one write", Is(Kind::SetValue, 2), both, refused},
    };
    for (const FaultCase& c : cases) {
        Check(c, [] { RestoreLayout(true, kLayout); });
        EXPECT_EQ(400, AlphaX()) << c.name;
        EXPECT_EQ(previous.size(), RegistryValues(LayoutKey()).size()) << c.name << ": the layout is untouched";
    }
}

TEST_F(RegistryFaults, Query) {
    const std::wstring current = L"Current Resolution: Layout " + std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) +
                                 L" x " + std::to_wstring(GetSystemMetrics(SM_CYSCREEN)) + L"\n\n";
    const FaultCase cases[] = {
        {L"base key", Opens(kBaseKey), current + L"Choose Layout: 1\n\n", L""},
        {L"layout list", Enumerates(Kind::EnumKey, 0), current + L"Choose Layout: 1\n\n", L""},
        {L"chosen layout", Is(Kind::EnumKey, 3), current + L"1) Faults\nChoose Layout: 1\n\n", L""},
    };
    for (const FaultCase& c : cases) {
        Check(c, [] {
            ScriptedKeys keys(L"1");
            QueryLayouts(true);
        });
        EXPECT_EQ(700, AlphaX()) << c.name << ": nothing is restored";
    }
}

}  // namespace

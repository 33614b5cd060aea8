#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "support/desktop_files.h"
#include "support/fixture_client.h"
#include "support/process_handles.h"
#include "support/registry_reader.h"
#include "support/remote_memory.h"
#include "support/scratch_folder.h"
#include "text/res_string.h"
#include "unit/captured_output.h"

// One platform failure and what the action must print under it. Fault is a
// seam that installs itself for its lifetime, fails the first `count` calls its
// predicate accepts (all of them when 0) and counts its failures.
template <typename Fault>
struct FaultCase {
    const wchar_t* name;
    typename Fault::Predicate fails;
    std::wstring out;
    std::wstring err;
    int count = 1;
};

// The actions run inside the test process against the desktop fixture, with a
// platform failure installed: each case prints what it should, and nothing stays
// behind, in the shell process or among this process's handles.
//
// The fixture shows Alpha, Beta, Gamma (a desktop file, so it has an identity)
// and Delta; the layout moves Alpha onto Delta's place (an eviction) and Gamma
// by its identity.
class ActionFaultTest : public ::testing::Test {
protected:
    static constexpr wchar_t kLayout[] = L"Faults";
    static constexpr wchar_t kFile[] = L"kv-fault.txt";
    static std::wstring LayoutKey() { return L"Software\\Brenlow\\DeskTop\\Faults"; }

    static void SetUpTestSuite() {
        SetResourceModule(GetModuleHandleW(nullptr));
        files = new DesktopFiles({kFile});
        folder = new ScratchFolder(ScratchLocation::Temp, {});
        folder->WriteTextFile(L"items.txt", L"Alpha\t700\t500\tnone\nBeta\t30\t30\tnone\nGamma\t300\t100\tdesktop:" +
                                                std::wstring(kFile) + L"\nDelta\t400\t400\tnone\n");
    }
    static void TearDownTestSuite() {
        delete folder;
        delete files;
        DeleteRegistryTree(L"Software\\Brenlow");
    }

    void StartFixture() {
        fixture = std::make_unique<DesktopFixture>(
            FixtureBesideTest(), std::vector<std::wstring>{L"--synthetic", folder->PathOf(L"items.txt")});
        identity = fixture->Identity(2);
        ASSERT_EQ(kFile, identity);
    }

    virtual void WriteLayout() {
        DeleteRegistryTree(L"Software\\Brenlow");
        WriteRegistryValue(LayoutKey(), L"Alpha", REG_DWORD, {0x90, 0x01, 0x90, 0x01});
        std::vector<BYTE> gamma = {0xF4, 0x01, 0, 0, 0xC8, 0, 0, 0};
        for (wchar_t unit : std::wstring(L"Gamma"))
            gamma.insert(gamma.end(), {static_cast<BYTE>(unit), 0});
        gamma.insert(gamma.end(), {0, 0});
        WriteRegistryValue(LayoutKey(), identity, REG_BINARY, gamma);
    }

    // Starts a fresh fixture, writes the layout, then runs the action under the
    // fault and checks what it printed and that it left nothing behind.
    template <typename Fault, typename Action>
    void Check(const FaultCase<Fault>& c, Action action) {
        SCOPED_TRACE(c.name);
        if (!warmedUp) {
            // The first run of an action in a process opens what the system keeps
            // open from then on (the registry's root keys, the shell's libraries):
            // handles are compared from the second run on.
            StartFixture();
            WriteLayout();
            CapturedOutput output;
            action();
            warmedUp = true;
        }
        StartFixture();
        WriteLayout();
        const auto blocksBefore = PrivateAllocationBases(fixture->Process());
        const size_t handlesBefore = HandleCount(GetCurrentProcessId());
        {
            CapturedOutput output;
            Fault fault(c.fails, c.count);
            action();
            EXPECT_LE(1, fault.failures()) << "the fault was never reached";
            EXPECT_EQ(c.out, output.out);
            EXPECT_EQ(c.err, output.err);
        }
        // The folder view's thread may still be leaving its apartment when the
        // action returns (its wait is bounded), holding handles until it ends;
        // the count before may hold those of the previous run's thread.
        size_t handlesAfter = HandleCount(GetCurrentProcessId());
        for (int tries = 0; handlesAfter > handlesBefore && tries < 100; ++tries) {
            Sleep(100);
            handlesAfter = HandleCount(GetCurrentProcessId());
        }
        EXPECT_LE(handlesAfter, handlesBefore) << "a handle was left open";
        EXPECT_TRUE(AllocationBasesAdded(blocksBefore, PrivateAllocationBases(fixture->Process())).empty());
    }

    bool warmedUp = false;
    inline static DesktopFiles* files = nullptr;
    inline static ScratchFolder* folder = nullptr;
    std::unique_ptr<DesktopFixture> fixture;
    std::wstring identity;
};

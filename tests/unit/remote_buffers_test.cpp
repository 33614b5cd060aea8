#include <gtest/gtest.h>

#include <vector>

#include "desktop/remote_buffers.h"
#include "desktop/shell_platform.h"
#include "support/unique_resource.h"

namespace {

// A shell process that exists only in the test: allocations are numbered, and
// the test chooses which one fails and what the width query answers.
class FakeShell : public ShellPlatform {
public:
    DWORD WindowProcessId(HWND) override { return 42; }
    HANDLE OpenProcess(DWORD access, DWORD) override {
        openedWith = access;
        return openFails ? nullptr : kProcess;
    }
    bool IsWow64(HANDLE process, bool* wow64) override {
        *wow64 = process == kProcess ? shellWow64 : selfWow64;
        return true;
    }
    void CloseHandle(HANDLE handle) override { closed.push_back(handle); }
    void* Allocate(HANDLE, SIZE_T size) override {
        sizes.push_back(size);
        if (static_cast<int>(sizes.size()) == failingAllocation) return nullptr;
        return reinterpret_cast<void*>(0x10000 * sizes.size());
    }
    void Free(HANDLE, void* address) override { freed.push_back(address); }

    static inline const HANDLE kProcess = reinterpret_cast<HANDLE>(0x77);
    bool openFails = false;
    bool selfWow64 = false;
    bool shellWow64 = false;
    int failingAllocation = 0;
    DWORD openedWith = 0;
    std::vector<SIZE_T> sizes;
    std::vector<void*> freed;
    std::vector<HANDLE> closed;

private:
    ShellPlatform::Scope installed_{this};
};

void* Block(int number) { return reinterpret_cast<void*>(0x10000 * number); }

TEST(RemoteBuffers, SaveBlocksInOrderAndReleasedWithTheProcessLast) {
    FakeShell shell;
    {
        RemoteBuffers buffers;
        ASSERT_EQ(ShellAccess::Granted, buffers.Open(reinterpret_cast<HWND>(1)));
        EXPECT_EQ(0x438u, shell.openedWith);
        ASSERT_TRUE(buffers.Allocate({RemoteBlock::Item, RemoteBlock::Text, RemoteBlock::Point}));
        EXPECT_EQ((std::vector<SIZE_T>{kNativeLayout.itemSize, 520, 8}), shell.sizes);
    }
    EXPECT_EQ((std::vector<void*>{Block(1), Block(2), Block(3)}), shell.freed);
    EXPECT_EQ((std::vector<HANDLE>{FakeShell::kProcess}), shell.closed);
}

TEST(RemoteBuffers, RestoreBlocksReleasedItemRectFindTextPoint) {
    FakeShell shell;
    {
        RemoteBuffers buffers;
        ASSERT_EQ(ShellAccess::Granted, buffers.Open(reinterpret_cast<HWND>(1)));
        ASSERT_TRUE(buffers.Allocate(
            {RemoteBlock::Rect, RemoteBlock::Item, RemoteBlock::Find, RemoteBlock::Text, RemoteBlock::Point}));
        EXPECT_EQ((std::vector<SIZE_T>{16, kNativeLayout.itemSize, kNativeLayout.findSize, 520, 8}), shell.sizes);
    }
    EXPECT_EQ((std::vector<void*>{Block(2), Block(1), Block(3), Block(4), Block(5)}), shell.freed);
}

TEST(RemoteBuffers, AllBlocksAreRequestedBeforeAFailureCounts) {
    FakeShell shell;
    shell.failingAllocation = 2;
    {
        RemoteBuffers buffers;
        ASSERT_EQ(ShellAccess::Granted, buffers.Open(reinterpret_cast<HWND>(1)));
        EXPECT_FALSE(buffers.Allocate({RemoteBlock::Item, RemoteBlock::Text, RemoteBlock::Point}));
        EXPECT_EQ(3u, shell.sizes.size());
    }
    EXPECT_EQ((std::vector<void*>{Block(1), Block(3)}), shell.freed);
    EXPECT_EQ(1u, shell.closed.size());
}

TEST(RemoteBuffers, ThirdBlockMissingReleasesTheFirstTwo) {
    FakeShell shell;
    shell.failingAllocation = 3;
    {
        RemoteBuffers buffers;
        ASSERT_EQ(ShellAccess::Granted, buffers.Open(reinterpret_cast<HWND>(1)));
        EXPECT_FALSE(buffers.Allocate({RemoteBlock::Item, RemoteBlock::Text, RemoteBlock::Point}));
    }
    EXPECT_EQ((std::vector<void*>{Block(1), Block(2)}), shell.freed);
    EXPECT_EQ(1u, shell.closed.size());
}

TEST(RemoteBuffers, ProcessThatCannotBeOpenedHoldsNothing) {
    FakeShell shell;
    shell.openFails = true;
    {
        RemoteBuffers buffers;
        EXPECT_EQ(ShellAccess::NoProcess, buffers.Open(reinterpret_cast<HWND>(1)));
    }
    EXPECT_TRUE(shell.closed.empty());
    EXPECT_TRUE(shell.freed.empty());
}

TEST(RemoteBuffers, ShellOfTheOtherWidthIsRefusedBeforeAnyBlock) {
    FakeShell shell;
    // As the 64-bit build sees a 32-bit shell, or the 32-bit build a 64-bit one.
    if (sizeof(void*) == 8) {
        shell.shellWow64 = true;
    } else {
        shell.selfWow64 = true;
    }
    {
        RemoteBuffers buffers;
        EXPECT_EQ(sizeof(void*) == 8 ? ShellAccess::ShellIs32Bit : ShellAccess::ShellIs64Bit,
                  buffers.Open(reinterpret_cast<HWND>(1)));
    }
    EXPECT_TRUE(shell.sizes.empty());
    EXPECT_EQ((std::vector<HANDLE>{FakeShell::kProcess}), shell.closed);
}

TEST(RemoteBuffers, AFreeThatNeverReturnsDoesNotHoldTheAction) {
    // Under Wine a shell that is ending may never carry out a free asked of it.
    class StuckShell : public FakeShell {
    public:
        void Free(HANDLE process, void* address) override {
            WaitForSingleObject(unstick.Get(), INFINITE);
            FakeShell::Free(process, address);
        }
        void CloseHandle(HANDLE handle) override {
            FakeShell::CloseHandle(handle);
            SetEvent(released.Get());
        }
        UniqueHandle unstick{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        UniqueHandle released{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    };
    StuckShell shell;
    {
        RemoteBuffers buffers;
        ASSERT_EQ(ShellAccess::Granted, buffers.Open(reinterpret_cast<HWND>(1)));
        ASSERT_TRUE(buffers.Allocate({RemoteBlock::Item, RemoteBlock::Text, RemoteBlock::Point}));
    }
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(shell.released.Get(), 0))
        << "the release went on while the free was stuck";
    // Once the shell answers, the release still completes, in order.
    SetEvent(shell.unstick.Get());
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(shell.released.Get(), 10000));
    EXPECT_EQ((std::vector<void*>{Block(1), Block(2), Block(3)}), shell.freed);
    EXPECT_EQ((std::vector<HANDLE>{FakeShell::kProcess}), shell.closed);
}

TEST(CompareShellWidth, Table) {
    struct Case {
        bool buildIs64Bit, selfIsWow64, shellIsWow64;
        ShellAccess expected;
    };
    const Case cases[] = {
        {true, false, false, ShellAccess::Granted},       // 64-bit build, 64-bit shell
        {true, false, true, ShellAccess::ShellIs32Bit},   // 64-bit build, 32-bit shell on 64-bit Windows
        {false, true, true, ShellAccess::Granted},        // 32-bit build and shell on 64-bit Windows
        {false, true, false, ShellAccess::ShellIs64Bit},  // 32-bit build, 64-bit shell
        {false, false, false, ShellAccess::Granted},      // 32-bit Windows
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, CompareShellWidth(c.buildIs64Bit, c.selfIsWow64, c.shellIsWow64))
            << c.buildIs64Bit << c.selfIsWow64 << c.shellIsWow64;
    }
}

}  // namespace

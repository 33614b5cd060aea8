#include "desktop/remote_buffers.h"

#include <memory>
#include <new>

#include "desktop/shell_platform.h"

namespace {

constexpr bool kBuildIs64Bit = sizeof(void*) == 8;

// Frees in this order; the process handle goes last.
constexpr RemoteBlock kReleaseOrder[] = {RemoteBlock::Item,  RemoteBlock::Rect,   RemoteBlock::Find, RemoteBlock::Text,
                                         RemoteBlock::Point, RemoteBlock::Points, RemoteBlock::Tags};
constexpr size_t kBlockCount = sizeof(kReleaseOrder) / sizeof(kReleaseOrder[0]);

constexpr unsigned BlockBit(RemoteBlock block) { return 1u << static_cast<unsigned>(block); }

// How long an action waits for its blocks to be freed; a healthy shell takes
// milliseconds.
constexpr DWORD kReleaseWaitMilliseconds = 3000;

// What freeing the blocks needs, owned by whoever carries it out.
struct Release {
    HANDLE process;
    void* blocks[kBlockCount];
};

void CarryOut(const Release& release) {
    for (void* block : release.blocks) {
        if (block != nullptr) {
            ShellPlatform::Current().Free(release.process, block);
        }
    }
    if (release.process != nullptr) {
        ShellPlatform::Current().CloseHandle(release.process);
    }
}

DWORD WINAPI CarryOutOnThread(void* parameter) {
    const std::unique_ptr<Release> release(static_cast<Release*>(parameter));
    CarryOut(*release);
    return 0;
}

}  // namespace

SIZE_T RemoteBlockSize(RemoteBlock block) {
    switch (block) {
        case RemoteBlock::Item:
            return kNativeLayout.itemSize;
        case RemoteBlock::Text:
            return kRemoteTextLength * sizeof(wchar_t);
        case RemoteBlock::Point:
            return sizeof(POINT);
        case RemoteBlock::Find:
            return kNativeLayout.findSize;
        case RemoteBlock::Rect:
            return sizeof(RECT);
        case RemoteBlock::Points:
            return kPointsBatch * sizeof(POINT);
        case RemoteBlock::Tags:
            return kTagsBatch * (kNativeLayout.itemSize + kRemoteTextLength * sizeof(wchar_t));
    }
    return 0;
}

ShellAccess CompareShellWidth(bool buildIs64Bit, bool selfIsWow64, bool shellIsWow64) {
    // Only a 64-bit system runs WoW64 processes; a 64-bit build implies one.
    const bool systemIs64Bit = buildIs64Bit || selfIsWow64;
    const bool shellIs64Bit = systemIs64Bit && !shellIsWow64;
    if (shellIs64Bit == buildIs64Bit) {
        return ShellAccess::Granted;
    }
    return shellIs64Bit ? ShellAccess::ShellIs64Bit : ShellAccess::ShellIs32Bit;
}

RemoteBuffers::~RemoteBuffers() {
    // Blocks are only ever obtained through an open process.
    if (process_ == nullptr) {
        return;
    }
    Release release{process_, {}};
    for (size_t index = 0; index < kBlockCount; ++index) {
        const bool kept = (keptBlocks_ & BlockBit(kReleaseOrder[index])) != 0;
        release.blocks[index] = kept ? nullptr : Slot(kReleaseOrder[index]);
    }
    // A free in a process that is ending may never return (Wine has that process
    // carry it out): the release runs on a thread of its own, waited for a bounded time.
    Release* owned = new (std::nothrow) Release(release);
    HANDLE thread = owned != nullptr ? CreateThread(nullptr, 0, CarryOutOnThread, owned, 0, nullptr) : nullptr;
    if (thread == nullptr) {
        delete owned;
        CarryOut(release);
        return;
    }
    WaitForSingleObject(thread, kReleaseWaitMilliseconds);
    CloseHandle(thread);
}

ShellAccess RemoteBuffers::Open(HWND listView) {
    // A window that went meanwhile leaves the id zero, and the open then fails.
    const DWORD processId = ShellPlatform::Current().WindowProcessId(listView);
    process_ = ShellPlatform::Current().OpenProcess(kShellProcessAccess, processId);
    if (process_ == nullptr) {
        return ShellAccess::NoProcess;
    }
    // Records carry shell-side addresses in this build's width: a shell of the
    // other width would misread them and write through a wrong pointer.
    bool selfIsWow64 = false;
    bool shellIsWow64 = false;
    ShellAccess access = ShellAccess::WidthUnknown;
    if (ShellPlatform::Current().IsWow64(GetCurrentProcess(), &selfIsWow64) &&
        ShellPlatform::Current().IsWow64(process_, &shellIsWow64)) {
        access = CompareShellWidth(kBuildIs64Bit, selfIsWow64, shellIsWow64);
    }
    if (access != ShellAccess::Granted) {
        ShellPlatform::Current().CloseHandle(process_);
        process_ = nullptr;
    }
    return access;
}

bool RemoteBuffers::Allocate(std::initializer_list<RemoteBlock> order) {
    for (RemoteBlock block : order) {
        Slot(block) = ShellPlatform::Current().Allocate(process_, RemoteBlockSize(block));
    }
    for (RemoteBlock block : order) {
        if (Slot(block) == nullptr) {
            return false;
        }
    }
    return true;
}

std::optional<LRESULT> RemoteBuffers::Send(HWND listView, UINT message, WPARAM wParam, LPARAM lParam,
                                           std::initializer_list<RemoteBlock> pointedTo) {
    if (shellHung_) {
        return std::nullopt;
    }
    const std::optional<LRESULT> answer = ShellPlatform::Current().Send(listView, message, wParam, lParam);
    if (!answer) {
        shellHung_ = true;
        for (RemoteBlock block : pointedTo) {
            keptBlocks_ |= BlockBit(block);
        }
    }
    return answer;
}

void*& RemoteBuffers::Slot(RemoteBlock block) {
    // In the order of RemoteBlock.
    static constexpr void* RemoteBuffers::*kSlots[] = {&RemoteBuffers::remoteItem,  &RemoteBuffers::remoteText,
                                                       &RemoteBuffers::remotePoint, &RemoteBuffers::remoteFind,
                                                       &RemoteBuffers::remoteRect,  &RemoteBuffers::remotePoints,
                                                       &RemoteBuffers::remoteTags};
    return this->*kSlots[static_cast<size_t>(block)];
}

#pragma once

#include <windows.h>

#include <initializer_list>
#include <optional>

#include "desktop/remote_records.h"

enum class RemoteBlock { Item, Text, Point, Find, Rect, Points, Tags };  // RemoteBuffers::Slot follows this order

// How many positions the Points block holds: a look at the desktop reads that
// many in one go.
constexpr int kPointsBatch = 1024;

// How many items the Tags block holds, each an LVITEMW of this build's width
// (all of them first) and a text of kRemoteTextLength code units (all of them
// after the records): read back a batch at a time.
constexpr int kTagsBatch = 64;

enum class ShellAccess {
    Granted,
    NoProcess,     // the shell process could not be opened
    ShellIs32Bit,  // this is the 64-bit build and the shell runs 32-bit
    ShellIs64Bit,  // this is the 32-bit build and the shell runs 64-bit
    WidthUnknown,  // the shell's width could not be learnt
};

// The shell process and the scratch blocks that one action holds inside it, and
// the messages that go to the shell's list view about them. The destructor frees
// every block obtained (whole, with MEM_RELEASE) but those a message still
// pending in a hung shell points into, and then closes the process handle, so no
// way out of an action leaves memory in the shell that the shell will not write
// into; it waits for that a bounded time, so that a shell that is ending cannot
// hold the action.
class RemoteBuffers {
public:
    RemoteBuffers() = default;
    RemoteBuffers(const RemoteBuffers&) = delete;
    RemoteBuffers& operator=(const RemoteBuffers&) = delete;
    ~RemoteBuffers();

    // Opens the process that owns the list view and checks that it reads records
    // of this build's pointer width; on any answer but Granted the process is
    // closed again and nothing has been written to it.
    [[nodiscard]] ShellAccess Open(HWND listView);

    // Requests every block in the given order before looking at any result; true
    // when all were obtained. Blocks obtained stay owned either way.
    [[nodiscard]] bool Allocate(std::initializer_list<RemoteBlock> order);

    // Sends a list-view message and waits a bounded time for its answer (see
    // ShellPlatform::Send). `pointedTo` names the blocks the message's arguments
    // point into, directly or through the record in a block. A message left
    // unanswered makes the shell hung for the rest of the action: it is sent
    // nothing more (every later send answers none at once), and those blocks are
    // never freed, since a message the shell had taken still runs to its end when
    // the shell wakes, and writes into them.
    std::optional<LRESULT> Send(HWND listView, UINT message, WPARAM wParam, LPARAM lParam,
                                std::initializer_list<RemoteBlock> pointedTo = {});

    // Whether a message went unanswered: the action ends rather than failing item
    // after item against a shell that does not answer.
    [[nodiscard]] bool ShellHung() const { return shellHung_; }

    HANDLE process() const { return process_; }
    void* remoteItem = nullptr;    // one LVITEMW of this build's width
    void* remoteText = nullptr;    // kRemoteTextLength code units
    void* remotePoint = nullptr;   // one POINT
    void* remoteFind = nullptr;    // one LVFINDINFOW of this build's width
    void* remoteRect = nullptr;    // one RECT
    void* remotePoints = nullptr;  // kPointsBatch POINTs
    void* remoteTags = nullptr;    // kTagsBatch LVITEMWs, then their texts

private:
    void*& Slot(RemoteBlock block);
    HANDLE process_ = nullptr;
    bool shellHung_ = false;
    unsigned keptBlocks_ = 0;  // a bit for each RemoteBlock a pending message points into
};

// The access the actions need: memory operations and reads, and the query right
// that the width check uses.
constexpr DWORD kShellProcessAccess =
    PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION;
static_assert(kShellProcessAccess == 0x438);

// Size in bytes of a block of this build.
SIZE_T RemoteBlockSize(RemoteBlock block);

// Pure decision of the width check: the shell's width against this build's.
ShellAccess CompareShellWidth(bool buildIs64Bit, bool selfIsWow64, bool shellIsWow64);

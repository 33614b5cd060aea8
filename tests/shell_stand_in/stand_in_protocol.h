#pragma once

// How the stand-in shell server (a DLL that the program under test loads in
// place of the shell's window list) reaches the desktop fixture that plays the
// shell. Wine marshals an item ID list between processes as its first three
// bytes only, so the server lives in the program's process and carries every
// call, ID lists byte for byte, to the fixture through a block of shared memory
// and one window message; the fixture answers in the same block. One call at a
// time: the program makes its folder-view calls from one thread.

#include <windows.h>

#include <cstdint>

// The class the test prefix redirects the shell's window list to (TreatAs).
// {5C4E0B8A-3D51-4F0B-9B7A-2E6D14A0C7F3}
inline constexpr CLSID kStandInClassId = {0x5c4e0b8a, 0x3d51, 0x4f0b, {0x9b, 0x7a, 0x2e, 0x6d, 0x14, 0xa0, 0xc7, 0xf3}};
inline constexpr wchar_t kStandInClassIdText[] = L"{5C4E0B8A-3D51-4F0B-9B7A-2E6D14A0C7F3}";
inline constexpr wchar_t kShellWindowsClassIdText[] = L"{9BA05972-F6A8-11CF-A442-00A0C90A8F39}";

inline constexpr wchar_t kStandInBlockName[] = L"Local\\KelvaneStandInShell";
inline constexpr DWORD kStandInBlockSize = 4 << 20;
inline constexpr UINT kStandInCallMessage = WM_APP + 40;

// The fixture's answer when the call is to hang: the server then does not
// return until the fixture sets its release event, and then asks again.
inline constexpr LRESULT kStandInHang = 0x4B56;
inline constexpr wchar_t kStandInReleaseName[] = L"Local\\KelvaneStandInRelease";

enum class StandInCall : uint32_t {
    ObjectMade,              // one of the server's objects came to be (kind in `index`)
    ObjectGone,              // its last reference was released (kind in `index`)
    FindDesktop,             // IShellWindows::FindWindowSW; answers the desktop's window in `window`
    ItemCount,               // IFolderView::ItemCount; answers `count`
    Item,                    // IFolderView::Item(`index`); answers the ID list in `data`
    GetItemPosition,         // IFolderView::GetItemPosition(ID list in `data`); answers `x`, `y`
    SelectAndPositionItems,  // `count` entries in `data`: x, y (int32), size (uint32), ID list
    GetAutoArrange,          // IFolderView::GetAutoArrange; answers S_OK or S_FALSE
};

enum class StandInObject : int32_t { ShellWindows, DesktopBrowser, FolderView };

// The shared block. The fixture fills `fixtureWindow` when it makes the block.
struct StandInBlock {
    uint64_t fixtureWindow;
    StandInCall call;
    int32_t index;
    int32_t x;
    int32_t y;
    uint32_t count;
    uint64_t window;
    uint32_t size;  // bytes used in data
    uint8_t data[1];
};

inline constexpr DWORD kStandInDataSize = kStandInBlockSize - offsetof(StandInBlock, data);

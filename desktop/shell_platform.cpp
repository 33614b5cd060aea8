#include "desktop/shell_platform.h"

namespace {

// How long a list-view message may take: twice the five seconds after which
// Windows calls a window not responding, ample for a crowded desktop repainting.
constexpr UINT kAnswerWaitMilliseconds = 10000;

}  // namespace

DWORD ShellPlatform::WindowProcessId(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

HANDLE ShellPlatform::OpenProcess(DWORD access, DWORD processId) { return ::OpenProcess(access, FALSE, processId); }

bool ShellPlatform::IsWow64(HANDLE process, bool* wow64) {
    BOOL result = FALSE;
    if (!::IsWow64Process(process, &result)) {
        return false;
    }
    *wow64 = result != FALSE;
    return true;
}

void ShellPlatform::CloseHandle(HANDLE handle) { ::CloseHandle(handle); }

void* ShellPlatform::Allocate(HANDLE process, SIZE_T size) {
    return ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
}

void ShellPlatform::Free(HANDLE process, void* address) { ::VirtualFreeEx(process, address, 0, MEM_RELEASE); }

bool ShellPlatform::Write(HANDLE process, void* address, const void* data, SIZE_T size) {
    return ::WriteProcessMemory(process, address, data, size, nullptr) != FALSE;
}

bool ShellPlatform::Read(HANDLE process, const void* address, void* data, SIZE_T size) {
    return ::ReadProcessMemory(process, address, data, size, nullptr) != FALSE;
}

std::optional<LRESULT> ShellPlatform::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    // SMTO_ABORTIFHUNG gives up at once on a thread that stopped taking messages
    // before this one was sent.
    if (::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerWaitMilliseconds, &answer) !=
        0) {
        return static_cast<LRESULT>(answer);
    }
    if (!::IsWindow(window)) {
        return 0;
    }
    return std::nullopt;
}

bool ShellPlatform::IsWindowAlive(HWND window) { return ::IsWindow(window) != FALSE; }

void ShellPlatform::LockWindowUpdate(HWND window) { ::LockWindowUpdate(window); }

HRESULT ShellPlatform::GetDesktopFolder(IShellFolder** folder) { return ::SHGetDesktopFolder(folder); }

HRESULT ShellPlatform::GetDataFromIdList(IShellFolder* folder, PCUITEMID_CHILD idList, int format, void* data,
                                         int size) {
    return ::SHGetDataFromIDListW(folder, idList, format, data, size);
}

ShellPlatform& ShellPlatform::Real() {
    static ShellPlatform real;
    return real;
}

#pragma once

#include <windows.h>
#include <shlobj.h>

#include <optional>

#include "text/seam.h"

// The platform services that reach into the shell: its process memory, its list
// view and its namespace. The real implementation calls Win32 directly; tests
// install one that fails a chosen call, and the benchmark one that counts.
class ShellPlatform : public Seam<ShellPlatform> {
public:
    static ShellPlatform& Real();
    virtual ~ShellPlatform() = default;

    [[nodiscard]] virtual DWORD WindowProcessId(HWND window);
    [[nodiscard]] virtual HANDLE OpenProcess(DWORD access, DWORD processId);
    [[nodiscard]] virtual bool IsWow64(HANDLE process, bool* wow64);
    virtual void CloseHandle(HANDLE handle);

    [[nodiscard]] virtual void* Allocate(HANDLE process, SIZE_T size);
    virtual void Free(HANDLE process, void* address);
    [[nodiscard]] virtual bool Write(HANDLE process, void* address, const void* data, SIZE_T size);
    [[nodiscard]] virtual bool Read(HANDLE process, const void* address, void* data, SIZE_T size);

    // Sends a message and waits a bounded time for the answer (see the source for
    // the bound). No answer when the window's thread did not take the message in
    // that time, or did not finish handling it, or is hung already; a window that
    // is gone answers 0, as SendMessageW has it.
    [[nodiscard]] virtual std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] virtual bool IsWindowAlive(HWND window);
    // Holds the window's redrawing back; a null window lets it redraw again.
    virtual void LockWindowUpdate(HWND window);

    [[nodiscard]] virtual HRESULT GetDesktopFolder(IShellFolder** folder);
    [[nodiscard]] virtual HRESULT GetDataFromIdList(IShellFolder* folder, PCUITEMID_CHILD idList, int format,
                                                    void* data, int size);
};

#include "e2e/kelvane_process.h"

#include <shlobj.h>

#include <stdexcept>

#include "support/utf8.h"

std::wstring WriteItemsFile(const std::vector<std::wstring>& lines) {
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    if (GetTempFileNameW(folder, L"kvi", 0, path) == 0) throw std::runtime_error("no temporary file");
    std::string content;
    for (const std::wstring& line : lines)
        content += ToUtf8(line) + "\n";
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write the items file");
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

std::vector<BYTE> ShellRecordData(int x, int y, const std::wstring& text) {
    std::vector<BYTE> data;
    for (int value : {x, y}) {
        for (int byte = 0; byte < 4; ++byte)
            data.push_back(static_cast<BYTE>(value >> (8 * byte)));
    }
    for (wchar_t unit : text) {
        data.push_back(static_cast<BYTE>(unit));
        data.push_back(static_cast<BYTE>(unit >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

void WriteDisplayRecord(const std::wstring& layout, const std::wstring& display) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(display.c_str());
    WriteRegistryValue(kDisplaysKey, layout, REG_SZ,
                       std::vector<BYTE>(bytes, bytes + (display.size() + 1) * sizeof(wchar_t)));
}

std::vector<BYTE> PackedRecordData(int x, int y) {
    return {static_cast<BYTE>(x), static_cast<BYTE>(x >> 8), static_cast<BYTE>(y), static_cast<BYTE>(y >> 8)};
}

std::wstring WatcherLogFile() {
    PWSTR folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder))) path = folder;
    CoTaskMemFree(folder);
    return path + L"\\Kelvane\\watch.log";
}

std::wstring WatcherLogText() {
    const HANDLE file = CreateFileW(WatcherLogFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return L"";
    std::string content(1 << 20, '\0');
    DWORD read = 0;
    ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
    CloseHandle(file);
    return FromUtf8(content.substr(0, read));
}

namespace {

struct BoxSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindDialogOf(HWND window, LPARAM search) {
    auto& box = *reinterpret_cast<BoxSearch*>(search);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (owner != box.processId || std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    box.found = window;
    return FALSE;
}

}  // namespace

HWND WaitForMessageBox(HANDLE process) {
    BoxSearch search{GetProcessId(process), nullptr};
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while (search.found == nullptr && GetTickCount64() < deadline) {
        EnumWindows(FindDialogOf, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) Sleep(100);
    }
    return search.found;
}

std::wstring MessageBoxText(HWND box) {
    // The box's text is its one static control, 0xFFFF.
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    return text;
}

void PressButton(HWND box, int button) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

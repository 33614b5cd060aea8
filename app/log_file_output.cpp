#include "app/log_file_output.h"

#include <shlobj.h>

#include <cwchar>

#include "text/utf8.h"

namespace {

HANDLE OpenForAppending(const std::wstring& path) {
    return CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::wstring WatcherLogPath() {
    PWSTR localAppData = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localAppData))) {
        path = std::wstring(localAppData) + L"\\Kelvane\\watch.log";
    }
    CoTaskMemFree(localAppData);
    return path;
}

std::wstring MadeWatcherLogPath() {
    const std::wstring path = WatcherLogPath();
    if (!path.empty()) {
        CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    }
    return path;
}

void LogFileOutput::Write(OutputStream, const wchar_t* text) {
    const std::string utf8 = EncodeUtf8(text, std::wcslen(text));
    if (utf8.empty()) {
        return;
    }
    HANDLE file = OpenForAppending(path_);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file, &size) && static_cast<ULONGLONG>(size.QuadPart) + utf8.size() > sizeBound_) {
        CloseHandle(file);
        MoveFileExW(path_.c_str(), (path_ + L".old").c_str(), MOVEFILE_REPLACE_EXISTING);
        file = OpenForAppending(path_);
        if (file == INVALID_HANDLE_VALUE) {
            return;
        }
    }
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
}

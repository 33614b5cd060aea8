#include "e2e/kelvane_process.h"

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

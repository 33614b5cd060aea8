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

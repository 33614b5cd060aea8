#include "support/known_folders.h"

#include "support/unique_resource.h"
#include "support/utf8.h"

#include <windows.h>
#include <shlobj.h>

#include <stdexcept>

std::wstring DesktopDirectory() {
    wchar_t path[MAX_PATH];
    if (FAILED(
            SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
        throw std::runtime_error("cannot find the Desktop directory");
    return path;
}

std::wstring TemporaryDirectory() {
    wchar_t path[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, path);
    if (length == 0) throw std::runtime_error("cannot find the temporary directory");
    while (length > 0 && path[length - 1] == L'\\')
        --length;
    return std::wstring(path, length);
}

void CreateEmptyFile(const std::wstring& path) {
    const UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw std::runtime_error("cannot create " + ToUtf8(path) + " (error " + std::to_string(GetLastError()) + ")");
}

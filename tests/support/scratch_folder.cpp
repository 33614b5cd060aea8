#include "support/scratch_folder.h"

#include "support/known_folders.h"
#include "support/unique_resource.h"
#include "support/utf8.h"

#include <windows.h>

#include <stdexcept>

namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

std::wstring CreateUniqueFolder(const std::wstring& parent) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring path = parent + L"\\kelvane-scratch-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW(path.c_str(), nullptr)) return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a folder in " + ToUtf8(parent));
    }
    throw std::runtime_error("no free scratch folder name in " + ToUtf8(parent));
}

}  // namespace

ScratchFolder::ScratchFolder(ScratchLocation location, const std::vector<std::wstring>& fileNames)
    : path_(CreateUniqueFolder(location == ScratchLocation::Desktop ? DesktopDirectory() : TemporaryDirectory())) {
    try {
        for (const std::wstring& name : fileNames)
            CreateEmptyFile(PathOf(name));
    } catch (...) {
        RemoveTree(path_);
        throw;
    }
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void ScratchFolder::WriteTextFile(const std::wstring& fileName, const std::wstring& text) const {
    const std::wstring path = PathOf(fileName);
    const UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string bytes = ToUtf8(text);
    DWORD written = 0;
    if (!file || !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw std::runtime_error("cannot write " + ToUtf8(path));
}

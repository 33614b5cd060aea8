#include "support/desktop_files.h"

#include "support/known_folders.h"

#include <windows.h>

DesktopFiles::DesktopFiles(const std::vector<std::wstring>& fileNames) : folder_(DesktopDirectory()) {
    try {
        for (const std::wstring& name : fileNames) {
            CreateEmptyFile(PathOf(name));
            created_.push_back(PathOf(name));
        }
    } catch (...) {
        for (const std::wstring& path : created_)
            DeleteFileW(path.c_str());
        throw;
    }
}

DesktopFiles::~DesktopFiles() {
    for (const std::wstring& path : created_)
        DeleteFileW(path.c_str());
}

std::wstring DesktopFiles::PathOf(const std::wstring& fileName) const { return folder_ + L"\\" + fileName; }

#include "app/program_path.h"

#include <windows.h>

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The subsystem comes from this process's own image header, which is mapped
// readable for the process's lifetime.
bool IsWindowlessProgram() {
    const auto* image = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

std::wstring LaunchProgramPath() {
    const std::wstring path = ProgramPath();
    const size_t extension = path.rfind(L'.');
    if (IsWindowlessProgram() || extension == std::wstring::npos) return path;
    const std::wstring windowless = path.substr(0, extension) + L"w" + path.substr(extension);
    const DWORD attributes = GetFileAttributesW(windowless.c_str());
    const bool beside = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return beside ? windowless : path;
}

// The program with a counter over its shell platform: every memory read and
// write in the shell process and every list-view message is counted where it is
// made, and the counts are written to the file that KELVANE_COUNTS_FILE names.

#include <windows.h>

#include <cstdio>
#include <map>

#include "app/command_line.h"
#include "desktop/shell_platform.h"
#include "text/res_string.h"

namespace {

class CountingShell : public ShellPlatform {
public:
    bool Write(HANDLE process, void* address, const void* data, SIZE_T size) override {
        ++writes;
        return ShellPlatform::Write(process, address, data, size);
    }
    bool Read(HANDLE process, const void* address, void* data, SIZE_T size) override {
        ++reads;
        return ShellPlatform::Read(process, address, data, size);
    }
    LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        ++messages[message];
        return ShellPlatform::Send(window, message, wParam, lParam);
    }

    unsigned reads = 0;
    unsigned writes = 0;
    std::map<UINT, unsigned> messages;
};

void WriteCounts(const CountingShell& shell) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"KELVANE_COUNTS_FILE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    FILE* file = _wfopen(path, L"w");
    if (file == nullptr) return;
    std::fprintf(file, "read %u\nwrite %u\n", shell.reads, shell.writes);
    for (const auto& [message, count] : shell.messages)
        std::fprintf(file, "0x%04X %u\n", message, count);
    std::fclose(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    SetResourceModule(GetModuleHandleW(nullptr));
    CountingShell shell;
    const ShellPlatform::Scope counting(&shell);
    const int exitCode = RunCommandLine(argc, argv);
    WriteCounts(shell);
    return exitCode;
}

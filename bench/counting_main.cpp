// The program with a counter over its shell platform: every memory read and
// write in the shell process and every list-view message is counted where it is
// made, and the counts are written to the file that KELVANE_COUNTS_FILE names.
// In a restore it also times the keep of the arrangement for undo: from the
// keep's first item lookup (the engine itself never asks for the next item) to
// the engine's first search text written into the shell, which follows the
// keep's registry write. Last it writes the CPU time the process has used.

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <map>
#include <optional>

#include "app/command_line.h"
#include "bench/seconds_clock.h"
#include "desktop/shell_platform.h"
#include "text/res_string.h"

namespace {

// The size of the search text the restore engine writes for each record.
constexpr SIZE_T kSearchTextSize = 520;

class CountingShell : public ShellPlatform {
public:
    bool Write(HANDLE process, void* address, const void* data, SIZE_T size) override {
        ++writes;
        if (size == kSearchTextSize && keepStart > 0 && keepEnd == 0) keepEnd = Now();
        return ShellPlatform::Write(process, address, data, size);
    }
    bool Read(HANDLE process, const void* address, void* data, SIZE_T size) override {
        ++reads;
        return ShellPlatform::Read(process, address, data, size);
    }
    std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        ++messages[message];
        if (message == LVM_GETNEXTITEM && keepStart == 0) keepStart = Now();
        return ShellPlatform::Send(window, message, wParam, lParam);
    }

    unsigned reads = 0;
    unsigned writes = 0;
    std::map<UINT, unsigned> messages;
    double keepStart = 0;
    double keepEnd = 0;
};

void WriteCounts(const CountingShell& shell) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"KELVANE_COUNTS_FILE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    FILE* file = _wfopen(path, L"w");
    if (file == nullptr) return;
    std::fprintf(file, "read %u\nwrite %u\n", shell.reads, shell.writes);
    if (shell.keepEnd > 0)
        std::fprintf(file, "keep_us %u\n", static_cast<unsigned>(1e6 * (shell.keepEnd - shell.keepStart)));
    for (const auto& [message, count] : shell.messages)
        std::fprintf(file, "0x%04X %u\n", message, count);
    FILETIME created, exited, kernel, user;
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        const auto microseconds = [](const FILETIME& time) {
            return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime) / 10;
        };
        std::fprintf(file, "cpu_us %llu\n", microseconds(kernel) + microseconds(user));
    }
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

// The program with a counter over its shell platform: every memory read and
// write in the shell process and every list-view message is counted where it is
// made, and the counts are written to the file that KELVANE_COUNTS_FILE names.
// In a restore it also times its one walk over the desktop, which the keep for
// undo, the matching and the commit share: from the first item lookup to the
// answer of the last (no other step asks for the next item). Last it writes
// the CPU time the process has used.

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
    std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        ++messages[message];
        if (message != LVM_GETNEXTITEM) return ShellPlatform::Send(window, message, wParam, lParam);
        if (walkStart == 0) walkStart = Now();
        const std::optional<LRESULT> answer = ShellPlatform::Send(window, message, wParam, lParam);
        walkEnd = Now();
        return answer;
    }

    unsigned reads = 0;
    unsigned writes = 0;
    std::map<UINT, unsigned> messages;
    double walkStart = 0;
    double walkEnd = 0;
};

void WriteCounts(const CountingShell& shell) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"KELVANE_COUNTS_FILE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    FILE* file = _wfopen(path, L"w");
    if (file == nullptr) return;
    std::fprintf(file, "read %u\nwrite %u\n", shell.reads, shell.writes);
    if (shell.walkEnd > 0)
        std::fprintf(file, "walk_us %u\n", static_cast<unsigned>(1e6 * (shell.walkEnd - shell.walkStart)));
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

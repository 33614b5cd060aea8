#include "support/process_start.h"

#include "support/command_line.h"
#include "support/utf8.h"

#include <stdexcept>

namespace {

// Now and then a new Wine process dies in Wine's own start-up, before the
// program's first instruction, and CreateProcess reports ERROR_INTERNAL_ERROR.
// Nothing of the program ran, so starting it again is the same run.
const int kStartAttempts = 3;
const DWORD kPauseBeforeRetryMilliseconds = 200;

}  // namespace

UniqueHandle StartProcess(const std::wstring& exePath, const std::vector<std::wstring>& args,
                          const STARTUPINFOW& startup) {
    STARTUPINFOW info = startup;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 1; attempt <= kStartAttempts; ++attempt) {
        if (attempt > 1) Sleep(kPauseBeforeRetryMilliseconds);
        std::wstring commandLine = BuildCommandLine(exePath, args);
        PROCESS_INFORMATION created{};
        if (CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &info,
                           &created)) {
            CloseHandle(created.hThread);
            return UniqueHandle(created.hProcess);
        }
        error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR) break;
    }
    throw std::runtime_error("cannot start " + ToUtf8(exePath) + " (error " + std::to_string(error) + ")");
}

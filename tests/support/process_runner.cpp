#include "support/process_runner.h"

#include "support/process_start.h"
#include "support/utf8.h"

#include <stdexcept>

namespace {

// An inheritable handle to a fresh temporary file that disappears when the
// last handle to it closes; its path goes to `path` when asked for.
UniqueHandle CreateTemporaryFile(std::wstring* createdPath = nullptr) {
    wchar_t folder[MAX_PATH + 1];
    wchar_t path[MAX_PATH + 1];
    if (!GetTempPathW(MAX_PATH + 1, folder) || !GetTempFileNameW(folder, L"krp", 0, path))
        throw std::runtime_error("cannot name a temporary file");
    if (createdPath) *createdPath = path;

    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    UniqueHandle file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file) throw std::runtime_error("cannot create a temporary file");
    return file;
}

void Rewind(HANDLE file) { SetFilePointer(file, 0, nullptr, FILE_BEGIN); }

// The child shares the file position with us (the handle is inherited, not
// reopened), so read from the start rather than from wherever it stopped.
std::string ReadFromStart(HANDLE file) {
    Rewind(file);
    std::string content;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        content.append(buffer, read);
    return content;
}

UniqueHandle StandardInputFor(const RunOptions& options) {
    if (!options.standardInput) {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        UniqueHandle nul(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!nul) throw std::runtime_error("cannot open NUL");
        return nul;
    }

    UniqueHandle input = CreateTemporaryFile();
    const std::string bytes = ToUtf8(*options.standardInput);
    DWORD written = 0;
    if (!WriteFile(input.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw std::runtime_error("cannot write the standard input file");
    Rewind(input.Get());
    return input;
}

}  // namespace

StartedProcess::StartedProcess(const std::wstring& exePath, const std::vector<std::wstring>& args,
                               const RunOptions& options)
    : input_(StandardInputFor(options)),
      output_(CreateTemporaryFile(&outputPath_)),
      error_(CreateTemporaryFile(&errorPath_)) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input_.Get();
    startup.hStdOutput = output_.Get();
    startup.hStdError = error_.Get();

    process_ = StartProcess(exePath, args, startup);
    deadline_ = GetTickCount64() + options.timeoutMilliseconds;
}

// A program never finished (a test that failed half way) ends with its object.
StartedProcess::~StartedProcess() {
    if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.Get(), WAIT_TIMEOUT);
        WaitForSingleObject(process_.Get(), 10000);
    }
}

std::wstring StartedProcess::OutputSoFar() const {
    // A file object of our own: reading through the inherited handle would move
    // the position the program writes at.
    std::wstring text;
    for (const std::wstring* path : {&outputPath_, &errorPath_}) {
        const UniqueHandle file(CreateFileW(path->c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) throw std::runtime_error("cannot read the output of a running program");
        text += FromUtf8(ReadFromStart(file.Get()));
    }
    return text;
}

RunResult StartedProcess::Finish() {
    const ULONGLONG now = GetTickCount64();
    const DWORD remaining = now < deadline_ ? static_cast<DWORD>(deadline_ - now) : 0;
    RunResult result;
    if (WaitForSingleObject(process_.Get(), remaining) == WAIT_TIMEOUT) {
        result.timedOut = true;
        TerminateProcess(process_.Get(), WAIT_TIMEOUT);
        WaitForSingleObject(process_.Get(), 10000);
    }
    GetExitCodeProcess(process_.Get(), &result.exitCode);
    result.standardOutput = FromUtf8(ReadFromStart(output_.Get()));
    result.standardError = FromUtf8(ReadFromStart(error_.Get()));
    return result;
}

RunResult RunProcess(const std::wstring& exePath, const std::vector<std::wstring>& args, const RunOptions& options) {
    return StartedProcess(exePath, args, options).Finish();
}

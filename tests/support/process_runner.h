#pragma once

#include "support/unique_resource.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct RunResult {
    DWORD exitCode = 0;
    std::wstring standardOutput;  // decoded from UTF-8
    std::wstring standardError;   // decoded from UTF-8
    bool timedOut = false;        // the process was terminated after the timeout
};

struct RunOptions {
    // Sent as UTF-8; without it standard input is NUL.
    std::optional<std::wstring> standardInput;
    DWORD timeoutMilliseconds = 60000;
};

// A program started with its standard streams redirected to temporary files,
// running until Finish. The output goes to files rather than pipes: a
// background service that Wine starts alongside the first program of a prefix
// inherits the handles and would keep a pipe open long after the program ended.
// Several may run at once. The constructor throws std::runtime_error when the
// program cannot be started.
class StartedProcess {
public:
    StartedProcess(const std::wstring& exePath, const std::vector<std::wstring>& args, const RunOptions& options = {});
    ~StartedProcess();

    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;

    // Waits for the program to end, at most until the timeout counted from its
    // start (then it is terminated), and collects what it wrote. Once only.
    RunResult Finish();

    // What the running program has written so far, standard output and then
    // standard error.
    std::wstring OutputSoFar() const;

    HANDLE Process() const { return process_.Get(); }

private:
    std::wstring outputPath_;
    std::wstring errorPath_;
    UniqueHandle input_;
    UniqueHandle output_;
    UniqueHandle error_;
    UniqueHandle process_;
    ULONGLONG deadline_ = 0;
};

// Runs a program to completion and captures what it writes.
RunResult RunProcess(const std::wstring& exePath, const std::vector<std::wstring>& args,
                     const RunOptions& options = {});

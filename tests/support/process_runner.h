#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct RunResult
{
    DWORD exitCode = 0;
    std::wstring standardOutput;  // decoded from UTF-8
    std::wstring standardError;   // decoded from UTF-8
    bool timedOut = false;        // the process was terminated after the timeout
};

struct RunOptions
{
    // Sent as UTF-8; without it standard input is NUL.
    std::optional<std::wstring> standardInput;
    DWORD timeoutMilliseconds = 60000;
};

// Runs a program to completion and captures what it writes. The output goes
// to temporary files rather than pipes: a background service that Wine starts
// alongside the first program of a prefix inherits the handles and would keep
// a pipe open long after the program ended. Throws std::runtime_error when
// the program cannot be started.
RunResult RunProcess(const std::wstring& exePath, const std::vector<std::wstring>& args,
                     const RunOptions& options = {});

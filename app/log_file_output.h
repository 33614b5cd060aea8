#pragma once

#include <windows.h>

#include <string>

#include "app/console_output.h"

// Appends what the program prints, both streams, to a log file in UTF-8: the
// output of a program that has no console. The file stays below a bound: a
// write that finds it at the bound first moves it to "<file>.old", replacing
// the one before, and starts the file anew. The file is opened for each write
// and shared, so that the user can read or delete it at any time. In force for
// its own lifetime.
// Where the watcher started at log-on writes: %LOCALAPPDATA%\Kelvane\watch.log.
// Empty when that folder is not known. Creates nothing.
std::wstring WatcherLogPath();

// The same, its folder made when missing: where a program without a console
// writes.
std::wstring MadeWatcherLogPath();

// Enough for months of events, small enough never to matter to the user.
constexpr ULONGLONG kWatcherLogSizeBound = 1024 * 1024;

class LogFileOutput : public OutputSink {
public:
    LogFileOutput(std::wstring path, ULONGLONG sizeBound) : path_(std::move(path)), sizeBound_(sizeBound) {}
    LogFileOutput(const LogFileOutput&) = delete;
    LogFileOutput& operator=(const LogFileOutput&) = delete;

    void Write(OutputStream stream, const wchar_t* text) override;

private:
    std::wstring path_;
    ULONGLONG sizeBound_;
    OutputSink::Scope installed_{this};
};

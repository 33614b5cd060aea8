#pragma once

#include <windows.h>

#include <string>

// The event that wakes the desktop fixture's list-view thread from a stall (see
// fixture/unresponsive_shell.h): named after the fixture's process, so that a
// test reaches it while the thread that serves commands does not answer.
inline std::wstring FixtureWakeEventName(DWORD fixtureProcessId) {
    return L"KelvaneFixtureWake" + std::to_wstring(fixtureProcessId);
}

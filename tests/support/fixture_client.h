#pragma once

#include "support/unique_resource.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// The path of desktop_fixture.exe beside the running test program.
std::wstring FixtureBesideTest();

// What the message held up by a stall met once the fixture woke.
struct StallReport {
    std::set<uintptr_t> blocks;  // allocation bases of the blocks it points into
    unsigned freedWrites = 0;    // 1 when memory it writes into had been freed
};

struct FixtureItem {
    int index = 0;
    int x = 0;
    int y = 0;
    std::wstring text;
};

// Runs desktop_fixture.exe (a stand-in for the shell's desktop) as a separate
// process and talks to it over its standard input and output. The
// constructor returns once the fixture reports "ready". Every call waits a
// bounded time; failures, including "error ..." answers, throw
// std::runtime_error. The destructor ends the fixture, forcibly if it must.
class DesktopFixture {
public:
    DesktopFixture(const std::wstring& fixturePath, const std::vector<std::wstring>& args,
                   DWORD readyTimeoutMilliseconds = 30000);
    ~DesktopFixture();

    DesktopFixture(const DesktopFixture&) = delete;
    DesktopFixture& operator=(const DesktopFixture&) = delete;

    // Index order; positions as LVM_GETITEMPOSITION gives them in-process.
    std::vector<FixtureItem> Items();
    // The file name SHGetDataFromIDListW gives for the item's ID list, or
    // empty when the item has none.
    std::wstring Identity(int index);
    void Move(int index, int x, int y);
    // Deletes the items at the indices (as they are before) and inserts each
    // again at the end of the list, with item data of its own, at its point:
    // what the shell does for files deleted and made again.
    struct Remade {
        int index, x, y;
    };
    void Recreate(const std::vector<Remade>& items);
    // Deletes the files and makes them again, telling the shell through
    // SHChangeNotify, as a program that replaces files does.
    void RecreateFiles(const std::vector<std::wstring>& paths);
    // Turns the list view's auto-arrange style on (arranging the icons) or off.
    void AutoArrange(bool on);
    // Turns the list view's redrawing off or on again (WM_SETREDRAW).
    void Redraw(bool on);
    RECT Rect(int index);  // LVIR_BOUNDS
    SIZE Spacing();        // LVM_GETITEMSPACING, large icons
    HWND ListView();       // null when the desktop has no list view

    // LVM_* messages that arrived from other processes, by message code.
    std::map<UINT, unsigned> MessageCounts();
    void ResetCounts();
    // Every list-view message from another process waits this long first.
    void Pace(DWORD milliseconds);
    // Broadcasts "TaskbarCreated", as the shell does once it has started.
    void AnnounceShellStart();
    // The desktop goes away right after answering `messages` more of them.
    void QuitAfter(unsigned messages);

    // The list view's thread stops taking messages from other processes once it
    // has answered `messages` more of them, or stops inside the `nth` next one
    // with the code `message`, until Wake. Commands wait for it meanwhile.
    void StallAfter(unsigned messages);
    void StallIn(UINT message, unsigned nth = 1);
    void Wake();
    StallReport LastStall();

    // A desktop started with --stand-in (see fixture/stand_in_shell.h): puts
    // every icon back where the shell's record says; sends one "stand-in"
    // command that answers "ok"; the server's objects made and not released;
    // the folder-view calls carried, by kind.
    void Refresh();
    void StandIn(const std::string& command);
    struct StandInObjects {
        unsigned made = 0;
        unsigned live = 0;
    };
    StandInObjects StandInObjectCount();
    std::map<std::string, unsigned> StandInCalls();

    // Asks the fixture to exit and waits until it has.
    void Quit();
    bool IsRunning() const;
    HANDLE Process() const { return process_.Get(); }

private:
    std::string Ask(const std::string& command);
    std::vector<std::string> AskForList(const std::string& command);
    void Send(const std::string& command);
    std::string ReadLine(const std::string& waitingFor, DWORD timeoutMilliseconds);
    std::string ExitDescription() const;

    UniqueHandle process_;
    UniqueHandle toFixture_;
    UniqueHandle fromFixture_;
    std::string received_;
};

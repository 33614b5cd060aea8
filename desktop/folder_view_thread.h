#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <memory>

// Work for the desktop's folder view. It runs on the folder view's own thread,
// and may be left running there when it overruns: everything it reads and
// writes belongs to the job itself, which both threads hold.
class FolderViewJob {
public:
    virtual ~FolderViewJob() = default;
    virtual void Run(IFolderView* view) = 0;
};

// All the folder-view calls of one restore may take this long, together.
constexpr DWORD kFolderViewBudgetMilliseconds = 5000;

// A thread with its own COM apartment that reaches the desktop's folder view
// when it starts and runs the jobs given to it, one at a time. On Windows the
// view lives in the shell's process, and a shell that hangs would hold a call
// into it for ever: so the caller waits for the calls, releases and leaving
// the apartment included, at most the budget in all. A call still running when
// the budget is spent is abandoned with the thread: the caller goes on without
// it, and the thread ends once that call returns, releasing the view and
// leaving its apartment without beginning any other.
class FolderViewThread {
public:
    explicit FolderViewThread(DWORD budgetMilliseconds);
    FolderViewThread(const FolderViewThread&) = delete;
    FolderViewThread& operator=(const FolderViewThread&) = delete;
    // Releases the view and leaves the apartment, within what is left of the
    // budget.
    ~FolderViewThread();

    // True when the folder view was reached and the job ran to its end within
    // the budget. False when the view could not be reached (the job does not
    // run), when no time is left (the job is not begun) or when time ran out
    // while the view was looked up or the job ran (the thread is abandoned;
    // every later job is refused at once).
    [[nodiscard]] bool Run(const std::shared_ptr<FolderViewJob>& job);

    // How the view's lookup ended: S_OK when it was reached, the failure of the
    // step that failed, or E_PENDING while no job has been answered (none given,
    // or time ran out first).
    [[nodiscard]] HRESULT Lookup() const { return lookup_; }

private:
    struct Shared;
    static DWORD WINAPI Serve(void* parameter);
    // Waits for the event within what is left of the budget; false when it ran out.
    bool Await(HANDLE event);

    std::shared_ptr<Shared> shared_;
    HANDLE thread_ = nullptr;
    DWORD budget_;
    ULONGLONG spent_ = 0;
    bool abandoned_ = false;
    HRESULT lookup_ = E_PENDING;
};

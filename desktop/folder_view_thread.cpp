#include "desktop/folder_view_thread.h"

#include <objbase.h>

#include <atomic>

#include "desktop/com_ref.h"
#include "desktop/desktop_folder_view.h"

// What the caller and the thread share. The thread holds its own reference, so
// that an abandoned thread never finds it gone.
struct FolderViewThread::Shared {
    Shared()
        : jobReady(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          jobDone(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;
    ~Shared() {
        if (jobReady != nullptr) {
            CloseHandle(jobReady);
        }
        if (jobDone != nullptr) {
            CloseHandle(jobDone);
        }
    }

    const HANDLE jobReady;
    const HANDLE jobDone;
    // Written by the caller before it signals jobReady; read by the thread after.
    std::shared_ptr<FolderViewJob> job;
    // Set by the caller before it signals jobReady for the last time: at its
    // end, or when it abandons the thread. A job not yet begun then never is.
    std::atomic<bool> stop{false};
    // Written by the thread before its first jobDone.
    HRESULT reached = E_FAIL;
};

FolderViewThread::FolderViewThread(DWORD budgetMilliseconds)
    : shared_(std::make_shared<Shared>()), budget_(budgetMilliseconds) {
    if (shared_->jobReady == nullptr || shared_->jobDone == nullptr) {
        return;
    }
    auto* threadShare = new std::shared_ptr<Shared>(shared_);
    thread_ = CreateThread(nullptr, 0, Serve, threadShare, 0, nullptr);
    if (thread_ == nullptr) {
        delete threadShare;
    }
}

FolderViewThread::~FolderViewThread() {
    if (thread_ == nullptr) {
        return;
    }
    if (!abandoned_) {
        shared_->stop = true;
        SetEvent(shared_->jobReady);
        Await(thread_);
    }
    CloseHandle(thread_);
}

bool FolderViewThread::Run(const std::shared_ptr<FolderViewJob>& job) {
    // A job handed over with no time left could reach the shell after the
    // caller has given up on it.
    if (thread_ == nullptr || abandoned_ || spent_ >= budget_) {
        return false;
    }
    shared_->job = job;
    SetEvent(shared_->jobReady);
    if (!Await(shared_->jobDone)) {
        // The thread ends once the call it is in returns, without beginning the
        // job when that call was the view's lookup.
        abandoned_ = true;
        shared_->stop = true;
        SetEvent(shared_->jobReady);
        return false;
    }
    shared_->job.reset();
    lookup_ = shared_->reached;
    return SUCCEEDED(lookup_);
}

bool FolderViewThread::Await(HANDLE event) {
    const ULONGLONG start = GetTickCount64();
    const DWORD left = spent_ < budget_ ? static_cast<DWORD>(budget_ - spent_) : 0;
    const bool signalled = WaitForSingleObject(event, left) == WAIT_OBJECT_0;
    spent_ += GetTickCount64() - start;
    return signalled;
}

DWORD WINAPI FolderViewThread::Serve(void* parameter) {
    const std::shared_ptr<Shared> shared = *static_cast<std::shared_ptr<Shared>*>(parameter);
    delete static_cast<std::shared_ptr<Shared>*>(parameter);
    // The multithreaded apartment: the calls need no message loop here, and a
    // server that allows any apartment loads straight into it.
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ComRef<IFolderView> view;
    shared->reached = SUCCEEDED(apartment) ? ReachDesktopFolderView(view) : apartment;
    for (;;) {
        WaitForSingleObject(shared->jobReady, INFINITE);
        if (shared->stop) {
            break;
        }
        if (SUCCEEDED(shared->reached)) {
            shared->job->Run(view.get());
        }
        SetEvent(shared->jobDone);
    }
    view.Reset();
    if (SUCCEEDED(apartment)) {
        CoUninitialize();
    }
    return 0;
}

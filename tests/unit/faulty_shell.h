#pragma once

#include <map>
#include <optional>
#include <vector>

#include "desktop/shell_platform.h"
#include "unit/fault_budget.h"

// The real shell platform, failing the calls a test picks: each call is offered
// to the predicate, and a call it accepts fails as the platform would fail it.
// A message is offered twice: as Silence, which leaves it unsent and unanswered
// as a hung shell would, and then as Send, which has the shell answer 0.
class FaultyShell : public ShellPlatform {
public:
    enum class Kind { Open, Allocate, Write, Read, Send, Silence, DesktopFolder };
    struct Call {
        Kind kind;
        UINT message;        // Send
        SIZE_T size;         // Allocate, Write, Read
        SIZE_T blockSize;    // Write, Read: the size of the block the address lies in, 0 elsewhere
        SIZE_T blockOffset;  // Write, Read: the address's offset in that block
        const void* data;    // Write
    };
    using Predicate = FaultBudget<Call>::Predicate;

    // Fails the first `count` calls the predicate accepts (all of them when 0).
    explicit FaultyShell(Predicate fails, int count = 1) : budget_(std::move(fails), count) {}

    HANDLE OpenProcess(DWORD access, DWORD processId) override {
        return Fails({Kind::Open, 0, 0, 0, 0, nullptr}) ? nullptr : ShellPlatform::OpenProcess(access, processId);
    }
    void* Allocate(HANDLE process, SIZE_T size) override {
        if (Fails({Kind::Allocate, 0, size, 0, 0, nullptr})) return nullptr;
        void* block = ShellPlatform::Allocate(process, size);
        if (block != nullptr) blocks_[reinterpret_cast<uintptr_t>(block)] = size;
        return block;
    }
    void Free(HANDLE process, void* address) override {
        blocks_.erase(reinterpret_cast<uintptr_t>(address));
        ShellPlatform::Free(process, address);
    }
    bool Write(HANDLE process, void* address, const void* data, SIZE_T size) override {
        Call call = Locate(Kind::Write, address, size);
        call.data = data;
        return !Fails(call) && ShellPlatform::Write(process, address, data, size);
    }
    bool Read(HANDLE process, const void* address, void* data, SIZE_T size) override {
        return !Fails(Locate(Kind::Read, address, size)) && ShellPlatform::Read(process, address, data, size);
    }
    std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (silenced_) ++sendsAfterSilence;
        if (Fails({Kind::Silence, message, 0, 0, 0, nullptr})) {
            silenced_ = true;
            return std::nullopt;
        }
        const std::optional<LRESULT> result = ShellPlatform::Send(window, message, wParam, lParam);
        return Fails({Kind::Send, message, 0, 0, 0, nullptr}) ? 0 : result;
    }
    void LockWindowUpdate(HWND window) override {
        locks.push_back(window);
        ShellPlatform::LockWindowUpdate(window);
    }
    HRESULT GetDesktopFolder(IShellFolder** folder) override {
        return Fails({Kind::DesktopFolder, 0, 0, 0, 0, nullptr}) ? E_FAIL : ShellPlatform::GetDesktopFolder(folder);
    }
    HRESULT GetDataFromIdList(IShellFolder* folder, PCUITEMID_CHILD idList, int format, void* data, int size) override {
        identityApartments.push_back(CurrentApartment());
        return ShellPlatform::GetDataFromIdList(folder, idList, format, data, size);
    }

    // The COM apartment the calling thread entered (APTTYPE_STA for the
    // process's first single-threaded one too), or -1 when it entered none: an
    // implicit member of another thread's multithreaded apartment included.
    static int CurrentApartment() {
        APTTYPE type;
        APTTYPEQUALIFIER qualifier;
        if (FAILED(CoGetApartmentType(&type, &qualifier)) || qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA) return -1;
        return type == APTTYPE_MAINSTA ? APTTYPE_STA : static_cast<int>(type);
    }

    int failures() const { return budget_.failures; }
    // The sizes of the blocks obtained and not freed, in the order of their addresses.
    std::vector<SIZE_T> BlocksLeft() const {
        std::vector<SIZE_T> sizes;
        for (const auto& block : blocks_)
            sizes.push_back(block.second);
        return sizes;
    }

    // Every LockWindowUpdate, in order; null lets the window redraw.
    std::vector<HWND> locks;
    // Messages that reached the platform after one was left unanswered.
    int sendsAfterSilence = 0;
    // The apartment of each namespace call that names an item (CurrentApartment).
    std::vector<int> identityApartments;

private:
    Call Locate(Kind kind, const void* address, SIZE_T size) const {
        const uintptr_t at = reinterpret_cast<uintptr_t>(address);
        for (const auto& [base, blockSize] : blocks_) {
            if (at >= base && at < base + blockSize) return {kind, 0, size, blockSize, at - base, nullptr};
        }
        return {kind, 0, size, 0, 0, nullptr};
    }
    bool Fails(const Call& call) { return budget_.Fails(call); }

    FaultBudget<Call> budget_;
    std::map<uintptr_t, SIZE_T> blocks_;
    bool silenced_ = false;
    ShellPlatform::Scope installed_{this};
};

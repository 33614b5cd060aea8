#pragma once

#include <windows.h>

#include <utility>

// One reference to a COM interface, released when the owner goes. A pointer
// is adopted only from a call that succeeded: an out-parameter of a failed call
// may hold anything (Wine's stubs leave it as it was), so it is never released.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ~ComRef() { Reset(); }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    void Reset() {
        if (pointer_ != nullptr) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }

    // Runs a call that hands out a reference through its last argument, and
    // keeps the reference only when the call succeeded with one.
    template <typename Call>
    HRESULT Obtain(Call call) {
        Reset();
        Interface* received = nullptr;
        const HRESULT result = call(&received);
        if (SUCCEEDED(result) && received != nullptr) {
            pointer_ = received;
        }
        return result;
    }

private:
    Interface* pointer_ = nullptr;
};

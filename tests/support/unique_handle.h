#pragma once

// Sole owner of a kernel handle (process, thread, pipe end, file); closes it
// when it goes out of scope. Header-only so the fixture can use it too.

#include <windows.h>

#include <utility>

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(IsValid(handle) ? handle : nullptr) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    void Reset() {
        if (handle_) CloseHandle(std::exchange(handle_, nullptr));
    }

private:
    // CreateFile reports failure as INVALID_HANDLE_VALUE, most other calls as null.
    static bool IsValid(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }

    HANDLE handle_ = nullptr;
};

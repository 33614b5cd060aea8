#pragma once

// The one owner of the tests, the fixture and the harness: it holds one
// resource, releases it when it goes, is never copied and can be moved. Its
// Traits name the value and how to release it. Header-only so the fixture can
// use it too.

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueResource {
public:
    using Value = typename Traits::Value;

    UniqueResource() = default;
    // Takes over a value the caller owns; a value that marks a failure is held as none.
    explicit UniqueResource(Value value) : value_(Traits::IsValid(value) ? value : Value{}) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(std::exchange(other.value_, Value{})) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            Reset();
            value_ = std::exchange(other.value_, Value{});
        }
        return *this;
    }

    Value Get() const { return value_; }
    Value operator->() const { return value_; }
    explicit operator bool() const { return value_ != Value{}; }

    // For the out-parameter of a call that hands over a new value.
    Value* Receive() {
        Reset();
        return &value_;
    }

    void Reset() {
        if (value_ != Value{}) Traits::Release(std::exchange(value_, Value{}));
    }

private:
    Value value_{};
};

struct HandleTraits {
    using Value = HANDLE;
    // CreateFile reports failure as INVALID_HANDLE_VALUE, most other calls as null.
    static bool IsValid(HANDLE handle) { return handle != INVALID_HANDLE_VALUE; }
    static void Release(HANDLE handle) { CloseHandle(handle); }
};
// A kernel handle: process, thread, pipe end, file.
using UniqueHandle = UniqueResource<HandleTraits>;

struct WindowTraits {
    using Value = HWND;
    static bool IsValid(HWND) { return true; }
    // A child window may already have gone with its parent.
    static void Release(HWND window) {
        if (IsWindow(window)) DestroyWindow(window);
    }
};
using UniqueWindow = UniqueResource<WindowTraits>;

struct KeyTraits {
    using Value = HKEY;
    static bool IsValid(HKEY) { return true; }
    static void Release(HKEY key) { RegCloseKey(key); }
};
using UniqueKey = UniqueResource<KeyTraits>;

template <typename Interface>
struct ComTraits {
    using Value = Interface*;
    static bool IsValid(Interface*) { return true; }
    static void Release(Interface* pointer) { pointer->Release(); }
};
// One reference to a COM object.
template <typename Interface>
using ComPtr = UniqueResource<ComTraits<Interface>>;

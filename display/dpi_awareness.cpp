#include "display/dpi_awareness.h"

namespace {

// Loaded at run time: Windows before 10 1607 has none of them.
using ThreadAwarenessGetter = DPI_AWARENESS_CONTEXT(WINAPI*)();
using AwarenessOfContext = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
using ThreadAwarenessSetter = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);

template <typename Function>
Function User32Function(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

DpiAwareness CurrentDpiAwareness() {
    const auto getContext = User32Function<ThreadAwarenessGetter>("GetThreadDpiAwarenessContext");
    const auto getAwareness = User32Function<AwarenessOfContext>("GetAwarenessFromDpiAwarenessContext");
    if (getContext == nullptr || getAwareness == nullptr) {
        return IsProcessDPIAware() ? DpiAwareness::SystemAware : DpiAwareness::Unaware;
    }
    switch (getAwareness(getContext())) {
        case DPI_AWARENESS_UNAWARE:
            return DpiAwareness::Unaware;
        case DPI_AWARENESS_SYSTEM_AWARE:
            return DpiAwareness::SystemAware;
        case DPI_AWARENESS_PER_MONITOR_AWARE:
            return DpiAwareness::PerMonitorAware;
        default:
            return DpiAwareness::Unknown;
    }
}

int ScreenPixelsPerInch() {
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return 0;
    }
    const int pixels = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return pixels;
}

PerMonitorDpiScope::PerMonitorDpiScope() {
    if (const auto setContext = User32Function<ThreadAwarenessSetter>("SetThreadDpiAwarenessContext")) {
        previous_ = setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    }
}

PerMonitorDpiScope::~PerMonitorDpiScope() {
    if (previous_ != nullptr) {
        User32Function<ThreadAwarenessSetter>("SetThreadDpiAwarenessContext")(previous_);
    }
}

#include "diagnose/windows_version.h"

namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(PRTL_OSVERSIONINFOW);

}  // namespace

bool ReadWindowsVersion(RTL_OSVERSIONINFOW& version) {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto getVersion = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(ntdll != nullptr ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr));
    version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return getVersion != nullptr && getVersion(&version) == 0;
}

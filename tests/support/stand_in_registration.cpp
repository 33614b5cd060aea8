#include "support/stand_in_registration.h"

#include "shell_stand_in/stand_in_protocol.h"
#include "support/current_exe.h"

#include <windows.h>

#include <stdexcept>

namespace {

const std::wstring kClasses = L"Software\\Classes\\CLSID\\";

void WriteDefault(const std::wstring& path, const std::wstring& value, const wchar_t* name = nullptr) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot create a key for the stand-in shell server");
    const LSTATUS written = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    if (written != ERROR_SUCCESS) throw std::runtime_error("cannot write a value for the stand-in shell server");
}

void Remove() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kClasses + kShellWindowsClassIdText + L"\\TreatAs").c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kClasses + kStandInClassIdText).c_str());
}

}  // namespace

StandInRegistration::StandInRegistration(const std::wstring& serverPath) {
    try {
        const std::wstring server = kClasses + kStandInClassIdText + L"\\InprocServer32";
        WriteDefault(server, serverPath);
        WriteDefault(server, L"Both", L"ThreadingModel");
        WriteDefault(kClasses + kShellWindowsClassIdText + L"\\TreatAs", kStandInClassIdText);
    } catch (...) {
        Remove();
        throw;
    }
}

StandInRegistration::~StandInRegistration() { Remove(); }

std::wstring StandInServerBesideTest() { return CurrentExeDirectory() + L"\\shell_stand_in.dll"; }

#include "store/registry_platform.h"

LSTATUS RegistryPlatform::CreateKey(HKEY parent, const wchar_t* path, DWORD options, REGSAM access,
                                    SECURITY_ATTRIBUTES* security, HKEY* key) {
    DWORD disposition = 0;
    return ::RegCreateKeyExW(parent, path, 0, nullptr, options, access, security, key, &disposition);
}

LSTATUS RegistryPlatform::OpenKey(HKEY parent, const wchar_t* path, REGSAM access, HKEY* key) {
    return ::RegOpenKeyExW(parent, path, 0, access, key);
}

LSTATUS RegistryPlatform::CloseKey(HKEY key) { return ::RegCloseKey(key); }

LSTATUS RegistryPlatform::EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength) {
    FILETIME lastWrite;
    return ::RegEnumKeyExW(key, index, name, nameLength, nullptr, nullptr, nullptr, &lastWrite);
}

LSTATUS RegistryPlatform::EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, DWORD* type, BYTE* data,
                                    DWORD* dataSize) {
    return ::RegEnumValueW(key, index, name, nameLength, nullptr, type, data, dataSize);
}

LSTATUS RegistryPlatform::QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* dataSize) {
    return ::RegQueryValueExW(key, name, nullptr, type, data, dataSize);
}

LSTATUS RegistryPlatform::SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
    return ::RegSetValueExW(key, name, 0, type, data, size);
}

LSTATUS RegistryPlatform::DeleteValue(HKEY key, const wchar_t* name) { return ::RegDeleteValueW(key, name); }

LSTATUS RegistryPlatform::DeleteTree(HKEY key, const wchar_t* subkey) { return ::RegDeleteTreeW(key, subkey); }

RegistryPlatform& RegistryPlatform::Real() {
    static RegistryPlatform real;
    return real;
}

#pragma once

#include <windows.h>

#include "text/seam.h"

// The registry calls of the store. The real implementation calls Win32 directly;
// tests install one that fails a chosen call.
class RegistryPlatform : public Seam<RegistryPlatform> {
public:
    static RegistryPlatform& Real();
    virtual ~RegistryPlatform() = default;
    virtual LSTATUS CreateKey(HKEY parent, const wchar_t* path, DWORD options, REGSAM access,
                              SECURITY_ATTRIBUTES* security, HKEY* key);
    // An existing key only: a missing one stays missing.
    virtual LSTATUS OpenKey(HKEY parent, const wchar_t* path, REGSAM access, HKEY* key);
    virtual LSTATUS CloseKey(HKEY key);
    virtual LSTATUS EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength);
    virtual LSTATUS EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, DWORD* type, BYTE* data,
                              DWORD* dataSize);
    virtual LSTATUS QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* dataSize);
    virtual LSTATUS SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size);
    virtual LSTATUS DeleteValue(HKEY key, const wchar_t* name);
    // The subkey with everything below it.
    virtual LSTATUS DeleteTree(HKEY key, const wchar_t* subkey);
};

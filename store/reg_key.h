#pragma once

#include <windows.h>

#include "text/wstring.h"

// Access masks of the store's callers: saving writes; loading, restoring and the
// menu read, with the right to create the key so that a missing store is made.
constexpr REGSAM kStoreWriteAccess = KEY_ALL_ACCESS;
constexpr REGSAM kStoreReadAccess = KEY_READ | KEY_CREATE_SUB_KEY;
static_assert(kStoreWriteAccess == 0xF003F && kStoreReadAccess == 0x2001D);

// One open key below HKEY_CURRENT_USER with the path it was opened by. Every open
// goes through the create call, so a missing key is created. Closed on
// destruction; never copied.
class RegKey {
public:
    RegKey(const wchar_t* path, REGSAM access, DWORD options);
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey();

    // Moves one level down into (and creates) the named subkey. False with an
    // empty name or no open key (nothing changes then), or when the open fails.
    bool Descend(const wchar_t* name);

    bool EnumSubKey(DWORD index, wchar_t* name, DWORD capacity);
    bool EnumValue(DWORD index, wchar_t* name, DWORD nameCapacity, DWORD* type, BYTE* data, DWORD* dataSize);
    bool SetDword(const wchar_t* name, DWORD value);
    bool SetBinary(const wchar_t* name, const void* data, DWORD size);
    bool DeleteSubKey(const wchar_t* name);

    HKEY handle = nullptr;
    WString path;
    DWORD options;
    REGSAM access;

private:
    bool Create();
};

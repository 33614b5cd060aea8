#pragma once

#include <windows.h>

#include <vector>

#include "text/wstring.h"

// Access masks of the store's callers: saving writes; loading, restoring and the
// menu read, with the right to create the key so that a missing store is made.
constexpr REGSAM kStoreWriteAccess = KEY_ALL_ACCESS;
constexpr REGSAM kStoreReadAccess = KEY_READ | KEY_CREATE_SUB_KEY;
static_assert(kStoreWriteAccess == 0xF003F && kStoreReadAccess == 0x2001D);

// Whether opening a key creates it when it is missing. Reports open existing
// keys only, so that looking changes nothing.
enum class KeyOpening { CreateMissing, ExistingOnly };

// One open key below HKEY_CURRENT_USER with the path it was opened by. Unless
// told ExistingOnly, every open goes through the create call, so a missing key
// is created; an ExistingOnly key that is missing has no handle. Closed on
// destruction; never copied.
class RegKey {
public:
    RegKey(const wchar_t* path, REGSAM access, DWORD options, KeyOpening opening = KeyOpening::CreateMissing);
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey();

    // Moves one level down into (and, unless ExistingOnly, creates) the named subkey. False with an
    // empty name or no open key (nothing changes then), or when the open fails.
    [[nodiscard]] bool Descend(const wchar_t* name);

    [[nodiscard]] bool EnumSubKey(DWORD index, wchar_t* name, DWORD capacity);
    // A string value (REG_SZ or REG_EXPAND_SZ, not expanded), its zero not
    // counted; the empty name is the key's default value. False when there is
    // none or it is of another type.
    [[nodiscard]] bool ReadString(const wchar_t* name, WString& text);
    [[nodiscard]] bool SetDword(const wchar_t* name, DWORD value);
    [[nodiscard]] bool SetQword(const wchar_t* name, ULONGLONG value);
    [[nodiscard]] bool SetBinary(const wchar_t* name, const void* data, DWORD size);
    [[nodiscard]] bool SetString(const wchar_t* name, const wchar_t* text);
    // True when the value is gone afterwards, also when there was none.
    [[nodiscard]] bool DeleteValue(const wchar_t* name);
    // Removes the named subkey and everything below it.
    [[nodiscard]] bool DeleteSubKey(const wchar_t* name);

    enum class ValueRead { Read, End, Failed };
    // The value at a position of the enumeration, however long its name or data.
    [[nodiscard]] ValueRead ReadValue(DWORD index, WString& name, DWORD& type, std::vector<BYTE>& data);

    HKEY handle = nullptr;
    WString path;
    DWORD options;
    REGSAM access;
    KeyOpening opening;

private:
    bool Create();
};

// Orders names as the registry compares them: ignoring letter case, all of it,
// by the system's own upper-case table. Negative, zero or positive; zero for two
// names that the registry takes for the same one.
int CompareRegistryNames(const wchar_t* left, const wchar_t* right);

#pragma once

// Direct registry access for tests, below HKEY_CURRENT_USER, through the raw
// Win32 API: tests check what the product stored, or prepare what it reads,
// without going through any of the product's own code.

#include <windows.h>

#include <string>
#include <vector>

struct RegistryValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// `path` is relative to HKEY_CURRENT_USER, e.g. L"Software\\Kelvane".
bool RegistryKeyExists(const std::wstring& path);

// Both throw std::runtime_error when the key cannot be opened. Names come in
// the order the registry enumerates them (Wine: alphabetical, ignoring case).
std::vector<std::wstring> RegistrySubkeys(const std::wstring& path);
std::vector<RegistryValue> RegistryValues(const std::wstring& path);

// Removes the key with everything below it; a missing key is not an error.
void DeleteRegistryTree(const std::wstring& path);

// Removes one value; a missing value is not an error.
void DeleteRegistryValue(const std::wstring& path, const std::wstring& name);

// Creates the key when needed. Throws std::runtime_error on failure.
void WriteRegistryValue(const std::wstring& path, const std::wstring& name, DWORD type, const std::vector<BYTE>& data);

// Creates the key as a volatile one (it lives until the registry is unloaded).
// The registry refuses a lasting key below a volatile one: a test makes a write
// fail this way. Throws std::runtime_error on failure.
void CreateVolatileKey(const std::wstring& path);

// Every layout subkey of a key with its values, in the registry's order: a
// picture of a part of the store to compare before and after.
struct RegistryKeyImage {
    std::wstring name;
    std::vector<RegistryValue> values;
};
std::vector<RegistryKeyImage> RegistryTreeImage(const std::wstring& path);

bool operator==(const RegistryValue& left, const RegistryValue& right);
bool operator==(const RegistryKeyImage& left, const RegistryKeyImage& right);

#include "support/registry_reader.h"

#include "support/unique_resource.h"
#include "support/utf8.h"

#include <stdexcept>

namespace {

std::runtime_error RegistryError(const std::string& what, const std::wstring& path, LONG status) {
    return std::runtime_error(what + " HKCU\\" + ToUtf8(path) + " failed with error " + std::to_string(status));
}

void OpenForReading(const std::wstring& path, UniqueKey& key) {
    const LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Receive());
    if (status != ERROR_SUCCESS) throw RegistryError("opening", path, status);
}

}  // namespace

bool RegistryKeyExists(const std::wstring& path) {
    UniqueKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

std::vector<std::wstring> RegistrySubkeys(const std::wstring& path) {
    UniqueKey key;
    OpenForReading(path, key);
    DWORD longestName = 0;
    RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, &longestName, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);

    std::vector<std::wstring> names;
    std::wstring name(longestName + 1, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        const LONG status = RegEnumKeyExW(key.Get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) throw RegistryError("listing subkeys of", path, status);
        names.emplace_back(name.data(), length);
    }
    return names;
}

std::vector<RegistryValue> RegistryValues(const std::wstring& path) {
    UniqueKey key;
    OpenForReading(path, key);
    DWORD longestName = 0;
    DWORD largestData = 0;
    RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                     &largestData, nullptr, nullptr);

    std::vector<RegistryValue> values;
    std::wstring name(longestName + 1, L'\0');
    std::vector<BYTE> data(largestData);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG status =
            RegEnumValueW(key.Get(), index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) throw RegistryError("listing values of", path, status);
        values.push_back(
            {std::wstring(name.data(), nameLength), type, std::vector<BYTE>(data.begin(), data.begin() + dataSize)});
    }
    return values;
}

void DeleteRegistryTree(const std::wstring& path) {
    const LONG status = RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) throw RegistryError("deleting", path, status);
}

void DeleteRegistryValue(const std::wstring& path, const std::wstring& name) {
    const LONG status = RegDeleteKeyValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        throw RegistryError("deleting a value of", path, status);
}

void WriteRegistryValue(const std::wstring& path, const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    UniqueKey key;
    LONG status =
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
    if (status != ERROR_SUCCESS) throw RegistryError("creating", path, status);
    status = RegSetValueExW(key.Get(), name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
    if (status != ERROR_SUCCESS) throw RegistryError("writing a value to", path, status);
}

void CreateVolatileKey(const std::wstring& path) {
    UniqueKey key;
    const LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                        KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr);
    if (status != ERROR_SUCCESS) throw RegistryError("creating a volatile key", path, status);
}

std::vector<RegistryKeyImage> RegistryTreeImage(const std::wstring& path) {
    std::vector<RegistryKeyImage> image;
    if (!RegistryKeyExists(path)) return image;
    for (const std::wstring& name : RegistrySubkeys(path))
        image.push_back({name, RegistryValues(path + L"\\" + name)});
    return image;
}

bool operator==(const RegistryValue& left, const RegistryValue& right) {
    return left.name == right.name && left.type == right.type && left.data == right.data;
}

bool operator==(const RegistryKeyImage& left, const RegistryKeyImage& right) {
    return left.name == right.name && left.values == right.values;
}
